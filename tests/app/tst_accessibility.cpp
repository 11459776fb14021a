// What a screen reader finds in every window: each control a learner can use has a
// name and the role of what it is, a field its caption; the home window's buttons
// carry their help line; what changes on its own is told.

#include "app/QuilloraDlg.h"
#include "home/CloseActionDlg.h"
#include "home/HomeDlg.h"
#include "study/SwitchModeDlg.h"
#include "support/GuiTestSupport.h"
#include "ui/Accessibility.h"
#include "ui/LinkStatic.h"
#include "ui/SkinButton.h"
#include "ui/StatusLabel.h"
#include "ui/TranslucentButton.h"
#include "ui/TranslucentLabel.h"
#include "users/LoginDlg.h"
#include "users/NewUserDlg.h"
#include "users/SettingsDlg.h"
#include "wordlists/ThesaurusDlg.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

using namespace testsupport;
using namespace Qt::StringLiterals;

namespace {

bool interactive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::Link:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::List:
        return true;
    default:
        return false;
    }
}

// The role each skinned control must be read as; -1 for the others.
int expectedRole(QObject *o)
{
    if (auto *b = qobject_cast<CSkinButton *>(o))
        return b->kind() == CSkinButton::Radio ? QAccessible::RadioButton
             : b->kind() == CSkinButton::CheckBox ? QAccessible::CheckBox
                                                    : QAccessible::Button;
    if (auto *b = qobject_cast<CTranslucentButton *>(o))
        return b->buttonStyle() == CTranslucentButton::RadioButton ? QAccessible::RadioButton
             : b->buttonStyle() == CTranslucentButton::CheckBox    ? QAccessible::CheckBox
                                                                   : QAccessible::Button;
    if (qobject_cast<CLinkStatic *>(o))
        return QAccessible::Link;
    if (qobject_cast<CStatusLabel *>(o) || qobject_cast<CTranslucentLabel *>(o))
        return QAccessible::StaticText;
    return -1;
}

// A field is named by its caption (a label tied to it), or by a name of its own where
// no caption shows; a combo box on Linux by its caption alone (its name is its value).
// Without either the title of the group it sits in stands in for every field of it.
bool captioned(QWidget *top, QWidget *field)
{
    if (!field->accessibleName().isEmpty() && !field->inherits("QComboBox"))
        return true;
    const QList<QLabel *> labels = top->findChildren<QLabel *>();
    return std::any_of(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == field; });
}

QString describe(QObject *o)
{
    return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(o->metaObject()->className()), o->objectName());
}

// Every widget below `top`, shown or not (pages and answers come and go).
QStringList faults(QWidget *top)
{
    QStringList out;
    for (QWidget *w : top->findChildren<QWidget *>()) {
        // A combo box speaks for its own list and edit.
        bool insideCombo = false;
        for (QWidget *p = w->parentWidget(); p && p != top; p = p->parentWidget())
            insideCombo = insideCombo || p->inherits("QComboBox") || p->inherits("QComboBoxPrivateContainer");
        if (insideCombo)
            continue;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (!iface)
            continue;
        const QAccessible::Role role = iface->role();
        const int expected = expectedRole(w);
        if (expected != -1 && role != expected)
            out << QStringLiteral("%1: role %2, not %3").arg(describe(w)).arg(role).arg(expected);
        if ((interactive(role) || expected != -1) && expected != QAccessible::StaticText && iface->text(QAccessible::Name).trimmed().isEmpty())
            out << describe(w) + QStringLiteral(": no name");
        const bool field = role == QAccessible::EditableText || role == QAccessible::ComboBox || role == QAccessible::Slider
                        || role == QAccessible::SpinBox;
        if (field && !captioned(top, w))
            out << describe(w) + QStringLiteral(": no caption");
        // Reached by Tab, or a learner without a mouse cannot open it.
        if (role == QAccessible::Link && !(w->focusPolicy() & Qt::TabFocus))
            out << describe(w) + QStringLiteral(": not in the Tab chain");
    }
    return out;
}

struct Raised
{
    QAccessible::Event type;
    QAccessible::Role role;
    QString name;
    bool selected;
};
QList<Raised> s_raised;

void observe(QAccessibleEvent *event)
{
    QAccessibleInterface *iface = event->accessibleInterface();
    if (iface)
        s_raised.append({event->type(), iface->role(), iface->text(QAccessible::Name), bool(iface->state().selected)});
}

