#pragma once

#include "users/SettingsPage.h"

#include <QUrl>


// The program's name, version, purpose and the licences of what it ships, as an HTML
// page among the program's resources (page 4 of the settings, dialog 217).
class CAboutPage : public CSettingsPage
{
    Q_OBJECT
public:
    enum Id { IDD = 217, IDC_BROWSER = 1077 };

    CAboutPage(CQuilloraDlg *mainWindow, QWidget *parent);

    // "res://" + the program file's full path + "/HTML_ABOUT".
    static QUrl address();
    QWidget *view() const { return m_view; }

private:
    QWidget *m_view = nullptr;
};
