#include "home/HomeDlg.h"

#include "app/QuilloraDlg.h"
#include "ui/AppLook.h"
#include "home/CloseActionDlg.h"
#include "home/HomeLinks.h"
#include "home/ProgramLinks.h"
#include "home/Reminder.h"
#include "home/UpdateCheck.h"
#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "platform/Version.h"
#include "platform/WorkingSet.h"
#include "store/Store.h"
#include "study/DailyList.h"
#include "study/Speech.h"
#include "ui/LinkStatic.h"
#include "ui/TranslucentButton.h"
#include "ui/TranslucentLabel.h"
#include "users/LoginDlg.h"
#include "users/SettingsDlg.h"
#include "users/UserRecord.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QUrl>

namespace {

struct HomeButton
{
    int id;
    std::array<int, 5> images; // normal, disabled, hover, pressed, checked
    QRect geometry;
    const char16_t *name; // as a screen reader says it: the caption drawn in the art
};

// In the order the window registers them.
const HomeButton kButtons[] = {
    {CHomeDlg::IDC_HIDE, {152, 0, 151, 151, 0}, QRect(379, 4, 46, 38), u"最小化到托盘"},
    {CHomeDlg::IDC_MAXIMISE, {155, 155, 0, 0, 0}, QRect(425, 4, 46, 38), u"最大化"},
    {CHomeDlg::IDC_CLOSE, {150, 0, 149, 149, 0}, QRect(471, 4, 58, 38), u"关闭"},
    {CHomeDlg::IDC_SETTINGS, {204, 0, 205, 205, 0}, QRect(333, 4, 46, 38), u"设置"},
    {CHomeDlg::IDC_HOMEPAGE, {201, 0, 202, 202, 0}, QRect(287, 4, 46, 38), u"软件主页"},
    {CHomeDlg::IDC_MEMORIZE, {177, 0, 176, 175, 0}, QRect(24, 130, 100, 100), u"背单词"},
    {CHomeDlg::IDC_TEST, {180, 0, 179, 178, 0}, QRect(120, 130, 100, 100), u"考单词"},
    {CHomeDlg::IDC_MODE, {186, 0, 185, 184, 0}, QRect(216, 130, 100, 100), u"切换模式"},
    {CHomeDlg::IDC_WORDLIST, {183, 0, 182, 181, 0}, QRect(312, 130, 100, 100), u"选择词库"},
    {CHomeDlg::IDC_STATISTICS, {189, 0, 188, 187, 0}, QRect(408, 130, 100, 100), u"学习统计"},
};

// Tab goes through the study buttons first, then along the title bar.
constexpr int kTabOrder[] = {CHomeDlg::IDC_MEMORIZE, CHomeDlg::IDC_TEST,     CHomeDlg::IDC_MODE, CHomeDlg::IDC_WORDLIST,
                             CHomeDlg::IDC_STATISTICS, CHomeDlg::IDC_HOMEPAGE, CHomeDlg::IDC_SETTINGS, CHomeDlg::IDC_HIDE,
                             CHomeDlg::IDC_CLOSE};
constexpr int kStudyButtons[] = {CHomeDlg::IDC_MEMORIZE, CHomeDlg::IDC_TEST, CHomeDlg::IDC_MODE, CHomeDlg::IDC_WORDLIST,
                                 CHomeDlg::IDC_STATISTICS};

} // namespace

CHomeDlg::CHomeDlg(QWidget *parent)
    : CLayeredDialog(146, parent)
{
    setObjectName(QStringLiteral("147"));
    setWindowTitle(QStringLiteral("Quillora"));
    m_reminder.setInterval(2000);
    connect(&m_reminder, &QTimer::timeout, this, [this] {
        const QDateTime now = m_clock();
        if (m_minuteGate.pass(now))
            onReminderTick(now);
    });
    m_update = new UpdateCheck(this);
    connect(m_update, &UpdateCheck::updateFound, this, &CHomeDlg::onUpdateFound);
}

CHomeDlg::~CHomeDlg()
{
    removeTray();
    delete m_menu;
}

