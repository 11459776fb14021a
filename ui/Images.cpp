#include "ui/Images.h"

#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <vector>

QImage LoadImageResource(int id, const char *type)
{
    QImageReader png(QStringLiteral(":/%1/%2.png").arg(QString::fromLatin1(type)).arg(id), "png");
    // Otherwise every image plugin (and its library) is loaded to be asked first.
    png.setAutoDetectImageFormat(false);
    const QImage image = png.read();
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QList<QImage> SplitImageStrip(const QImage &strip, int frames)
{
    QList<QImage> result;
    if (strip.isNull() || frames < 1)
        return result;
    const QImage src = strip.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int frameWidth = (src.width() - frames + 1) / frames;
    for (int i = 0; i < frames; ++i)
        result.append(src.copy(i * (frameWidth + 1), 0, frameWidth, src.height()));
    return result;
}

namespace {

struct Markers
{
    int first = -1;
    int second = -1;
    bool valid() const { return second >= 0; }
};

// Reads one position past the edge; a position that cannot be read repeats the value
// before it (opaque black at first), so a marker in the last pixel is seen twice.
Markers findMarkers(const QImage &argb, bool row, QRgb key)
{
    Markers m;
    const int length = row ? argb.width() : argb.height();
    QRgb value = 0xFF000000;
    for (int i = 0; i <= length; ++i) {
        if (i < length)
            value = row ? argb.pixel(i, 0) : argb.pixel(0, i);
        if (value == key) {
            if (m.first < 0) {
                m.first = i;
            } else {
                m.second = i;
                break;
            }
        }
    }
    return m;
}

struct Span
{
    int srcBegin, srcEnd, dstBegin, dstEnd;
};

// Nearest-neighbour source index for every destination index, per span; -1 = not drawn.
std::vector<int> mapSpans(const std::vector<Span> &spans, int length)
{
    std::vector<int> map(std::max(length, 0), -1);
    for (const Span &s : spans) {
        const int sw = s.srcEnd - s.srcBegin;
        const int dw = s.dstEnd - s.dstBegin;
        if (sw <= 0 || dw <= 0)
            continue;
        for (int d = std::max(s.dstBegin, 0); d < std::min(s.dstEnd, length); ++d) {
            const qint64 offset = (qint64(d - s.dstBegin) * 2 + 1) * sw / (qint64(dw) * 2);
            map[d] = s.srcBegin + int(std::min<qint64>(offset, sw - 1));
        }
    }
    return map;
}

struct Grid
{
    Markers cols, rows;
    int L = 0, R = 0, T = 0, B = 0;
    QSize size;
};

Grid gridFor(const QImage &argb, QSize target, QRgb key)
{
    Grid g;
    g.cols = findMarkers(argb, true, key);
    g.rows = findMarkers(argb, false, key);
    int w = target.width();
    int h = target.height();
    if (g.cols.valid()) {
        g.L = g.cols.first;
        g.R = argb.width() - g.cols.second;
        if (w < 2 * std::max(g.L, g.R))
            w = 2 * std::max(g.L, g.R) + 1;
    }
    if (g.rows.valid()) {
        g.T = g.rows.first;
        g.B = argb.height() - g.rows.second;
        if (h < 2 * std::max(g.T, g.B))
            h = 2 * std::max(g.T, g.B) + 1;
    }
    g.size = QSize(w, h);
    return g;
}

std::vector<Span> spansFor(const Markers &m, int fixedBegin, int fixedEnd, int srcLength, int dstLength)
{
    if (!m.valid()) // no markers: the whole picture stretches
        return {{0, srcLength, 0, dstLength}};
    return {{0, m.first - 1, 0, fixedBegin - 1},
            {m.first + 1, m.second - 1, fixedBegin - 1, dstLength - (fixedEnd - 1)},
            {m.second + 1, srcLength, dstLength - (fixedEnd - 1), dstLength}};
}

} // namespace

QSize MarkerScaledSize(const QImage &source, QSize target, QRgb key)
{
    if (source.isNull())
        return {};
    return gridFor(source.convertToFormat(QImage::Format_ARGB32), target, key).size;
}

QImage ScaleImageByMarkers(const QImage &source, QSize target, QRgb key)
{
    if (source.isNull() || target.isEmpty())
        return {};
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    const Grid g = gridFor(argb, target, key);
    const QImage src = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    const std::vector<int> xs = mapSpans(spansFor(g.cols, g.L, g.R, src.width(), g.size.width()), g.size.width());
    const std::vector<int> ys = mapSpans(spansFor(g.rows, g.T, g.B, src.height(), g.size.height()), g.size.height());

    QImage out(g.size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    for (int y = 0; y < out.height(); ++y) {
        if (ys[y] < 0)
            continue;
        const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(ys[y]));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (xs[x] >= 0)
                line[x] = in[xs[x]];
    }
    return out;
}

QImage GreyImage(const QImage &image)
{
    if (image.isNull())
        return {};
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = line[x];
            const int lum = std::clamp(qRound(0.3 * qRed(p) + 0.59 * qGreen(p) + 0.11 * qBlue(p)), 0, 255);
            const int alpha = std::clamp(qRound(0.7 * qAlpha(p)), 0, 255);
            line[x] = qRgba(lum, lum, lum, alpha);
        }
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool LoadImageList(const QList<int> &ids, QList<QImage> &list, const char *type, int frames, bool stretch,
                   QRgb key, QSize size)
{
    if (ids.size() == 1) {
        const QImage strip = LoadImageResource(ids.first(), type);
        if (strip.isNull())
            return false;
        list.append(SplitImageStrip(strip, frames));
        return true;
    }
    bool all = true;
    for (int id : ids) {
        const QImage image = LoadImageResource(id, type);
        if (image.isNull()) {
            all = false;
            list.append(QImage());
            continue;
        }
        list.append(stretch ? ScaleImageByMarkers(image, size, key) : image);
    }
    return all;
}

QColor GrayTextColor()
{
    return QColor(109, 109, 109);
}

void DrawImageToDC(QPainter &painter, const QImage &image, QPoint pos, const QString &text, bool greyed)
{
    if (image.isNull())
        return;
    QImage canvas(image.size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        p.drawImage(0, 0, greyed ? GreyImage(image) : image);
        if (!text.isEmpty()) {
            p.setFont(painter.font());
            p.setPen(greyed ? GrayTextColor() : QColor(Qt::black));
            p.drawText(canvas.rect(), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text);
        }
    }
    painter.drawImage(pos, canvas);
}
