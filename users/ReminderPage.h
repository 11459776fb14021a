#pragma once

#include "users/SettingsPage.h"

class CSkinButton;
class CSkinComboBox;

// Reminder hours and interval (page 0 of the settings, dialog 213).
class CReminderPage : public CSettingsPage
{
    Q_OBJECT
public:
    enum Id { IDD = 213, IDC_OFF = 1080, IDC_BEGIN = 1089, IDC_END = 1079, IDC_INTERVAL = 1086 };

    CReminderPage(CQuilloraDlg *mainWindow, QWidget *parent);

    bool Validate() override;
    void Save() override;

    // The selected item of a list; a text typed into an editable list that is not the
    // selected item's counts as no selection.
    static int selection(const CSkinComboBox *box);

private:
    void OnOffClicked();

    CSkinButton *m_off = nullptr;
    CSkinComboBox *m_begin = nullptr;
    CSkinComboBox *m_end = nullptr;
    CSkinComboBox *m_interval = nullptr;
};