QString CHomeDlg::helpText(int controlId)
{
    switch (controlId) {
    case IDC_MEMORIZE: return QStringLiteral("拼写记忆单词");
    case IDC_TEST: return QStringLiteral("多种方式检测你的记忆情况");
    case IDC_MODE: return QStringLiteral("切换『学习/复习』模式");
    case IDC_WORDLIST: return QStringLiteral("切换选择词库");
    case IDC_STATISTICS: return QStringLiteral("学习情况统计");
    default: return QString();
    }
}

bool CHomeDlg::trayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

CStandardDialog *CHomeDlg::CreateStandardDialog()
{
    m_main = new CQuilloraDlg(this);
    connect(m_main, &CQuilloraDlg::updateCheckRequested, this, &CHomeDlg::StartUpdateCheck);
    return m_main;
}

void CHomeDlg::InitTranslucentChildren()
{
    int i = 0;
    for (const HomeButton &entry : kButtons) {
        auto *button = new CTranslucentButton(this);
        button->setObjectName(QString::number(entry.id));
        button->move(entry.geometry.topLeft());
        button->LoadImages(entry.images);
        button->setAccessibleName(QString::fromUtf16(entry.name));
        button->setAccessibleDescription(helpText(entry.id));
        if (entry.geometry.top() < 42)
            button->setFocusColor(QColor(255, 255, 255)); // on the blue title bar
        if (entry.id == IDC_MAXIMISE)
            button->setEnabled(false); // never enabled
        m_buttons[i++] = button;
        AddTranslucentChild(button);
    }
    for (std::size_t k = 1; k < std::size(kTabOrder); ++k)
        setTabOrder(button(kTabOrder[k - 1]), button(kTabOrder[k]));
    m_help = new CTranslucentLabel(this);
    m_help->setObjectName(QString::number(IDC_HELP_LINE));
    m_help->setGeometry(24, 326, 330, 20);
    AddTranslucentChild(m_help);
    m_version = new CTranslucentLabel(this);
    m_version->setObjectName(QString::number(IDC_VERSION));
    m_version->setGeometry(400, 326, 110, 20);
    AddTranslucentChild(m_version);
    m_version->SetText(QStringLiteral("当前版本 v%1").arg(ownVersionString()));
    // The translucent children lie beneath the companion, which only takes the mouse
    // where it shows something.
    if (companion())
        companion()->raise();
}

CTranslucentButton *CHomeDlg::button(int id) const
{
    for (CTranslucentButton *b : m_buttons)
        if (b && b->objectName().toInt() == id)
            return b;
    return nullptr;
}

bool CHomeDlg::Initialise()
{
    Create();
    if (!m_main->Initialise())
        return false;
    setWindowIcon(programIcon());
    connectHandlers();
    createTray();
    StartUpdateCheck();
    return true;
}

void CHomeDlg::connectHandlers()
{
    for (CTranslucentButton *b : m_buttons)
        connect(b, &CTranslucentButton::hoverHelp, this, &CHomeDlg::onHoverHelp);
    connect(button(IDC_HIDE), &CTranslucentButton::clicked, this, [this] { ShowWindows(true); });
    connect(button(IDC_CLOSE), &CTranslucentButton::clicked, this, &CHomeDlg::onCloseButton);
    connect(button(IDC_HOMEPAGE), &CTranslucentButton::clicked, this, [] { links::openHomePage(); });
    connect(button(IDC_SETTINGS), &CTranslucentButton::clicked, this, [this] { OpenSettings(CSettingsDlg::PageReminder); });
    connect(button(IDC_MEMORIZE), &CTranslucentButton::clicked, this, [this] { m_main->startStudyPage(CQuilloraDlg::PageMemorize); });
    connect(button(IDC_TEST), &CTranslucentButton::clicked, this, [this] { m_main->startStudyPage(CQuilloraDlg::PageTest); });
    connect(button(IDC_MODE), &CTranslucentButton::clicked, this, [this] { m_main->runStudyModeDialog(); });
    connect(button(IDC_WORDLIST), &CTranslucentButton::clicked, this, [this] { m_main->runWordListDialog(); });
    connect(button(IDC_STATISTICS), &CTranslucentButton::clicked, this, [this] { m_main->showStatistics(); });
    for (int id : kStudyButtons)
        connect(button(id), &CTranslucentButton::clicked, this, [this, id] { m_lastStudyButton = id; });
    connect(m_main, &CQuilloraDlg::pageOpening, this, [this] { setStudyButtonsReachable(false); });
    connect(m_main, &CQuilloraDlg::homeViewShown, this, [this] {
        setStudyButtonsReachable(true);
        // Back where the learner left: the button that opened the page.
        button(m_lastStudyButton)->setFocus(Qt::OtherFocusReason);
    });
    button(IDC_MEMORIZE)->setFocus(Qt::OtherFocusReason);
}

