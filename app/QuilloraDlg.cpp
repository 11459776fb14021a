#include "app/QuilloraDlg.h"

#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/MemorizePage.h"
#include "study/Speech.h"
#include "study/StatisticsPage.h"
#include "study/SwitchModeDlg.h"
#include "study/TestPage.h"
#include "ui/LinkStatic.h"
#include "users/UserRecord.h"
#include "wordlists/ImportWordList.h"
#include "wordlists/ThesaurusDlg.h"

#include <QCoreApplication>
#include <QDate>
#include <QEventLoop>
#include <QKeyEvent>

namespace {
const QString kBusyText = QStringLiteral("操作进行中，请稍候");

QString nothingToStudyText(int mode)
{
    switch (mode) {
    case 0: return QStringLiteral("所有单词已经学完，请切换到复习模式！");
    case 1: return QStringLiteral("所有单词已经复习完！");
    case 2: return QStringLiteral("难词本已经复习完，目前为空！");
    case 3: return QStringLiteral("今天没有到期的单词，也没有新单词了！");
    default: return QString();
    }
}
} // namespace

// ---- DailyListWorker -----------------------------------------------------------

DailyListWorker::DailyListWorker(const UserRecord &user, bool pageStart, const QString &today, QObject *parent)
    : QThread(parent)
    , m_user(user)
    , m_pageStart(pageStart)
    , m_today(today)
{
}

void DailyListWorker::run()
{
    if (const auto hook = beforeBuild) // a copy: the hook may reset the seam
        hook();
    study::DailyListResult result;
    try {
        result = study::buildDailyList(theDatabase, m_user, m_pageStart, m_today);
    } catch (const CppSQLite3Exception &e) {
        // Shown on the interface thread; the page then starts on whatever is stored.
        MessageBox::storeError(nullptr, e);
        result.outcome = study::DailyListOutcome::Ready;
    }
    if (result.startUpdateCheck)
        Q_EMIT updateCheckWanted();
    if (result.outcome == study::DailyListOutcome::NothingToStudy)
        Q_EMIT nothingToStudy();
    else if (m_pageStart)
        Q_EMIT dailyListReady();
}

// ---- CQuilloraDlg ----------------------------------------------------------------

CQuilloraDlg::CQuilloraDlg(QWidget *parent)
    : CStandardDialog(0xFF00FF, parent)
{
    setObjectName(QStringLiteral("102"));
    m_slideTimer.setInterval(15);
    connect(&m_slideTimer, &QTimer::timeout, this, &CQuilloraDlg::slideTick);

    m_updateLink = new CLinkStatic(QStringLiteral("有新版本了，点击更新"), this);
    m_updateLink->setObjectName(QString::number(IDC_UPDATE_LINK));
    m_updateLink->setGeometry(400, 326, 110, 20);
    m_updateLink->hide();
}

CQuilloraDlg::~CQuilloraDlg()
{
    if (m_worker)
        m_worker->wait();
}

bool CQuilloraDlg::Initialise()
{
    if (!checkWordLists())
        return false;
    m_speech = new Speech(this);
    if (theUser.TTSspeaker != -1)
        m_speech->ApplySettings(theUser.TTSspeaker, theUser.TTSvolume, theUser.TTSspeed);
    m_updateLink->SetLink(QStringLiteral("#"), true, QColor(0, 0, 255), QColor(160, 0, 160), QColor(0, 102, 0));
    return true;
}

CStudyPage *CQuilloraDlg::page(int index)
{
    if (index < 0 || index >= PageCount)
        return nullptr;
    m_pages.resize(PageCount);
    if (!m_pages[index]) {
        CStudyPage *p = nullptr;
        switch (index) {
        case PageStatistics:
            p = new CStatisticsPage(this);
            p->setObjectName(QStringLiteral("131"));
            break;
        case PageMemorize:
            p = new CMemorizePage(this);
            p->setObjectName(QStringLiteral("129"));
            break;
        default:
            p = new CTestPage(this);
            p->setObjectName(QStringLiteral("130"));
            break;
        }
        p->setHost(this);
        p->setGeometry(contentRect());
        p->hide();
        m_pages[index] = p;
    }
    return m_pages[index];
}

