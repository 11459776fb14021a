#include "ui/TranslucentButton.h"

#include "ui/Control.h"
#include "ui/Images.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CTranslucentButton::CTranslucentButton(QWidget *parent)
    : CTranslucentWnd(parent)
    , m_font(QStringLiteral("宋体"), 9)
{
    setFocusPolicy(Qt::StrongFocus);
}

bool CTranslucentButton::LoadImages(const std::array<int, SlotCount> &ids, const char *type)
{
    std::array<QImage, SlotCount> images;
    for (int i = 0; i < SlotCount; ++i)
        if (ids[i] != 0)
            images[i] = LoadImageResource(ids[i], type);
    if (ids[Normal] == 0)
        images[Normal] = QImage();
    return SetImages(images);
}

bool CTranslucentButton::SetImages(const std::array<QImage, SlotCount> &images)
{
    m_images.clear();
    m_current = -1;
    if (images[Normal].isNull())
        return false;
    for (const QImage &image : images)
        m_images.append(image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    m_current = Normal;
    resize(images[Normal].size());
    return true;
}

int CTranslucentButton::chooseSlot() const
{
    if (m_images.isEmpty())
        return -1;
    int slot = Normal;
    if (m_hover)
        slot = m_pressed ? Pressed : Hover;
    else if (disabledFlag())
        slot = Disabled;
    else if (m_checked)
        slot = Checked;
    return m_images.value(slot).isNull() ? int(Normal) : slot;
}

void CTranslucentButton::UpdateState()
{
    const int slot = chooseSlot();
    if (slot == m_current)
        return;
    m_current = slot;
    NotifyRenderChanged();
}

void CTranslucentButton::SetText(const QString &text)
{
    m_text = text;
    NotifyRenderChanged();
}

void CTranslucentButton::SetCheck(bool checked)
{
    m_checked = checked;
    UpdateState();
}

void CTranslucentButton::Render(QPainter &painter)
{
    const QRect r = geometry();
    if (r.isEmpty())
        return;
    QImage canvas(r.size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        if (m_current >= 0)
            p.drawImage(canvas.rect(), m_images[m_current]);
        if (!m_text.isEmpty()) {
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setFont(m_font);
            p.setPen(Qt::black);
            p.drawText(canvas.rect(), Qt::AlignCenter, m_text);
        }
    }
    if (hasFocus()) {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(m_focusColor, 1.5, Qt::DashLine);
        pen.setDashPattern({2, 2});
        p.setPen(pen);
        p.drawRoundedRect(QRectF(canvas.rect()).adjusted(2.5, 2.5, -2.5, -2.5), 5, 5);
    }
    painter.drawImage(r, canvas);
}

void CTranslucentButton::click()
{
    if (!isEnabled())
        return;
    if (m_style != PushButton)
        m_checked = !m_checked;
    UpdateState();
    Q_EMIT clicked();
}

void CTranslucentButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && !event->isAutoRepeat()) {
        click();
        event->accept();
        return;
    }
    CTranslucentWnd::keyPressEvent(event);
}

void CTranslucentButton::focusInEvent(QFocusEvent *event)
{
    NotifyRenderChanged();
    // The keyboard user reads the same help line as the mouse user.
    Q_EMIT hoverHelp(true, controlId(this));
    CTranslucentWnd::focusInEvent(event);
}

void CTranslucentButton::focusOutEvent(QFocusEvent *event)
{
    NotifyRenderChanged();
    Q_EMIT hoverHelp(false, controlId(this));
    CTranslucentWnd::focusOutEvent(event);
}

void CTranslucentButton::enterEvent(QEnterEvent *event)
{
    // Qt sends enter events to disabled widgets too; a disabled button takes no mouse
    // input, so it neither lights up nor offers its help line.
    if (!isEnabled()) {
        CTranslucentWnd::enterEvent(event);
        return;
    }
    m_hover = true;
    UpdateState();
    Q_EMIT hoverHelp(true, controlId(this));
    CTranslucentWnd::enterEvent(event);
}

void CTranslucentButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    UpdateState();
    Q_EMIT hoverHelp(false, controlId(this));
    CTranslucentWnd::leaveEvent(event);
}

void CTranslucentButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        UpdateState();
    }
    event->accept();
}

void CTranslucentButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        event->accept();
        return;
    }
    m_pressed = false;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside)
        m_checked = m_style == PushButton ? false : !m_checked;
    else
        m_hover = false;
    UpdateState();
    if (inside)
        Q_EMIT clicked();
    event->accept();
}
