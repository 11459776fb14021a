#include "app/QuilloraApp.h"
#include "app/QuilloraDlg.h"
#include "home/HomeDlg.h"
#include "platform/FileDialog.h"
#include "platform/PrivateTemp.h"
#include "study/MemorizePage.h"
#include "study/TestPage.h"
#include "study/WordDisplay.h"
#include "support/GuiTestSupport.h"
#include "support/WebTestSupport.h"
#include "ui/BrowserHost.h"
#include "ui/SkinButton.h"
#include "ui/TranslucentButton.h"
#include "users/LoginDlg.h"
#include "users/NewUserDlg.h"
#include "wordlists/ThesaurusDlg.h"

#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace testsupport;

// A day's work from the first start on: register, log in, import and choose a list,
// open the memorise page from the home window and type every word of the daily list,
// then test the list and read the mistake report.
class TestStudyEndToEnd : public QObject
{
    Q_OBJECT

    static void fill(QWidget *dlg, int id, const QString &text)
    {
        auto *edit = control<QLineEdit>(dlg, id);
        QVERIFY2(edit, qPrintable(QString::number(id)));
        edit->setFocus();
        edit->setText(text);
    }

    // Tests the daily list from the home window's test button: a wrong, a shown and right
    // answers; the report names exactly the words answered wrongly at first.
    void testTheListAndReadTheReport(CHomeDlg *home, CQuilloraDlg *main, const QString &special)
    {
        // "door" is wrong on purpose whenever it is in the list, so the markup is shown.
        Q_EMIT home->button(CHomeDlg::IDC_TEST)->clicked();
        QTRY_VERIFY(!main->isSliding() && !main->isWorkerRunning());
        auto *page = qobject_cast<CTestPage *>(main->page(CQuilloraDlg::PageTest));
        QVERIFY(page && page->isVisible() && page->inPlace());
        page->setKindSource([] { return 0; });
        QSet<QString> wrongWords, rightWords;
        const QList<QString> inList = [] {
            QList<QString> names;
            CppSQLite3Cursor c = theDatabase.query("SELECT name FROM DayList_view;");
            for (; !c.eof(); c.next())
                names << QString::fromUtf8(c.value(0));
            return names;
        }();
        for (int i = 0; !page->finished(); ++i) {
            const QString word = page->correctWord();
            const bool wrong = word == u"door" || i == 0;
            const bool shown = !wrong && i == 1;
            if (wrong) {
                if (page->kind() == CTestPage::TypeWord) {
                    QTest::keyClicks(control<QLineEdit>(page, CTestPage::IdEdit), QStringLiteral("zz"));
                } else {
                    int other = (page->correctOption() + 1) % 2;
                    click(page, CTestPage::IdOptionA + other);
                }
                click(page, CTestPage::IdOk);
            }
            if (shown)
                click(page, CTestPage::IdShowAnswer);
            (wrong || shown ? wrongWords : rightWords) << word;
            if (page->kind() == CTestPage::TypeWord) {
                auto *edit = control<QLineEdit>(page, CTestPage::IdEdit);
                edit->clear();
                QTest::keyClicks(edit, word);
            } else {
                click(page, CTestPage::IdOptionA + page->correctOption());
            }
            click(page, CTestPage::IdOk);
        }
        QCOMPARE(wrongWords.size() + rightWords.size(), inList.size());
        QVERIFY(control<QAbstractButton>(page, CTestPage::IdReport)->isVisible());

        // The report: every wrong word with its explanation as text, no right word.
        QString body;
        QString bodyHtml;
        bool homeDisabled = false;
        int closedWith = -1;
        onModal<QDialog>([&](QDialog *dialog) {
            homeDisabled = !home->isEnabled() && !page->isEnabled();
            auto *view = dialog->findChild<QWebEngineView *>();
            QVERIFY(view);
            // The page's script answers once its document has been parsed.
            const auto evaluate = [view](const QString &script) { return testsupport::evaluate(view->page(), script); };
            QTRY_VERIFY_WITH_TIMEOUT(evaluate(QStringLiteral("document.readyState == 'complete' && document.title == '错误列表'")).toBool(), 30000);
            const QVariantList texts = evaluate(QStringLiteral("[document.body.innerText, document.body.innerHTML]")).toList();
            body = texts.value(0).toString();
            bodyHtml = texts.value(1).toString();
            // Escape closes it even though the page has the keys; accepting is the fallback.
            QObject::connect(dialog, &QDialog::finished, [&](int result) { closedWith = result; });
            QTimer::singleShot(5000, dialog, &QDialog::accept);
            QTest::keyClick(view->focusProxy() ? view->focusProxy() : view, Qt::Key_Escape);
        }, 30000);
        click(page, CTestPage::IdReport);
        QVERIFY(!QFile::exists(privatetemp::filePath(QStringLiteral("Quillora_il.htm"))));
        QVERIFY(homeDisabled);
        QCOMPARE(closedWith, int(QDialog::Rejected));
        QVERIFY(home->isEnabled());
        QVERIFY2(body.contains(QStringLiteral("错误量: %1").arg(wrongWords.size())), qPrintable(body));
        for (const QString &w : std::as_const(wrongWords)) {
            QVERIFY2(body.contains(w), qPrintable(w));
            QVERIFY2(body.contains(w == u"door" ? special : QStringLiteral("n. 解释") + w), qPrintable(bodyHtml));
        }
        for (const QString &w : std::as_const(rightWords))
            QVERIFY2(!body.split(u'\n').contains(w), qPrintable(w));
        QVERIFY(!bodyHtml.contains(QStringLiteral("<b>")));

        // "完成" records the day's error rate: mistakes of the daily amount. The page has
        // the keyboard back once the report is closed, so Enter presses it.
        QWidget *focus = home->focusWidget();
        QVERIFY2(focus == page || page->isAncestorOf(focus), focus ? focus->metaObject()->className() : "no focus");
        QTest::keyClick(focus, Qt::Key_Return);
        QTRY_VERIFY(!main->isSliding());
        CppSQLite3Cursor log = theDatabase.query("SELECT bFinish, ErrorRate FROM logs_tbl;");
        QCOMPARE(log.intValue(0), 1);
        QCOMPARE(log.floatValue(1), double(wrongWords.size()) / inList.size());
    }

private Q_SLOTS:
    void initTestCase()
    {
        setUpApplication();
        MessageBox::setTestMode(true);
    }

