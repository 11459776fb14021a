#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/SwitchModeDlg.h"
#include "ui/Control.h"
#include "ui/Fonts.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "ui/StatusLabel.h"
#include "users/UserRecord.h"

#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using Dlg = CSwitchModeDlg;

namespace {

// The learner's progress on one word of the current list (word ids in list order);
// age in days since the last study, -1 for never.
struct Mark
{
    int times = 0;
    int age = -1;
    bool hard = false;
};
using Marks = QList<Mark>;

// Studied 20, 10 and 3 days ago, once, twice and three times; the newest is hard.
const Marks kSpread{{1, 20}, {1, 20}, {1, 20}, {2, 10}, {2, 10}, {3, 3, true}};
constexpr int kWords = 12;
constexpr int kUnlimited = -1, kUnchosen = -2;

QString daysAgo(int days) { return QDate::currentDate().addDays(-days).toString(QStringLiteral("yyyy-MM-dd")); }

// The reviewable count worked out from the marks: a window from fromDays ago to
// toDays ago (empty when given the wrong way round) and a range of counts.
int reviewable(const Marks &marks, int fromDays, int toDays, int timesFrom, int timesTo)
{
    return int(std::count_if(marks.begin(), marks.end(), [&](const Mark &m) {
        return m.times != 0 && (fromDays == kUnlimited || (m.age >= toDays && m.age <= fromDays))
            && (timesFrom == kUnlimited || (m.times >= timesFrom && m.times <= timesTo));
    }));
}

} // namespace

Q_DECLARE_METATYPE(Mark)

