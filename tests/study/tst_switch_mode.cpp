#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
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

#include <memory>

using Dlg = CSwitchModeDlg;

namespace {

// The progress of one word of the current list for the learner; word ids follow the
// order of the list. age: days since the last study, -1 for never.
struct Mark
{
    int times = 0;
    int age = -1;
    bool hard = false;
};
using Marks = QList<Mark>;

// Studied 20, 10 and 3 days ago, one, two and three times; the newest is a hard word.
const Marks kSpread{{1, 20}, {1, 20}, {1, 20}, {2, 10}, {2, 10}, {3, 3, true}};
constexpr int kWords = 12;

QString daysAgo(int days)
{
    return QDate::currentDate().addDays(-days).toString(QStringLiteral("yyyy-MM-dd"));
}

// What the count of reviewable words must be, worked out from the seeded marks. A
// window runs from fromDays ago to toDays ago; given the other way round it is empty.
int reviewable(const Marks &marks, int fromDays, int toDays, int timesFrom, int timesTo)
{
    int n = 0;
    for (const Mark &m : marks) {
        if (m.times == 0)
            continue;
        if (fromDays != -1 && !(m.age >= toDays && m.age <= fromDays))
            continue;
        if (timesFrom != -1 && !(m.times >= timesFrom && m.times <= timesTo))
            continue;
        ++n;
    }
    return n;
}

} // namespace

Q_DECLARE_METATYPE(Mark)

