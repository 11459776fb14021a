#pragma once

#include <QDialog>

class CSkinButton;
class CSkinEdit;
class CStatusLabel;
class QKeyEvent;

// The log-in dialog (132). It ends with Accepted only after a row of UserInfo_tbl
// matched the typed name and password; theUser then holds that row. On the way out
// it remembers the name, and when asked the scrambled password and the automatic
// log-in, in config.ini.
class CLoginDlg : public QDialog
{
    Q_OBJECT

public:
    enum Id {
        IdLogin = 1,
        IdRememberPassword = 1008,
        IdAutoLog = 1009,
        IdRegister = 1012,
        IdUserName = 1013,
        IdPassword = 1014,
        IdStatus = 1020,
    };

    explicit CLoginDlg(QWidget *parent = nullptr);

    bool loggedIn() const { return m_loggedIn; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void setupHandlers();
    void OnInitDialog();

    void OnLogin();
    void OnRegister();

    CSkinEdit *m_userName = nullptr;
    CSkinEdit *m_password = nullptr;
    CSkinButton *m_remember = nullptr;
    CSkinButton *m_autoLog = nullptr;
    CSkinButton *m_login = nullptr;
    CSkinButton *m_register = nullptr;
    CStatusLabel *m_status = nullptr;
    bool m_loggedIn = false;
};
