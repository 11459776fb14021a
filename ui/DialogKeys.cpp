#include "ui/DialogKeys.h"

#include "ui/SkinButton.h"

#include <QKeyEvent>
#include <QPushButton>

bool pressForEnter(QWidget *dialog, QKeyEvent *event, QAbstractButton *defaultButton)
{
    if ((event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    QWidget *focus = dialog->focusWidget();
    const auto *skinned = qobject_cast<CSkinButton *>(focus);
    const bool pushButton = skinned ? skinned->kind() == CSkinButton::Push : qobject_cast<QPushButton *>(focus) != nullptr;
    auto *target = pushButton ? static_cast<QAbstractButton *>(focus) : defaultButton;
    if (target && target->isVisible() && target->isEnabled())
        target->click();
    event->accept();
    return true;
}
