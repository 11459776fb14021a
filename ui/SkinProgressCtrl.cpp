#include "ui/SkinProgressCtrl.h"

#include <QPainter>

CSkinProgressCtrl::CSkinProgressCtrl(QWidget *parent)
    : QProgressBar(parent)
{
    setTextVisible(false);
}

bool CSkinProgressCtrl::LoadImages(int backgroundId, int barId, int leftInset, int rightInset, QRgb key,
                                   const char *type)
{
    const QImage background = LoadImageResource(backgroundId, type);
    const QImage bar = LoadImageResource(barId, type);
    SetImages(background, bar, leftInset, rightInset, key);
    return !background.isNull() && !bar.isNull();
}

void CSkinProgressCtrl::SetImages(const QImage &background, const QImage &bar, int leftInset, int rightInset,
                                  QRgb key)
{
    m_backgroundSource = background;
    m_bar = bar;
    m_left = leftInset;
    m_right = rightInset;
    m_key = key;
    prepareBackground();
}

void CSkinProgressCtrl::prepareBackground()
{
    m_background = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    m_background.fill(Qt::white);
    if (!m_backgroundSource.isNull() && !size().isEmpty()) {
        QPainter p(&m_background);
        p.drawImage(0, 0, ScaleImageByMarkers(m_backgroundSource, size(), m_key));
    }
    update();
}

QRect CSkinProgressCtrl::barRect() const
{
    const int span = maximum() - minimum();
    if (span <= 0)
        return {};
    const double fraction = double(value() - minimum()) / span;
    const int w = int(fraction * (width() - m_left - m_right));
    return QRect(m_left, 0, std::max(w, 0), height());
}

QImage CSkinProgressCtrl::renderImage() const
{
    QImage canvas = m_background.size() == size() ? m_background.copy() : QImage(size(), QImage::Format_ARGB32_Premultiplied);
    if (m_background.size() != size())
        canvas.fill(Qt::white);
    const QRect bar = barRect();
    if (!m_bar.isNull() && !bar.isEmpty()) {
        QPainter p(&canvas);
        // Nearest-pixel stretching keeps the bar's ends sharp.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(bar, m_bar);
    }
    return canvas;
}

void CSkinProgressCtrl::paintEvent(QPaintEvent *)
{
    QPainter(this).drawImage(0, 0, renderImage());
}

void CSkinProgressCtrl::resizeEvent(QResizeEvent *event)
{
    QProgressBar::resizeEvent(event);
    prepareBackground();
}
