#include "platform/AnsiText.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "ui/Control.h"
#include "ui/Fonts.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "ui/StatusLabel.h"
#include "users/UserRecord.h"
#include "wordlists/FreeWordLists.h"
#include "wordlists/ImportWordList.h"
#include "wordlists/ThesaurusDlg.h"
#include "wordlists/WordListFile.h"

#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sqlite3.h>

using Dlg = CThesaurusDlg;

class TestThesaurusDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    static int count(const QByteArray &sql) { return theDatabase.queryInt(sql.constData()); }
    static bool inTransaction() { return !sqlite3_get_autocommit(theDatabase.handle()); }

    QString writeFile(const QString &name, const QByteArray &data)
    {
        QFile f(m_dir->filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            qFatal("cannot write the test file");
        return f.fileName();
    }

    static int addUser(const char *name, int type)
    {
        theDatabase.execute(sqlFormat("INSERT INTO UserInfo_tbl (type, username, password, tid, DayNum, mode, count) "
                                      "VALUES (%d, '%s', 'pw', -1, 20, 0, 0);", type, sqlQuote(QByteArrayView(name)).constData()).constData());
        return int(theDatabase.lastInsertRowId());
    }
    static void logIn(int uid)
    {
        CppSQLite3Cursor row = theDatabase.query(sqlFormat("SELECT * FROM UserInfo_tbl WHERE uid = %d;", uid).constData());
        theUser.fill(row);
    }
    // A list of n words stored directly, without the import under test.
    static int addList(const QString &name, int n)
    {
        theDatabase.execute(sqlFormat("INSERT INTO ThesaurusInfo_tbl VALUES (NULL, '%s');", sqlQuote(QStringView(name)).constData()).constData());
        const int tid = int(theDatabase.lastInsertRowId());
        QByteArray sql = "BEGIN TRANSACTION;";
        for (int i = 0; i < n; ++i)
            sql += sqlFormat("INSERT INTO words_tbl VALUES (NULL, %d, 'w%d', 'x', '');", tid, i);
        theDatabase.execute(sql + "COMMIT TRANSACTION;");
        return tid;
    }
    static QStringList items(Dlg &dlg)
    {
        QStringList out;
        auto *combo = control<CSkinComboBox>(&dlg, Dlg::IDC_LISTS);
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i) + u'=' + QString::number(combo->itemInt(i));
        return out;
    }
    static void select(Dlg &dlg, int tid)
    {
        auto *combo = control<CSkinComboBox>(&dlg, Dlg::IDC_LISTS);
        combo->setCurrentIndex(combo->findData(tid));
        QVERIFY(combo->currentIndex() >= 0);
    }
    static void click(Dlg &dlg, int id) { control<CSkinButton>(&dlg, id)->click(); }
    static CStatusLabel *status(Dlg &dlg) { return control<CStatusLabel>(&dlg, Dlg::IDC_STATUS); }

