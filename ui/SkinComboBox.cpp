#include "ui/SkinComboBox.h"

#include "ui/Images.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

CSkinComboBox::CSkinComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setMouseTracking(true);
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &CSkinComboBox::poll);
}

bool CSkinComboBox::LoadImages(int stripId, const QColor &normalBorder, const QColor &hoverBorder, const char *type)
{
    const QImage strip = LoadImageResource(stripId, type);
    SetImages(strip, normalBorder, hoverBorder);
    return !strip.isNull();
}

void CSkinComboBox::SetImages(const QImage &strip, const QColor &normalBorder, const QColor &hoverBorder)
{
    m_arrows = SplitImageStrip(strip, 3);
    m_normalBorder = normalBorder;
    m_hoverBorder = hoverBorder;
    update();
}

QRect CSkinComboBox::arrowRect() const
{
    return QRect(QPoint(width() - 17, 2), QPoint(width() - 1 - 1, height() - 1 - 1));
}

void CSkinComboBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const bool enabled = isEnabled();
    p.fillRect(rect(), Qt::white);
    p.setFont(font());

    // Border: a light square frame with the state's rounded frame on top.
    QColor border = enabled ? (m_lit ? m_hoverBorder : m_normalBorder) : GrayTextColor();
    p.setBrush(Qt::NoBrush);
    p.setPen(QColor(235, 230, 230));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(border);
    p.drawRoundedRect(QRectF(rect().adjusted(0, 0, -1, -1)), 1, 1);

    if (currentIndex() >= 0) {
        p.setPen(enabled ? QColor(Qt::black) : GrayTextColor());
        const QRect textRect(QPoint(4, 0), QPoint(width() - 19 - 1, height() - 1));
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(currentText(), Qt::ElideRight, textRect.width()));
    }

    int frame = 0;
    if (m_pressed)
        frame = 2;
    else if (m_lit)
        frame = 1;
    if (frame < m_arrows.size() && !m_arrows[frame].isNull()) {
        const QImage arrow = enabled ? m_arrows[frame] : GreyImage(m_arrows[frame]);
        p.drawImage(arrowRect(), arrow);
    }
}

void CSkinComboBox::light()
{
    if (!m_hotReady)
        return;
    m_hotReady = false;
    m_lit = true;
    m_timer.start();
    update();
}

void CSkinComboBox::poll()
{
    if (QRect(mapToGlobal(QPoint(0, 0)), size()).contains(QCursor::pos()))
        return;
    m_timer.stop();
    m_lit = false;
    m_hotReady = true;
    update();
}

void CSkinComboBox::enterEvent(QEnterEvent *event)
{
    light();
    QComboBox::enterEvent(event);
}

void CSkinComboBox::mouseMoveEvent(QMouseEvent *event)
{
    if (rect().contains(event->position().toPoint()))
        light();
    QComboBox::mouseMoveEvent(event);
}

void CSkinComboBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    update();
    QComboBox::mousePressEvent(event);
}

void CSkinComboBox::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressed = false;
    update();
    QComboBox::mouseReleaseEvent(event);
}

void CSkinComboBox::hidePopup()
{
    // The open list takes the mouse, so the release that ends a press may never come here.
    QComboBox::hidePopup();
    m_pressed = false;
    update();
}
