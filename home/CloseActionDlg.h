#pragma once

#include <QDialog>

class CSkinButton;

// Asks what the close button should do: hide to the notification area or exit, and
// whether to remember the choice.
class CCloseActionDlg : public QDialog
{
    Q_OBJECT
public:
    enum Id { IDC_TO_TRAY = 1083, IDC_EXIT = 1084, IDC_DONT_ASK = 1085 };

    explicit CCloseActionDlg(QWidget *parent = nullptr);

    // After OK: the id of the chosen radio button (0 when none) and the check box.
    int chosen() const { return m_chosen; }
    bool dontAskAgain() const { return m_dontAsk; }

    void accept() override;

private:
    void connectHandlers();

    CSkinButton *m_toTray;
    CSkinButton *m_exit;
    CSkinButton *m_dontAskBox;
    CSkinButton *m_ok;
    CSkinButton *m_cancel;
    int m_chosen = 0;
    bool m_dontAsk = false;
};
