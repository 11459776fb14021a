#include "ui/Accessibility.h"

#include "ui/LinkStatic.h"
#include "ui/NavList.h"
#include "ui/SkinButton.h"
#include "ui/StatusLabel.h"
#include "ui/TranslucentButton.h"
#include "ui/TranslucentLabel.h"

#include <QAccessibleWidget>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QVariant>

namespace {

const char kRoleProperty[] = "quilloraAccessibleRole";

accessibility::Observer s_observer = nullptr;

// Name and description: what the program set, else what the control shows, else its
// tool tip (the image buttons have nothing else).
class Accessible : public QAccessibleWidget
{
public:
    Accessible(QWidget *w, QAccessible::Role role, QString (*shown)(QWidget *) = nullptr)
        : QAccessibleWidget(w, role)
        , m_shown(shown)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        const QWidget *w = widget();
        switch (t) {
        case QAccessible::Name:
            if (!w->accessibleName().isEmpty())
                return w->accessibleName();
            if (m_shown && !m_shown(widget()).isEmpty())
                return m_shown(widget());
            return w->toolTip();
        case QAccessible::Description:
            if (!w->accessibleDescription().isEmpty())
                return w->accessibleDescription();
            return text(QAccessible::Name) == w->toolTip() ? QString() : w->toolTip();
        default:
            return QAccessibleWidget::text(t);
        }
    }

private:
    QString (*m_shown)(QWidget *);
};

QAccessible::Role buttonRole(bool checkBox, bool radio)
{
    return radio ? QAccessible::RadioButton : checkBox ? QAccessible::CheckBox : QAccessible::Button;
}

// Buttons are pressed (or toggled) by their default action, as a click does.
class AccessibleButton : public Accessible
{
public:
    AccessibleButton(QWidget *w, QAccessible::Role role, QString (*shown)(QWidget *), bool (*checked)(QWidget *),
                     void (*press)(QWidget *))
        : Accessible(w, role, shown)
        , m_checked(checked)
        , m_press(press)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = Accessible::state();
        if (role() != QAccessible::Button) {
            s.checkable = true;
            s.checked = m_checked(widget());
        }
        return s;
    }

    QStringList actionNames() const override
    {
        if (!widget()->isEnabled())
            return {};
        return {role() == QAccessible::Button ? pressAction() : toggleAction()};
    }

    void doAction(const QString &name) override
    {
        if (widget()->isEnabled() && actionNames().contains(name))
            m_press(widget());
    }

private:
    bool (*m_checked)(QWidget *);
    void (*m_press)(QWidget *);
};

// A part of a widget with no object of its own (a notification, a row): no children,
// shown in its widget's window, under its widget, read-only.
template <class W>
class WidgetPart : public QAccessibleInterface
{
public:
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_owner ? m_owner->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return m_owner ? QAccessible::queryAccessibleInterface(m_owner) : nullptr; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}

protected:
    explicit WidgetPart(W *owner)
        : m_owner(owner)
    {
    }
    QPointer<W> m_owner;
};

// What a status line says, as a notification of its own: a screen reader speaks a
// notification as it shows, which the line reports whenever its text changes. The
// line itself stays a label, so that no empty notification is read out as a page
// with an empty line opens.
class StatusNotification : public WidgetPart<CStatusLabel>
{
public:
    explicit StatusNotification(CStatusLabel *label)
        : WidgetPart(label)
    {
    }

    bool isValid() const override { return m_owner; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && m_owner ? m_owner->text() : QString();
    }
    QRect rect() const override { return m_owner ? QRect(m_owner->mapToGlobal(QPoint()), m_owner->size()) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !m_owner || !m_owner->isVisible() || m_owner->text().isEmpty();
        return s;
    }
};