class TestSwitchMode : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    static void run(const QByteArray &sql) { theDatabase.execute(sql.constData()); }

    // The learner (uid 1) works on list 1 with the given mode and stored conditions
    // (SQL expressions). Decoys that a statement without its user or list filter would
    // pick up: the learner's progress on list 2, and a second user on list 1 who has
    // studied every word long ago and marked them all hard.
    static void setUp(int mode, const Marks &marks, const char *dateFrom = "NULL", const char *dateTo = "NULL", int timesFrom = -1,
                      int timesTo = -1)
    {
        run("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'current'); INSERT INTO ThesaurusInfo_tbl VALUES (2, 'other'); BEGIN;");
        for (int i = 1; i <= kWords; ++i)
            run(sqlFormat("INSERT INTO words_tbl VALUES (%d, 1, 'w%d', 'x', '');", i, i));
        for (int i = kWords + 1; i <= kWords + 4; ++i)
            run(sqlFormat("INSERT INTO words_tbl VALUES (%d, 2, 'w%d', 'x', '');", i, i));
        run("COMMIT;");
        run(sqlFormat("INSERT INTO UserInfo_tbl (type, username, password, tid, DayNum, mode, count, DateFrom, DateTo, TimesFrom, TimesTo) "
                      "VALUES (0, 'learner', 'pw', -1, 20, %d, 77, %s, %s, %d, %d);",
                      mode, dateFrom, dateTo, timesFrom, timesTo));
        run("INSERT INTO UserInfo_tbl (type, username, password, tid, DayNum, mode, count) VALUES (0, 'other', 'pw', 1, 20, 0, 0);");
        // Choosing a list seeds the progress rows of its words.
        run("UPDATE UserInfo_tbl SET tid = 2 WHERE uid = 1; UPDATE UserInfo_tbl SET tid = 1 WHERE uid = 1;");
        run(sqlFormat("UPDATE WordsMarkInfo_tbl SET times = 4, hard = 1, RecentMarkDate = date('now', 'localtime', '-5 day') WHERE uid = 1 AND wid > %d;"
                      "UPDATE WordsMarkInfo_tbl SET times = 9, hard = 1, RecentMarkDate = date('now', 'localtime', '-40 day') WHERE uid = 2;",
                      kWords));
        for (int i = 0; i < marks.size(); ++i) {
            const Mark &m = marks[i];
            const QByteArray date = m.age < 0 ? QByteArray("NULL") : sqlFormat("date('now', 'localtime', '-%d day')", m.age);
            run(sqlFormat("UPDATE WordsMarkInfo_tbl SET times = %d, hard = %d, RecentMarkDate = %s WHERE uid = 1 AND wid = %d;", m.times,
                          m.hard ? 1 : 0, date.constData(), i + 1));
        }
        CppSQLite3Cursor row = theDatabase.query("SELECT * FROM UserInfo_tbl WHERE uid = 1;");
        theUser.fill(row);
    }

    // The learner's mode and conditions as stored, NULL spelt out.
    static QString storedRow()
    {
        CppSQLite3Cursor c = theDatabase.query("SELECT mode, count, ifnull(DateFrom, 'NULL'), ifnull(DateTo, 'NULL'), ifnull(TimesFrom, 'NULL'), "
                                               "ifnull(TimesTo, 'NULL') FROM UserInfo_tbl WHERE uid = 1;");
        QStringList out;
        for (int i = 0; i < 6; ++i)
            out << ansi::toUnicode(c.value(i));
        return out.join(u'|');
    }
    static QString recordRow()
    {
        const UserRecord &u = theUser;
        return QStringList{QString::number(u.mode), QString::number(u.count), u.DateFrom.isEmpty() ? QStringLiteral("NULL") : u.DateFrom,
                           u.DateTo.isEmpty() ? QStringLiteral("NULL") : u.DateTo, QString::number(u.TimesFrom), QString::number(u.TimesTo)}
            .join(u'|');
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
    static void click(Dlg &dlg, int id)
    {
        QWidget *w = widget(dlg, id);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
    }
    static QStringList items(Dlg &dlg, int id)
    {
        QStringList out;
        CSkinComboBox *box = combo(dlg, id);
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i) + u'=' + QString::number(box->itemInt(i));
        return out;
    }
    // Chooses the item carrying the datum; -2 leaves the box alone.
    static void choose(Dlg &dlg, int id, int datum)
    {
        if (datum == -2)
            return;
        CSkinComboBox *box = combo(dlg, id);
        box->setCurrentIndex(box->findData(datum));
        QVERIFY(box->currentIndex() >= 0);
    }
    static int checkedRadio(Dlg &dlg) { return firstCheckedInRange(&dlg, Dlg::IdLearnNew, Dlg::IdReviewHard); }
    static bool closedAsConfirmed(Dlg &dlg) { return !dlg.isVisible() && dlg.result() == QDialog::Accepted; }

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

    void captionsAndIds_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("caption");
        QTest::newRow("learn new") << 1053 << QStringLiteral("学习新单词");
        QTest::newRow("review") << 1054 << QStringLiteral("复习旧单词");
        QTest::newRow("review hard") << 1055 << QStringLiteral("复习难词本");
        QTest::newRow("conditions") << 1056 << QStringLiteral("复习条件设定");
        QTest::newRow("date question") << 1057 << QStringLiteral("复习什么时候背过的单词？");
        QTest::newRow("times question") << 1058 << QStringLiteral("复习已经学过多少次的单词？");
        QTest::newRow("date no limit") << 1059 << QStringLiteral("不限");
        QTest::newRow("date from") << 1060 << QStringLiteral("从");
        QTest::newRow("date to") << 1061 << QStringLiteral("到");
        QTest::newRow("times no limit") << 1064 << QStringLiteral("不限");
        QTest::newRow("times from") << 1065 << QStringLiteral("从");
        QTest::newRow("times to") << 1066 << QStringLiteral("到");
        QTest::newRow("ok") << 1 << QStringLiteral("确定");
    }
    void captionsAndIds()
    {
        QFETCH(int, id);
        QFETCH(QString, caption);
        setUp(0, kSpread);
        Dlg dlg;
        QCOMPARE(dlg.objectName(), QStringLiteral("193"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("切换模式"));
        QWidget *w = widget(dlg, id);
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(w))
            text = l->text();
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            text = g->title();
        QCOMPARE(text, caption);
        // The radios sit in a frame of their own.
        if (id >= 1053 && id <= 1055) {
            auto *frame = qobject_cast<QGroupBox *>(w->parentWidget());
            QVERIFY(frame);
            QCOMPARE(frame->title(), QStringLiteral("切换模式"));
        }
    }

    void openingState_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Marks>("marks");
        QTest::addColumn<bool>("reviewEnabled");
        QTest::addColumn<bool>("hardEnabled");
        QTest::addColumn<QString>("notice");
        const Marks today{{1, 0, true}, {2, 0}};
        const Marks noHard{{1, 5}, {3, 9}};
        QTest::newRow("every source, mode 0") << 0 << kSpread << true << true << QString();
        QTest::newRow("every source, mode 1") << 1 << kSpread << true << true << QString();
        QTest::newRow("all studied today, mode 0") << 0 << today << false << true << QStringLiteral("可复习列表为空 ");
        QTest::newRow("all studied today, mode 1") << 1 << today << true << true << QStringLiteral("可复习列表为空 ");
        QTest::newRow("all studied today, mode 2") << 2 << today << false << true << QStringLiteral("可复习列表为空 ");
        QTest::newRow("empty hard book, mode 0") << 0 << noHard << true << false << QStringLiteral("难词本为空");
        QTest::newRow("empty hard book, mode 2") << 2 << noHard << true << true << QStringLiteral("难词本为空");
        QTest::newRow("nothing studied") << 0 << Marks{} << false << false << QStringLiteral("可复习列表为空 难词本为空");
        QTest::newRow("nothing studied, mode 1") << 1 << Marks{} << true << false << QStringLiteral("可复习列表为空 难词本为空");
    }
    void openingState()
    {
        QFETCH(int, mode);
        QFETCH(Marks, marks);
        QFETCH(bool, reviewEnabled);
        QFETCH(bool, hardEnabled);
        QFETCH(QString, notice);
        // Stored conditions with both limits set, so only the mode decides the group.
        setUp(mode, marks, "date('now', 'localtime', '-30 day')", "date('now', 'localtime')", 1, 3);
        Dlg dlg;
        dlg.show();
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QCOMPARE(checkedRadio(dlg), 1053 + mode);
        QCOMPARE(button(dlg, 1053 + mode)->GetCheck(), true);
        QCOMPARE(int(button(dlg, 1053)->GetCheck()) + int(button(dlg, 1054)->GetCheck()) + int(button(dlg, 1055)->GetCheck()), 1);
        QVERIFY(button(dlg, 1053)->isEnabled());
        QCOMPARE(button(dlg, 1054)->isEnabled(), reviewEnabled);
        QCOMPARE(button(dlg, 1055)->isEnabled(), hardEnabled);
        for (int id = 1056; id <= 1068; ++id)
            QVERIFY2(widget(dlg, id)->isEnabled() == (mode == 1), qPrintable(QString::number(id)));
        QCOMPARE(status(dlg)->text(), notice);
        QCOMPARE(status(dlg)->kind(), int(notice.isEmpty() ? CStatusLabel::None : CStatusLabel::Notice));

        // A switched-off radio cannot be chosen.
        for (int id : {1054, 1055}) {
            if (button(dlg, id)->isEnabled())
                continue;
            click(dlg, id);
            QCOMPARE(checkedRadio(dlg), 1053 + mode);
            QCOMPARE(widget(dlg, 1056)->isEnabled(), mode == 1);
        }
        QCOMPARE(storedRow().section(u'|', 0, 1), QStringLiteral("%1|77").arg(mode));
    }

    void dateAndTimesItems_data()
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
        QTest::newRow("exactly a week") << Marks{{5, 7}} << QStringList{QStringLiteral("1周前=7")} << QStringList{QStringLiteral("1周前=7")}
                                        << QStringList{QStringLiteral("5=5")};
        QTest::newRow("6 days and today") << Marks{{4, 6}, {2, 0}} << QStringList{QStringLiteral("1周前=7")}
                                          << QStringList{today, QStringLiteral("1周前=7")}
                                          << QStringList{QStringLiteral("2=2"), QStringLiteral("3=3"), QStringLiteral("4=4")};
        QTest::newRow("all today") << Marks{{1, 0}} << QStringList() << QStringList() << QStringList();
    }
    void dateAndTimesItems()
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

    void reopeningInReviewSelectsStoredTimes_data()
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
        // The box's prefix search: "1" finds "10"; "3" finds nothing and leaves no choice.
        QTest::newRow("1-3 among 10-12") << Marks{{10, 4}, {12, 8}} << 1 << 3 << QStringLiteral("10") << QString();
    }
    void reopeningInReviewSelectsStoredTimes()
    {
        QFETCH(Marks, marks);
        QFETCH(int, timesFrom);
        QFETCH(int, timesTo);
        QFETCH(QString, selectedFrom);
        QFETCH(QString, selectedTo);
        setUp(1, marks, "date('now', 'localtime', '-14 day')", "date('now', 'localtime')", timesFrom, timesTo);
        Dlg dlg;
        dlg.show();
        QVERIFY(!button(dlg, 1059)->GetCheck());
        QVERIFY(!button(dlg, 1064)->GetCheck());
        for (int id = 1056; id <= 1068; ++id)
            QVERIFY2(widget(dlg, id)->isEnabled(), qPrintable(QString::number(id)));
        QCOMPARE(combo(dlg, 1067)->currentText(), selectedFrom);
        QCOMPARE(combo(dlg, 1068)->currentText(), selectedTo);
        QCOMPARE(combo(dlg, 1062)->currentIndex(), -1);
        QCOMPARE(combo(dlg, 1063)->currentIndex(), -1);

        // Confirming again untouched: the stored window has no item selected.
        const QString before = storedRow();
        click(dlg, Dlg::IdOk);
        QVERIFY(dlg.isVisible());
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Error));
        QCOMPARE(status(dlg)->text(), QStringLiteral("请将复习条件设置完整"));
        QCOMPARE(storedRow(), before);
        QCOMPARE(theUser.DateFrom, daysAgo(14));
        QCOMPARE(theUser.TimesFrom, timesFrom);
    }

    void reopeningUnlimitedAndConfirming()
    {
        setUp(1, kSpread);
        Dlg dlg;
        dlg.show();
        QVERIFY(button(dlg, 1059)->GetCheck());
        QVERIFY(button(dlg, 1064)->GetCheck());
        for (int id = 1056; id <= 1068; ++id) {
            const bool boxed = (id >= 1060 && id <= 1063) || id >= 1065;
            QVERIFY2(widget(dlg, id)->isEnabled() == !boxed, qPrintable(QString::number(id)));
        }
        click(dlg, Dlg::IdOk);
        QVERIFY(closedAsConfirmed(dlg));
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QCOMPARE(storedRow(), QStringLiteral("1|%1|NULL|NULL|-1|-1").arg(reviewable(kSpread, -1, -1, -1, -1)));
        QCOMPARE(recordRow(), storedRow());
    }

    void confirmingReviewConditions_data()
    {
        QTest::addColumn<int>("fromDays"); // -1: "不限" ticked
        QTest::addColumn<int>("toDays");
        QTest::addColumn<int>("timesFrom"); // -1: "不限" ticked
        QTest::addColumn<int>("timesTo");
        QTest::newRow("three weeks ago to today") << 21 << 0 << -1 << -1;
        QTest::newRow("two weeks to one week, once or twice") << 14 << 7 << 1 << 2;
        QTest::newRow("window the wrong way round") << 7 << 21 << -1 << -1;
        QTest::newRow("times the wrong way round") << -1 << -1 << 3 << 1;
        QTest::newRow("both unlimited") << -1 << -1 << -1 << -1;
        QTest::newRow("two or three times, any date") << -1 << -1 << 2 << 3;
        QTest::newRow("exactly three times this week") << 7 << 0 << 3 << 3;
    }
    void confirmingReviewConditions()
    {
        QFETCH(int, fromDays);
        QFETCH(int, toDays);
        QFETCH(int, timesFrom);
        QFETCH(int, timesTo);
        setUp(0, kSpread);
        Dlg dlg;
        dlg.show();
        click(dlg, 1054);
        QCOMPARE(checkedRadio(dlg), 1054);
        if (fromDays == -1)
            click(dlg, 1059);
        if (timesFrom == -1)
            click(dlg, 1064);
        choose(dlg, 1062, fromDays == -1 ? -2 : fromDays);
        choose(dlg, 1063, fromDays == -1 ? -2 : toDays);
        choose(dlg, 1067, timesFrom == -1 ? -2 : timesFrom);
        choose(dlg, 1068, timesFrom == -1 ? -2 : timesTo);
        click(dlg, Dlg::IdOk);

        QVERIFY(closedAsConfirmed(dlg));
        QCOMPARE(MessageBox::takeShown(), QStringList());
        const int n = reviewable(kSpread, fromDays, toDays, timesFrom, timesTo);
        const QString dates = fromDays == -1 ? QStringLiteral("NULL|NULL") : daysAgo(fromDays) + u'|' + daysAgo(toDays);
        QCOMPARE(storedRow(), QStringLiteral("1|%1|%2|%3|%4").arg(n).arg(dates).arg(timesFrom).arg(timesTo));
        QCOMPARE(recordRow(), storedRow());
        // No limit is a real NULL, not a text.
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM UserInfo_tbl WHERE uid = 1 AND DateFrom IS NULL AND DateTo IS NULL;"),
                 fromDays == -1 ? 1 : 0);
        // The other user is untouched.
        QCOMPARE(theDatabase.queryInt("SELECT mode + count FROM UserInfo_tbl WHERE uid = 2;"), 0);
    }

    void refusedReviewConditions_data()
    {
        QTest::addColumn<int>("fromDays"); // -1: "不限" ticked, -2: nothing chosen
        QTest::addColumn<int>("toDays");
        QTest::addColumn<int>("timesFrom");
        QTest::addColumn<int>("timesTo");
        QTest::addColumn<QString>("error");
        const QString incomplete = QStringLiteral("请将复习条件设置完整");
        QTest::newRow("same week twice") << 14 << 14 << -1 << -1 << QStringLiteral("复习条件的起始日期不能相等");
        QTest::newRow("same week, times set") << 21 << 21 << 1 << 3 << QStringLiteral("复习条件的起始日期不能相等");
        QTest::newRow("no end date") << 14 << -2 << -1 << -1 << incomplete;
        QTest::newRow("no start date") << -2 << 0 << 1 << 1 << incomplete;
        QTest::newRow("no upper count") << -1 << -1 << 2 << -2 << incomplete;
        QTest::newRow("nothing chosen") << -2 << -2 << -2 << -2 << incomplete;
    }
    void refusedReviewConditions()
    {
        QFETCH(int, fromDays);
        QFETCH(int, toDays);
        QFETCH(int, timesFrom);
        QFETCH(int, timesTo);
        QFETCH(QString, error);
        setUp(0, kSpread);
        const QString before = storedRow();
        const QString record = recordRow();
        Dlg dlg;
        dlg.show();
        click(dlg, 1054);
        if (fromDays == -1)
            click(dlg, 1059);
        if (timesFrom == -1)
            click(dlg, 1064);
        choose(dlg, 1062, fromDays == -1 ? -2 : fromDays);
        choose(dlg, 1063, fromDays == -1 ? -2 : toDays);
        choose(dlg, 1067, timesFrom == -1 ? -2 : timesFrom);
        choose(dlg, 1068, timesFrom == -1 ? -2 : timesTo);
        click(dlg, Dlg::IdOk);

        QVERIFY(dlg.isVisible());
        QCOMPARE(status(dlg)->kind(), int(CStatusLabel::Error));
        QCOMPARE(status(dlg)->text(), error);
        QCOMPARE(storedRow(), before);
        QCOMPARE(recordRow(), record);
        QCOMPARE(MessageBox::takeShown(), QStringList());

        // Lifting both limits then goes through.
        if (!button(dlg, 1059)->GetCheck())
            click(dlg, 1059);
        if (!button(dlg, 1064)->GetCheck())
            click(dlg, 1064);
        click(dlg, Dlg::IdOk);
        QVERIFY(closedAsConfirmed(dlg));
        QCOMPARE(storedRow(), QStringLiteral("1|%1|NULL|NULL|-1|-1").arg(reviewable(kSpread, -1, -1, -1, -1)));
    }

    void confirmingSourceModes_data()
    {
        QTest::addColumn<int>("startMode");
        QTest::addColumn<int>("radio");
        QTest::addColumn<int>("mode");
        QTest::newRow("new words, unchanged") << 0 << 1053 << 0;
        QTest::newRow("new words after review") << 1 << 1053 << 0;
        QTest::newRow("hard words after new") << 0 << 1055 << 2;
        QTest::newRow("hard words after review") << 1 << 1055 << 2;
    }
    void confirmingSourceModes()
    {
        QFETCH(int, startMode);
        QFETCH(int, radio);
        QFETCH(int, mode);
        // One hard word was never studied.
        const Marks marks = kSpread + Marks{{0, -1, true}};
        setUp(startMode, marks, "date('now', 'localtime', '-14 day')", "date('now', 'localtime', '-7 day')", 2, 3);
        Dlg dlg;
        dlg.show();
        click(dlg, radio);
        QCOMPARE(checkedRadio(dlg), radio);
        QVERIFY(!widget(dlg, 1056)->isEnabled());
        click(dlg, Dlg::IdOk);

        QVERIFY(closedAsConfirmed(dlg));
        QCOMPARE(MessageBox::takeShown(), QStringList());
        int n = 0;
        for (const Mark &m : marks)
            n += mode == 0 ? m.times == 0 : m.hard;
        if (mode == 0)
            n += kWords - marks.size(); // words without a mark of their own were never studied
        // The review conditions stay stored for a later return to mode 1.
        const QString expected = QStringLiteral("%1|%2|%3|%4|2|3").arg(mode).arg(n).arg(daysAgo(14), daysAgo(7));
        QCOMPARE(storedRow(), expected);
        QCOMPARE(recordRow(), expected);
    }

    void radiosAndNoLimitBoxesSwitchControls_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<bool>("conditions");
        QTest::addColumn<bool>("dates");
        QTest::addColumn<bool>("times");
        QTest::newRow("opened in mode 0") << QList<int>{} << false << false << false;
        QTest::newRow("review chosen") << QList<int>{1054} << true << true << true;
        QTest::newRow("review, then new words") << QList<int>{1054, 1053} << false << false << false;
        QTest::newRow("review, then hard words") << QList<int>{1054, 1055} << false << false << false;
        QTest::newRow("review chosen twice") << QList<int>{1054, 1054} << true << true << true;
        QTest::newRow("dates unlimited") << QList<int>{1054, 1059} << true << false << true;
        QTest::newRow("dates limited again") << QList<int>{1054, 1059, 1059} << true << true << true;
        QTest::newRow("times unlimited") << QList<int>{1054, 1064} << true << true << false;
        QTest::newRow("both unlimited") << QList<int>{1054, 1064, 1059} << true << false << false;
        QTest::newRow("unlimited times survive a detour") << QList<int>{1054, 1064, 1053, 1054} << true << true << false;
    }
    void radiosAndNoLimitBoxesSwitchControls()
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
            bool expected = conditions;
            if (id >= 1060 && id <= 1063)
                expected = conditions && dates;
            if (id >= 1065)
                expected = conditions && times;
            QVERIFY2(widget(dlg, id)->isEnabled() == expected, qPrintable(QString::number(id)));
        }
        if (conditions) {
            QCOMPARE(button(dlg, 1059)->GetCheck(), !dates);
            QCOMPARE(button(dlg, 1064)->GetCheck(), !times);
        }
        QCOMPARE(checkedRadio(dlg), clicks.isEmpty() ? 1053 : clicks.last() == 1059 || clicks.last() == 1064 ? 1054 : clicks.last());
    }

    void storeFailureWhileConfirming_data()
    {
        QTest::addColumn<int>("radio");
        QTest::addColumn<QByteArray>("breakage");
        QTest::addColumn<QString>("detail");
        const QByteArray locked("CREATE TRIGGER no_update BEFORE UPDATE ON UserInfo_tbl BEGIN SELECT RAISE(ABORT, 'row is locked'); END;");
        QTest::newRow("counting new words") << 1053 << QByteArray("DROP VIEW unmark_view;") << QStringLiteral("unmark_view");
        QTest::newRow("storing hard mode") << 1055 << locked << QStringLiteral("row is locked");
        QTest::newRow("counting reviewable words") << 1054 << QByteArray("DROP VIEW ReviewNormal_view;") << QStringLiteral("ReviewNormal_view");
        QTest::newRow("storing review conditions") << 1054 << locked << QStringLiteral("row is locked");
    }
    void storeFailureWhileConfirming()
    {
        QFETCH(int, radio);
        QFETCH(QByteArray, breakage);
        QFETCH(QString, detail);
        setUp(0, kSpread, "date('now', 'localtime', '-14 day')", "date('now', 'localtime')", 1, 2);
        const QString before = storedRow();
        const QString record = recordRow();
        Dlg dlg;
        dlg.show();
        click(dlg, radio);
        if (radio == 1054) {
            click(dlg, 1059);
            choose(dlg, 1067, 1);
            choose(dlg, 1068, 3);
        }
        run(breakage);
        click(dlg, Dlg::IdOk);

        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(detail), qPrintable(shown.first()));
        QVERIFY(closedAsConfirmed(dlg));
        QCOMPARE(storedRow(), before);
        QCOMPARE(recordRow(), record);
    }

    void storeFailureWhileOpening()
    {
        setUp(0, kSpread);
        run("DROP VIEW ReviewHard_view; DROP VIEW ReviewNormal_view;");
        Dlg dlg;
        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].contains(QStringLiteral("ReviewHard_view")), qPrintable(shown[0]));
        QVERIFY2(shown[1].contains(QStringLiteral("ReviewNormal_view")), qPrintable(shown[1]));
        // Neither source is known to be empty, so both stay on offer.
        QVERIFY(button(dlg, 1054)->isEnabled());
        QVERIFY(button(dlg, 1055)->isEnabled());
        QCOMPARE(status(dlg)->text(), QString());
        QCOMPARE(combo(dlg, 1062)->count(), 0);
    }

    void layoutShowsEverything()
    {
        Marks marks;
        for (int t = 1; t <= 8; ++t)
            marks << Mark{t, 3 * t, t == 2};
        setUp(1, marks, "date('now', 'localtime', '-21 day')", "date('now', 'localtime')", 2, 5);
        Dlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        choose(dlg, 1062, 21);
        click(dlg, Dlg::IdOk); // leaves 1063 empty: the error line shows
        QCOMPARE(status(dlg)->text(), QStringLiteral("请将复习条件设置完整"));

        const QRect inside = dlg.rect();
        for (QWidget *w : dlg.findChildren<QWidget *>()) {
            if (!w->isVisible() || w->isWindow() || w->objectName().startsWith(u"qt_"))
                continue;
            const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
            QVERIFY2(inside.contains(QRect(w->mapTo(&dlg, QPoint(0, 0)), w->size())), qPrintable(name));
            if (qobject_cast<QLabel *>(w) || qobject_cast<CSkinButton *>(w) || qobject_cast<QGroupBox *>(w)) {
                QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(name));
                QVERIFY2(w->height() >= qMin(w->sizeHint().height(), w->fontMetrics().height()), qPrintable(name));
            }
        }
        // The longest texts fit their controls.
        const QFontMetrics fm = status(dlg)->fontMetrics();
        for (const QString &text : {QStringLiteral("可复习列表为空 难词本为空"), QStringLiteral("复习条件的起始日期不能相等")})
            QVERIFY(status(dlg)->width() >= 23 + fm.horizontalAdvance(text));
        for (int id : {1062, 1063, 1067, 1068}) {
            CSkinComboBox *box = combo(dlg, id);
            for (int i = 0; i < box->count(); ++i)
                QVERIFY2(box->width() - 4 - 19 >= box->fontMetrics().horizontalAdvance(box->itemText(i)), qPrintable(box->itemText(i)));
        }
        QVERIFY(dlg.grab().save(QStringLiteral("/tmp/switchmode.png")));
    }
};

QTEST_MAIN(TestSwitchMode)
#include "tst_switch_mode.moc"
