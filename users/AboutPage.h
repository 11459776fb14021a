#pragma once

#include "users/SettingsPage.h"

#include <QUrl>


// The program's name, version, purpose and the licences of what it ships, as an HTML
// page among the program's resources (page 4 of the settings, dialog 217). The view is
// made when the page is first shown: opening the settings to change something else
// must not start the web engine, which would then stay for the rest of the run.
class CAboutPage : public CSettingsPage
{
    Q_OBJECT
public:
    enum Id { IDD = 217, IDC_BROWSER = 1077 };

    CAboutPage(CQuilloraDlg *mainWindow, QWidget *parent);

    // "res://" + the program file's full path + "/HTML_ABOUT".
    static QUrl address();
    // Null until the page has been shown.
    QWidget *view() const { return m_view; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *m_view = nullptr;
};
