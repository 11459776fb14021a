#include "ui/StatusLabel.h"

#include "ui/Accessibility.h"
#include "ui/Images.h"

#include <QAccessible>
#include <QPainter>

CStatusLabel::CStatusLabel(int stripId, QWidget *parent)
    : QWidget(parent)
{
    SetStrip(LoadImageResource(stripId));
}

void CStatusLabel::SetStrip(const QImage &strip)
{
    m_icons = SplitImageStrip(strip, 3);
    update();
}

QColor CStatusLabel::colorFor(int kind)
{
    switch (kind) {
    case Correct:
        return QColor(127, 164, 70);
    case Error:
        return QColor(203, 25, 33);
    case Notice:
        return QColor(78, 182, 231);
    default:
        return QColor(Qt::black);
    }
}

void CStatusLabel::SetStatus(int kind, const QString &text)
{
    const bool changed = kind != m_kind || text != m_text;
    m_kind = kind;
    m_text = text;
    if (changed) {
        // A screen reader learns the new text, and speaks it as its notification
        // showing (see accessibility); a cleared line says nothing.
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        accessibility::notify(&nameChanged);
        QAccessibleInterface *line = QAccessible::queryAccessibleInterface(this);
        QAccessibleInterface *notification = line ? line->child(0) : nullptr;
        if (notification && !text.isEmpty() && isVisible()) {
            QAccessibleEvent shown(notification, QAccessible::ObjectShow);
            accessibility::notify(&shown);
        }
    }
    // The parent may show through where the label was drawn before.
    if (parentWidget())
        parentWidget()->update(geometry());
    update();
}

void CStatusLabel::paintEvent(QPaintEvent *)
{
    QImage canvas(size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    const bool nothing = m_kind < Correct || m_kind > Notice || (m_kind == Correct && m_text.isEmpty());
    if (!nothing) {
        QPainter p(&canvas);
        p.setFont(font());
        p.setPen(colorFor(m_kind));
        int iconWidth = 0;
        if (m_kind < m_icons.size() && !m_icons[m_kind].isNull()) {
            p.drawImage(0, 0, m_icons[m_kind]);
            iconWidth = m_icons[m_kind].width();
        }
        const QRect textRect(iconWidth + 3, 0, width() - iconWidth - 3, height());
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
    }
    QPainter(this).drawImage(0, 0, canvas);
}

QSize CStatusLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize icon = m_icons.isEmpty() ? QSize(20, 20) : m_icons.first().size();
    return QSize(icon.width() + 3 + fm.horizontalAdvance(m_text), std::max(icon.height(), fm.height()));
}
