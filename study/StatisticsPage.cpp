#include "study/StatisticsPage.h"

#include "platform/MessageBox.h"
#include "store/Store.h"
#include "study/Statistics.h"
#include "ui/BrowserHost.h"
#include "ui/Control.h"
#include "ui/SkinButton.h"
#include "users/UserRecord.h"

namespace {
// The report is loaded as text with this address as its base, so the browser decodes
// nothing itself: names outside the declared code page show as they are.
const QUrl kReportBase(QStringLiteral("res://quillora/HTML_STATISTICS"));
// Fixed places within the 490 x 276 content rectangle, as on the other pages.
const QRect kBrowserRect(1, 1, 488, 236);
} // namespace

CStatisticsPage::CStatisticsPage(QWidget *parent)
    : CStudyPage(QStringLiteral("统计信息"), parent)
{
    setObjectName(QStringLiteral("131"));
    buildControls();
    setupHandlers();
}

void CStatisticsPage::buildControls()
{
    m_back = named(new CSkinButton(CSkinButton::Push, this), IdBack);
    m_back->setGeometry(414, 240, 62, 28);
    m_back->setToolTip(QStringLiteral("返回"));
    m_back->LoadImages({192, 191, 190});
}

void CStatisticsPage::takeFocus()
{
    m_back->setFocus(Qt::OtherFocusReason);
}

void CStatisticsPage::setupHandlers()
{
    connect(m_back, &CSkinButton::clicked, this, &CStatisticsPage::OnBack);
}

void CStatisticsPage::createBrowser()
{
    // Made on first use: the web engine starts only when a report is wanted. A new
    // view holds an empty document until the report replaces it.
    m_browser = named(createBrowserView(this), IdBrowser);
    m_browser->setGeometry(kBrowserRect);
    // Nothing in the report takes input; Tab would only get lost in it.
    m_browser->setFocusPolicy(Qt::NoFocus);
    m_browser->show();
    m_back->raise();
}

void CStatisticsPage::BuildStatisticsReport()
{
    const study::StatisticsFigures figures = study::gatherStatistics(theDatabase, theUser);
    if (!figures.failure.isEmpty())
        MessageBox::warning(window(), figures.failure);
    m_report = study::statisticsDocument(figures, study::statisticsTemplate()) + study::statisticsMemorySection(figures);
    if (!m_browser)
        createBrowser();
    // A few kilobytes whatever the names: far below the limit of a document set as text.
    browserSetHtml(m_browser, m_report, kReportBase);
}

void CStatisticsPage::OnBack()
{
    if (host())
        host()->closePage();
}
