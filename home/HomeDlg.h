#pragma once

#include "home/Reminder.h"
#include "ui/LayeredDialog.h"

#include <QDateTime>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>

class CQuilloraDlg;
class CSettingsDlg;
class UpdateCheck;
class CTranslucentButton;
class CTranslucentLabel;
class QMenu;
class QSystemTrayIcon;

// The home window: the skinned layered window with the five task buttons, the
// title-bar buttons, the hover help and version lines; it owns the notification-area
// icon, the close behaviour and the reminders, and its companion is the main study
// window.
class CHomeDlg : public CLayeredDialog
{
    Q_OBJECT
public:
    enum Id {
        IDC_HIDE = 1002,
        IDC_MAXIMISE = 1003,
        IDC_CLOSE = 1004,
        IDC_SETTINGS = 1047,
        IDC_HOMEPAGE = 1012,
        IDC_MEMORIZE = 1007,
        IDC_TEST = 1008,
        IDC_MODE = 1009,
        IDC_WORDLIST = 1010,
        IDC_STATISTICS = 1011,
        IDC_HELP_LINE = 1027,
        IDC_VERSION = 1070,
    };
    // Tray menu commands.
    enum Command { ID_SHOW = 32771, ID_OPTIONS = 32772, ID_EXIT = 32773, ID_ABOUT = 32774 };

    explicit CHomeDlg(QWidget *parent = nullptr);
    ~CHomeDlg() override;

    // Creates the window, runs the main window's start-of-day checks, sets the icons
    // and adds the tray icon. False when the program is to end (the user cancelled).
    bool Initialise();

    // hide: hide both windows (to the notification area, or minimised where the
    // desktop has none) and start the reminders if due; otherwise show them again.
    void ShowWindows(bool hide);
    // Logs in another user (the settings' switch-user button).
    void SwitchUser();
    // A second start asked this one to come forward.
    void bringForward();
    // Looks for a newer version in the background, unless a check is running already.
    void StartUpdateCheck();
    // Runs the settings dialog on the page, or turns an open one to that page.
    void OpenSettings(int page);
    bool IsTaskFinishedToday();

    // Buttons and commands, also reachable by tests.
    void onCloseButton();
    void onTrayExit();
    void onTrayActivated(int reason);
    void onHoverHelp(bool resting, int controlId);
    void onReminderTick(const QDateTime &now);

    CQuilloraDlg *mainWindow() const { return m_main; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return m_menu; }
    CTranslucentLabel *helpLine() const { return m_help; }
    CTranslucentLabel *versionLine() const { return m_version; }
    CTranslucentButton *button(int id) const;
    bool reminderActive() const { return m_reminder.isActive(); }
    QTimer *reminderTimer() { return &m_reminder; }
    // The time the reminder timer reads; tests set their own.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    CSettingsDlg *settingsDialog() const;
    UpdateCheck *updateCheck() const { return m_update; }
    bool hiddenToTray() const { return m_hidden; }
    // The hover help text of a button, as in the program's string table; empty if none.
    static QString helpText(int controlId);
    // Where "hide" goes when the desktop has no notification area.
    static bool trayAvailable();

Q_SIGNALS:
    // The program is to end (the modal run of the home window is over).
    void quitRequested();
    // A reminder balloon was shown (text), for tests and the log.
    void reminded(const QString &text);

protected:
    CStandardDialog *CreateStandardDialog() override;
    void InitTranslucentChildren() override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void connectHandlers();
    void createTray();
    void removeTray();
    void quit();
    void showBalloon(const QString &title, const QString &text);
    void onUpdateFound(const QString &url);
    void setStudyButtonsReachable(bool reachable);

    CQuilloraDlg *m_main = nullptr;
    std::array<CTranslucentButton *, 10> m_buttons{};
    CTranslucentLabel *m_help = nullptr;
    CTranslucentLabel *m_version = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_menu = nullptr;
    QTimer m_reminder;
    reminder::MinuteGate m_minuteGate;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    QPointer<CSettingsDlg> m_settings;
    UpdateCheck *m_update = nullptr;
    bool m_hidden = false;
    bool m_quitting = false;
    int m_lastStudyButton = IDC_MEMORIZE;
};
