#include "ui/NavList.h"

#include "ui/Accessibility.h"
#include "ui/Images.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QTimer>
#include <QMouseEvent>
#include <QPainter>

CNavList::CNavList(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void CNavList::AddItem(const QString &text, int iconId)
{
    AddItem(text, LoadImageResource(iconId, "ICON"));
}

void CNavList::AddItem(const QString &text, const QImage &icon)
{
    QImage scaled = icon.isNull() ? icon : icon.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_items.append({text, scaled.convertToFormat(QImage::Format_ARGB32_Premultiplied)});
    update();
}

void CNavList::SetCurSel(int index)
{
    const bool changed = index != m_selected;
    m_selected = index;
    update();
    if (changed)
        reportCurrent();
}

void CNavList::reportCurrent()
{
    // The rows are painted: a screen reader learns of the chosen one from its item,
    // selected, and focused when the list has the keyboard.
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(this);
    QAccessibleInterface *item = list ? list->child(m_selected) : nullptr;
    if (!item)
        return;
    QAccessibleEvent selected(item, QAccessible::SelectionAdd);
    accessibility::notify(&selected);
    if (hasFocus()) {
        QAccessibleEvent focus(item, QAccessible::Focus);
        accessibility::notify(&focus);
    }
}

QRect CNavList::itemRect(int index) const
{
    if (index < 0 || index >= count())
        return {};
    int top = kItemHeight * index;
    int bottom = top + kItemHeight;
    if (index == 0)
        top = 2;
    if (index == count() - 1)
        bottom -= 2;
    return QRect(QPoint(2, top), QPoint(width() - 2 - 1, bottom - 1));
}

int CNavList::itemAt(QPoint pos) const
{
    for (int i = 0; i < count(); ++i)
        if (itemRect(i).contains(pos))
            return i;
    return -1;
}

QList<QRgb> CNavList::gradientLines(int height)
{
    // Each channel takes a rounded share of the distance left before its line is
    // drawn, so the last line lands exactly on the end colour.
    int c[3] = {63, 152, 217};
    const int end[3] = {48, 134, 198};
    QList<QRgb> lines;
    for (int n = height; n >= 1; --n) {
        for (int k = 0; k < 3; ++k)
            c[k] += (n / 2 - c[k] + end[k]) / n;
        lines.append(qRgb(c[0], c[1], c[2]));
    }
    return lines;
}

QImage CNavList::renderItem(int index) const
{
    const QRect r = itemRect(index);
    QImage canvas(r.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&canvas);
    p.setFont(font());
    QColor textColor = Qt::black;
    if (index == m_selected) {
        const QList<QRgb> lines = gradientLines(r.height());
        for (int y = 0; y < lines.size(); ++y) {
            p.setPen(QColor(lines[y]));
            p.drawLine(0, y, r.width() - 1, y);
        }
        textColor = Qt::white;
    } else {
        canvas.fill(Qt::white);
        if (index == m_hot)
            textColor = QColor(0, 0, 255);
    }
    const Item &item = m_items[index];
    if (!item.icon.isNull())
        p.drawImage(QRect(2, 2, 16, 16), item.icon);
    p.setPen(textColor);
    p.drawText(QRect(20, 0, r.width() - 20, r.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               item.text);
    return canvas;
}

void CNavList::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(168, 168, 168));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(244, 244, 244));
    p.drawRect(rect().adjusted(1, 1, -2, -2));
    for (int i = 0; i < count(); ++i)
        if (itemRect(i).isValid())
            p.drawImage(itemRect(i).topLeft(), renderItem(i));
    if (hasFocus() && itemRect(m_selected).isValid()) {
        QPen dotted(Qt::white, 1, Qt::DotLine);
        p.setPen(dotted);
        p.drawRect(itemRect(m_selected).adjusted(1, 1, -2, -2));
    }
}

void CNavList::select(int index)
{
    if (index < 0 || index >= count() || index == m_selected)
        return;
    m_selected = index;
    update();
    reportCurrent();
    Q_EMIT selectionChanged(index);
}

void CNavList::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up: select(m_selected - 1); break;
    case Qt::Key_Down: select(m_selected + 1); break;
    case Qt::Key_Home: select(0); break;
    case Qt::Key_End: select(count() - 1); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void CNavList::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
    // After the list's own focus event, which Qt sends once this returns: the
    // keyboard is on the chosen row.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus())
            reportCurrent();
    });
}

void CNavList::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}

void CNavList::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const int index = itemAt(event->position().toPoint());
        if (index >= 0) {
            m_selected = index;
            if (m_hot == index)
                m_hot = -1;
            update();
            reportCurrent();
            Q_EMIT selectionChanged(index);
        }
    }
    QWidget::mousePressEvent(event);
}

void CNavList::setHot(int index)
{
    if (index == m_hot)
        return;
    m_hot = index;
    update();
}

void CNavList::mouseMoveEvent(QMouseEvent *event)
{
    const int index = itemAt(event->position().toPoint());
    setHot(index == m_selected ? -1 : index);
    QWidget::mouseMoveEvent(event);
}

void CNavList::leaveEvent(QEvent *event)
{
    setHot(-1);
    QWidget::leaveEvent(event);
}
