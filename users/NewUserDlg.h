#pragma once

#include <QDialog>
#include <QHash>
#include <QString>

class CSkinButton;
class CSkinEdit;
class CStatusLabel;
class QKeyEvent;

// The new-user dialog (135). Each box is judged when it loses the focus, in the
// status label beside it; OK creates the account (one row of UserInfo_tbl) and ends
// with Accepted only when the row was inserted.
class CNewUserDlg : public QDialog
{
    Q_OBJECT

public:
    enum Id {
        IdOk = 1,
        IdCancel = 2,
        IdConfirm = 1003,
        IdDayNum = 1004,
        IdOrdinary = 1006,
        IdUserName = 1013,
        IdPassword = 1014,
        IdUserNameStatus = 1015,
        IdPasswordStatus = 1016,
        IdConfirmStatus = 1017,
        IdDayNumStatus = 1018,
        IdAdministrator = 1019,
    };

    // Account types as stored in UserInfo_tbl.type; -1 while neither radio is chosen.
    enum Type { NoType = -1, Ordinary = 0, Administrator = 1 };

    explicit CNewUserDlg(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    using Handler = void (CNewUserDlg::*)();

    void buildControls();
    void setupHandlers();
    void OnInitDialog();

    void OnKillFocusUserName();
    void OnKillFocusPassword();
    void OnKillFocusConfirm();
    void OnKillFocusDayNum();
    void OnOK();

    // Copies every box into the members. A daily amount that is not an integer is
    // refused with a prompt, the amount taken last stays, and the result is false.
    bool takeValues();
    bool userNameLengthOk() const;
    // Asks the store; a failure is shown and the name then counts as free.
    bool userNameFree();
    bool passwordLengthOk() const;
    bool confirmationMatches() const;
    bool dayNumInRange() const;

    CSkinEdit *m_userNameEdit = nullptr;
    CSkinEdit *m_passwordEdit = nullptr;
    CSkinEdit *m_confirmEdit = nullptr;
    CSkinEdit *m_dayNumEdit = nullptr;
    CSkinButton *m_ordinary = nullptr;
    CSkinButton *m_administrator = nullptr;
    CSkinButton *m_ok = nullptr;
    CSkinButton *m_cancel = nullptr;
    CStatusLabel *m_userNameStatus = nullptr;
    CStatusLabel *m_passwordStatus = nullptr;
    CStatusLabel *m_confirmStatus = nullptr;
    CStatusLabel *m_dayNumStatus = nullptr;
    QHash<QObject *, Handler> m_onKillFocus; // box -> its check

    QString m_userName;
    QString m_password;
    QString m_confirm;
    int m_dayNum = 0;
    int m_type = NoType;
};