    void memoriseAWholeDailyList()
    {
        QTemporaryDir dataDir;
        QTemporaryDir files;
        // Eight words; a daily amount of 5 draws five of them.
        QByteArray list;
        const QStringList words{QStringLiteral("apple"), QStringLiteral("book"), QStringLiteral("cat"), QStringLiteral("door"),
                                QStringLiteral("egg"), QStringLiteral("fish"), QStringLiteral("girl"), QStringLiteral("hand")};
        // One explanation is markup-like text, with a character outside GBK.
        const QString special = QStringLiteral("n. <b>粗</b> & 𠮷·");
        for (const QString &w : words)
            list += (w + QStringLiteral(" [wɜːd]\n") + (w == u"door" ? special : QStringLiteral("n. 解释") + w)
                     + QStringLiteral("\n\n"))
                        .toUtf8();
        const QString listPath = files.filePath(QStringLiteral("八个词.txt"));
        QFile f(listPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(list);
        f.close();

        onModal<CNewUserDlg>([&](CNewUserDlg *dlg) {
            fill(dlg, CNewUserDlg::IdUserName, QStringLiteral("learner"));
            fill(dlg, CNewUserDlg::IdPassword, QStringLiteral("pw"));
            fill(dlg, CNewUserDlg::IdConfirm, QStringLiteral("pw"));
            fill(dlg, CNewUserDlg::IdDayNum, QStringLiteral("5"));
            click(dlg, CNewUserDlg::IdOrdinary);
            click(dlg, CNewUserDlg::IdOk);
        });
        onModal<CLoginDlg>([&](CLoginDlg *dlg) {
            fill(dlg, CLoginDlg::IdUserName, QStringLiteral("learner"));
            fill(dlg, CLoginDlg::IdPassword, QStringLiteral("pw"));
            click(dlg, CLoginDlg::IdLogin);
        });
        FileDialog::setNextFileName(listPath);
        onModal<CThesaurusDlg>([&](CThesaurusDlg *dlg) {
            auto *lists = control<QComboBox>(dlg, CThesaurusDlg::IDC_LISTS);
            lists->setCurrentIndex(lists->findText(QStringLiteral("八个词 (8个)")));
            click(dlg, CThesaurusDlg::IDOK);
        });
        CQuilloraApp app(dataDir.path());
        QVERIFY(app.startUp());
        MessageBox::takeShown();

        // The memorise button of the home window.
        CHomeDlg *home = app.homeWindow();
        CQuilloraDlg *main = home->mainWindow();
        Q_EMIT home->button(CHomeDlg::IDC_MEMORIZE)->clicked();
        QTRY_VERIFY(!main->isSliding() && !main->isWorkerRunning());
        auto *page = qobject_cast<CMemorizePage *>(main->page(CQuilloraDlg::PageMemorize));
        QVERIFY(page && page->isVisible() && page->inPlace());
        auto *display = control<CWordDisplay>(page, CMemorizePage::IdWord);
        auto *edit = control<QLineEdit>(page, CMemorizePage::IdEdit);
        auto *progress = control<QLabel>(page, CMemorizePage::IdProgressText);
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM logs_tbl WHERE bFinish = 0;"), 1);

        QStringList typed;
        for (int i = 1; i <= 5; ++i) {
            QCOMPARE(progress->text(), QStringLiteral("%1 / 5").arg(i));
            const QString word = display->word();
            QVERIFY(words.contains(word));
            QTest::keyClicks(edit, word);
            click(page, CMemorizePage::IdNext);
            typed << word;
        }
        QCOMPARE(control<QAbstractButton>(page, CMemorizePage::IdNext)->text(), QStringLiteral("完了"));
        QCOMPARE(typed.size(), 5);
        QCOMPARE(QSet<QString>(typed.begin(), typed.end()).size(), 5);

        // Every typed word counts once, dated today; the others are untouched.
        for (const QString &w : words) {
            const QByteArray sql = sqlFormat("SELECT times, ifnull(RecentMarkDate, '') FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE w.name = '%s';",
                                             w.toUtf8().constData());
            CppSQLite3Cursor c = theDatabase.query(sql.constData());
            QCOMPARE(c.intValue(0), typed.contains(w) ? 1 : 0);
            QCOMPARE(QString::fromUtf8(c.value(1)), typed.contains(w) ? today : QString());
        }
        // "完了" once more: the day is recorded and the page slides back out.
        click(page, CMemorizePage::IdNext);
        QTRY_VERIFY(!main->isSliding());
        QVERIFY(!page->isVisible());
        QCOMPARE(main->pageIndex(), int(CQuilloraDlg::PageNone));
        CppSQLite3Cursor log = theDatabase.query("SELECT date, mode, bFinish, ErrorRate FROM logs_tbl;");
        QCOMPARE(QString::fromUtf8(log.value(0)), today);
        QCOMPARE(log.intValue(1), 0);
        QCOMPARE(log.intValue(2), 1);
        QVERIFY(log.value(3) == nullptr);
        log.next();
        QVERIFY(log.eof());
        log.finalize();

        // Opening the page again the same day keeps the list: five words studied, none new.
        Q_EMIT home->button(CHomeDlg::IDC_MEMORIZE)->clicked();
        QTRY_VERIFY(!main->isSliding() && !main->isWorkerRunning());
        QCOMPARE(progress->text(), QStringLiteral("1 / 5"));
        QVERIFY(typed.contains(display->word()));
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM logs_tbl;"), 1);

        testTheListAndReadTheReport(home, main, special);
        app.shutDown();
    }
};

int main(int argc, char **argv)
{
    // The web engine needs these before the application exists.
    prepareBrowserHost();
    QApplication app(argc, argv);
    TestStudyEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_study_e2e.moc"
