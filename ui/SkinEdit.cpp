#include "ui/SkinEdit.h"

#include "ui/Accessibility.h"

#include <QPainter>

CSkinEdit::CSkinEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    applyColors();
}

bool CSkinEdit::LoadImages(int normalId, int focusedId, int frameX, int frameY, bool stretch, QRgb key,
                           const char *type)
{
    const QImage normal = LoadImageResource(normalId, type);
    const QImage focused = LoadImageResource(focusedId, type);
    SetImages(normal, focused, frameX, frameY, stretch, key);
    return !normal.isNull() && !focused.isNull();
}

void CSkinEdit::SetImages(const QImage &normal, const QImage &focused, int frameX, int frameY, bool stretch,
                          QRgb key)
{
    m_normalSource = normal;
    m_focusedSource = focused;
    m_frameX = frameX;
    m_frameY = frameY;
    m_stretch = stretch;
    m_key = key;
    setTextMargins(frameX, frameY, frameX, frameY);
    rebuildFrames();
}

void CSkinEdit::rebuildFrames()
{
    if (m_stretch && !m_normalSource.isNull() && !m_focusedSource.isNull()) {
        m_normal = ScaleImageByMarkers(m_normalSource, size(), m_key);
        m_focused = ScaleImageByMarkers(m_focusedSource, size(), m_key);
    } else {
        m_normal = m_normalSource;
        m_focused = m_focusedSource;
    }
    update();
}

void CSkinEdit::applyColors()
{
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, m_background);
        pal.setColor(group, QPalette::Text, m_textColor);
    }
    pal.setColor(QPalette::Disabled, QPalette::Base, m_background);
    setPalette(pal);
}

void CSkinEdit::SetTextColor(const QColor &color)
{
    m_textColor = color;
    applyColors();
    update();
}

void CSkinEdit::SetFont(int pointSize, const QString &face, int weight)
{
    QFont f(face);
    f.setPointSize(pointSize);
    f.setWeight(QFont::Weight(std::clamp(weight, 1, 1000)));
    setFont(f);
}

const QImage &CSkinEdit::currentFrame() const
{
    return hasFocus() && !m_focused.isNull() ? m_focused : m_normal;
}

QRect CSkinEdit::textArea() const
{
    return rect().adjusted(m_frameX, m_frameY, -m_frameX, -m_frameY);
}

void CSkinEdit::paintEvent(QPaintEvent *event)
{
    {
        QPainter p(this);
        p.fillRect(rect(), m_background);
    }
    QLineEdit::paintEvent(event);
    const QImage &frame = currentFrame();
    if (frame.isNull())
        return;
    // The frame covers everything but the text area.
    QPainter p(this);
    p.setClipRegion(QRegion(rect()) - QRegion(textArea()));
    p.drawImage(0, 0, frame);
}

void CSkinEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    if (m_stretch)
        rebuildFrames();
}

void CSkinEdit::focusInEvent(QFocusEvent *event)
{
    // The focus event Qt sends once this returns tells a screen reader where the
    // caret is; the caret's own events before it would make it move here silently.
    const accessibility::CaretEventsHeld held(this);
    QLineEdit::focusInEvent(event);
    update();
}

void CSkinEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    update();
}

void CSkinEdit::SetText(const QString &text)
{
    if (echoMode() == Normal) {
        setText(text);
        return;
    }
    const accessibility::PasswordEventsMasked masked;
    setText(text);
}

void CSkinEdit::keyPressEvent(QKeyEvent *event)
{
    // A password's characters reach a screen reader as mask characters only.
    if (echoMode() == Normal) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const accessibility::PasswordEventsMasked masked;
    QLineEdit::keyPressEvent(event);
}

void CSkinEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (echoMode() == Normal) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    const accessibility::PasswordEventsMasked masked;
    QLineEdit::inputMethodEvent(event);
}
