#pragma once

#include "users/SettingsPage.h"

class CSkinButton;

// What the close button does (page 2 of the settings, dialog 215).
class CHabitPage : public CSettingsPage
{
    Q_OBJECT
public:
    enum Id { IDD = 215, IDC_TO_TRAY = 1083, IDC_EXIT = 1084 };

    CHabitPage(CQuilloraDlg *mainWindow, QWidget *parent);

    void Save() override;

private:
    CSkinButton *m_toTray = nullptr;
    CSkinButton *m_exit = nullptr;
};
