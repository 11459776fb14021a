#pragma once

#include <QString>
#include <QWidget>

// Controls are named by their decimal ids; this finds one of them below `dialog`.
template<class T>
T *control(QWidget *dialog, int id)
{
    return dialog ? dialog->findChild<T *>(QString::number(id)) : nullptr;
}

// Gives a control its id (as its objectName) and returns it, for use where it is made.
template<class W>
W *named(W *widget, int id)
{
    widget->setObjectName(QString::number(id));
    return widget;
}

// The id a control was given through its objectName (0 when it has none).
inline int controlId(const QWidget *w)
{
    return w ? w->objectName().toInt() : 0;
}