class AccessibleStatus : public Accessible
{
public:
    explicit AccessibleStatus(QWidget *w)
        : Accessible(w, QAccessible::StaticText, [](QWidget *x) { return static_cast<CStatusLabel *>(x)->text(); })
        , m_notification(QAccessible::registerAccessibleInterface(new StatusNotification(static_cast<CStatusLabel *>(w))))
    {
    }
    ~AccessibleStatus() override { QAccessible::deleteAccessibleInterface(m_notification); }
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::accessibleInterface(m_notification) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child == QAccessible::accessibleInterface(m_notification) ? 0 : -1;
    }

private:
    QAccessible::Id m_notification;
};

class AccessibleLink : public Accessible
{
public:
    explicit AccessibleLink(QWidget *w)
        : Accessible(w, QAccessible::Link, [](QWidget *x) { return static_cast<CLinkStatic *>(x)->text(); })
    {
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            static_cast<CLinkStatic *>(widget())->activate();
    }
};

// One row of the settings page list: a list item named by its text, selected when it
// is the chosen row and focused when the list has the keyboard on it.
class AccessibleNavItem : public WidgetPart<CNavList>
{
public:
    AccessibleNavItem(CNavList *list, int index)
        : WidgetPart(list)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_owner && m_index < m_owner->count(); }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && m_owner ? m_owner->itemText(m_index) : QString();
    }
    QRect rect() const override
    {
        if (!m_owner)
            return {};
        const QRect r = m_owner->itemRect(m_index);
        return QRect(m_owner->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!m_owner)
            return s;
        s.selectable = true;
        s.focusable = true;
        s.selected = m_owner->GetCurSel() == m_index;
        s.focused = s.selected && m_owner->hasFocus();
        s.invisible = !m_owner->isVisible();
        return s;
    }

private:
    int m_index;
};

class AccessibleNavList : public Accessible
{
public:
    explicit AccessibleNavList(QWidget *w)
        : Accessible(w, QAccessible::List)
    {
    }
    ~AccessibleNavList() override
    {
        for (QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return list()->itemText(list()->GetCurSel());
        return Accessible::text(t);
    }
    int childCount() const override { return list()->count(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= list()->count())
            return nullptr;
        // The rows keep their interfaces (and ids) for the list's lifetime: a screen
        // reader knows a row again by its id.
        while (m_items.size() <= index) {
            auto *item = new AccessibleNavItem(list(), int(m_items.size()));
            m_items.append(QAccessible::registerAccessibleInterface(item));
        }
        return QAccessible::accessibleInterface(m_items[index]);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < m_items.size(); ++i) {
            if (QAccessible::accessibleInterface(m_items[i]) == child)
                return i;
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        return child(list()->itemAt(list()->mapFromGlobal(QPoint(x, y))));
    }

private:
    CNavList *list() const { return static_cast<CNavList *>(widget()); }
    mutable QList<QAccessible::Id> m_items;
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *w = qobject_cast<QWidget *>(object);
    if (!w)
        return nullptr;
    if (className == QLatin1String("CSkinButton")) {
        const auto kind = static_cast<CSkinButton *>(w)->kind();
        return new AccessibleButton(
            w, buttonRole(kind == CSkinButton::CheckBox, kind == CSkinButton::Radio),
            [](QWidget *x) { return static_cast<CSkinButton *>(x)->text(); },
            [](QWidget *x) { return static_cast<CSkinButton *>(x)->isChecked(); },
            [](QWidget *x) { static_cast<CSkinButton *>(x)->click(); });
    }
    if (className == QLatin1String("CTranslucentButton")) {
        const auto style = static_cast<CTranslucentButton *>(w)->buttonStyle();
        return new AccessibleButton(
            w, buttonRole(style == CTranslucentButton::CheckBox, style == CTranslucentButton::RadioButton),
            [](QWidget *x) { return static_cast<CTranslucentButton *>(x)->text(); },
            [](QWidget *x) { return static_cast<CTranslucentButton *>(x)->GetCheck(); },
            [](QWidget *x) { static_cast<CTranslucentButton *>(x)->click(); });
    }
    if (className == QLatin1String("CLinkStatic"))
        return new AccessibleLink(w);
    if (className == QLatin1String("CStatusLabel"))
        return new AccessibleStatus(w);
    if (className == QLatin1String("CTranslucentLabel"))
        return new Accessible(w, QAccessible::StaticText, [](QWidget *x) { return static_cast<CTranslucentLabel *>(x)->text(); });
    if (className == QLatin1String("CNavList"))
        return new AccessibleNavList(w);
    // A layered window draws its own frame: without this it is read as a nameless
    // filler rather than the program's window.
    if (className == QLatin1String("CLayeredDialog") && w->isWindow())
        return new QAccessibleWidget(w, QAccessible::Window);
    // Only for the class that was given the role, not for the classes it derives from.
    const QVariant role = w->property(kRoleProperty);
    if (role.isValid() && className == QLatin1String(w->metaObject()->className()))
        return new Accessible(w, QAccessible::Role(role.toInt()));
    return nullptr;
}

} // namespace

