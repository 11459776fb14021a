#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/DailyList.h"
#include "study/MistakeReport.h"
#include "study/TestPage.h"
#include "study/WordDisplay.h"
#include "support/StudyTestSupport.h"
#include "ui/Control.h"
#include "ui/Fonts.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "ui/StatusLabel.h"
#include "users/UserRecord.h"

#include <QAccessible>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using testsupport::today;
using Word = testsupport::StudyWord;
using FakeHost = testsupport::FakeStudyHost;

int queryInt(const QByteArray &sql)
{
    return theDatabase.queryInt(sql.constData());
}

int markOf(const char *column, const QString &name)
{
    return queryInt(sqlFormat("SELECT m.%s FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE uid = 1 AND "
                              "name = '%s';",
                              column, sqlQuote(name).constData()));
}

int incorrectOf(const QString &name)
{
    return queryInt(sqlFormat("SELECT incorrect FROM DayList_tbl d JOIN words_tbl w ON d.wid = w.wid WHERE uid = 1 AND "
                              "name = '%s';",
                              sqlQuote(name).constData()));
}

QList<Word> numbered(int n)
{
    QList<Word> words;
    for (int i = 1; i <= n; ++i)
        words << Word{QStringLiteral("word%1").arg(i), QStringLiteral("n. 解释%1").arg(i)};
    return words;
}

// "n. " and then Chinese up to `bytes` narrow bytes (plus one letter when odd).
QString explanationOf(int bytes)
{
    QString text = QStringLiteral("n. ");
    while (ansi::byteLength(text) + 2 <= bytes)
        text += QChar(char16_t(u'甲' + text.size()));
    if (ansi::byteLength(text) < bytes)
        text += u'x';
    return text;
}

} // namespace

using namespace Qt::StringLiterals;

