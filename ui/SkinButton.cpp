#include "ui/SkinButton.h"

#include "ui/Control.h"

#include <QEvent>
#include <QMouseEvent>
#include <QKeyEvent>
#include <QPainter>

CSkinButton::CSkinButton(Kind kind, QWidget *parent)
    : CSkinButton(kind, QString(), parent)
{
}

CSkinButton::CSkinButton(Kind kind, const QString &text, QWidget *parent)
    : QAbstractButton(parent)
    , m_kind(kind)
{
    setText(text);
    setKind(kind);
}

void CSkinButton::setKind(Kind kind)
{
    m_kind = kind;
    // The check state is ours: it changes on the press, not on the click.
    setCheckable(kind == Radio || kind == CheckBox);
    setAutoExclusive(false);
    rebuildFrames();
}

bool CSkinButton::LoadImages(const QList<int> &ids, bool stretch, QRgb key, const char *type)
{
    QList<QImage> sources;
    bool all = true;
    for (int id : ids) {
        sources.append(LoadImageResource(id, type));
        all = all && !sources.last().isNull();
    }
    return SetImages(sources, stretch, key) && all;
}

bool CSkinButton::SetImages(const QList<QImage> &sources, bool stretch, QRgb key)
{
    m_sources = sources;
    m_stretch = stretch;
    m_key = key;
    rebuildFrames();
    return !m_frames.isEmpty();
}

void CSkinButton::rebuildFrames() const
{
    m_frames.clear();
    m_framesSize = size();
    if (m_sources.isEmpty())
        return;
    if (m_kind == Push) {
        for (const QImage &src : std::as_const(m_sources))
            m_frames.append(m_stretch && !src.isNull() ? ScaleImageByMarkers(src, size(), m_key) : src);
    } else if (m_kind == Radio || m_kind == CheckBox) {
        const QList<QImage> strip = SplitImageStrip(m_sources.first(), 3);
        if (strip.size() != 3)
            return;
        m_frames = {strip[0], strip[1], strip[0], strip[1]};
        for (int f : {2, 3}) {
            QImage composed = m_frames[f].copy();
            QPainter p(&composed);
            p.drawImage(0, 0, strip[2]);
            m_frames[f] = composed;
        }
    }
    const_cast<CSkinButton *>(this)->update();
}

const QList<QImage> &CSkinButton::frames() const
{
    // Resizes of a hidden button arrive late; stretched frames follow the size asked for.
    if (m_kind == Push && m_stretch && m_framesSize != size())
        rebuildFrames();
    return m_frames;
}

void CSkinButton::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    if (m_kind == Push && m_stretch)
        rebuildFrames();
}

int CSkinButton::currentFrame() const
{
    switch (m_kind) {
    case Push:
        if (isDown())
            return 2;
        return m_hover ? 1 : 0;
    case Radio:
    case CheckBox:
        return (isChecked() ? 2 : 0) + (m_hover ? 1 : 0);
    default:
        return -1;
    }
}

QSize CSkinButton::sizeHint() const
{
    const QFontMetrics fm(font());
    if (m_kind == Push) {
        // Wide enough for the caption with some air on both sides.
        const QSize caption(fm.horizontalAdvance(QString(text()).remove(u'&')) + 24, fm.height() + 8);
        const QSize base = m_frames.isEmpty() ? QSize(75, 23) : m_frames.first().size().expandedTo(QSize(75, 23));
        return base.expandedTo(caption);
    }
    const QSize frame = m_frames.isEmpty() ? QSize(14, 14) : m_frames.first().size();
    return QSize(frame.width() + 2 + fm.horizontalAdvance(text()) + 2, std::max(frame.height(), fm.height()));
}

void CSkinButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const int f = currentFrame();
    const QList<QImage> &all = frames();
    if (f < 0 || f >= all.size() || all[f].isNull())
        return;
    p.setFont(font());
    const QImage &frame = all[f];
    // Where the keyboard is: a dotted line in the skin's blue, inside a push button's
    // frame or around a box's caption.
    QPen focusPen(QColor(48, 134, 198), 1, Qt::DotLine);
    if (m_kind == Push) {
        DrawImageToDC(p, frame, QPoint(0, 0), text(), false);
        if (hasFocus()) {
            p.setPen(focusPen);
            p.drawRoundedRect(QRectF(rect()).adjusted(3.5, 3.5, -3.5, -3.5), 2, 2);
        }
        return;
    }
    const bool disabled = !isEnabled();
    DrawImageToDC(p, frame, QPoint(0, std::max(0, (height() - frame.height()) / 2)), QString(), disabled);
    p.setPen(disabled ? GrayTextColor() : QColor(Qt::black));
    const int x = frame.width() + 2;
    QRect caption;
    p.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text(),
               &caption);
    if (hasFocus()) {
        p.setPen(focusPen);
        p.drawRect(caption.adjusted(-1, 0, 0, -1).intersected(rect().adjusted(0, 0, -1, -1)));
    }
}

void CSkinButton::keyPressEvent(QKeyEvent *event)
{
    // A focused push button takes Enter, as in any dialog; Space works as for every button.
    if (m_kind == Push && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CSkinButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    update();
}

void CSkinButton::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    update();
}

void CSkinButton::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinButton::checkExclusively()
{
    if (QWidget *parent = parentWidget()) {
        for (CSkinButton *other : parent->findChildren<CSkinButton *>(Qt::FindDirectChildrenOnly))
            if (other != this && other->m_kind == Radio && other->m_group == m_group && other->isChecked())
                other->setChecked(false);
    }
    setChecked(true);
}

void CSkinButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isEnabled()) {
        if (m_kind == Radio) {
            checkExclusively();
            m_toggledByPress = true;
        } else if (m_kind == CheckBox) {
            setChecked(!isChecked());
            m_toggledByPress = true;
        }
    }
    QAbstractButton::mousePressEvent(event);
}

void CSkinButton::mouseReleaseEvent(QMouseEvent *event)
{
    QAbstractButton::mouseReleaseEvent(event);
    m_toggledByPress = false;
    if (m_kind == Push) {
        m_hover = rect().contains(event->position().toPoint());
        update();
    }
}

void CSkinButton::nextCheckState()
{
    // A mouse click was already handled on the press; keyboard clicks toggle here.
    if (m_toggledByPress) {
        m_toggledByPress = false;
        return;
    }
    if (m_kind == Radio)
        checkExclusively();
    else if (m_kind == CheckBox)
        setChecked(!isChecked());
}

void CSkinButton::SetCheck(bool checked)
{
    setChecked(checked);
    update();
}

void CSkinButton::SetText(const QString &text)
{
    setText(text);
    update();
}

void CSkinButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

int firstCheckedInRange(QWidget *dialog, int firstId, int lastId)
{
    for (int id = firstId; id <= lastId; ++id)
        if (auto *button = control<CSkinButton>(dialog, id); button && button->GetCheck())
            return id;
    return 0;
}
