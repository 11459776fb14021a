#include "study/WordDisplay.h"

#include "ui/Accessibility.h"

#include "ui/Images.h"

#include <QFontMetrics>
#include <QPainter>

#include <array>

namespace {

// Channels spelt out: the outline is a dark slate blue, the face of the letters a
// light sky blue; typed letters are pure red or green, the next letter pure yellow.
const QColor kOutline(0x40, 0x40, 0x80);
const QColor kFace(0x28, 0xA0, 0xF0);
const QColor kWrong(0xFF, 0x00, 0x00);
const QColor kRight(0x00, 0xFF, 0x00);
const QColor kNext(0xFF, 0xFF, 0x00);

constexpr std::array<int, CWordDisplay::kCursorFrames> kFrameDelays{
    450, 40, 450, 60, 60, 300, 60, 60, 60, 450, 450, 450, 450};

// Both pages share one cursor rhythm, so a page switch does not restart the blink.
int s_frameIndex = 0;

// Text is placed by the top of its line, as the word and the cursor frames are laid
// out from y = 1.
void drawTextAt(QPainter &p, qreal x, qreal y, const QString &text)
{
    p.drawText(QPointF(x, y + p.fontMetrics().ascent()), text);
}

void drawOutlined(QPainter &p, const QString &text)
{
    p.setPen(kOutline);
    for (int dy = 0; dy <= 2; ++dy)
        for (int dx = 0; dx <= 2; ++dx)
            drawTextAt(p, dx, dy, text);
    p.setPen(kFace);
    drawTextAt(p, 1, 1, text);
}

} // namespace

CWordDisplay::CWordDisplay(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    accessibility::setAccessibleRole(this, QAccessible::StaticText);
    for (int i = 0; i < kCursorFrames; ++i)
        m_cursorFrames.append(LoadImageResource(kFirstCursorBitmap + i, "BITMAP"));
    m_animation.setTimerType(Qt::PreciseTimer);
    connect(&m_animation, &QTimer::timeout, this, &CWordDisplay::OnAnimationTick);
}

void CWordDisplay::SetWord(const QString &text)
{
    m_word = text;
    updateAccessibleName();
    update();
}

void CWordDisplay::SetTyped(const QString &text)
{
    m_typed = text;
    updateAccessibleName();
    update();
}

void CWordDisplay::updateAccessibleName()
{
    // Read as it is seen: while the word is to be spelt, only what was typed.
    setAccessibleName((m_mode == Spelling ? m_typed : m_word).trimmed());
}

void CWordDisplay::SetMode(int mode)
{
    m_mode = mode;
    updateAccessibleName();
    if (mode == Spelling) {
        m_animation.start(kFirstTickMs);
    } else {
        m_animation.stop();
        update();
    }
}

int CWordDisplay::frameDelay(int frame)
{
    return frame >= 0 && frame < kCursorFrames ? kFrameDelays[frame] : 0;
}

int CWordDisplay::frameIndex()
{
    return s_frameIndex;
}

void CWordDisplay::OnAnimationTick()
{
    m_animation.start(kFrameDelays[s_frameIndex]);
    m_bitmapId = kFirstCursorBitmap + s_frameIndex;
    update();
    s_frameIndex = (s_frameIndex + 1) % kCursorFrames;
}

QFont CWordDisplay::wordFont()
{
    QFont f(QStringLiteral("Comic Sans MS"));
    f.setPointSize(34);
    return f;
}

QImage CWordDisplay::render(QSize size) const
{
    return render(size, 1.0);
}

QImage CWordDisplay::render(QSize size, qreal pixelRatio) const
{
    // Drawn in the widget's own coordinates; on a dense screen the pixels follow.
    QImage canvas(size * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(pixelRatio);
    canvas.fill(Qt::white);
    if (size.isEmpty())
        return canvas;
    QPainter p(&canvas);
    p.setFont(wordFont());
    const QFontMetrics fm = p.fontMetrics();
    const QString &w = m_word;
    const QString &t = m_typed;

    if (t.size() > w.size()) {
        drawOutlined(p, w);
        return canvas;
    }
    drawOutlined(p, m_mode == Spelling ? w.left(t.size()) : w);

    // Every letter sits where it stands in the whole word, measured in this very font.
    const auto xOf = [&](qsizetype i) { return fm.horizontalAdvance(w.left(i)) + 1; };
    QList<qsizetype> matching;
    p.setPen(kWrong);
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == w[i])
            matching.append(i);
        else
            drawTextAt(p, xOf(i), 1, QString(w[i]));
    }
    p.setPen(kRight);
    for (qsizetype i : std::as_const(matching))
        drawTextAt(p, xOf(i), 1, QString(w[i]));

    if (t.size() < w.size()) {
        const int x = xOf(t.size());
        if (m_mode == Spelling) {
            const QImage cursor = m_cursorFrames.value(m_bitmapId - kFirstCursorBitmap);
            if (!cursor.isNull())
                p.drawImage(QPoint(x, 1), cursor);
        } else {
            p.setPen(kNext);
            drawTextAt(p, x, 1, QString(w[t.size()]));
        }
    }
    return canvas;
}

void CWordDisplay::paintEvent(QPaintEvent *)
{
    // Drawn whole off-screen and copied in one piece, so typing never flickers.
    QPainter(this).drawImage(0, 0, render(size(), devicePixelRatioF()));
}
