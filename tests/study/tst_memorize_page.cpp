#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/DailyList.h"
#include "study/MemorizePage.h"
#include "study/WordDisplay.h"
#include "support/StudyTestSupport.h"
#include "ui/Control.h"
#include "ui/Fonts.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "ui/SkinProgressCtrl.h"
#include "ui/StatusLabel.h"
#include "users/UserRecord.h"

#include <QAccessible>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using testsupport::today;
using Word = testsupport::StudyWord;
using FakeHost = testsupport::FakeStudyHost;

const QList<Word> kWords{
    {QStringLiteral("apple"), QStringLiteral("n. 苹果"), QStringLiteral("ˈæpl")},
    {QStringLiteral("banana"), QStringLiteral("n. 香蕉"), QStringLiteral("bəˈnɑːnə")},
    {QStringLiteral("cherry"), QStringLiteral("n. 樱桃；樱桃树"), QStringLiteral("ˈtʃeri")},
};

int queryInt(const char *sql)
{
    return theDatabase.queryInt(sql);
}

int timesOf(const QString &name)
{
    return queryInt(sqlFormat("SELECT times FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE uid = %d "
                              "AND name = '%s';",
                              theUser.uid, sqlQuote(name).constData())
                        .constData());
}

QString markDateOf(const QString &name)
{
    CppSQLite3Cursor c = theDatabase.query(sqlFormat("SELECT ifnull(RecentMarkDate, '') FROM WordsMarkInfo_tbl m JOIN "
                                                     "words_tbl w ON m.wid = w.wid WHERE uid = %d AND name = '%s';",
                                                     theUser.uid, sqlQuote(name).constData())
                                               .constData());
    return QString::fromLatin1(c.stringValue(0));
}

int logFinished()
{
    return queryInt("SELECT bFinish FROM logs_tbl WHERE uid = 1 ORDER BY date DESC LIMIT 1;");
}

} // namespace