class TestSwitchMode : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    static void run(const QByteArray &sql) { theDatabase.execute(sql.constData()); }

    // The learner (uid 1) on list 1 with the given mode and stored conditions (SQL
    // expressions). Decoys for a statement that forgets its user or list: the learner's
    // progress on list 2, and a second user who studied list 1 long ago, all of it hard.
    static void setUp(int mode, const Marks &marks, const char *dateFrom = "NULL", const char *dateTo = "NULL", int timesFrom = -1,
                      int timesTo = -1)
    {
        run("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'current'); INSERT INTO ThesaurusInfo_tbl VALUES (2, 'other'); BEGIN;");
        for (int i = 1; i <= kWords + 4; ++i)
            run(sqlFormat("INSERT INTO words_tbl VALUES (%d, %d, 'w%d', 'x', '');", i, i > kWords ? 2 : 1, i));
        run(sqlFormat("COMMIT; INSERT INTO UserInfo_tbl (type, username, password, tid, DayNum, mode, count, DateFrom, DateTo, TimesFrom, "
                      "TimesTo) VALUES (0, 'learner', 'pw', -1, 20, %d, 77, %s, %s, %d, %d);",
                      mode, dateFrom, dateTo, timesFrom, timesTo));
        // Choosing a list seeds the progress rows of its words.
        run(sqlFormat("INSERT INTO UserInfo_tbl (type, username, password, tid, DayNum, mode, count) VALUES (0, 'other', 'pw', 1, 20, 0, 0);"
                      "UPDATE UserInfo_tbl SET tid = 2 WHERE uid = 1; UPDATE UserInfo_tbl SET tid = 1 WHERE uid = 1;"
                      "UPDATE WordsMarkInfo_tbl SET times = 4, hard = 1, RecentMarkDate = date('now', 'localtime', '-5 day') WHERE uid = 1 AND wid > %d;"
                      "UPDATE WordsMarkInfo_tbl SET times = 9, hard = 1, RecentMarkDate = date('now', 'localtime', '-40 day') WHERE uid = 2;",
                      kWords));
        for (int i = 0; i < marks.size(); ++i) {
            const QByteArray date = marks[i].age < 0 ? QByteArray("NULL") : sqlFormat("date('now', 'localtime', '-%d day')", marks[i].age);
            run(sqlFormat("UPDATE WordsMarkInfo_tbl SET times = %d, hard = %d, RecentMarkDate = %s WHERE uid = 1 AND wid = %d;", marks[i].times,
                          int(marks[i].hard), date.constData(), i + 1));
        }
        CppSQLite3Cursor row = theDatabase.query("SELECT * FROM UserInfo_tbl WHERE uid = 1;");
        theUser.fill(row);
    }

    // mode|count|DateFrom|DateTo|TimesFrom|TimesTo of the learner's row, NULL spelt out.
    static QString storedRow()
    {
        CppSQLite3Cursor c = theDatabase.query("SELECT mode || '|' || count || '|' || ifnull(DateFrom, 'NULL') || '|' || ifnull(DateTo, 'NULL') "
                                               "|| '|' || TimesFrom || '|' || TimesTo FROM UserInfo_tbl WHERE uid = 1;");
        return ansi::toUnicode(c.value(0));
    }
    // The same fields of theUser.
    static QString recordRow()
    {
        const UserRecord &u = theUser;
        const QString nul = QStringLiteral("NULL");
        return QStringLiteral("%1|%2|%3|%4|%5|%6")
            .arg(u.mode)
            .arg(u.count)
            .arg(u.DateFrom.isEmpty() ? nul : u.DateFrom, u.DateTo.isEmpty() ? nul : u.DateTo)
            .arg(u.TimesFrom)
            .arg(u.TimesTo);
    }

    static QWidget *widget(Dlg &dlg, int id)
    {
        QWidget *w = control<QWidget>(&dlg, id);
        if (!w)
            qFatal("control %d is missing", id);
        return w;
    }
    static CSkinButton *button(Dlg &dlg, int id) { return control<CSkinButton>(&dlg, id); }
    static CSkinComboBox *combo(Dlg &dlg, int id) { return control<CSkinComboBox>(&dlg, id); }
    static CStatusLabel *status(Dlg &dlg) { return control<CStatusLabel>(&dlg, Dlg::IdStatus); }
    static int checkedRadio(Dlg &dlg)
    {
        const int checked = firstCheckedInRange(&dlg, Dlg::IdLearnNew, Dlg::IdReviewHard);
        return checked ? checked : firstCheckedInRange(&dlg, Dlg::IdSmartReview, Dlg::IdSmartReview);
    }
    static bool closedAsConfirmed(Dlg &dlg) { return !dlg.isVisible() && dlg.result() == QDialog::Accepted; }
    static void click(Dlg &dlg, int id)
    {
        QWidget *w = widget(dlg, id);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
    }
    static QStringList items(Dlg &dlg, int id)
    {
        QStringList out;
        for (int i = 0; i < combo(dlg, id)->count(); ++i)
            out << combo(dlg, id)->itemText(i) + u'=' + QString::number(combo(dlg, id)->itemInt(i));
        return out;
    }
    // In review mode: ticks "不限" for kUnlimited, leaves a box alone for kUnchosen and
    // otherwise chooses the item carrying the datum.
    static void chooseConditions(Dlg &dlg, int fromDays, int toDays, int timesFrom, int timesTo)
    {
        if (fromDays == kUnlimited)
            click(dlg, Dlg::IdDateNoLimit);
        if (timesFrom == kUnlimited)
            click(dlg, Dlg::IdTimesNoLimit);
        const std::pair<int, int> choices[] = {{1062, fromDays}, {1063, toDays}, {1067, timesFrom}, {1068, timesTo}};
        for (auto [id, datum] : choices) {
            if (datum >= 0)
                combo(dlg, id)->setCurrentIndex(combo(dlg, id)->findData(datum));
            QCOMPARE(combo(dlg, id)->currentIndex() >= 0, datum >= 0);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        installFontSubstitutions();
        QApplication::setFont(interfaceFont());
        MessageBox::setTestMode(true);
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        store::openStore(theDatabase, m_dir->filePath(QStringLiteral("data.db")));
        theUser = UserRecord();
        MessageBox::takeShown();
    }
    void cleanup()
    {
        theDatabase.close();
        m_dir.reset();
    }

    void opening_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Marks>("marks");
        QTest::addColumn<bool>("reviewOffered");
        QTest::addColumn<bool>("hardOffered");
        QTest::addColumn<QString>("notice");
        const Marks today{{1, 0, true}, {2, 0}}, noHard{{1, 5}, {3, 9}};
        const QString reviewEmpty = QStringLiteral("可复习列表为空 "), hardEmpty = QStringLiteral("难词本为空");
        QTest::newRow("every source, mode 0") << 0 << kSpread << true << true << QString();
        QTest::newRow("all studied today, mode 0") << 0 << today << false << true << reviewEmpty;
        QTest::newRow("all studied today, mode 1") << 1 << today << true << true << reviewEmpty;
        QTest::newRow("all studied today, mode 2") << 2 << today << false << true << reviewEmpty;
        QTest::newRow("empty hard book, mode 0") << 0 << noHard << true << false << hardEmpty;
        QTest::newRow("empty hard book, mode 2") << 2 << noHard << true << true << hardEmpty;
        QTest::newRow("nothing studied, mode 0") << 0 << Marks{} << false << false << reviewEmpty + hardEmpty;
        QTest::newRow("nothing studied, mode 1") << 1 << Marks{} << true << false << reviewEmpty + hardEmpty;
    }
    void opening()
    {
        QFETCH(int, mode);
        QFETCH(Marks, marks);
        QFETCH(bool, reviewOffered);
        QFETCH(bool, hardOffered);
        QFETCH(QString, notice);
        // Both conditions limited, so only the mode decides about the group.
        setUp(mode, marks, "date('now', 'localtime', '-30 day')", "date('now', 'localtime')", 1, 3);
        Dlg dlg;
        dlg.show();
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QCOMPARE(checkedRadio(dlg), 1053 + mode);
        QCOMPARE(int(button(dlg, 1053)->GetCheck()) + button(dlg, 1054)->GetCheck() + button(dlg, 1055)->GetCheck(), 1);
        QVERIFY(button(dlg, 1053)->isEnabled());
        QCOMPARE(button(dlg, 1054)->isEnabled(), reviewOffered);
        QCOMPARE(button(dlg, 1055)->isEnabled(), hardOffered);
        for (int id = 1056; id <= 1068; ++id)
            QVERIFY2(widget(dlg, id)->isEnabled() == (mode == 1), qPrintable(QString::number(id)));
        QCOMPARE(status(dlg)->text(), notice);
        QCOMPARE(status(dlg)->kind(), int(notice.isEmpty() ? CStatusLabel::None : CStatusLabel::Notice));
        // A switched-off radio cannot be chosen.
        for (int id : {1054, 1055}) {
            if (!button(dlg, id)->isEnabled())
                click(dlg, id);
        }
        QCOMPARE(checkedRadio(dlg), 1053 + mode);
        QCOMPARE(widget(dlg, 1056)->isEnabled(), mode == 1);
    }

    void conditionItems_data()
    {
        QTest::addColumn<Marks>("marks");
        QTest::addColumn<QStringList>("dateFrom");
        QTest::addColumn<QStringList>("dateTo");
        QTest::addColumn<QStringList>("times");
        const QStringList weeks3{QStringLiteral("1周前=7"), QStringLiteral("2周前=14"), QStringLiteral("3周前=21")};
        const QString today = QStringLiteral("(当前日期)=0");
        QTest::newRow("20 and 3 days") << Marks{{1, 20}, {2, 10}, {3, 3}} << weeks3 << QStringList{today} + weeks3
                                       << QStringList{QStringLiteral("1=1"), QStringLiteral("2=2"), QStringLiteral("3=3")};
        QTest::newRow("20 and 9 days") << Marks{{2, 20}, {2, 9}} << weeks3 << weeks3 << QStringList{QStringLiteral("2=2")};
    }

    void conditionItems()
    {
        QFETCH(Marks, marks);
        QFETCH(QStringList, dateFrom);
        QFETCH(QStringList, dateTo);
        QFETCH(QStringList, times);
        setUp(0, marks);
        Dlg dlg;
        QCOMPARE(items(dlg, 1062), dateFrom);
        QCOMPARE(items(dlg, 1063), dateTo);
        QCOMPARE(items(dlg, 1067), times);
        QCOMPARE(items(dlg, 1068), times);
        for (int id : {1062, 1063, 1067, 1068})
            QCOMPARE(combo(dlg, id)->currentIndex(), -1);
    }

    void reopeningReviewMode_data()
    {
        QTest::addColumn<Marks>("marks");
        QTest::addColumn<int>("timesFrom");
        QTest::addColumn<int>("timesTo");
        QTest::addColumn<QString>("selectedFrom"); // empty: no selection
        QTest::addColumn<QString>("selectedTo");
        Marks oneToTwelve;
        for (int t = 1; t <= 12; ++t)
            oneToTwelve << Mark{t, t};
        QTest::newRow("2-5 among 1-12") << oneToTwelve << 2 << 5 << QStringLiteral("2") << QStringLiteral("5");
        QTest::newRow("1-12 among 1-12") << oneToTwelve << 1 << 12 << QStringLiteral("1") << QStringLiteral("12");
        // The box's own prefix search: "1" finds "10"; "3" finds nothing and selects nothing.
        QTest::newRow("1-3 among 10-12") << Marks{{10, 4}, {12, 8}} << 1 << 3 << QStringLiteral("10") << QString();
        QTest::newRow("both unlimited") << kSpread << kUnlimited << kUnlimited << QString() << QString();
    }
    void reopeningReviewMode()
    {
        QFETCH(Marks, marks);
        QFETCH(int, timesFrom);
        QFETCH(int, timesTo);
        QFETCH(QString, selectedFrom);
        QFETCH(QString, selectedTo);
        const bool unlimited = timesFrom == kUnlimited;
        setUp(1, marks, unlimited ? "NULL" : "date('now', 'localtime', '-14 day')", unlimited ? "NULL" : "date('now', 'localtime')",
              timesFrom, timesTo);
        const QString before = storedRow();
        Dlg dlg;
        dlg.show();
        QCOMPARE(button(dlg, 1059)->GetCheck(), unlimited);
        QCOMPARE(button(dlg, 1064)->GetCheck(), unlimited);
        for (int id = 1056; id <= 1068; ++id) {
            const bool boxed = (id >= 1060 && id <= 1063) || id >= 1065;
            QVERIFY2(widget(dlg, id)->isEnabled() == (!unlimited || !boxed), qPrintable(QString::number(id)));
        }
        QCOMPARE(combo(dlg, 1067)->currentText(), selectedFrom);
        QCOMPARE(combo(dlg, 1068)->currentText(), selectedTo);
        QCOMPARE(combo(dlg, 1062)->currentIndex(), -1);
        QCOMPARE(combo(dlg, 1063)->currentIndex(), -1);

        // Confirming untouched: a stored window never shows as chosen items.
        click(dlg, Dlg::IdOk);
        QCOMPARE(MessageBox::takeShown(), QStringList());
        if (unlimited) {
            QVERIFY(closedAsConfirmed(dlg));
            QCOMPARE(storedRow(), QStringLiteral("1|%1|NULL|NULL|-1|-1").arg(reviewable(marks, kUnlimited, 0, kUnlimited, 0)));
            QCOMPARE(recordRow(), storedRow());
            return;
        }
        QVERIFY(dlg.isVisible());
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Error));
        QCOMPARE(status(dlg)->text(), QStringLiteral("请将复习条件设置完整"));
        QCOMPARE(storedRow(), before);
        QCOMPARE(recordRow(), before);
    }

    void confirmingReview_data()
    {
        QTest::addColumn<int>("fromDays");
        QTest::addColumn<int>("toDays");
        QTest::addColumn<int>("timesFrom");
        QTest::addColumn<int>("timesTo");
        QTest::addColumn<QString>("error"); // empty: confirmed
        const QString incomplete = QStringLiteral("请将复习条件设置完整"), equal = QStringLiteral("复习条件的起始日期不能相等");
        const int U = kUnlimited, X = kUnchosen;
        QTest::newRow("three weeks ago to today") << 21 << 0 << U << U << QString();
        QTest::newRow("two weeks to one week, 1-2 times") << 14 << 7 << 1 << 2 << QString();
        QTest::newRow("window the wrong way round") << 7 << 21 << U << U << QString();
        QTest::newRow("times the wrong way round") << U << U << 3 << 1 << QString();
        QTest::newRow("both unlimited") << U << U << U << U << QString();
        QTest::newRow("2-3 times, any date") << U << U << 2 << 3 << QString();
        QTest::newRow("same week twice") << 14 << 14 << U << U << equal;
        QTest::newRow("no end date") << 14 << X << U << U << incomplete;
        QTest::newRow("no start date") << X << 0 << 1 << 1 << incomplete;
        QTest::newRow("no upper count") << U << U << 2 << X << incomplete;
        QTest::newRow("nothing chosen") << X << X << X << X << incomplete;
    }
    void confirmingReview()
    {
        QFETCH(int, fromDays);
        QFETCH(int, toDays);
        QFETCH(int, timesFrom);
        QFETCH(int, timesTo);
        QFETCH(QString, error);
        setUp(0, kSpread);
        const QString before = storedRow();
        Dlg dlg;
        dlg.show();
        click(dlg, Dlg::IdReviewNormal);
        QCOMPARE(checkedRadio(dlg), 1054);
        chooseConditions(dlg, fromDays, toDays, timesFrom, timesTo);
        click(dlg, Dlg::IdOk);
        QCOMPARE(MessageBox::takeShown(), QStringList());

        if (!error.isEmpty()) {
            QVERIFY(dlg.isVisible());
            QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Error));
            QCOMPARE(status(dlg)->text(), error);
            QCOMPARE(storedRow(), before);
            QCOMPARE(recordRow(), before);
            return;
        }
        QVERIFY(closedAsConfirmed(dlg));
        const QString dates = fromDays == kUnlimited ? QStringLiteral("NULL|NULL") : daysAgo(fromDays) + u'|' + daysAgo(toDays);
        const int n = reviewable(kSpread, fromDays, toDays, timesFrom, timesTo);
        QCOMPARE(storedRow(), QStringLiteral("1|%1|%2|%3|%4").arg(n).arg(dates).arg(timesFrom).arg(timesTo));
        QCOMPARE(recordRow(), storedRow());
        // No limit is a real NULL; the other user's row is untouched.
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM UserInfo_tbl WHERE DateFrom IS NULL AND DateTo IS NULL;"), fromDays == kUnlimited ? 2 : 1);
        QCOMPARE(theDatabase.queryInt("SELECT mode + count FROM UserInfo_tbl WHERE uid = 2;"), 0);
    }

    void confirmingOtherModes_data()
    {
        QTest::addColumn<int>("startMode");
        QTest::addColumn<int>("radio");
        QTest::newRow("new words, unchanged") << 0 << 1053;
        QTest::newRow("new words after review") << 1 << 1053;
        QTest::newRow("hard words after new") << 0 << 1055;
        QTest::newRow("hard words after review") << 1 << 1055;
        QTest::newRow("smart review after new") << 0 << 1097;
        QTest::newRow("new words after smart review") << 3 << 1053;
    }
    void confirmingOtherModes()
    {
        QFETCH(int, startMode);
        QFETCH(int, radio);
        const Marks marks = kSpread + Marks{{0, -1, true}}; // one hard word never studied
        setUp(startMode, marks, "date('now', 'localtime', '-14 day')", "date('now', 'localtime', '-7 day')", 2, 3);
        Dlg dlg;
        dlg.show();
        click(dlg, radio);
        QCOMPARE(checkedRadio(dlg), radio);
        QVERIFY(!widget(dlg, 1056)->isEnabled());
        click(dlg, Dlg::IdOk);

        QVERIFY(closedAsConfirmed(dlg));
        QCOMPARE(MessageBox::takeShown(), QStringList());
        const int mode = radio == 1097 ? 3 : radio - 1053;
        // Words without a mark of their own were never studied; mode 3 counts the studied.
        int n = mode == 0 ? kWords - int(marks.size()) : 0;
        for (const Mark &m : marks)
            n += mode == 0 ? m.times == 0 : mode == 3 ? m.times != 0 : m.hard;
        // The review conditions stay stored for a later return to mode 1.
        const QString expected = QStringLiteral("%1|%2|%3|%4|2|3").arg(mode).arg(n).arg(daysAgo(14), daysAgo(7));
        QCOMPARE(storedRow(), expected);
        QCOMPARE(recordRow(), expected);
    }

    // Mode 3 is always offered, with the number of words due today on its own line: words
    // whose memory row is due, and words studied before today without a row.
    void smartReviewLine_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Marks>("marks");
        QTest::addColumn<QString>("memory"); // SQL run after the marks
        QTest::addColumn<int>("due");
        QTest::newRow("nothing studied") << 0 << Marks{} << QString() << 0;
        QTest::newRow("copied words and rows") << 1 << Marks{{1, 3}, {2, 0}, {1, 5}, {4, 9}}
                                               << QStringLiteral("INSERT INTO WordMemory_tbl VALUES (1, 3, 9.0, 5.0, date('now', 'localtime', '-5 day'), date('now', 'localtime', '+1 day'), 1, 0);"
                                                                 "INSERT INTO WordMemory_tbl VALUES (1, 4, 2.0, 5.0, date('now', 'localtime', '-9 day'), date('now', 'localtime', '-1 day'), 3, 1);")
                                               << 2;
    }
    void smartReviewLine()
    {
        QFETCH(int, mode);
        QFETCH(Marks, marks);
        QFETCH(QString, memory);
        QFETCH(int, due);
        setUp(mode, marks);
        if (!memory.isEmpty())
            run(memory.toUtf8());
        Dlg dlg;
        dlg.show();
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QVERIFY(button(dlg, Dlg::IdSmartReview)->isEnabled());
        QCOMPARE(control<QLabel>(&dlg, Dlg::IdDueToday)->text(), QStringLiteral("智能复习：今天有%1个单词到期").arg(due));
        click(dlg, Dlg::IdSmartReview);
        QVERIFY(!widget(dlg, 1056)->isEnabled());
        click(dlg, Dlg::IdOk);
        QVERIFY(closedAsConfirmed(dlg));
        QCOMPARE(theUser.mode, 3);
    }

    void switchingControls_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<bool>("conditions");
        QTest::addColumn<bool>("dates");
        QTest::addColumn<bool>("times");
        QTest::newRow("opened in mode 0") << QList<int>{} << false << false << false;
        QTest::newRow("review chosen") << QList<int>{1054} << true << true << true;
        QTest::newRow("review, then new words") << QList<int>{1054, 1053} << false << false << false;
        QTest::newRow("dates unlimited") << QList<int>{1054, 1059} << true << false << true;
        QTest::newRow("dates limited again") << QList<int>{1054, 1059, 1059} << true << true << true;
        QTest::newRow("times unlimited") << QList<int>{1054, 1064} << true << true << false;
        QTest::newRow("both unlimited") << QList<int>{1054, 1064, 1059} << true << false << false;
        QTest::newRow("unlimited times survive a detour") << QList<int>{1054, 1064, 1053, 1054} << true << true << false;
    }
    void switchingControls()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(bool, conditions);
        QFETCH(bool, dates);
        QFETCH(bool, times);
        setUp(0, kSpread);
        Dlg dlg;
        dlg.show();
        for (int id : clicks)
            click(dlg, id);
        for (int id = 1056; id <= 1068; ++id) {
            const bool expected = conditions && (id < 1060 || id > 1063 || dates) && (id < 1065 || times);
            QVERIFY2(widget(dlg, id)->isEnabled() == expected, qPrintable(QString::number(id)));
        }
        QCOMPARE(button(dlg, 1059)->GetCheck(), conditions && !dates);
        QCOMPARE(button(dlg, 1064)->GetCheck(), conditions && !times);
    }

    void storeFailures_data()
    {
        QTest::addColumn<int>("radio"); // 0: fail while opening
        QTest::addColumn<QByteArray>("breakage");
        QTest::addColumn<QStringList>("details");
        const QByteArray locked("CREATE TRIGGER no_update BEFORE UPDATE ON UserInfo_tbl BEGIN SELECT RAISE(ABORT, 'row is locked'); END;");
        const QStringList lockedText{QStringLiteral("row is locked")};
        QTest::newRow("counting new words") << 1053 << QByteArray("DROP VIEW unmark_view;") << QStringList{QStringLiteral("unmark_view")};
        QTest::newRow("storing hard mode") << 1055 << locked << lockedText;
        QTest::newRow("counting reviewable words") << 1054 << QByteArray("DROP VIEW ReviewNormal_view;") << QStringList{QStringLiteral("ReviewNormal_view")};
        QTest::newRow("storing review conditions") << 1054 << locked << lockedText;
        QTest::newRow("opening") << 0 << QByteArray("DROP VIEW ReviewHard_view; DROP VIEW ReviewNormal_view;")
                                 << QStringList{QStringLiteral("ReviewHard_view"), QStringLiteral("ReviewNormal_view")};
    }
    void storeFailures()
    {
        QFETCH(int, radio);
        QFETCH(QByteArray, breakage);
        QFETCH(QStringList, details);
        setUp(0, kSpread, "date('now', 'localtime', '-14 day')", "date('now', 'localtime')", 1, 2);
        const QString before = storedRow();
        if (radio == 0)
            run(breakage);
        Dlg dlg;
        dlg.show();
        if (radio == 0) {
            // Neither source is known to be empty: both stay on offer, without a notice.
            QVERIFY(button(dlg, 1054)->isEnabled() && button(dlg, 1055)->isEnabled());
            QCOMPARE(status(dlg)->text(), QString());
            QCOMPARE(combo(dlg, 1062)->count(), 0);
        } else {
            click(dlg, radio);
            if (radio == 1054)
                chooseConditions(dlg, kUnlimited, kUnlimited, 1, 3);
            run(breakage);
            click(dlg, Dlg::IdOk);
            QVERIFY(closedAsConfirmed(dlg));
        }
        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), details.size());
        for (int i = 0; i < shown.size(); ++i)
            QVERIFY2(shown[i].contains(details[i]), qPrintable(shown[i]));
        QCOMPARE(storedRow(), before);
        QCOMPARE(recordRow(), before);
    }

    void lookAndCaptions()
    {
        Marks marks;
        for (int t = 1; t <= 8; ++t)
            marks << Mark{t, 3 * t, t == 2};
        setUp(1, marks, "date('now', 'localtime', '-21 day')", "date('now', 'localtime')", 2, 5);
        Dlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.objectName(), QStringLiteral("193"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("切换模式"));
        const QMap<int, QString> captions{
            {1053, QStringLiteral("学习新单词")}, {1054, QStringLiteral("复习旧单词")}, {1055, QStringLiteral("复习难词本")},
            {1056, QStringLiteral("复习条件设定")}, {1057, QStringLiteral("复习什么时候背过的单词？")},
            {1058, QStringLiteral("复习已经学过多少次的单词？")}, {1059, QStringLiteral("不限")}, {1064, QStringLiteral("不限")},
            {1060, QStringLiteral("从")}, {1061, QStringLiteral("到")}, {1065, QStringLiteral("从")}, {1066, QStringLiteral("到")},
            {1, QStringLiteral("确定")}};
        for (auto it = captions.begin(); it != captions.end(); ++it) {
            QWidget *w = widget(dlg, it.key());
            const auto *b = qobject_cast<QAbstractButton *>(w);
            const auto *l = qobject_cast<QLabel *>(w);
            const auto *g = qobject_cast<QGroupBox *>(w);
            QCOMPARE(b ? b->text() : l ? l->text() : g ? g->title() : QString(), it.value());
        }
        auto *modeFrame = qobject_cast<QGroupBox *>(widget(dlg, 1053)->parentWidget());
        QVERIFY(modeFrame && modeFrame->title() == QStringLiteral("切换模式"));

        combo(dlg, 1062)->setCurrentIndex(combo(dlg, 1062)->findData(21));
        click(dlg, Dlg::IdOk); // 1063 is still empty: the error line shows
        QCOMPARE(status(dlg)->text(), QStringLiteral("请将复习条件设置完整"));

        // Nothing clipped: every control inside the dialog and as large as its text.
        for (QWidget *w : dlg.findChildren<QWidget *>()) {
            if (!w->isVisible() || w->isWindow() || w->objectName().startsWith(u"qt_"))
                continue;
            const QByteArray name = (w->objectName() + u' ' + QString::fromLatin1(w->metaObject()->className())).toUtf8();
            QVERIFY2(dlg.rect().contains(QRect(w->mapTo(&dlg, QPoint(0, 0)), w->size())), name.constData());
            if (qobject_cast<QLabel *>(w) || qobject_cast<CSkinButton *>(w) || qobject_cast<QGroupBox *>(w))
                QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->fontMetrics().height(), name.constData());
        }
        for (const QString &text : {QStringLiteral("可复习列表为空 难词本为空"), QStringLiteral("复习条件的起始日期不能相等")})
            QVERIFY(status(dlg)->width() >= 23 + status(dlg)->fontMetrics().horizontalAdvance(text));
        for (int id : {1062, 1063, 1067, 1068}) {
            for (const QString &item : items(dlg, id)) {
                const QString text = item.section(u'=', 0, 0);
                QVERIFY2(combo(dlg, id)->width() - 4 - 19 >= combo(dlg, id)->fontMetrics().horizontalAdvance(text), qPrintable(text));
            }
        }
        // A picture to look at, only where one is asked for (never a fixed shared path).
        if (const QString dir = qEnvironmentVariable("QUILLORA_SHOTS"); !dir.isEmpty())
            QVERIFY(dlg.grab().save(dir + QStringLiteral("/switchmode.png")));
    }
};

QTEST_MAIN(TestSwitchMode)
#include "tst_switch_mode.moc"
