#include "ui/Accessibility.h"

#include "ui/LinkStatic.h"
#include "ui/NavList.h"
#include "ui/SkinButton.h"
#include "ui/StatusLabel.h"
#include "ui/TranslucentButton.h"
#include "ui/TranslucentLabel.h"

#include <QAccessibleWidget>
#include <QVariant>

namespace {

const char kRoleProperty[] = "quilloraAccessibleRole";

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

class AccessibleNavList : public Accessible
{
public:
    explicit AccessibleNavList(QWidget *w)
        : Accessible(w, QAccessible::List)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            const auto *list = static_cast<const CNavList *>(widget());
            return list->itemText(list->GetCurSel());
        }
        return Accessible::text(t);
    }
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
        return new Accessible(w, QAccessible::StaticText, [](QWidget *x) { return static_cast<CStatusLabel *>(x)->text(); });
    if (className == QLatin1String("CTranslucentLabel"))
        return new Accessible(w, QAccessible::StaticText, [](QWidget *x) { return static_cast<CTranslucentLabel *>(x)->text(); });
    if (className == QLatin1String("CNavList"))
        return new AccessibleNavList(w);
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

void setAccessibleRole(QWidget *widget, QAccessible::Role role)
{
    widget->setProperty(kRoleProperty, int(role));
}

} // namespace accessibility