class TestMemorizePage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeHost m_host;
    CMemorizePage *m_page = nullptr;

    CWordDisplay *display() const { return control<CWordDisplay>(m_page, CMemorizePage::IdWord); }
    CSkinEdit *edit() const { return control<CSkinEdit>(m_page, CMemorizePage::IdEdit); }
    CSkinButton *button(int id) const { return control<CSkinButton>(m_page, id); }
    CStatusLabel *status() const { return control<CStatusLabel>(m_page, CMemorizePage::IdStatus); }
    QString text(int id) const { return control<QLabel>(m_page, id)->text(); }
    int bar() const { return control<CSkinProgressCtrl>(m_page, CMemorizePage::IdProgress)->GetPos(); }
    QString word() const { return display()->word(); }
    QString statusText() const { return status()->text(); }

    void click(int id) { QTest::mouseClick(button(id), Qt::LeftButton); }
    void type(const QString &typed) { edit()->setText(typed); }
    void typeAndNext(const QString &typed)
    {
        type(typed);
        click(CMemorizePage::IdNext);
    }

    // One shown word's texts must come from one row.
    void verifyShows(const QString &name)
    {
        const auto it = std::find_if(kWords.begin(), kWords.end(), [&](const Word &w) { return w.name == name; });
        QVERIFY2(it != kWords.end(), qPrintable(name));
        QCOMPARE(text(CMemorizePage::IdPhonetic), u'[' + it->phonetic + u']');
        QCOMPARE(text(CMemorizePage::IdExplanation), it->interp);
    }

    void verifyProgress(const QString &shown, int percent)
    {
        QCOMPARE(text(CMemorizePage::IdProgressText), shown);
        QCOMPARE(bar(), percent);
    }

    // Runs the countdown to its end (six ticks from a fresh counter).
    void finishCountdown()
    {
        for (int guard = 0; guard < 10 && m_page->countdownTimer().isActive(); ++guard)
            m_page->OnCountdownTick();
        QCOMPARE(CMemorizePage::countdownCounter(), 5);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        installFontSubstitutions();
        loadPhoneticFont();
        QApplication::setFont(interfaceFont());
        MessageBox::setTestMode(true);
    }

    // A fresh store per case: one user with a list of three words and today's list of
    // those three, built as the worker builds it.
    void init()
    {
        static int n = 0;
        testsupport::openStudyStore(m_dir.filePath(QStringLiteral("data%1.db").arg(++n)), kWords);
        QCOMPARE(study::buildDailyList(theDatabase, theUser, true, today()).built, true);
        QCOMPARE(queryInt("SELECT count(*) FROM DayList_tbl WHERE uid = 1;"), 3);

        m_host = FakeHost();
        m_page = new CMemorizePage;
        m_page->setHost(&m_host);
        m_page->resize(490, 276);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page));
        MessageBox::takeShown();
        QCOMPARE(CMemorizePage::countdownCounter(), 5);
    }

    void cleanup()
    {
        delete m_page;
        m_page = nullptr;
        QCOMPARE(MessageBox::takeShown(), QStringList());
    }

    void startShowsTheFirstWord()
    {
        QCOMPARE(m_page->windowTitle(), QStringLiteral("背单词"));
        QCOMPARE(m_page->objectName(), QStringLiteral("129"));
        m_page->Start();
        verifyShows(word());
        verifyProgress(QStringLiteral("1 / 3"), 33);
        QCOMPARE(button(CMemorizePage::IdNext)->text(), QStringLiteral("下一个"));
        QCOMPARE(m_host.spoken, QStringList{word()});
        QVERIFY(edit()->isVisible());
        QCOMPARE(display()->mode(), int(CWordDisplay::Normal));
        QVERIFY(statusText().isEmpty());
        QVERIFY(!m_page->finished());
        // The speak button reads the shown word again.
        click(CMemorizePage::IdSpeak);
        QCOMPARE(m_host.spoken, (QStringList{word(), word()}));
    }

    void threeCorrectWordsThenDone()
    {
        m_page->Start();
        QStringList seen;
        const QList<QPair<QString, int>> after{{QStringLiteral("2 / 3"), 66}, {QStringLiteral("3 / 3"), 100},
                                               {QStringLiteral("3 / 3"), 100}};
        for (int i = 0; i < 3; ++i) {
            const QString w = word();
            seen << w;
            verifyShows(w);
            typeAndNext(w);
            QCOMPARE(timesOf(w), 1);
            QCOMPARE(markDateOf(w), today());
            verifyProgress(after[i].first, after[i].second);
            QCOMPARE(button(CMemorizePage::IdNext)->text(), i < 2 ? QStringLiteral("下一个") : QStringLiteral("完了"));
            QCOMPARE(m_page->finished(), i == 2);
            if (i < 2)
                QVERIFY(edit()->text().isEmpty());
        }
        std::sort(seen.begin(), seen.end());
        QCOMPARE(seen, (QStringList{QStringLiteral("apple"), QStringLiteral("banana"), QStringLiteral("cherry")}));
        QCOMPARE(m_host.spoken.size(), 3);
        QVERIFY(m_host.finishes.isEmpty());
        QCOMPARE(logFinished(), 0);

        // One more press records the day and empties the page.
        click(CMemorizePage::IdNext);
        QCOMPARE(m_host.finishes, QList<bool>{false});
        QCOMPARE(logFinished(), 1);
        QCOMPARE(word(), QStringLiteral(" "));
        QVERIFY(text(CMemorizePage::IdPhonetic).isEmpty());
        QVERIFY(text(CMemorizePage::IdExplanation).isEmpty());
        QVERIFY(!m_page->finished());
        QCOMPARE(m_host.closes, 0);
        // Each word was counted exactly once.
        QCOMPARE(queryInt("SELECT sum(times) FROM WordsMarkInfo_tbl WHERE uid = 1;"), 3);
    }

    void wrongAndOverlongSpellings()
    {
        m_page->Start();
        const QString w = word();
        QString wrong = w;
        wrong[3] = wrong[3] == u'x' ? u'y' : u'x';
        type(wrong);
        QVERIFY(statusText().isEmpty());
        QCOMPARE(display()->typed(), wrong);
        click(CMemorizePage::IdNext);
        QCOMPARE(status()->kind(), int(CStatusLabel::Error));
        QCOMPARE(statusText(), QStringLiteral("Ooops...错了"));
        QCOMPARE(word(), w);
        verifyProgress(QStringLiteral("1 / 3"), 33);
        QCOMPARE(timesOf(w), 0);
        // Case counts.
        typeAndNext(w.toUpper());
        QCOMPARE(statusText(), QStringLiteral("Ooops...错了"));

        type(w + u's');
        QCOMPARE(status()->kind(), int(CStatusLabel::Error));
        QCOMPARE(statusText(), QStringLiteral("长度超长！"));
        // Lengths are narrow bytes: Chinese characters count two each.
        const int bytes = int(w.size());
        type(QString(bytes / 2 + 1, QChar(0x82F9)));
        QCOMPARE(statusText(), QStringLiteral("长度超长！"));
        type(QString(bytes / 2, QChar(0x82F9)) + QString(bytes % 2, u'x'));
        QVERIFY(statusText().isEmpty());
        // Correcting the text clears the label; the word then goes through.
        type(w);
        QVERIFY(statusText().isEmpty());
        click(CMemorizePage::IdNext);
        QVERIFY(statusText().isEmpty());
        verifyProgress(QStringLiteral("2 / 3"), 66);
        QCOMPARE(timesOf(w), 1);
    }

    void enterInTheEditActsAsNext()
    {
        m_page->Start();
        const QString w = word();
        edit()->setFocus();
        QTest::keyClicks(edit(), w);
        QTest::keyClick(edit(), Qt::Key_Return);
        verifyProgress(QStringLiteral("2 / 3"), 66);
        QCOMPARE(timesOf(w), 1);
        QTest::keyClicks(edit(), QStringLiteral("zz"));
        QTest::keyClick(edit(), Qt::Key_Enter);
        QCOMPARE(statusText(), QStringLiteral("Ooops...错了"));
        verifyProgress(QStringLiteral("2 / 3"), 66);
    }

    void autoNextMovesOnAndIsStored()
    {
        m_page->Start();
        click(CMemorizePage::IdAutoNext);
        QCOMPARE(theUser.MemorAutoNext, 1);
        QCOMPARE(queryInt("SELECT MemorAutoNext FROM UserInfo_tbl WHERE uid = 1;"), 1);

        // Typed key by key: the last letter moves on, without a press.
        QStringList done;
        for (int i = 0; i < 3; ++i) {
            const QString w = word();
            edit()->setFocus();
            QTest::keyClicks(edit(), w.left(w.size() - 1));
            QCOMPARE(timesOf(w), 0);
            QTest::keyClicks(edit(), w.right(1));
            QCOMPARE(timesOf(w), 1);
            done << w;
        }
        verifyProgress(QStringLiteral("3 / 3"), 100);
        QCOMPARE(button(CMemorizePage::IdNext)->text(), QStringLiteral("完了"));
        QVERIFY(m_host.finishes.isEmpty());
        // The last word stays in the edit; typing it whole again ends the day.
        QCOMPARE(edit()->text(), done.last());
        QTest::keyClick(edit(), Qt::Key_Backspace);
        QVERIFY(m_host.finishes.isEmpty());
        QTest::keyClicks(edit(), done.last().right(1));
        QCOMPARE(m_host.finishes, QList<bool>{false});
        QCOMPARE(word(), QStringLiteral(" "));

        click(CMemorizePage::IdAutoNext);
        QCOMPARE(theUser.MemorAutoNext, 0);
        QCOMPARE(queryInt("SELECT MemorAutoNext FROM UserInfo_tbl WHERE uid = 1;"), 0);
    }

    // A screen reader hears the word, its meaning and the position without leaving the
    // edit (its description, spoken when it changes); in the hard mode the word is said
    // while it shows, and no longer once it is to be typed from memory.
    void screenReaderHearsTheWord()
    {
        m_page->Start();
        QAccessibleInterface *typing = QAccessible::queryAccessibleInterface(edit());
        QAccessibleInterface *page = QAccessible::queryAccessibleInterface(m_page);
        const auto heard = [&](QAccessibleInterface *iface, const QStringList &parts) {
            const QString said = iface->text(QAccessible::Description);
            for (const QString &part : parts) {
                if (!said.contains(part))
                    return QStringLiteral("%1 lacks %2").arg(said, part);
            }
            return QString();
        };
        QCOMPARE(heard(typing, {word(), text(CMemorizePage::IdExplanation), QStringLiteral("1 / 3")}), QString());
        typeAndNext(word());
        QCOMPARE(heard(typing, {word(), text(CMemorizePage::IdExplanation), QStringLiteral("2 / 3")}), QString());

        click(CMemorizePage::IdHardMode);
        const QString shown = word();
        QCOMPARE(heard(page, {shown, text(CMemorizePage::IdExplanation), QStringLiteral("2 / 3")}), QString());
        finishCountdown();
        QVERIFY(edit()->isVisible());
        for (QAccessibleInterface *iface : {typing, page, QAccessible::queryAccessibleInterface(display())}) {
            QVERIFY2(!iface->text(QAccessible::Description).contains(shown), qPrintable(iface->text(QAccessible::Description)));
            QVERIFY2(!iface->text(QAccessible::Name).contains(shown), qPrintable(iface->text(QAccessible::Name)));
        }
        QCOMPARE(heard(typing, {text(CMemorizePage::IdExplanation), QStringLiteral("2 / 3")}), QString());
    }

    void hardModeCountsDownThenAsksForTheSpelling()
    {
        m_page->Start();
        click(CMemorizePage::IdHardMode);
        QCOMPARE(theUser.MemorHardMode, 1);
        QCOMPARE(queryInt("SELECT MemorHardMode FROM UserInfo_tbl WHERE uid = 1;"), 1);
        QVERIFY(edit()->isHidden());
        QVERIFY(m_page->countdownTimer().isActive());
        QCOMPARE(m_page->countdownTimer().interval(), 1000);
        // The timer drives the handler (the one slow second of this test).
        QTRY_COMPARE_WITH_TIMEOUT(statusText(), QStringLiteral("请记忆单词...5"), 2500);
        QCOMPARE(status()->kind(), int(CStatusLabel::Notice));

        for (int n = 4; n >= 1; --n) {
            QCOMPARE(display()->mode(), int(CWordDisplay::Normal));
            m_page->OnCountdownTick();
            QCOMPARE(statusText(), QStringLiteral("请记忆单词...%1").arg(n));
            QVERIFY(edit()->isHidden());
            QVERIFY(m_page->countdownTimer().isActive());
        }
        m_page->OnCountdownTick();
        QCOMPARE(statusText(), QStringLiteral("请拼写单词"));
        QCOMPARE(status()->kind(), int(CStatusLabel::Notice));
        QVERIFY(edit()->isVisible());
        QCOMPARE(m_page->focusWidget(), edit());
        QCOMPARE(display()->mode(), int(CWordDisplay::Spelling));
        QVERIFY(display()->animationTimer().isActive());
        QVERIFY(!m_page->countdownTimer().isActive());
        QCOMPARE(CMemorizePage::countdownCounter(), 5);

        // A correct spelling shows the next word for a new countdown.
        const QString first = word();
        typeAndNext(first);
        QCOMPARE(timesOf(first), 1);
        QVERIFY(word() != first);
        QCOMPARE(display()->mode(), int(CWordDisplay::Normal));
        QVERIFY(edit()->isHidden());
        QVERIFY(m_page->countdownTimer().isActive());
        finishCountdown();

        // A new start after a run that ended spelling shows the word for the whole count.
        m_page->Start();
        QVERIFY(edit()->isHidden());
        QCOMPARE(display()->mode(), int(CWordDisplay::Normal));
        int ticks = 0;
        while (m_page->countdownTimer().isActive() && ticks < 10) {
            m_page->OnCountdownTick();
            ++ticks;
        }
        QCOMPARE(ticks, 6);

        click(CMemorizePage::IdHardMode);
        QCOMPARE(theUser.MemorHardMode, 0);
        QCOMPARE(queryInt("SELECT MemorHardMode FROM UserInfo_tbl WHERE uid = 1;"), 0);
        QCOMPARE(display()->mode(), int(CWordDisplay::Normal));
        QVERIFY(!display()->animationTimer().isActive());
    }

    // Spelling from memory grades the day's first attempt for the memory model, in the
    // study's own transaction; copying the word on the screen grades nothing.
    void hardModeGradesRecall_data()
    {
        QTest::addColumn<bool>("hard");
        QTest::addColumn<QString>("steps"); // x a wrong letter, n a wrong submission, u untick hard mode, r right
        QTest::addColumn<bool>("refuse");   // the memory model's write fails
        QTest::addColumn<double>("stability"); // of the graded word; 0: no row
        QTest::newRow("spelt right") << true << "r" << false << 2.3065;
        QTest::newRow("wrong letter first") << true << "xr" << false << 0.212;
        QTest::newRow("wrong submission first") << true << "nr" << false << 0.212;
        QTest::newRow("shown again, then copied") << true << "ur" << false << 0.212;
        QTest::newRow("copied") << false << "r" << false << 0.0;
        QTest::newRow("write refused") << true << "r" << true << 0.0;
    }
    void hardModeGradesRecall()
    {
        QFETCH(bool, hard);
        QFETCH(QString, steps);
        QFETCH(bool, refuse);
        QFETCH(double, stability);
        m_page->Start();
        if (hard) {
            click(CMemorizePage::IdHardMode);
            finishCountdown();
            QCOMPARE(display()->mode(), int(CWordDisplay::Spelling));
        }
        if (refuse)
            theDatabase.execute("CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.WordMemory_tbl "
                                "BEGIN SELECT RAISE(ABORT, 'disk is full'); END;");
        const QString first = word();
        for (const QChar step : steps) {
            if (step == u'x')
                type(first.left(1) == u"q" ? QStringLiteral("z") : QStringLiteral("q"));
            else if (step == u'n')
                typeAndNext(first + u'z');
            else if (step == u'u')
                click(CMemorizePage::IdHardMode);
            else
                typeAndNext(first);
        }
        QVERIFY(word() != first);
        QCOMPARE(MessageBox::takeShown().size(), refuse ? 1 : 0);
        QCOMPARE(timesOf(first), refuse ? 0 : 1); // the study and its grade, or neither
        const int rows = queryInt("SELECT count(*) FROM WordMemory_tbl;");
        QCOMPARE(rows, stability > 0 ? 1 : 0);
        if (rows)
            QCOMPARE(theDatabase.query(sqlFormat("SELECT stability FROM WordMemory_tbl r JOIN words_tbl w ON r.wid = w.wid WHERE name = '%s';",
                                                 sqlQuote(first).constData()).constData())
                         .floatValue(0),
                     stability);
        if (refuse)
            theDatabase.execute("DROP TRIGGER refuse;");
        if (m_page->countdownTimer().isActive())
            finishCountdown();
    }

    void brokenOffCountdownResumes()
    {
        m_page->Start();
        click(CMemorizePage::IdHardMode);
        m_page->OnCountdownTick();
        m_page->OnCountdownTick();
        QCOMPARE(statusText(), QStringLiteral("请记忆单词...4"));
        // Switched off with 3 to come: the label clears, the edit returns, the count stays.
        click(CMemorizePage::IdHardMode);
        QVERIFY(statusText().isEmpty());
        QVERIFY(edit()->isVisible());
        QVERIFY(!m_page->countdownTimer().isActive());
        QCOMPARE(CMemorizePage::countdownCounter(), 3);

        // The counter is the program's, not the page's: another page goes on from 3.
        CMemorizePage other;
        other.setHost(&m_host);
        control<CSkinButton>(&other, CMemorizePage::IdHardMode)->click();
        other.OnCountdownTick();
        QCOMPARE(control<CStatusLabel>(&other, CMemorizePage::IdStatus)->text(), QStringLiteral("请记忆单词...3"));
        control<CSkinButton>(&other, CMemorizePage::IdHardMode)->click();
        QCOMPARE(CMemorizePage::countdownCounter(), 2);

        click(CMemorizePage::IdHardMode);
        QVERIFY(edit()->isHidden());
        for (const QString &expected : {QStringLiteral("请记忆单词...2"), QStringLiteral("请记忆单词...1"), QStringLiteral("请拼写单词")}) {
            m_page->OnCountdownTick();
            QCOMPARE(statusText(), expected);
        }
        QVERIFY(!m_page->countdownTimer().isActive());
        QCOMPARE(CMemorizePage::countdownCounter(), 5);
    }

    void emptyListIsDoneAtOnce()
    {
        theDatabase.execute("DELETE FROM DayList_tbl;");
        m_page->Start();
        QCOMPARE(button(CMemorizePage::IdNext)->text(), QStringLiteral("完了"));
        verifyProgress(QStringLiteral("0 / 0"), 0);
        QVERIFY(m_page->finished());
        QVERIFY(m_host.spoken.isEmpty());
        click(CMemorizePage::IdNext);
        QCOMPARE(m_host.finishes, QList<bool>{false});
        QCOMPARE(logFinished(), 1);
    }

    void backButton()
    {
        m_page->Start();
        const QString first = word();
        typeAndNext(first);
        // Going back before the end records nothing more and keeps the marks made.
        click(CMemorizePage::IdBack);
        QCOMPARE(m_host.closes, 1);
        QVERIFY(m_host.finishes.isEmpty());
        QCOMPARE(logFinished(), 0);
        QCOMPARE(timesOf(first), 1);
        // The next start begins at the first row again.
        m_page->Start();
        QCOMPARE(word(), first);
        verifyProgress(QStringLiteral("1 / 3"), 33);
        for (int i = 0; i < 3; ++i)
            typeAndNext(word());
        QCOMPARE(timesOf(first), 2);
        // Once finished, going back ends the day like "完了".
        click(CMemorizePage::IdBack);
        QCOMPARE(m_host.finishes, QList<bool>{false});
        QCOMPARE(m_host.closes, 1);
        QCOMPARE(logFinished(), 1);
        QCOMPARE(word(), QStringLiteral(" "));
    }

    void optionsFollowTheUserRecord()
    {
        theUser.MemorHardMode = 1;
        theUser.MemorAutoNext = 1;
        CMemorizePage page;
        QVERIFY(control<CSkinButton>(&page, CMemorizePage::IdHardMode)->GetCheck());
        QVERIFY(control<CSkinButton>(&page, CMemorizePage::IdAutoNext)->GetCheck());
        // A start shows the boxes of whoever is logged in now.
        theUser.MemorHardMode = 0;
        theUser.MemorAutoNext = 0;
        page.Start();
        QVERIFY(!control<CSkinButton>(&page, CMemorizePage::IdHardMode)->GetCheck());
        QVERIFY(!control<CSkinButton>(&page, CMemorizePage::IdAutoNext)->GetCheck());
        QVERIFY(!page.countdownTimer().isActive());
    }

    void storeFailuresAreShownAndPassedOver()
    {
        m_page->Start();
        // A refused mark still moves on.
        theDatabase.execute("CREATE TEMP TRIGGER no_marks BEFORE UPDATE ON WordsMarkInfo_tbl "
                            "BEGIN SELECT RAISE(ABORT, 'marks refused'); END;");
        const QString first = word();
        typeAndNext(first);
        QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("marks refused")), qPrintable(shown.first()));
        QCOMPARE(timesOf(first), 0);
        verifyProgress(QStringLiteral("2 / 3"), 66);
        theDatabase.execute("DROP TRIGGER no_marks;");

        // A failed fetch keeps the word on show but counts as a fetched row.
        const QString second = word();
        // A table of the same name in the temporary schema hides the view.
        theDatabase.execute("CREATE TEMP TABLE DayList_view (x);");
        typeAndNext(second);
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("no such column")), qPrintable(shown.first()));
        QCOMPARE(word(), second);
        verifyShows(second);
        verifyProgress(QStringLiteral("3 / 3"), 100);
        QCOMPARE(button(CMemorizePage::IdNext)->text(), QStringLiteral("下一个"));
        theDatabase.execute("DROP TABLE temp.DayList_view;");
        // The row after it is the fourth: there is none, so the list is done.
        typeAndNext(second);
        QCOMPARE(button(CMemorizePage::IdNext)->text(), QStringLiteral("完了"));

        // A failed count leaves the total as it was.
        theDatabase.execute("CREATE TEMP TABLE DayList_tbl (x);");
        m_page->Start();
        QCOMPARE(MessageBox::takeShown().size(), 1);
        verifyProgress(QStringLiteral("1 / 3"), 33);
        theDatabase.execute("DROP TABLE temp.DayList_tbl;");

        // Refused settings still take effect for this run.
        theDatabase.execute("CREATE TEMP TRIGGER no_settings BEFORE UPDATE ON UserInfo_tbl "
                            "BEGIN SELECT RAISE(ABORT, 'settings refused'); END;");
        click(CMemorizePage::IdAutoNext);
        click(CMemorizePage::IdHardMode);
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown.first().contains(QStringLiteral("settings refused")));
        QCOMPARE(theUser.MemorAutoNext, 1);
        QCOMPARE(theUser.MemorHardMode, 1);
        QVERIFY(edit()->isHidden());
        QCOMPARE(queryInt("SELECT MemorAutoNext + MemorHardMode FROM UserInfo_tbl WHERE uid = 1;"), 0);
        finishCountdown();
    }

    void layoutFitsThePage()
    {
        const QRect page(0, 0, 490, 276);
        const QList<int> ids{CMemorizePage::IdWord, CMemorizePage::IdPhonetic, CMemorizePage::IdExplanation,
                             CMemorizePage::IdSpeak, CMemorizePage::IdStatus, CMemorizePage::IdHardMode,
                             CMemorizePage::IdAutoNext, CMemorizePage::IdProgressText, CMemorizePage::IdProgress,
                             CMemorizePage::IdEdit, CMemorizePage::IdNext, CMemorizePage::IdBack};
        for (int id : ids) {
            QWidget *w = control<QWidget>(m_page, id);
            QVERIFY2(w, qPrintable(QString::number(id)));
            QVERIFY2(page.contains(w->geometry()), qPrintable(QString::number(id)));
            for (int other : ids)
                if (other != id)
                    QVERIFY2(!w->geometry().intersects(control<QWidget>(m_page, other)->geometry()),
                             qPrintable(QStringLiteral("%1 overlaps %2").arg(id).arg(other)));
        }
        // Texts fit their controls at their longest.
        const auto fits = [&](int id, const QString &text, int reserved = 0) {
            QWidget *w = control<QWidget>(m_page, id);
            const QFontMetrics fm(w->font());
            return fm.horizontalAdvance(text) + reserved <= w->width() && fm.height() <= w->height();
        };
        QVERIFY(fits(CMemorizePage::IdProgressText, QStringLiteral("1000 / 1000")));
        QVERIFY(fits(CMemorizePage::IdStatus, QStringLiteral("请记忆单词...5"), 23));
        QVERIFY(fits(CMemorizePage::IdNext, QStringLiteral("下一个"), 8));
        QVERIFY(fits(CMemorizePage::IdPhonetic, QStringLiteral("[ˌɪntəˈnæʃnəl]")));
        for (int id : {CMemorizePage::IdHardMode, CMemorizePage::IdAutoNext})
            QVERIFY(button(id)->width() >= button(id)->sizeHint().width());
        QCOMPARE(button(CMemorizePage::IdBack)->size(), QSize(62, 28));
        QCOMPARE(button(CMemorizePage::IdSpeak)->size(), QSize(22, 22));
        // The word and the cursor (from y 1, 56 high) fit the display.
        QVERIFY(display()->height() >= 57);
        QVERIFY(display()->height() >= QFontMetrics(CWordDisplay::wordFont()).height());
        QCOMPARE(QFontInfo(control<QLabel>(m_page, CMemorizePage::IdPhonetic)->font()).family(), QStringLiteral("ZARaviduzi"));

        // A long explanation wraps and ends in an ellipsis; the whole stays in the tool tip.
        auto *explanation = control<QLabel>(m_page, CMemorizePage::IdExplanation);
        const QString longText = QStringLiteral("n. 一种很长的释义；").repeated(20);
        explanation->setText(longText);
        explanation->grab();
        QCOMPARE(explanation->toolTip(), longText);
        explanation->setText(QStringLiteral("n. 苹果"));
        explanation->grab();
        QVERIFY(explanation->toolTip().isEmpty());
    }

    // A sense pronounced otherwise carries its transcription in the gloss ("n. 眼泪 /tɪə/"):
    // the gloss's face lacks the phonetic symbols, so they must come from a face that has them.
    void glossShowsPhoneticSymbols()
    {
        auto *explanation = control<QLabel>(m_page, CMemorizePage::IdExplanation);
        const QStringList missing = testsupport::symbolsDrawnAsMissing(explanation, testsupport::kPhoneticSymbols);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
    }

    // With QUILLORA_SHOTS set to a folder, pictures of the page for a look by eye.
    void screenshots()
    {
        const QString dir = qEnvironmentVariable("QUILLORA_SHOTS");
        if (dir.isEmpty())
            QSKIP("QUILLORA_SHOTS is not set");
        // A sense with its own transcription first, so the phonetic symbols in the gloss show.
        const QString interp = QStringLiteral("v. 撕；撕裂 n. 眼泪 /tɪə/ ")
            + QStringLiteral("n. 苹果；苹果树；（美俚）人，家伙；（喻）掌上明珠；大城市（尤指纽约）；").repeated(2);
        theDatabase.execute(sqlFormat("UPDATE words_tbl SET interp = '%s' WHERE name = 'apple';"
                                      "DELETE FROM DayList_tbl WHERE wid <> (SELECT wid FROM words_tbl WHERE name = 'apple');",
                                      sqlQuote(interp).constData())
                                .constData());
        m_page->Start();
        edit()->setFocus();
        QTest::keyClicks(edit(), QStringLiteral("Apx"));
        click(CMemorizePage::IdNext);
        QVERIFY(m_page->grab().save(dir + QStringLiteral("/memorize_normal.png")));
        click(CMemorizePage::IdHardMode);
        finishCountdown();
        edit()->clear();
        QTest::keyClicks(edit(), QStringLiteral("ap"));
        QVERIFY(m_page->grab().save(dir + QStringLiteral("/memorize_spelling.png")));
        click(CMemorizePage::IdHardMode);
    }
};

QTEST_MAIN(TestMemorizePage)
#include "tst_memorize_page.moc"
