#include "users/SettingsDlg.h"

#include "home/HomeLinks.h"
#include "home/ProgramLinks.h"
#include "ui/AppLook.h"
#include "ui/Control.h"
#include "ui/DialogKeys.h"
#include "ui/LinkStatic.h"
#include "ui/NavList.h"
#include "ui/SkinButton.h"
#include "ui/StatusLabel.h"
#include "users/AboutPage.h"
#include "users/AccountPage.h"
#include "users/HabitPage.h"
#include "users/ReminderPage.h"
#include "users/SpeechPage.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>

namespace {

struct NavEntry
{
    const char16_t *text;
    int icon;
};
const NavEntry kNavEntries[CSettingsDlg::PageCount] = {
    {u"提醒设置", 211}, {u"朗读设置", 212}, {u"操作习惯", 210}, {u"用户账户", 209}, {u"关于", 208},
};

constexpr int kMargin = 10;
constexpr int kButtonsTop = 266;
constexpr QSize kClientSize(390, 300);

} // namespace

CSettingsDlg::CSettingsDlg(int page, CQuilloraDlg *mainWindow, QWidget *parent)
    : QDialog(parent)
    , m_main(mainWindow)
{
    prepareDialog(this, IDD, QStringLiteral("设置"));
    buildControls();
    for (CSettingsPage *p : std::as_const(m_pages)) {
        p->setGeometry(kPageArea);
        p->hide();
    }
    SetPage(page >= 0 && page < PageCount ? page : PageReminder);
}

void CSettingsDlg::buildControls()
{
    setFixedSize(kClientSize);

    m_nav = named(new CNavList(this), IDC_NAV);
    m_nav->setAccessibleName(QStringLiteral("设置项目"));
    m_nav->setGeometry(kMargin, kPageArea.top(), kPageArea.left() - 8 - kMargin, kPageArea.height());
    for (const NavEntry &entry : kNavEntries)
        m_nav->AddItem(QString::fromUtf16(entry.text), entry.icon);
    connect(m_nav, &CNavList::selectionChanged, this, &CSettingsDlg::SetPage);

    m_pages = {new CReminderPage(m_main, this), new CSpeechPage(m_main, this), new CHabitPage(m_main, this),
               new CAccountPage(m_main, this), new CAboutPage(m_main, this)};
    connect(static_cast<CAccountPage *>(m_pages[PageAccount]), &CAccountPage::switchUserRequested, this, [this] {
        m_switchUser = true;
        reject(); // as Cancel: what was typed is not saved
    });

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(kMargin, kButtonsTop - 10, kClientSize.width() - 2 * kMargin, 2);

    auto *ok = m_ok = CSettingsPage::pushButton(QStringLiteral("确定"), IDOK, this);
    auto *cancel = CSettingsPage::pushButton(QStringLiteral("取消"), IDCANCEL, this);
    auto *apply = CSettingsPage::pushButton(QStringLiteral("应用"), IDC_APPLY, this);
    int right = kClientSize.width() - kMargin;
    for (CSkinButton *button : {apply, cancel, ok}) {
        button->setFixedWidth(64);
        button->move(right - button->width(), kButtonsTop);
        right -= button->width() + 6;
    }
    const int leftRoom = right - kMargin;
    connect(ok, &CSkinButton::clicked, this, &CSettingsDlg::OnOK);
    connect(cancel, &CSkinButton::clicked, this, &QDialog::reject);
    connect(apply, &CSkinButton::clicked, this, &CSettingsDlg::Apply);

    m_linksLabel = named(new QLabel(QStringLiteral("相关链接:"), this), IDC_LINKS);
    m_homePage = named(new CLinkStatic(QStringLiteral("软件主页"), this), IDC_HOMEPAGE);
    m_help = named(new CLinkStatic(QStringLiteral("帮助"), this), IDC_HELP);
    int x = kMargin;
    for (QLabel *label : std::initializer_list<QLabel *>{m_linksLabel, m_homePage, m_help}) {
        label->adjustSize();
        label->move(x, kButtonsTop + (ok->height() - label->height()) / 2);
        x += label->width() + 6;
    }
    links::pointAtHomePage(m_homePage);
    links::pointAtHelpPage(m_help);

    m_status = named(new CStatusLabel(231, this), IDC_STATUS);
    m_status->setGeometry(kMargin, kButtonsTop + (ok->height() - 20) / 2, leftRoom, 20);
    m_status->hide();
}

void CSettingsDlg::SetPage(int index)
{
    if (index < 0 || index >= m_pages.size())
        return;
    if (m_current != index && m_current >= 0)
        m_pages[m_current]->hide();
    m_current = index;
    m_nav->SetCurSel(index);
    m_pages[index]->show();
}

void CSettingsDlg::showLinks(bool show)
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_linksLabel, m_homePage, m_help})
        w->setVisible(show);
    m_status->setVisible(!show);
}

bool CSettingsDlg::Apply()
{
    for (int i = 0; i < m_pages.size(); ++i) {
        if (!m_pages[i]->Validate()) {
            showLinks(false);
            SetPage(i);
            m_status->SetStatus(CStatusLabel::Error, m_pages[i]->message());
            return false;
        }
    }
    // Saved, so the earlier complaint no longer holds.
    showLinks(true);
    for (CSettingsPage *p : std::as_const(m_pages))
        p->Save();
    return true;
}

void CSettingsDlg::OnOK()
{
    if (Apply())
        accept();
}

void CSettingsDlg::keyPressEvent(QKeyEvent *event)
{
    if (!pressForEnter(event, m_ok))
        QDialog::keyPressEvent(event);
}
