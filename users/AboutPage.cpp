#include "users/AboutPage.h"

#include "ui/BrowserHost.h"
#include "ui/Control.h"

#include <QCoreApplication>
#include <QVBoxLayout>

CAboutPage::CAboutPage(CQuilloraDlg *mainWindow, QWidget *parent)
    : CSettingsPage(IDD, QStringLiteral("关于"), 208, mainWindow, parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(2, kTitleBarBottom, 2, 2);
}

void CAboutPage::showEvent(QShowEvent *event)
{
    CSettingsPage::showEvent(event);
    if (m_view)
        return;
    m_view = named(createBrowserView(this, true), IDC_BROWSER); // the licences run longer than the page
    layout()->addWidget(m_view);
    browserLoad(m_view, address());
}

QUrl CAboutPage::address()
{
    return QUrl(QStringLiteral("res://") + QCoreApplication::applicationFilePath() + QStringLiteral("/HTML_ABOUT"));
}