void CQuilloraDlg::keyPressEvent(QKeyEvent *event)
{
    // Enter and Escape must not close the window.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    CStandardDialog::keyPressEvent(event);
}

bool CQuilloraDlg::refuseWhileBusy()
{
    // A second page or list build while one is under way would share the store with
    // the worker.
    if (isWorkerRunning() || isSliding()) {
        MessageBox::warning(window(), kBusyText);
        return true;
    }
    return false;
}

void CQuilloraDlg::startStudyPage(int index)
{
    if (index != PageMemorize && index != PageTest)
        return;
    if (refuseWhileBusy())
        return;
    m_pageIndex = index;
    startWorker(true);
    showPage();
}

void CQuilloraDlg::showStatistics()
{
    if (refuseWhileBusy())
        return;
    m_pageIndex = PageStatistics;
    if (auto *statistics = qobject_cast<CStatisticsPage *>(page(PageStatistics)))
        statistics->BuildStatisticsReport();
    showPage();
}

void CQuilloraDlg::runStudyModeDialog()
{
    if (refuseWhileBusy())
        return;
    CSwitchModeDlg dlg(window());
    dlg.exec();
}

void CQuilloraDlg::runWordListDialog()
{
    if (refuseWhileBusy())
        return;
    CThesaurusDlg dlg(window());
    if (dlg.exec() == QDialog::Accepted)
        runWorkerAndWait();
}

void CQuilloraDlg::showPage()
{
    if (m_pageIndex != PageNone) {
        Q_EMIT pageOpening();
        m_current = page(m_pageIndex);
        if (m_current) {
            m_current->setGeometry(0, 0, 0, 0);
            m_current->show();
            m_current->raise();
        }
    }
    if (m_current)
        m_current->setInPlace(false);
    m_step = 0;
    m_slideTimer.start();
    setEnabled(false);
}

void CQuilloraDlg::closePage()
{
    if (isSliding())
        return; // the page is still moving; its end re-enables the window
    m_pageIndex = PageNone;
    showPage();
}

void CQuilloraDlg::returnHome()
{
    m_pageIndex = PageNone;
    if (m_worker)
        m_worker->disconnect(this);
    waitForWorker();
    m_slideTimer.stop();
    m_moving = {};
    m_step = 0;
    if (m_current) {
        m_current->setInPlace(false);
        m_current->hide();
    }
    m_current = nullptr;
    setEnabled(true);
    // Hiding moves the focus only in the active window; here the log-in dialog is, and
    // the hidden page's edit would get the keys back with the home window.
    setFocus(Qt::OtherFocusReason);
    Q_EMIT homeViewShown();
}

void CQuilloraDlg::slideTick()
{
    const bool opening = m_pageIndex != PageNone;
    if (m_step == 0) {
        m_moving = opening ? Edges{kContentRight, kContentTop, kContentRight, kContentBottom}
                           : Edges{kContentLeft, kContentTop, kContentRight, kContentBottom};
        m_step = 7;
    }
    if (opening) {
        if (m_moving.left - kContentLeft > 25)
            m_step += 7;
        m_moving.left -= m_step;
    } else {
        m_step += 20;
        m_moving.left += m_step;
    }
    const bool finished = opening ? m_moving.left <= kContentLeft : m_moving.left >= kContentRight;
    if (!finished) {
        // The left edge travels while the right edge stays at the content's right edge.
        if (m_current)
            m_current->setGeometry(m_moving.left, m_moving.top, m_moving.right - m_moving.left, m_moving.bottom - m_moving.top);
        return;
    }
    if (m_current) {
        if (opening) {
            m_current->setInPlace(true);
            m_current->setGeometry(contentRect());
            if (m_pageIndex == PageMemorize || m_pageIndex == PageTest)
                m_current->update();
        } else {
            m_current->hide();
        }
    }
    m_moving = {};
    m_step = 0;
    m_slideTimer.stop();
    if (m_pageIndex == PageMemorize || m_pageIndex == PageTest)
        waitForWorker(); // the page has been started (or told there is nothing) by then
    setEnabled(true);
    // Only now: a disabled window ignores a request for the keyboard.
    if (opening && m_current && m_pageIndex != PageNone) {
        m_current->takeFocus();
    } else {
        setFocus(Qt::OtherFocusReason);
        Q_EMIT homeViewShown();
    }
}

