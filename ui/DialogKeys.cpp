#include "ui/DialogKeys.h"

#include <QAbstractButton>
#include <QKeyEvent>

bool pressForEnter(QKeyEvent *event, QAbstractButton *defaultButton)
{
    if ((event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (defaultButton && defaultButton->isVisible() && defaultButton->isEnabled())
        defaultButton->click();
    event->accept();
    return true;
}