void CHomeDlg::setStudyButtonsReachable(bool reachable)
{
    // Beneath an open page they are out of sight, so Tab must not land on them.
    for (int id : kStudyButtons)
        button(id)->setFocusPolicy(reachable ? Qt::StrongFocus : Qt::NoFocus);
}

void CHomeDlg::createTray()
{
    // Without a parent window: a menu that belongs to the home window is blocked with
    // it while the settings dialog is open, and the menu must reach that dialog.
    m_menu = new QMenu(QStringLiteral("托盘"));
    QAction *show = m_menu->addAction(QStringLiteral("显示主界面"));
    QAction *options = m_menu->addAction(QStringLiteral("选项设置"));
    QAction *about = m_menu->addAction(QStringLiteral("关于"));
    m_menu->addSeparator();
    QAction *exit = m_menu->addAction(QStringLiteral("退出"));
    show->setData(int(ID_SHOW));
    options->setData(int(ID_OPTIONS));
    about->setData(int(ID_ABOUT));
    exit->setData(int(ID_EXIT));
    m_menu->setDefaultAction(show);
    connect(show, &QAction::triggered, this, [this] { ShowWindows(false); });
    connect(options, &QAction::triggered, this, [this] { OpenSettings(CSettingsDlg::PageReminder); });
    connect(about, &QAction::triggered, this, [this] { OpenSettings(CSettingsDlg::PageAbout); });
    connect(exit, &QAction::triggered, this, &CHomeDlg::onTrayExit);

    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setToolTip(QStringLiteral("Quillora v1.00"));
    m_tray->setContextMenu(m_menu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) { onTrayActivated(int(r)); });
    m_tray->show();
}

void CHomeDlg::removeTray()
{
    if (m_tray)
        m_tray->hide();
}

void CHomeDlg::onTrayActivated(int reason)
{
    // Status-notifier hosts (KDE, GNOME's extension, recent Xfce) report a click as
    // Trigger and never a double-click.
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
        ShowWindows(false);
}

void CHomeDlg::onHoverHelp(bool resting, int controlId)
{
    if (!resting) {
        m_help->SetText(QString());
        return;
    }
    const QString text = helpText(controlId);
    if (!text.isEmpty())
        m_help->SetText(text);
}

bool CHomeDlg::IsTaskFinishedToday()
{
    try {
        return study::isTaskFinishedToday(theDatabase, theUser);
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(this, e);
        return false;
    }
}

void CHomeDlg::ShowWindows(bool hide)
{
    if (hide) {
        m_hidden = true;
        if (trayAvailable() && m_tray && m_tray->isVisible())
            this->hide();
        else
            showMinimized(); // no notification area: keep the window reachable
        if (theUser.NotifyBegin != -1 && !IsTaskFinishedToday()) {
            m_minuteGate.start(m_clock());
            m_reminder.start();
        }
        trimWorkingSet();
    } else {
        m_hidden = false;
        if (isMinimized())
            showNormal();
        else
            show();
        raise();
        activateWindow();
        m_reminder.stop();
    }
}

void CHomeDlg::bringForward()
{
    if (isMinimized() && !m_hidden) {
        showNormal();
        raise();
        activateWindow();
        return;
    }
    ShowWindows(false);
}

void CHomeDlg::showBalloon(const QString &title, const QString &text)
{
    if (trayAvailable() && m_tray && m_tray->isVisible()) {
        m_tray->showMessage(title, text, QSystemTrayIcon::Information, 3000);
    } else {
        // No notification area to speak from: the minimised window comes forward and
        // says it on its help line.
        ShowWindows(false);
        m_help->SetText(text);
        QApplication::alert(this);
    }
    Q_EMIT reminded(text);
}