private Q_SLOTS:
    void initTestCase() { QApplication::setFont(interfaceFont()); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        store::openStore(theDatabase, m_dir->filePath(QStringLiteral("data.db")));
        MessageBox::setTestMode(true);
        logIn(addUser("usr", 0));
    }
    void cleanup()
    {
        QVERIFY(!inTransaction());
        theDatabase.close();
        m_dir.reset();
    }

    void importsListsInEitherEncoding_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("data");
        const QString text = QStringLiteral("abandon [əˈbændən]\nv. 放弃；抛弃\n\nit's\n它是 'x'\n");
        QTest::newRow("utf-8") << QStringLiteral("CET4.txt") << text.toUtf8();
        QTest::newRow("gbk") << QStringLiteral("四级词汇.txt") << ansi::fromUnicode(QString(text).remove(QStringLiteral(" [əˈbændən]")));
    }
    void importsListsInEitherEncoding()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, data);
        const int kept = addList(QStringLiteral("旧"), 1);
        Dlg dlg;
        FileDialog::setNextFileName(writeFile(file, data));
        click(dlg, Dlg::IDC_IMPORT);
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Notice));
        QCOMPARE(status(dlg)->text(), QStringLiteral("添加词库成功"));
        const QString name = QFileInfo(file).completeBaseName();
        const int tid = count(sqlFormat("SELECT tid FROM ThesaurusInfo_tbl WHERE name = '%s';", sqlQuote(QStringView(name)).constData()));
        // 旧 (jiu) sorts before both CET4 (Latin after Chinese) and 四级 (si).
        QCOMPARE(items(dlg), (QStringList{QStringLiteral("旧 (1个)=%1").arg(kept), QStringLiteral("%1 (2个)=%2").arg(name).arg(tid)}));
        QCOMPARE(control<CSkinComboBox>(&dlg, Dlg::IDC_LISTS)->currentIndex(), -1);
        CppSQLite3Cursor w = theDatabase.query(sqlFormat("SELECT name, phonetic, interp FROM words_tbl WHERE tid = %d ORDER BY wid;", tid).constData());
        QCOMPARE(ansi::toUnicode(w.value(0)), QStringLiteral("abandon"));
        QCOMPARE(ansi::toUnicode(w.value(1)), data.contains('[') ? QStringLiteral("əˈbændən") : QString());
        QCOMPARE(ansi::toUnicode(w.value(2)), QStringLiteral("v. 放弃；抛弃"));
        w.next();
        QCOMPARE(ansi::toUnicode(w.value(0)) + ansi::toUnicode(w.value(2)), QStringLiteral("it's它是 'x'"));
    }

    void refusedImportsStoreNothing_data()
    {
        QTest::addColumn<QString>("file"); // "" cancels the file dialog
        QTest::addColumn<QString>("message");
        QTest::newRow("cancelled") << QString() << QString();
        QTest::newRow("duplicate") << QStringLiteral("旧.txt") << QStringLiteral("该词库已经存在！");
        QTest::newRow("missing") << QStringLiteral("gone.txt") << QStringLiteral("打开词库文件失败！");
        QTest::newRow("directory") << QStringLiteral("folder.txt") << QStringLiteral("打开词库文件失败！");
        QTest::newRow("binary") << QStringLiteral("garbage.txt") << QStringLiteral("所选文件不是文本格式的词库！");
    }
    void refusedImportsStoreNothing()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        addList(QStringLiteral("旧"), 1);
        writeFile(QStringLiteral("旧.txt"), "a\nb\n");
        QDir(m_dir->path()).mkdir(QStringLiteral("folder.txt"));
        QByteArray garbage(32 * 1024, '\0');
        for (char &c : garbage)
            c = char(QRandomGenerator::global()->bounded(256));
        writeFile(QStringLiteral("garbage.txt"), garbage);
        const QString path = file.isEmpty() ? QString() : m_dir->filePath(file);

        FileDialog::setNextFileName(path);
        QVERIFY(!ImportWordList(nullptr));
        QCOMPARE(MessageBox::takeShown(), message.isEmpty() ? QStringList() : QStringList{message});
        Dlg dlg;
        const QStringList before = items(dlg);
        FileDialog::setNextFileName(path);
        click(dlg, Dlg::IDC_IMPORT);
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::None));
        QCOMPARE(items(dlg), before);
        QCOMPARE(count("SELECT count(*) FROM ThesaurusInfo_tbl;"), 1);
        QCOMPARE(count("SELECT count(*) FROM words_tbl;"), 1);
    }

    void storeFailureWhileImportingIsNoSuccess()
    {
        theDatabase.execute("CREATE TRIGGER refuse BEFORE INSERT ON words_tbl BEGIN SELECT RAISE(ABORT, 'disk says no'); END;");
        Dlg dlg;
        FileDialog::setNextFileName(writeFile(QStringLiteral("L.txt"), "a\nb\n"));
        click(dlg, Dlg::IDC_IMPORT);
        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].contains(QStringLiteral("disk says no")));
        QVERIFY(status(dlg)->text().isEmpty());
        QCOMPARE(count("SELECT count(*) FROM ThesaurusInfo_tbl;"), 0);
        QVERIFY(items(dlg).isEmpty());
    }

    // A long import shows a modal progress dialog while events keep flowing; its
    // cancel button ends the import with nothing stored.
    void progressDialogCancels()
    {
        QByteArray data;
        for (int i = 0; i < 5000; ++i)
            data += "word" + QByteArray::number(i) + " [w]\nexplained\n\n";
        Dlg dlg;
        bool ranInside = false, appeared = false, modal = false;
        QTimer::singleShot(0, &dlg, [&] {
            ranInside = inTransaction();
            auto *progress = dlg.findChild<QProgressDialog *>();
            QVERIFY(progress);
            appeared = QTest::qWaitFor([&] { return progress->isVisible(); }, 3000);
            modal = progress->windowModality() == Qt::ApplicationModal;
            auto *cancel = progress->findChild<QPushButton *>();
            QVERIFY(cancel && cancel->isVisible());
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        FileDialog::setNextFileName(writeFile(QStringLiteral("big.txt"), data));
        click(dlg, Dlg::IDC_IMPORT);
        QVERIFY(ranInside);
        QVERIFY(appeared);
        QVERIFY(modal);
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::None));
        QCOMPARE(count("SELECT count(*) FROM ThesaurusInfo_tbl;"), 0);
        QCOMPARE(count("SELECT count(*) FROM words_tbl;"), 0);
        QVERIFY(!dlg.findChild<QProgressDialog *>());
    }

    void freeListsAreFoundAndImport()
    {
        const QString folder = freeWordListFolder();
        QCOMPARE(QFileInfo(folder).fileName(), QStringLiteral("赠送词库"));
        const QString basic = folder + QStringLiteral("/基础词汇.txt");
        QVERIFY2(QFileInfo(basic).isFile(), qPrintable(basic));
        QFile f(basic);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const qsizetype entries = parseWordList(f.readAll()).entries.size();
        QVERIFY(entries > 500); // long enough to report progress
        FileDialog::setNextFileName(basic);
        QVERIFY(ImportWordList(nullptr));
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM words_tbl w JOIN ThesaurusInfo_tbl t ON w.tid = t.tid WHERE t.name = '%s';",
                                 sqlQuote(QStringView(u"基础词汇")).constData())), int(entries));
    }

    void listsAreSortedWithNoneSelected()
    {
        const int ba = addList(QStringLiteral("八级"), 3);
        const int ying = addList(QStringLiteral("英语"), 0);
        const int ci = addList(QStringLiteral("词汇"), 12);
        const int zeta = addList(QStringLiteral("Zeta"), 1);
        const int abc = addList(QStringLiteral("abc"), 2);
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET tid = %d;", ci).constData());
        logIn(theUser.uid);
        Dlg dlg;
        // Chinese names in pinyin order (ba, ci, ying; not code order), then Latin ones ignoring case.
        QCOMPARE(items(dlg), (QStringList{QStringLiteral("八级 (3个)=%1").arg(ba), QStringLiteral("词汇 (12个)=%1").arg(ci),
                                          QStringLiteral("英语 (0个)=%1").arg(ying), QStringLiteral("abc (2个)=%1").arg(abc),
                                          QStringLiteral("Zeta (1个)=%1").arg(zeta)}));
        QCOMPARE(control<CSkinComboBox>(&dlg, Dlg::IDC_LISTS)->currentIndex(), -1);
    }

    void fillFailureIsShown()
    {
        addList(QStringLiteral("L"), 1);
        theDatabase.execute("ALTER TABLE words_tbl RENAME TO gone_tbl;");
        Dlg dlg;
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QVERIFY(items(dlg).isEmpty());
    }

    void chooseStoresTheListAndKeepsMarks()
    {
        const int a = addList(QStringLiteral("A"), 3);
        const int b = addList(QStringLiteral("B"), 2);
        Dlg dlg;
        dlg.show();
        click(dlg, Dlg::IDOK);
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Error));
        QCOMPARE(status(dlg)->text(), QStringLiteral("请选择一个词库"));
        QVERIFY(dlg.isVisible());

        select(dlg, b);
        click(dlg, Dlg::IDOK);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(theUser.tid, b);
        QCOMPARE(theUser.count, 2);
        QCOMPARE(count(sqlFormat("SELECT tid * 100 + count FROM UserInfo_tbl WHERE uid = %d;", theUser.uid)), b * 100 + 2);
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid "
                                 "WHERE uid = %d AND w.tid = %d AND times = 0;", theUser.uid, b)), 2);

        theDatabase.execute("UPDATE WordsMarkInfo_tbl SET times = 3, hard = 1;");
        Dlg again; // run modally, as the main window does
        QTimer::singleShot(0, &again, [&] { select(again, b); click(again, Dlg::IDOK); });
        QTimer::singleShot(5000, &again, &QDialog::reject);
        QCOMPARE(again.exec(), int(QDialog::Accepted));
        QCOMPARE(count("SELECT count(*) FROM WordsMarkInfo_tbl;"), 2);
        QCOMPARE(count("SELECT sum(times) + sum(hard) FROM WordsMarkInfo_tbl;"), 8);
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE w.tid = %d;", a)), 0);
    }

    void chooseFailureKeepsTheOldList()
    {
        const int a = addList(QStringLiteral("A"), 3);
        const int b = addList(QStringLiteral("B"), 2);
        Dlg first;
        select(first, a);
        click(first, Dlg::IDOK);
        theDatabase.execute("CREATE TRIGGER refuse BEFORE UPDATE ON UserInfo_tbl BEGIN SELECT RAISE(ABORT, 'store is read-only'); END;");
        Dlg dlg;
        dlg.show();
        select(dlg, b);
        click(dlg, Dlg::IDOK);
        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].contains(QStringLiteral("store is read-only")));
        QVERIFY(dlg.isVisible()); // still open: nothing was chosen
        QCOMPARE(theUser.tid, a);
        QCOMPARE(theUser.count, 3);
        QCOMPARE(count("SELECT tid FROM UserInfo_tbl;"), a);
        QCOMPARE(count("SELECT count(*) FROM WordsMarkInfo_tbl;"), 3);
        theDatabase.execute("DROP TRIGGER refuse;");
        click(dlg, Dlg::IDOK);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(theUser.tid, b);
    }

    void deleteButtonOnlyForAdministrators_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("ordinary user") << 0;
        QTest::newRow("administrator") << 1;
    }
    void deleteButtonOnlyForAdministrators()
    {
        QFETCH(int, type);
        theUser.type = type;
        Dlg dlg;
        dlg.show();
        QCOMPARE(control<CSkinButton>(&dlg, Dlg::IDC_DELETE)->isVisible(), type != 0);
        QVERIFY(control<CSkinButton>(&dlg, Dlg::IDC_IMPORT)->isVisible());
    }

    void deleteRefusals()
    {
        logIn(addUser("adm", 1));
        const int a = addList(QStringLiteral("A"), 2);
        Dlg first;
        select(first, a);
        click(first, Dlg::IDOK);
        Dlg dlg;
        click(dlg, Dlg::IDC_DELETE);
        QCOMPARE(status(dlg)->text(), QStringLiteral("请选择词库进行删除"));
        select(dlg, a);
        click(dlg, Dlg::IDC_DELETE);
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Error));
        QCOMPARE(status(dlg)->text(), QStringLiteral("您正在使用本词库，请先切换词库"));
        QCOMPARE(count("SELECT count(*) FROM words_tbl;"), 2);
    }

    void deleteRemovesEverythingOfTheList_data()
    {
        QTest::addColumn<bool>("storeFails");
        QTest::newRow("deleted") << false;
        QTest::newRow("store failure") << true;
    }
    void deleteRemovesEverythingOfTheList()
    {
        QFETCH(bool, storeFails);
        const int other = theUser.uid;
        const int a = addList(QStringLiteral("A"), 3);
        const int b = addList(QStringLiteral("B"), 2);
        for (int uid : {other, addUser("adm", 1)}) { // both users studied B; the admin uses A
            logIn(uid);
            for (int tid : {b, a}) {
                Dlg pick;
                select(pick, tid);
                click(pick, Dlg::IDOK);
                theDatabase.execute(sqlFormat("INSERT INTO logs_tbl VALUES (%d, %d, date('now'), 0, 1, NULL);", uid, tid).constData());
            }
        }
        if (storeFails)
            theDatabase.execute("CREATE TRIGGER refuse BEFORE DELETE ON words_tbl BEGIN SELECT RAISE(ABORT, 'no deleting'); END;");
        Dlg dlg;
        const QStringList before = items(dlg);
        select(dlg, b);
        click(dlg, Dlg::IDC_DELETE);
        const int marksOfB = count(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE w.tid = %d;", b));
        const int left = storeFails ? 1 : 0;
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM ThesaurusInfo_tbl WHERE tid = %d;", b)), left);
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM words_tbl WHERE tid = %d;", b)), 2 * left);
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM logs_tbl WHERE tid = %d;", b)), 2 * left);
        QCOMPARE(marksOfB, 4 * left);
        QCOMPARE(count("SELECT count(*) FROM WordsMarkInfo_tbl;"), 6 + 4 * left); // A's rows stay
        if (storeFails) {
            QVERIFY(MessageBox::takeShown().value(0).contains(QStringLiteral("no deleting")));
            QCOMPARE(items(dlg), before);
            QCOMPARE(status(dlg)->kind(), int(CStatusLabel::None));
        } else {
            QCOMPARE(MessageBox::takeShown(), QStringList());
            QCOMPARE(items(dlg), QStringList{QStringLiteral("A (3个)=%1").arg(a)});
            QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Notice));
            QCOMPARE(status(dlg)->text(), QStringLiteral("删除词库成功"));
        }
    }

    void keyboard()
    {
        const int a = addList(QStringLiteral("A"), 1);
        Dlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(&dlg, Qt::Key_Return);
        QCOMPARE(status(dlg)->text(), QStringLiteral("请选择一个词库")); // Enter chooses
        QTest::keyClick(&dlg, Qt::Key_C, Qt::AltModifier); // a shortcut clicks with a short animation
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        Dlg again;
        again.show();
        QVERIFY(QTest::qWaitForWindowActive(&again));
        select(again, a);
        QTest::keyClick(&again, Qt::Key_H, Qt::AltModifier);
        QTRY_COMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(theUser.tid, a);
    }

    // Every text fits its control; QUILLORA_SHOT_DIR keeps pictures to look at.
    void layoutShowsEverything()
    {
        addList(QStringLiteral("大学英语四级词汇（新版）"), 4500);
        addList(QStringLiteral("基础词汇"), 675);
        for (int type : {0, 1}) {
            theUser.type = type;
            Dlg dlg;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            auto *label = dlg.findChild<QLabel *>();
            QCOMPARE(label->text(), QStringLiteral("词库列表："));
            QVERIFY(label->width() >= label->sizeHint().width());
            auto *combo = control<CSkinComboBox>(&dlg, Dlg::IDC_LISTS);
            for (int i = 0; i < combo->count(); ++i) // text starts at 4, the arrow takes the last 19
                QVERIFY2(4 + combo->fontMetrics().horizontalAdvance(combo->itemText(i)) <= combo->width() - 19, qPrintable(combo->itemText(i)));
            for (int id : {int(Dlg::IDOK), int(Dlg::IDCANCEL)}) {
                auto *b = control<CSkinButton>(&dlg, id);
                QVERIFY(b->fontMetrics().horizontalAdvance(b->text()) + 12 <= b->width());
                QVERIFY(b->fontMetrics().height() + 4 <= b->height());
            }
            auto *st = status(dlg);
            for (const char *t : {"请选择一个词库", "您正在使用本词库，请先切换词库", "请选择词库进行删除"})
                QVERIFY(23 + st->fontMetrics().horizontalAdvance(QString::fromUtf8(t)) <= st->width());
            QList<QRect> taken;
            for (QWidget *w : dlg.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (!w->isVisible())
                    continue;
                QVERIFY(dlg.rect().contains(w->geometry()));
                for (const QRect &r : std::as_const(taken))
                    QVERIFY2(!r.intersects(w->geometry()), qPrintable(w->objectName()));
                taken << w->geometry();
            }
            select(dlg, combo->itemInt(0));
            status(dlg)->SetStatus(CStatusLabel::Error, QStringLiteral("您正在使用本词库，请先切换词库"));
            if (const QString dir = qEnvironmentVariable("QUILLORA_SHOT_DIR"); !dir.isEmpty())
                QVERIFY(dlg.grab().save(QStringLiteral("%1/thesaurus_dlg_type%2.png").arg(dir).arg(type)));
        }
    }
};

QTEST_MAIN(TestThesaurusDialog)
#include "tst_thesaurus_dialog.moc"