bool raised(QAccessible::Event type, QAccessible::Role role, const QString &name)
{
    return std::any_of(s_raised.begin(), s_raised.end(),
                       [&](const Raised &r) { return r.type == type && r.role == role && r.name == name; });
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataFolder> m_data;
    std::unique_ptr<CHomeDlg> m_home;

private Q_SLOTS:
    void initTestCase() { setUpApplication(); }
    void init()
    {
        qputenv("QUILLORA_UPDATE_URL", "");
        m_data = std::make_unique<DataFolder>();
        m_data->addUser(QStringLiteral("ann"));
        m_data->addList(QStringLiteral("list"), 8);
        m_home = std::make_unique<CHomeDlg>();
        QVERIFY(m_home->Initialise());
        m_home->show();
        MessageBox::takeShown();
    }
    void cleanup()
    {
        accessibility::setObserver(nullptr);
        s_raised.clear();
        m_home.reset();
        m_data.reset();
    }

    // The home window with its study pages, and every dialog.
    void everyControlNamed_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *w : {"home and pages", "log-in", "new user", "settings", "word lists", "study mode", "close action"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void everyControlNamed()
    {
        QFETCH(QString, window);
        std::unique_ptr<QWidget> dialog;
        if (window == u"log-in")
            dialog = std::make_unique<CLoginDlg>(nullptr);
        else if (window == u"new user")
            dialog = std::make_unique<CNewUserDlg>(nullptr);
        else if (window == u"settings")
            dialog = std::make_unique<CSettingsDlg>(0, m_home->mainWindow());
        else if (window == u"word lists")
            dialog = std::make_unique<CThesaurusDlg>(nullptr);
        else if (window == u"study mode")
            dialog = std::make_unique<CSwitchModeDlg>(nullptr);
        else if (window == u"close action")
            dialog = std::make_unique<CCloseActionDlg>(nullptr);
        QWidget *top = dialog ? dialog.get() : static_cast<QWidget *>(m_home.get());
        if (!dialog) {
            // The pages are made on first use: make all three.
            for (int p : {CQuilloraDlg::PageStatistics, CQuilloraDlg::PageMemorize, CQuilloraDlg::PageTest})
                QCOMPARE(m_home->mainWindow()->page(p)->parentWidget(), m_home->mainWindow());
        }
        const QStringList found = faults(top);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }

    // A status line tells its new text as a notification showing, which a screen reader
    // speaks; the log-in error is the first a learner meets. A cleared line says nothing.
    void statusLineAnnounced()
    {
        CLoginDlg dlg(nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        accessibility::setObserver(observe);
        control<QLineEdit>(&dlg, CLoginDlg::IdUserName)->setText(QStringLiteral("ann"));
        control<QLineEdit>(&dlg, CLoginDlg::IdPassword)->setText(QStringLiteral("wrong"));
        QTest::keyClick(control<QLineEdit>(&dlg, CLoginDlg::IdPassword), Qt::Key_Return);
        const QString error = QStringLiteral("用户名或密码错误");
        QVERIFY(raised(QAccessible::ObjectShow, QAccessible::Notification, error));
        QVERIFY(raised(QAccessible::NameChanged, QAccessible::StaticText, error));

        s_raised.clear();
        control<CStatusLabel>(&dlg, CLoginDlg::IdStatus)->SetStatus(CStatusLabel::Correct, QString());
        QVERIFY(std::none_of(s_raised.begin(), s_raised.end(), [](const Raised &r) { return r.type == QAccessible::ObjectShow; }));
    }

    // The settings page list is a list of its rows, the chosen one selected; choosing
    // another with the keys tells a screen reader which.
    void settingsPageList()
    {
        CSettingsDlg dlg(0, m_home->mainWindow());
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(control<QWidget>(&dlg, CSettingsDlg::IDC_NAV));
        QCOMPARE(list->role(), QAccessible::List);
        QStringList rows;
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface *row = list->child(i);
            QCOMPARE(row->role(), QAccessible::ListItem);
            QCOMPARE(row->parent(), list);
            QCOMPARE(list->indexOfChild(row), i);
            QCOMPARE(bool(row->state().selected), i == 0);
            rows << row->text(QAccessible::Name);
        }
        QCOMPARE(rows, (QStringList{u"提醒设置"_s, u"朗读设置"_s, u"操作习惯"_s, u"用户账户"_s, u"关于"_s}));
        accessibility::setObserver(observe);
        QTest::keyClick(control<QWidget>(&dlg, CSettingsDlg::IDC_NAV), Qt::Key_Down);
        QVERIFY(raised(QAccessible::SelectionAdd, QAccessible::ListItem, u"朗读设置"_s));
        QVERIFY(list->child(1)->state().selected && !list->child(0)->state().selected);
        QCOMPARE(list->text(QAccessible::Value), u"朗读设置"_s);
    }

    // What is typed into a password box reaches a screen reader as mask characters:
    // Qt reports the typed ones.
    void passwordTextMasked()
    {
        CLoginDlg dlg(nullptr);
        auto *password = control<QLineEdit>(&dlg, CLoginDlg::IdPassword);
        auto *name = control<QLineEdit>(&dlg, CLoginDlg::IdUserName);
        const QChar mask(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password));
        QAccessibleTextInsertEvent typed(password, 0, u"wro"_s);
        const auto insert = accessibility::masked(&typed);
        QVERIFY(insert);
        QCOMPARE(static_cast<QAccessibleTextInsertEvent *>(insert.get())->textInserted(), QString(3, mask));
        QAccessibleTextUpdateEvent replaced(password, 0, u"wro"_s, u"ng"_s);
        const auto update = accessibility::masked(&replaced);
        QVERIFY(update);
        QCOMPARE(static_cast<QAccessibleTextUpdateEvent *>(update.get())->textRemoved(), QString(3, mask));
        QCOMPARE(static_cast<QAccessibleTextUpdateEvent *>(update.get())->textInserted(), QString(2, mask));
        QAccessibleTextRemoveEvent removed(password, 1, u"r"_s);
        const auto remove = accessibility::masked(&removed);
        QVERIFY(remove);
        QCOMPARE(static_cast<QAccessibleTextRemoveEvent *>(remove.get())->textRemoved(), QString(1, mask));
        // Shown text is read as it is.
        QAccessibleTextInsertEvent plain(name, 0, u"ann"_s);
        QVERIFY(!accessibility::masked(&plain));
    }

    // What the home window's buttons say: the caption drawn in their art, and the help
    // line as their description; pressing is their action.
    void homeButtons()
    {
        // The home window is read as the program's window, by its title.
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(m_home.get());
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), u"Quillora"_s);
        const struct
        {
            int id;
            const char16_t *name;
        } expected[] = {
            {CHomeDlg::IDC_MEMORIZE, u"背单词"},  {CHomeDlg::IDC_TEST, u"考单词"},   {CHomeDlg::IDC_MODE, u"切换模式"},
            {CHomeDlg::IDC_WORDLIST, u"选择词库"}, {CHomeDlg::IDC_STATISTICS, u"学习统计"}, {CHomeDlg::IDC_SETTINGS, u"设置"},
            {CHomeDlg::IDC_HIDE, u"最小化到托盘"}, {CHomeDlg::IDC_CLOSE, u"关闭"},
        };
        for (const auto &e : expected) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(m_home->button(e.id));
            QVERIFY(iface);
            QCOMPARE(iface->role(), QAccessible::Button);
            QCOMPARE(iface->text(QAccessible::Name), QString::fromUtf16(e.name));
            QCOMPARE(iface->text(QAccessible::Description), CHomeDlg::helpText(e.id));
            QVERIFY(iface->state().focusable);
        }
        // The screen reader's "press" is a click.
        auto *mode = QAccessible::queryAccessibleInterface(m_home->button(CHomeDlg::IDC_MODE))->actionInterface();
        QVERIFY(mode);
        auto done = onModal<CSwitchModeDlg>([](CSwitchModeDlg *dlg) { dlg->reject(); });
        mode->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(*done);
        // The word on the memorise page is read as shown: whole, or only what was typed.
        m_home->mainWindow()->startStudyPage(CQuilloraDlg::PageMemorize);
        QTRY_VERIFY(!m_home->mainWindow()->isSliding() && !m_home->mainWindow()->isWorkerRunning());
        QWidget *word = control<QWidget>(m_home->mainWindow()->page(CQuilloraDlg::PageMemorize), 1023);
        QAccessibleInterface *display = QAccessible::queryAccessibleInterface(word);
        QCOMPARE(display->role(), QAccessible::StaticText);
        QVERIFY(display->text(QAccessible::Name).startsWith(QStringLiteral("list")));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