void CHomeDlg::onReminderTick(const QDateTime &now)
{
    const auto action = reminder::tick(now, theUser.NotifyBegin, theUser.NotifyEnd, theUser.NotifyInterval,
                                       [this] { return IsTaskFinishedToday(); });
    if (action == reminder::Action::Remind)
        showBalloon(QStringLiteral("Quillora"), QStringLiteral("今天的背单词任务还没有完成哦~"));
    else if (action == reminder::Action::StopTimer)
        m_reminder.stop();
}

void CHomeDlg::onCloseButton()
{
    if (m_main && m_main->isWorkerRunning()) {
        MessageBox::warning(this, QStringLiteral("操作进行中，请稍后"));
        return;
    }
    switch (theUser.CloseExit) {
    case 0:
        ShowWindows(true); // which also gives memory back
        return;
    case 1:
        quit();
        return;
    case -1: {
        CCloseActionDlg dlg(this);
        if (dlg.exec() != QDialog::Accepted)
            return;
        int setting = -1;
        if (dlg.chosen() == CCloseActionDlg::IDC_TO_TRAY) {
            ShowWindows(true);
            setting = 0;
        } else if (dlg.chosen() == CCloseActionDlg::IDC_EXIT) {
            quit();
            setting = 1;
        }
        if (dlg.dontAskAgain()) {
            theUser.CloseExit = setting;
            try {
                theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET CloseExit = %d WHERE uid = %d;", setting, theUser.uid).constData());
            } catch (const CppSQLite3Exception &e) {
                MessageBox::storeError(this, e);
            }
        }
        return;
    }
    default:
        return;
    }
}

void CHomeDlg::onTrayExit()
{
    if (m_main && m_main->isWorkerRunning()) {
        MessageBox::warning(this, QStringLiteral("操作进行中，请稍候"));
        return;
    }
    if (m_settings)
        m_settings->reject();
    quit();
}

void CHomeDlg::SwitchUser()
{
    // A page left open would go on recording the next user's words at the first one's
    // place in the list.
    m_main->returnHome();
    ShowWindows(true);
    CLoginDlg login(nullptr);
    if (login.exec() != QDialog::Accepted) {
        quit();
        return;
    }
    ShowWindows(false);
    if (m_main->speech() && theUser.TTSspeaker != -1)
        m_main->speech()->ApplySettings(theUser.TTSspeaker, theUser.TTSvolume, theUser.TTSspeed);
    if (!m_main->checkWordLists())
        quit();
}

void CHomeDlg::StartUpdateCheck()
{
    m_update->start(links::updateDescriptor());
}

void CHomeDlg::onUpdateFound(const QString &url)
{
    m_version->hide();
    // The descriptor comes from the network: only a web address may be opened from it.
    m_main->setUpdateLink(links::isWebAddress(QUrl(url)) ? url : QString());
}

CSettingsDlg *CHomeDlg::settingsDialog() const
{
    return m_settings;
}

void CHomeDlg::OpenSettings(int page)
{
    if (m_settings) {
        m_settings->SetPage(page);
        m_settings->raise();
        m_settings->activateWindow();
        return;
    }
    // Modal to the home window only: the notification-area icon must still reach an
    // open dialog (to turn its page, or to close it on exit).
    bool switchUser = false;
    {
        CSettingsDlg dlg(page, m_main, this);
        dlg.setWindowModality(Qt::WindowModal);
        m_settings = &dlg;
        dlg.exec();
        m_settings = nullptr;
        switchUser = dlg.switchUserRequested();
    }
    // What the dialog held goes back to the system: the day may go on in the
    // notification area.
    trimWorkingSet();
    if (switchUser)
        SwitchUser();
}

void CHomeDlg::closeEvent(QCloseEvent *event)
{
    // The desktop's close request goes the way of the close button.
    if (!m_quitting) {
        event->ignore();
        onCloseButton();
        return;
    }
    CLayeredDialog::closeEvent(event);
}

void CHomeDlg::changeEvent(QEvent *event)
{
    CLayeredDialog::changeEvent(event);
    // Without a notification area "hide" minimises, and the desktop's taskbar restores
    // the window without asking us: that is showing it, and the reminders stop.
    if (event->type() == QEvent::WindowStateChange && m_hidden && !m_quitting && !isMinimized() && isVisible())
        ShowWindows(false);
}

void CHomeDlg::quit()
{
    if (m_quitting)
        return;
    m_quitting = true;
    m_reminder.stop();
    removeTray();
    hide();
    Q_EMIT quitRequested();
}