void CQuilloraDlg::startWorker(bool pageStart)
{
    auto *worker = new DailyListWorker(theUser, pageStart, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")), this);
    connect(worker, &DailyListWorker::dailyListReady, this, &CQuilloraDlg::onDailyListReady);
    connect(worker, &DailyListWorker::nothingToStudy, this, &CQuilloraDlg::onNothingToStudy);
    connect(worker, &DailyListWorker::updateCheckWanted, this, &CQuilloraDlg::updateCheckRequested);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    m_worker = worker;
    worker->start();
}

void CQuilloraDlg::waitForWorker()
{
    // Dispatch events (the worker's own messages among them) until the worker ends.
    DailyListWorker *worker = m_worker;
    if (!worker || worker->isFinished())
        return;
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    connect(worker, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (!worker->isFinished())
        loop.exec();
}

bool CQuilloraDlg::isWorkerRunning() const
{
    return m_worker && !m_worker->isFinished();
}

void CQuilloraDlg::runWorkerAndWait()
{
    setEnabled(false);
    // A build under way (a study page's) took the settings of its start: it ends first,
    // and the list is then built again from the settings stored now.
    waitForWorker();
    startWorker(false);
    waitForWorker();
    setEnabled(true);
}

void CQuilloraDlg::onDailyListReady()
{
    if (m_pageIndex == PageMemorize || m_pageIndex == PageTest) {
        if (CStudyPage *p = page(m_pageIndex))
            p->Start();
    }
}

void CQuilloraDlg::onNothingToStudy()
{
    m_slideTimer.stop();
    m_moving = {};
    m_step = 0;
    if (m_current)
        m_current->hide();
    m_pageIndex = PageNone;
    // The stopped slide will not re-enable the window.
    setEnabled(true);
    setFocus(Qt::OtherFocusReason);
    Q_EMIT homeViewShown();
    MessageBox::warning(window(), nothingToStudyText(theUser.mode));
}

bool CQuilloraDlg::checkWordLists()
{
    try {
        if (theDatabase.queryInt("SELECT COUNT(*) FROM ThesaurusInfo_tbl;") == 0) {
            MessageBox::warning(window(), QStringLiteral("检测到您的单词词库为空，请添加！\n说明：\n如果您是第一次使用本软件，请找到本软件目录下\n的“赠送词库”文件夹添加词库"));
            // Without a list there is nothing to do: cancelling the import ends the program.
            if (!ImportWordList(window()))
                return false;
        }
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(window(), e);
        return true;
    }

    QString notice;
    if (theUser.tid == -1) {
        notice = QStringLiteral("尚未选择任何词库，请选择！");
    } else {
        bool exists = false;
        try {
            exists = theDatabase.queryInt(sqlFormat("SELECT EXISTS ( SELECT * FROM ThesaurusInfo_tbl WHERE tid = %d );", theUser.tid).constData()) != 0;
        } catch (const CppSQLite3Exception &e) {
            MessageBox::storeError(window(), e);
        }
        if (exists)
            return true;
        notice = QStringLiteral("您正在使用的词库已经被管理员删除\n请重新选择！");
    }
    MessageBox::warning(window(), notice);
    CThesaurusDlg dlg(window());
    return dlg.exec() == QDialog::Accepted;
}

void CQuilloraDlg::FinishTodayLog(bool withErrorRate)
{
    try {
        study::finishTodayLog(theDatabase, theUser, withErrorRate);
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(window(), e);
    }
    closePage();
}

void CQuilloraDlg::Speak(const QString &text)
{
    if (m_speech)
        m_speech->Speak(text);
}

void CQuilloraDlg::setUpdateLink(const QString &target)
{
    m_updateLink->SetLink(target, true, QColor(0, 0, 255), QColor(160, 0, 160), QColor(0, 102, 0));
    // As wide as its text in the font it is drawn in, ending where the version line ends.
    m_updateLink->ensurePolished();
    const int width = m_updateLink->fontMetrics().horizontalAdvance(m_updateLink->text()) + 4;
    m_updateLink->setGeometry(510 - width, 326, width, 20);
    m_updateLink->show();
}
