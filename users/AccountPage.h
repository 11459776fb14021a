#pragma once

#include "users/SettingsPage.h"

class CSkinButton;
class CSkinEdit;

// Daily amount, password and the immediate switch of user (page 3 of the settings,
// dialog 216).
class CAccountPage : public CSettingsPage
{
    Q_OBJECT
public:
    enum Id { IDD = 216, IDC_DAYNUM = 1001, IDC_PASSWORD = 1014, IDC_SHOW = 1002, IDC_SWITCH_USER = 1090 };

    CAccountPage(CQuilloraDlg *mainWindow, QWidget *parent);

    bool Validate() override;
    void Save() override;

Q_SIGNALS:
    // The user asked to log in as someone else now; nothing of the dialog is saved.
    void switchUserRequested();

private:
    void OnShowPassword();
    // Keeps config.ini's remembered password for the last user in step with the store.
    void rememberNewPassword(const QString &password);
    void OnSwitchUser();

    CSkinEdit *m_dayNum = nullptr;
    CSkinEdit *m_password = nullptr;
    CSkinButton *m_show = nullptr;
    int m_amount = 0;        // the amount taken last from the box
    int m_openingAmount = 0; // the daily list was built for this amount
};
