#include "ui/TranslucentLabel.h"

#include "ui/Accessibility.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

CTranslucentLabel::CTranslucentLabel(QWidget *parent)
    : CTranslucentWnd(parent)
{
}

QFont CTranslucentLabel::labelFont()
{
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPixelSize(12);
    font.setBold(true);
    return font;
}

void CTranslucentLabel::SetText(const QString &text)
{
    if (text != m_text) {
        m_text = text;
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        accessibility::notify(&nameChanged);
    }
    UpdateState();
}

void CTranslucentLabel::Render(QPainter &painter)
{
    if (m_text.isEmpty())
        return;
    const QFont font = labelFont();
    // The text box starts at the label's top-left corner; a path is placed by its baseline.
    const QPointF origin = QPointF(geometry().topLeft()) + QPointF(0, QFontMetricsF(font).ascent());
    QPainterPath path;
    path.addText(origin, font, m_text);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPen pen(QColor::fromRgba(0xFF404040), 2);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.strokePath(path, pen);
    painter.fillPath(path, Qt::white);
    painter.restore();
}