class TestTestPage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeHost m_host;
    CTestPage *m_page = nullptr;

    CSkinButton *button(int id) const { return control<CSkinButton>(m_page, id); }
    CSkinEdit *edit() const { return control<CSkinEdit>(m_page, CTestPage::IdEdit); }
    QString status() const { return control<CStatusLabel>(m_page, CTestPage::IdStatus)->text(); }
    void click(int id) { QTest::mouseClick(button(id), Qt::LeftButton); }
    CSkinButton *correct() const { return button(CTestPage::IdOptionA + m_page->correctOption()); }
    CSkinButton *wrong() const
    {
        for (int id = CTestPage::IdOptionA; id <= CTestPage::IdOptionD; ++id)
            if (button(id)->isVisible() && button(id) != correct())
                return button(id);
        return nullptr;
    }

    // A store with one user, the given list and today's list of all its words; the page
    // started on it with question kinds from `kinds` (cycled).
    void setUp(const QList<Word> &words, int mode, QList<int> kinds, int dayNum = 20, int autoAdd = 0)
    {
        static int n = 0;
        testsupport::openStudyStore(m_dir.filePath(QStringLiteral("data%1.db").arg(++n)), words, dayNum, mode);
        theUser.TestAutoAddHard = autoAdd;
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET TestAutoAddHard = %d WHERE uid = 1;", autoAdd).constData());
        if (mode == 2)
            theDatabase.execute("UPDATE WordsMarkInfo_tbl SET hard = 1;");
        QVERIFY(study::buildDailyList(theDatabase, theUser, true, today()).built);

        delete m_page;
        m_host = FakeHost();
        m_page = new CTestPage;
        m_page->setHost(&m_host);
        auto at = std::make_shared<int>(0);
        m_page->setKindSource([kinds, at] { return kinds[(*at)++ % kinds.size()]; });
        m_page->resize(490, 276);
        m_page->show();
        m_page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_page));
        m_page->Start();
    }

    void answerRight()
    {
        if (m_page->kind() == CTestPage::TypeWord) {
            edit()->setText(m_page->correctWord());
            click(CTestPage::IdOk);
        } else {
            click(CTestPage::IdOptionA + m_page->correctOption());
            click(CTestPage::IdOk);
        }
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

    void cleanup()
    {
        delete m_page;
        m_page = nullptr;
        QCOMPARE(MessageBox::takeShown(), QStringList());
    }

    // Every word once, in an order of its own each start; all right: no report.
    void everyWordOnceShuffled()
    {
        QList<QStringList> orders;
        for (int run = 0; run < 2; ++run) {
            setUp(numbered(20), 0, {0, 1, 2});
            if (QTest::currentTestFailed())
                return;
            QStringList asked;
            while (!m_page->finished()) {
                QCOMPARE(control<QLabel>(m_page, CTestPage::IdProgressText)->text(),
                         QStringLiteral("%1 / 20").arg(asked.size() + 1));
                asked << m_page->correctWord();
                answerRight();
            }
            QCOMPARE(asked.size(), 20);
            QCOMPARE(QSet<QString>(asked.begin(), asked.end()).size(), 20);
            QCOMPARE(button(CTestPage::IdOk)->text(), QStringLiteral("完成"));
            QVERIFY(!button(CTestPage::IdReport)->isVisible());
            QVERIFY(!button(CTestPage::IdShowAnswer)->isVisible());
            QCOMPARE(queryInt("SELECT sum(times) FROM WordsMarkInfo_tbl;"), 20);
            orders << asked;
            // "完成" records the day with its error rate.
            click(CTestPage::IdOk);
            QCOMPARE(m_host.finishes, QList<bool>{true});
            CppSQLite3Cursor log = theDatabase.query("SELECT bFinish, ErrorRate FROM logs_tbl;");
            QCOMPARE(log.intValue(0), 1);
            QCOMPARE(log.floatValue(1, -1), 0.0);
        }
        QVERIFY(orders[0] != orders[1]);
    }

    void firstAnswerCounts_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("autoAdd");
        QTest::addColumn<QString>("answers"); // w wrong, s show the answer, r right
        QTest::addColumn<int>("incorrect");
        QTest::addColumn<int>("hard");
        QTest::addColumn<QString>("statusAfter");

        QTest::newRow("wrong then right") << 0 << 0 << 0 << "wr" << 1 << 0 << QString();
        QTest::newRow("wrong then right, added") << 1 << 0 << 1 << "wr" << 1 << 1 << QString();
        QTest::newRow("no choice is wrong") << 1 << 0 << 0 << "-r" << 1 << 0 << QString();
        QTest::newRow("typed wrong then right") << 2 << 0 << 0 << "wr" << 1 << 0 << QString();
        QTest::newRow("shown then right, hard book") << 0 << 2 << 1 << "sr" << 1 << 1 << QString();
        QTest::newRow("shown then right, not added") << 1 << 0 << 0 << "sr" << 1 << 0 << QString();
        QTest::newRow("right leaves the hard book") << 0 << 2 << 0 << "r" << 0 << 0 << QStringLiteral(" 已经移出难词本!");
        QTest::newRow("right") << 2 << 0 << 1 << "r" << 0 << 0 << QString();
    }

    void firstAnswerCounts()
    {
        QFETCH(int, kind);
        QFETCH(int, mode);
        QFETCH(int, autoAdd);
        QFETCH(QString, answers);
        QFETCH(int, incorrect);
        QFETCH(int, hard);
        QFETCH(QString, statusAfter);

        setUp(numbered(5), mode, {kind}, 20, autoAdd);

        if (QTest::currentTestFailed())

            return;
        const QString name = m_page->correctWord();
        for (const QChar a : answers) {
            if (a == u'r') {
                answerRight();
            } else if (a == u's') {
                click(CTestPage::IdShowAnswer);
                QVERIFY(status().endsWith(QStringLiteral(" (看答案算做错)")));
            } else {
                if (a == u'w') {
                    if (kind == CTestPage::TypeWord)
                        edit()->setText(name + u'x');
                    else
                        click(controlId(wrong()));
                }
                click(CTestPage::IdOk);
                QCOMPARE(status(), QStringLiteral("⊙o⊙错了"));
                QCOMPARE(m_page->correctWord(), name); // the question stays
            }
        }
        QVERIFY(m_page->correctWord() != name);
        QCOMPARE(markOf("times", name), 1);
        QCOMPARE(incorrectOf(name), incorrect);
        QCOMPARE(markOf("hard", name), hard);
        // One grade for the memory model, from the first answer: Again or Good.
        CppSQLite3Cursor memory = theDatabase.query("SELECT w.name, r.stability, r.reps FROM WordMemory_tbl r JOIN words_tbl w ON r.wid = w.wid;");
        QCOMPARE(ansi::toUnicode(memory.stringValue(0)), name);
        QCOMPARE(memory.floatValue(1), incorrect ? 0.212 : 2.3065);
        QCOMPARE(memory.intValue(2), 1);
        memory.next();
        QVERIFY(memory.eof());
        memory.finalize();
        QCOMPARE(status(), statusAfter.isEmpty() ? QString() : name + statusAfter);
    }

    void hardBookByHand()
    {
        setUp(numbered(3), 0, {0});
        if (QTest::currentTestFailed())
            return;
        click(CTestPage::IdAddHard);
        QCOMPARE(status(), QStringLiteral("添加成功"));
        click(CTestPage::IdAddHard);
        QCOMPARE(status(), QStringLiteral("已经添加，不用重复添加"));
        QCOMPARE(markOf("hard", m_page->correctWord()), 1);
    }

    void typingMovesOn_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<bool>("movedOn");
        QTest::newRow("wrong start") << "ax" << "haha, 你已经错了" << false << false;
        QTest::newRow("right start") << "app" << "" << false << false;
        QTest::newRow("too long") << "apples" << "长度超长，明显错误！" << false << false;
        QTest::newRow("wrong at the last letter") << "appla" << "⊙o⊙错了" << true << false;
        QTest::newRow("right") << "apple" << "" << true << true;
    }

    void typingMovesOn()
    {
        QFETCH(QString, typed);
        QFETCH(QString, status);
        QFETCH(bool, recorded);
        QFETCH(bool, movedOn);
        setUp({{QStringLiteral("apple"), QStringLiteral("n. 苹果")}, {QStringLiteral("pear"), QStringLiteral("n. 梨")}}, 0, {2});
        if (QTest::currentTestFailed())
            return;
        if (m_page->correctWord() != u"apple")
            answerRight();
        QCOMPARE(m_page->correctWord(), QStringLiteral("apple"));
        theUser.TestAutoNext = 1;
        QVERIFY(edit()->isVisible() && edit()->hasFocus());
        edit()->setText(typed); // typed or pasted: the edit reports the change
        QCOMPARE(this->status(), status);
        QCOMPARE(markOf("times", QStringLiteral("apple")), recorded ? 1 : 0);
        QCOMPARE(m_page->correctWord() != u"apple" || m_page->finished(), movedOn);
    }

    // A gloss with a sense's own transcription ("n. 低估 /ˌʌndərˈestɪmət/"): an option cut
    // short drops an unfinished transcription whole, and the phonetic symbols are drawn,
    // on the options and on the explanation alike.
    void glossesWithTranscriptions()
    {
        const QString gloss = QStringLiteral("vt. 低估；看轻 n. 低估 /ˌʌndərˈestɪmət/");
        QVERIFY(ansi::byteLength(gloss) > 50);
        const QList<Word> words{{QStringLiteral("underestimate"), gloss}, {QStringLiteral("tear"), QStringLiteral("v. 撕 n. 眼泪 /tɪə/")}};
        const QString shots = qEnvironmentVariable("QUILLORA_SHOTS");

        setUp(words, 0, {CTestPage::ChooseExplanation});
        if (QTest::currentTestFailed())
            return;
        if (m_page->correctWord() != u"underestimate")
            answerRight();
        QCOMPARE(m_page->correctWord(), QStringLiteral("underestimate"));
        QCOMPARE(correct()->text().mid(3), QStringLiteral("vt. 低估；看轻 n. 低估..."));
        QCOMPARE(wrong()->text().mid(3), QStringLiteral("v. 撕 n. 眼泪 /tɪə/"));
        if (!shots.isEmpty())
            QVERIFY(m_page->grab().save(shots + QStringLiteral("/test_choose_explanation.png")));
        QStringList missing = testsupport::symbolsDrawnAsMissing(wrong(), testsupport::kPhoneticSymbols);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));

        setUp(words, 0, {CTestPage::ChooseWord});
        if (QTest::currentTestFailed())
            return;
        auto *explanation = control<QLabel>(m_page, CTestPage::IdExplanation);
        QVERIFY(explanation->isVisible());
        QVERIFY(explanation->text().contains(u'/'));
        if (!shots.isEmpty())
            QVERIFY(m_page->grab().save(shots + QStringLiteral("/test_choose_word.png")));
        missing = testsupport::symbolsDrawnAsMissing(explanation, testsupport::kPhoneticSymbols);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
    }

    // Explanations cut at whole characters: 50 bytes on the right option, 40 on the others.
    void optionsOfASmallList()
    {
        const QString sixty = explanationOf(60);
        QCOMPARE(ansi::byteLength(sixty), 60);
        setUp({{QStringLiteral("long"), sixty}, {QStringLiteral("short"), QStringLiteral("n. 短")}}, 0, {0});
        if (QTest::currentTestFailed())
            return;
        for (int question = 0; question < 2; ++question) {
            const bool isLong = m_page->correctWord() == u"long";
            const QString expected = study::cutToBytes(sixty, isLong ? 50 : 40);
            QVERIFY(expected.endsWith(QStringLiteral("...")));
            QCOMPARE(ansi::byteLength(expected), isLong ? 49 + 3 : 39 + 3);
            QVERIFY(sixty.startsWith(expected.chopped(3)));
            const QString caption = (isLong ? correct() : wrong())->text();
            QCOMPARE(caption.mid(3), expected);
            // Two words: two options, from A, the right one among them.
            QVERIFY(button(CTestPage::IdOptionA)->isVisible() && button(CTestPage::IdOptionB)->isVisible());
            QVERIFY(!button(CTestPage::IdOptionC)->isVisible() && !button(CTestPage::IdOptionD)->isVisible());
            QVERIFY(m_page->correctOption() <= 1);
            answerRight();
        }
    }

    void keyboard()
    {
        setUp(numbered(6), 0, {1, 2});
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_page->hasFocus());
        const QString first = m_page->correctWord();
        // Keys 1-4 and A-D choose; Enter submits as "确定" does.
        QTest::keyClick(m_page, char('1' + m_page->correctOption()));
        QVERIFY(correct()->GetCheck());
        QTest::keyClick(m_page, m_page->correctOption() == 0 ? 'b' : 'a');
        QVERIFY(!correct()->GetCheck());
        QTest::keyClick(m_page, char('a' + m_page->correctOption()));
        QTest::keyClick(m_page, Qt::Key_Return);
        QVERIFY(m_page->correctWord() != first);
        QCOMPARE(markOf("times", first), 1);
        // A typing question takes the keys in its edit.
        QCOMPARE(m_page->kind(), int(CTestPage::TypeWord));
        QVERIFY(edit()->hasFocus());
        QTest::keyClicks(edit(), m_page->correctWord());
        QTest::keyClick(edit(), Qt::Key_Return);
        QCOMPARE(m_page->kind(), int(CTestPage::ChooseWord));
    }

    // A screen reader hears the question and the position from the control that has the
    // keyboard (its description): the word whose explanation is asked for, or the
    // explanation whose word is asked for, never the answer.
    void screenReaderHearsTheQuestion()
    {
        setUp(numbered(3), 0, {0, 1, 2});
        if (QTest::currentTestFailed())
            return;
        const auto described = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description); };
        const auto explanation = [this] { return QStringLiteral("n. 解释") + m_page->correctWord().mid(4); };
        QVERIFY(m_page->hasFocus());
        QString said = described(m_page);
        QVERIFY2(said.contains(m_page->correctWord()) && said.contains(u"1 / 3"_s), qPrintable(said));
        answerRight();
        QCOMPARE(m_page->kind(), int(CTestPage::ChooseWord));
        said = described(m_page);
        QVERIFY2(said.contains(explanation()) && said.contains(u"2 / 3"_s) && !said.contains(m_page->correctWord()), qPrintable(said));
        answerRight();
        QCOMPARE(m_page->kind(), int(CTestPage::TypeWord));
        QVERIFY(edit()->hasFocus());
        said = described(edit());
        QVERIFY2(said.contains(explanation()) && said.contains(u"3 / 3"_s) && !said.contains(m_page->correctWord()), qPrintable(said));
    }

    // A run that is left and started again records its first answer again.
    void everyStartRecordsAnew()
    {
        setUp(numbered(1), 0, {0});
        if (QTest::currentTestFailed())
            return;
        answerRight();
        QVERIFY(m_page->finished());
        click(CTestPage::IdBack);
        QCOMPARE(m_host.finishes, QList<bool>{true});
        m_page->Start();
        answerRight();
        QCOMPARE(markOf("times", QStringLiteral("word1")), 2);
        // The memory model takes one grade a day: the second run's answer is not one.
        QCOMPARE(queryInt("SELECT reps FROM WordMemory_tbl WHERE wid = 1;"), 1);
    }

    void reportOfMistakes()
    {
        // Five words with a daily amount of 20: the rate is of the amount.
        QList<Word> words = numbered(5);
        words[1] = {QStringLiteral("a<b>"), QStringLiteral("n. <b>粗</b> & \"引号\" '单' 𠮷·")};
        setUp(words, 0, {0}, 20);
        if (QTest::currentTestFailed())
            return;
        theDatabase.execute("UPDATE DayList_tbl SET incorrect = 1 WHERE wid IN (1, 2, 3);");
        const QByteArray templ = "<html><body>";
        const QString page = ansi::toUnicode(study::mistakeReportPage(theDatabase, theUser, templ));
        QVERIFY(page.startsWith(QStringLiteral("<html><body><div id='statistics'>list&nbsp;&nbsp;错误量: 3&nbsp;&nbsp;错误率: 15.00%</div><ul>")));
        QVERIFY(page.contains(QStringLiteral("<li><div class='title'>word1</div><div>n. 解释1</div></li>")));
        QVERIFY(page.contains(QStringLiteral("<div class='title'>a&lt;b&gt;</div><div>n. &lt;b&gt;粗&lt;/b&gt; &amp; &quot;引号&quot; &#39;单&#39; &#134071;·</div>")));
        QVERIFY(!page.contains(QStringLiteral("word4")));
        QVERIFY(page.endsWith(QStringLiteral("</ul></body></html>")));

        // A failure part-way still closes the document, and says why.
        theDatabase.execute("DROP TABLE DayList_tbl;");
        QString error;
        const QString broken = ansi::toUnicode(study::mistakeReportPage(theDatabase, theUser, templ, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(broken.endsWith(QStringLiteral("</ul></body></html>")));
    }

    // A failing record leaves the word untouched and the test going.
    void storeFailureWhileRecording()
    {
        setUp(numbered(3), 0, {0}, 20, 1);
        if (QTest::currentTestFailed())
            return;
        theDatabase.execute("CREATE TEMP TRIGGER refuse BEFORE UPDATE OF incorrect ON main.DayList_tbl "
                            "BEGIN SELECT RAISE(ABORT, 'disk is full'); END;");
        const QString name = m_page->correctWord();
        click(controlId(wrong()));
        click(CTestPage::IdOk);
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(markOf("times", name), 0);
        QCOMPARE(markOf("hard", name), 0);
        QCOMPARE(status(), QStringLiteral("⊙o⊙错了"));
        answerRight();
        QVERIFY(m_page->correctWord() != name);
        QCOMPARE(queryInt("SELECT count(*) FROM WordsMarkInfo_tbl WHERE times > 0;"), 0);
        theDatabase.execute("DROP TRIGGER refuse;");
        answerRight();
        QCOMPARE(queryInt("SELECT count(*) FROM WordsMarkInfo_tbl WHERE times > 0;"), 1);
        QCOMPARE(queryInt("SELECT count(*) FROM WordMemory_tbl;"), 1);

        // The memory model's write failing takes the answer's record with it.
        theDatabase.execute("CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.WordMemory_tbl "
                            "BEGIN SELECT RAISE(ABORT, 'disk is full'); END;");
        const QString last = m_page->correctWord();
        answerRight();
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(markOf("times", last), 0);
        QCOMPARE(queryInt(sqlFormat("SELECT count(*) FROM DayList_tbl d JOIN words_tbl w ON d.wid = w.wid WHERE name = '%s' AND incorrect IS NULL;",
                                    sqlQuote(last).constData())),
                 1);
        QCOMPARE(queryInt("SELECT count(*) FROM WordMemory_tbl;"), 1);
        theDatabase.execute("DROP TRIGGER refuse;");
    }
};

QTEST_MAIN(TestTestPage)
#include "tst_test_page.moc"