namespace accessibility {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void notify(QAccessibleEvent *event)
{
    if (s_observer)
        s_observer(event);
    QAccessible::updateAccessibility(event);
}

void setObserver(Observer observer)
{
    s_observer = observer;
}

std::unique_ptr<QAccessibleEvent> masked(QAccessibleEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(event->object());
    if (!edit || edit->echoMode() == QLineEdit::Normal)
        return nullptr;
    const QChar mask(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit));
    const auto hide = [&](const QString &text) {
        return edit->echoMode() == QLineEdit::NoEcho ? QString() : QString(text.size(), mask);
    };
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
        return std::make_unique<QAccessibleTextInsertEvent>(edit, e->changePosition(), hide(e->textInserted()));
    }
    case QAccessible::TextRemoved: {
        const auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
        return std::make_unique<QAccessibleTextRemoveEvent>(edit, e->changePosition(), hide(e->textRemoved()));
    }
    case QAccessible::TextUpdated: {
        const auto *e = static_cast<QAccessibleTextUpdateEvent *>(event);
        return std::make_unique<QAccessibleTextUpdateEvent>(edit, e->changePosition(), hide(e->textRemoved()),
                                                            hide(e->textInserted()));
    }
    default:
        return nullptr;
    }
}

namespace {

QAccessible::UpdateHandler s_outer = nullptr;
int s_scopes = 0;
int s_maskDepth = 0;
QObject *s_quietCaret = nullptr;

void filteringHandler(QAccessibleEvent *event)
{
    if (s_quietCaret && event->object() == s_quietCaret
        && (event->type() == QAccessible::TextCaretMoved || event->type() == QAccessible::TextSelectionChanged))
        return;
    const std::unique_ptr<QAccessibleEvent> copy = s_maskDepth > 0 ? masked(event) : nullptr;
    QAccessibleEvent *out = copy ? copy.get() : event;
    if (s_outer) {
        s_outer(out);
        return;
    }
    // Back to the platform's own handling for this one event. (Qt updates a table's
    // cache before any handler sees its model change, so such an event would update
    // it twice; none comes while an edit takes a key or the focus.)
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(out);
    QAccessible::installUpdateHandler(filteringHandler);
}

void enterScope()
{
    if (s_scopes++ == 0)
        s_outer = QAccessible::installUpdateHandler(filteringHandler);
}

void leaveScope()
{
    if (--s_scopes == 0)
        QAccessible::installUpdateHandler(s_outer);
}

} // namespace

PasswordEventsMasked::PasswordEventsMasked()
{
    enterScope();
    ++s_maskDepth;
}

PasswordEventsMasked::~PasswordEventsMasked()
{
    --s_maskDepth;
    leaveScope();
}

CaretEventsHeld::CaretEventsHeld(QObject *edit)
    : m_previous(s_quietCaret)
{
    enterScope();
    s_quietCaret = edit;
}

CaretEventsHeld::~CaretEventsHeld()
{
    s_quietCaret = m_previous;
    leaveScope();
}

void setAccessibleRole(QWidget *widget, QAccessible::Role role)
{
    widget->setProperty(kRoleProperty, int(role));
}

} // namespace accessibility
