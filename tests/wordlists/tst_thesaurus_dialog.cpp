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

#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>
#include <sqlite3.h>

using namespace Qt::StringLiterals;
using Dlg = CThesaurusDlg;

namespace {

int count(const QByteArray &sql) { return theDatabase.queryInt(sql.constData()); }
bool inTransaction() { return !sqlite3_get_autocommit(theDatabase.handle()); }

int addUser(const char *name, int type)
{
    theDatabase.execute(sqlFormat("INSERT INTO UserInfo_tbl (type, username, password, tid, DayNum, mode, count) VALUES (%d, '%s', 'pw', -1, 20, 0, 0);",
                                  type, sqlQuote(QByteArrayView(name)).constData()).constData());
    return int(theDatabase.lastInsertRowId());
}
void logIn(int uid)
{
    CppSQLite3Cursor row = theDatabase.query(sqlFormat("SELECT * FROM UserInfo_tbl WHERE uid = %d;", uid).constData());
    theUser.fill(row);
}
// A list of n words stored directly, not through the import under test.
int addList(const QString &name, int n)
{
    theDatabase.execute(sqlFormat("INSERT INTO ThesaurusInfo_tbl VALUES (NULL, '%s');", sqlQuote(QStringView(name)).constData()).constData());
    const int tid = int(theDatabase.lastInsertRowId());
    QByteArray sql = "BEGIN TRANSACTION;";
    for (int i = 0; i < n; ++i)
        sql += sqlFormat("INSERT INTO words_tbl VALUES (NULL, %d, 'w%d', 'x', '');", tid, i);
    theDatabase.execute(sql + "COMMIT TRANSACTION;");
    return tid;
}

CSkinComboBox *combo(Dlg &dlg) { return control<CSkinComboBox>(&dlg, Dlg::IDC_LISTS); }
CStatusLabel *status(Dlg &dlg) { return control<CStatusLabel>(&dlg, Dlg::IDC_STATUS); }
void click(Dlg &dlg, int id) { control<CSkinButton>(&dlg, id)->click(); }
QStringList items(Dlg &dlg)
{
    QStringList out;
    for (int i = 0; i < combo(dlg)->count(); ++i)
        out << combo(dlg)->itemText(i) + u'=' + QString::number(combo(dlg)->itemInt(i));
    return out;
}
void choose(Dlg &dlg, int tid, int button = Dlg::IDOK)
{
    combo(dlg)->setCurrentIndex(combo(dlg)->findData(tid));
    click(dlg, button);
}
void chooseAs(int uid, int tid)
{
    logIn(uid);
    Dlg dlg;
    choose(dlg, tid);
}
bool shownOnce(const QString &part)
{
    const QStringList shown = MessageBox::takeShown();
    return shown.size() == 1 && shown[0].contains(part);
}
QString shotDir() { return qEnvironmentVariable("QUILLORA_SHOT_DIR"); }

} // namespace

class TestThesaurusDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString writeFile(const QString &name, const QByteArray &data)
    {
        QFile f(m_dir->filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            qFatal("cannot write the test file");
        return f.fileName();
    }

private Q_SLOTS:
    void initTestCase() { QApplication::setFont(interfaceFont()); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        store::openStore(theDatabase, m_dir->filePath(u"data.db"_s));
        MessageBox::setTestMode(true);
        logIn(addUser("usr", 0));
    }
    void cleanup()
    {
        QVERIFY(!inTransaction()); // no failure may leave a transaction open
        theDatabase.close();
        m_dir.reset();
    }

    void importsInEitherEncoding_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("data");
        const QString text = u"abandon [əˈbændən]\nv. 放弃；抛弃\n\nit's\n它是 'x'\n"_s;
        QTest::newRow("utf-8") << u"CET4.txt"_s << text.toUtf8();
        QTest::newRow("gbk") << u"四级词汇.txt"_s << ansi::fromUnicode(QString(text).remove(u" [əˈbændən]"_s));
    }
    void importsInEitherEncoding()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, data);
        const int kept = addList(u"旧"_s, 1);
        Dlg dlg;
        FileDialog::setNextFileName(writeFile(file, data));
        click(dlg, Dlg::IDC_IMPORT);
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Notice));
        QCOMPARE(status(dlg)->text(), u"添加词库成功"_s);
        const QString name = QFileInfo(file).completeBaseName();
        const int tid = count(sqlFormat("SELECT tid FROM ThesaurusInfo_tbl WHERE name = '%s';", sqlQuote(QStringView(name)).constData()));
        // 旧 (jiu) sorts before CET4 (Latin after Chinese) and before 四级 (si).
        QCOMPARE(items(dlg), (QStringList{u"旧 (1个)=%1"_s.arg(kept), u"%1 (2个)=%2"_s.arg(name).arg(tid)}));
        QCOMPARE(combo(dlg)->currentIndex(), -1);
        CppSQLite3Cursor w = theDatabase.query(sqlFormat("SELECT name, phonetic, interp FROM words_tbl WHERE tid = %d ORDER BY wid;", tid).constData());
        QCOMPARE(ansi::toUnicode(w.value(0)) + u'|' + ansi::toUnicode(w.value(1)) + u'|' + ansi::toUnicode(w.value(2)),
                 data.contains('[') ? u"abandon|əˈbændən|v. 放弃；抛弃"_s : u"abandon||v. 放弃；抛弃"_s);
        w.next();
        QCOMPARE(ansi::toUnicode(w.value(0)) + u'|' + ansi::toUnicode(w.value(2)), u"it's|它是 'x'"_s);
    }

    void failedImportsStoreNothing_data()
    {
        QTest::addColumn<QString>("file"); // "" cancels the file dialog
        QTest::addColumn<QString>("message");
        QTest::newRow("cancelled") << QString() << QString();
        QTest::newRow("duplicate") << u"旧.txt"_s << u"该词库已经存在！"_s;
        QTest::newRow("missing") << u"gone.txt"_s << u"打开词库文件失败！"_s;
        QTest::newRow("directory") << u"folder.txt"_s << u"打开词库文件失败！"_s;
        QTest::newRow("binary") << u"garbage.txt"_s << u"所选文件不是文本格式的词库！"_s;
        QTest::newRow("store failure") << u"new.txt"_s << u"disk says no"_s;
    }
    void failedImportsStoreNothing()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        addList(u"旧"_s, 1);
        writeFile(u"旧.txt"_s, "a\nb\n");
        writeFile(u"new.txt"_s, "a\nb\n");
        QDir(m_dir->path()).mkdir(u"folder.txt"_s);
        QByteArray garbage(32 * 1024, '\0');
        for (char &c : garbage)
            c = char(QRandomGenerator::global()->bounded(256));
        writeFile(u"garbage.txt"_s, garbage);
        theDatabase.execute("CREATE TRIGGER refuse BEFORE INSERT ON words_tbl BEGIN SELECT RAISE(ABORT, 'disk says no'); END;");
        const QString path = file.isEmpty() ? QString() : m_dir->filePath(file);

        FileDialog::setNextFileName(path);
        QVERIFY(!ImportWordList(nullptr));
        QVERIFY(message.isEmpty() ? MessageBox::takeShown().isEmpty() : shownOnce(message));
        Dlg dlg;
        const QStringList before = items(dlg);
        FileDialog::setNextFileName(path);
        click(dlg, Dlg::IDC_IMPORT);
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::None)); // no "添加词库成功"
        QCOMPARE(items(dlg), before);
        QCOMPARE(count("SELECT count(*) FROM ThesaurusInfo_tbl;"), 1); // no empty list left behind
        QCOMPARE(count("SELECT count(*) FROM words_tbl;"), 1);
    }

    // A long import brings up a modal progress dialog while events keep flowing; its
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
            if (!shotDir().isEmpty())
                progress->grab().save(shotDir() + u"/import_progress.png"_s);
            modal = progress->windowModality() == Qt::ApplicationModal;
            auto *cancel = progress->findChild<QPushButton *>();
            QVERIFY(cancel && cancel->isVisible());
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        FileDialog::setNextFileName(writeFile(u"big.txt"_s, data));
        click(dlg, Dlg::IDC_IMPORT);
        QVERIFY(ranInside && appeared && modal);
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::None));
        QCOMPARE(count("SELECT count(*) FROM ThesaurusInfo_tbl;") + count("SELECT count(*) FROM words_tbl;"), 0);
        QVERIFY(!dlg.findChild<QProgressDialog *>());
    }

    // The lists that come with the program, found where the build tree keeps its copy and
    // imported from the dialog into a fresh store: every entry becomes one word.
    void freeListsAreFoundAndImport_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("basic") << u"基础词汇.txt"_s;
        QTest::newRow("CET-4") << u"CET4.txt"_s;
        QTest::newRow("CET-6") << u"CET6.txt"_s;
        QTest::newRow("senior high") << u"高中词汇.txt"_s;
        QTest::newRow("postgraduate") << u"考研词汇.txt"_s;
    }
    void freeListsAreFoundAndImport()
    {
        QFETCH(QString, file);
        const QString folder = freeWordListFolder();
        QCOMPARE(QFileInfo(folder).fileName(), u"赠送词库"_s);
        QFile list(folder + u'/' + file);
        QVERIFY2(list.open(QIODevice::ReadOnly), qPrintable(list.fileName()));
        // Two lines an entry and an empty line between entries (checked by test_free_wordlist).
        const qsizetype entries = (list.readAll().count('\n') + 1) / 3;
        QVERIFY(entries > 500); // long enough to report progress
        Dlg dlg;
        FileDialog::setNextFileName(list.fileName());
        click(dlg, Dlg::IDC_IMPORT);
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QCOMPARE(status(dlg)->text(), u"添加词库成功"_s);
        const QString name = QFileInfo(file).completeBaseName();
        const int tid = count(sqlFormat("SELECT tid FROM ThesaurusInfo_tbl WHERE name = '%s';", sqlQuote(QStringView(name)).constData()));
        QCOMPARE(items(dlg), QStringList{u"%1 (%2个)=%3"_s.arg(name).arg(entries).arg(tid)});
    }

    // The real dialog, cancelled: its texts, sizes and dates in Chinese, and no
    // column cut short.
    void fileDialogShowsItsColumnsWhole()
    {
        QString title;
        QStringList filters;
        QStringList sizeAndDate;
        bool fits = false;
        QTimer::singleShot(0, [&] {
            QFileDialog *dialog = nullptr;
            QVERIFY(QTest::qWaitFor([&] { return (dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())); }, 5000));
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            auto *view = dialog->findChild<QTreeView *>(u"treeView"_s);
            QVERIFY(view);
            QModelIndex file;
            QVERIFY(QTest::qWaitFor([&] {
                const QAbstractItemModel *model = view->model();
                for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
                    if (model->index(row, 0, view->rootIndex()).data().toString() == u"基础词汇.txt"_s)
                        file = model->index(row, 0, view->rootIndex());
                return file.isValid();
            }, 10000));
            // The columns are fitted once the folder has been read.
            QHeaderView *header = view->header();
            const QAbstractItemView *items = view;
            fits = QTest::qWaitFor([&] {
                bool whole = header->length() <= view->viewport()->width();
                for (int column = 1; column < header->count(); ++column)
                    whole = whole && header->sectionSize(column) >= items->sizeHintForColumn(column);
                return whole;
            }, 5000);
            const QFileInfo info(dialog->directory().filePath(u"基础词汇.txt"_s));
            const QLocale chinese(QLocale::Chinese, QLocale::China);
            sizeAndDate << file.siblingAtColumn(1).data().toString() << file.siblingAtColumn(3).data().toString();
            sizeAndDate << chinese.formattedDataSize(info.size()) << chinese.toString(info.lastModified(), QLocale::ShortFormat);
            if (!shotDir().isEmpty())
                dialog->grab().save(shotDir() + u"/import_file_dialog.png"_s);
            dialog->reject();
        });
        QVERIFY(!ImportWordList(nullptr));
        QCOMPARE(title, u"请选择一个需要导入的词库(*.txt)"_s);
        QCOMPARE(filters, QStringList{u"文本文档(*.txt)"_s});
        QCOMPARE(sizeAndDate.size(), 4);
        QCOMPARE(sizeAndDate.mid(0, 2), sizeAndDate.mid(2, 2));
        QVERIFY(fits);
        QCOMPARE(MessageBox::takeShown(), QStringList());
    }

    void listsAreSortedWithNoneSelected()
    {
        const int ba = addList(u"八级"_s, 3), ying = addList(u"英语"_s, 0), ci = addList(u"词汇"_s, 12);
        const int zeta = addList(u"Zeta"_s, 1), abc = addList(u"abc"_s, 2);
        chooseAs(theUser.uid, ci);
        QCOMPARE(theUser.tid, ci);
        Dlg dlg;
        // Chinese names in pinyin order (ba, ci, ying; not code order), then Latin ones ignoring case.
        QCOMPARE(items(dlg), (QStringList{u"八级 (3个)=%1"_s.arg(ba), u"词汇 (12个)=%1"_s.arg(ci), u"英语 (0个)=%1"_s.arg(ying),
                                          u"abc (2个)=%1"_s.arg(abc), u"Zeta (1个)=%1"_s.arg(zeta)}));
        QCOMPARE(combo(dlg)->currentIndex(), -1); // not even the list in use

        theDatabase.execute("ALTER TABLE words_tbl RENAME TO gone_tbl;");
        Dlg broken;
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QVERIFY(items(broken).isEmpty());
    }

    void chooseStoresTheListAndKeepsMarks()
    {
        const int a = addList(u"A"_s, 3), b = addList(u"B"_s, 2);
        Dlg dlg;
        dlg.show();
        click(dlg, Dlg::IDOK);
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Error));
        QCOMPARE(status(dlg)->text(), u"请选择一个词库"_s);
        QVERIFY(dlg.isVisible());

        choose(dlg, b);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(QPair(theUser.tid, theUser.count), QPair(b, 2));
        QCOMPARE(count(sqlFormat("SELECT tid * 100 + count FROM UserInfo_tbl WHERE uid = %d;", theUser.uid)), b * 100 + 2);
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid "
                                 "WHERE uid = %d AND w.tid = %d AND times = 0 AND hard = 0;", theUser.uid, b)), 2);

        theDatabase.execute("UPDATE WordsMarkInfo_tbl SET times = 3, hard = 1;");
        Dlg again; // run modally, as the main window does
        QTimer::singleShot(0, &again, [&] { choose(again, b); });
        QTimer::singleShot(5000, &again, &QDialog::reject);
        QCOMPARE(again.exec(), int(QDialog::Accepted));
        QCOMPARE(count("SELECT count(*) * 100 + sum(times) * 10 + sum(hard) FROM WordsMarkInfo_tbl;"), 262);
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE w.tid = %d;", a)), 0);
    }

    void chooseFailureKeepsTheOldList()
    {
        const int a = addList(u"A"_s, 3), b = addList(u"B"_s, 2);
        chooseAs(theUser.uid, a);
        theDatabase.execute("CREATE TRIGGER refuse BEFORE UPDATE ON UserInfo_tbl BEGIN SELECT RAISE(ABORT, 'store is read-only'); END;");
        Dlg dlg;
        dlg.show();
        choose(dlg, b);
        QVERIFY(shownOnce(u"store is read-only"_s));
        QVERIFY(dlg.isVisible()); // still open: nothing was chosen
        QCOMPARE(QPair(theUser.tid, theUser.count), QPair(a, 3));
        QCOMPARE(count("SELECT tid * 100 + count FROM UserInfo_tbl;"), a * 100 + 3);
        QCOMPARE(count("SELECT count(*) FROM WordsMarkInfo_tbl;"), 3);
        theDatabase.execute("DROP TRIGGER refuse;");
        click(dlg, Dlg::IDOK);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(theUser.tid, b);
    }

    void deleteOnlyByAdministratorsAndNotInUse()
    {
        const int a = addList(u"A"_s, 2), b = addList(u"B"_s, 1);
        Dlg user;
        user.show();
        QVERIFY(!control<CSkinButton>(&user, Dlg::IDC_DELETE)->isVisible());
        QVERIFY(control<CSkinButton>(&user, Dlg::IDC_IMPORT)->isVisible());
        choose(user, b, Dlg::IDC_DELETE); // reached some other way, it still does nothing
        QCOMPARE(count("SELECT count(*) FROM ThesaurusInfo_tbl;"), 2);

        chooseAs(addUser("adm", 1), a);
        Dlg dlg;
        dlg.show();
        QVERIFY(control<CSkinButton>(&dlg, Dlg::IDC_DELETE)->isVisible());
        click(dlg, Dlg::IDC_DELETE);
        QCOMPARE(status(dlg)->text(), u"请选择词库进行删除"_s);
        choose(dlg, a, Dlg::IDC_DELETE);
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Error));
        QCOMPARE(status(dlg)->text(), u"您正在使用本词库，请先切换词库"_s);
        QCOMPARE(count("SELECT count(*) FROM words_tbl;"), 3);
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
        const int a = addList(u"A"_s, 3), b = addList(u"B"_s, 2);
        for (int uid : {theUser.uid, addUser("adm", 1)}) { // both studied B; both use A now
            for (int tid : {b, a}) {
                chooseAs(uid, tid);
                theDatabase.execute(sqlFormat("INSERT INTO logs_tbl VALUES (%d, %d, date('now'), 0, 1, NULL);", uid, tid).constData());
            }
        }
        if (storeFails)
            theDatabase.execute("CREATE TRIGGER refuse BEFORE DELETE ON words_tbl BEGIN SELECT RAISE(ABORT, 'no deleting'); END;");
        Dlg dlg;
        const QStringList before = items(dlg);
        choose(dlg, b, Dlg::IDC_DELETE);
        const int left = storeFails ? 1 : 0;
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM ThesaurusInfo_tbl WHERE tid = %d;", b)), left);
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM words_tbl WHERE tid = %d;", b)), 2 * left);
        QCOMPARE(count(sqlFormat("SELECT count(*) FROM logs_tbl WHERE tid = %d;", b)), 2 * left);
        QCOMPARE(count("SELECT count(*) FROM WordsMarkInfo_tbl;"), 6 + 4 * left); // A's rows stay
        QCOMPARE(count("SELECT count(*) FROM logs_tbl;"), 2 + 2 * left);
        if (storeFails) {
            QVERIFY(shownOnce(u"no deleting"_s));
            QCOMPARE(items(dlg), before);
            QCOMPARE(status(dlg)->kind(), int(CStatusLabel::None));
        } else {
            QCOMPARE(MessageBox::takeShown(), QStringList());
            QCOMPARE(items(dlg), QStringList{u"A (3个)=%1"_s.arg(a)});
            QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Notice));
            QCOMPARE(status(dlg)->text(), u"删除词库成功"_s);
        }
    }

    void keyboard()
    {
        const int a = addList(u"A"_s, 1);
        Dlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(combo(dlg), Qt::Key_Return);
        QCOMPARE(status(dlg)->text(), u"请选择一个词库"_s); // Enter chooses
        QTest::keyClick(&dlg, Qt::Key_C, Qt::AltModifier); // a shortcut clicks with a short animation
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        Dlg again;
        again.show();
        QVERIFY(QTest::qWaitForWindowActive(&again));
        combo(again)->setCurrentIndex(0);
        QTest::keyClick(&again, Qt::Key_H, Qt::AltModifier);
        QTRY_COMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(theUser.tid, a);
    }

    // Every text fits its control and nothing overlaps; QUILLORA_SHOT_DIR keeps pictures.
    void layoutShowsEverything()
    {
        addList(u"大学英语四级词汇（新版）"_s, 4500);
        addList(u"基础词汇"_s, 675);
        for (int type : {0, 1}) {
            theUser.type = type;
            Dlg dlg;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            auto *label = dlg.findChild<QLabel *>();
            QCOMPARE(label->text(), u"词库列表："_s);
            QVERIFY(label->width() >= label->sizeHint().width());
            for (int i = 0; i < combo(dlg)->count(); ++i) // text starts at 4, the arrow takes the last 19
                QVERIFY(4 + combo(dlg)->fontMetrics().horizontalAdvance(combo(dlg)->itemText(i)) <= combo(dlg)->width() - 19);
            for (int id : {int(Dlg::IDOK), int(Dlg::IDCANCEL)}) {
                auto *b = control<CSkinButton>(&dlg, id);
                QVERIFY(b->fontMetrics().horizontalAdvance(b->text()) + 12 <= b->width());
                QVERIFY(b->fontMetrics().height() + 4 <= b->height());
            }
            for (const QString &t : {u"请选择一个词库"_s, u"您正在使用本词库，请先切换词库"_s, u"请选择词库进行删除"_s})
                QVERIFY(20 + 3 + status(dlg)->fontMetrics().horizontalAdvance(t) <= status(dlg)->width());
            QList<QRect> taken;
            for (QWidget *w : dlg.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (!w->isVisible())
                    continue;
                QVERIFY(dlg.rect().contains(w->geometry()));
                for (const QRect &r : std::as_const(taken))
                    QVERIFY2(!r.intersects(w->geometry()), qPrintable(w->objectName()));
                taken << w->geometry();
            }
            combo(dlg)->setCurrentIndex(0);
            status(dlg)->SetStatus(CStatusLabel::Error, u"您正在使用本词库，请先切换词库"_s);
            if (!shotDir().isEmpty())
                QVERIFY(dlg.grab().save(u"%1/thesaurus_dlg_type%2.png"_s.arg(shotDir()).arg(type)));
        }
    }
};

QTEST_MAIN(TestThesaurusDialog)
#include "tst_thesaurus_dialog.moc"
