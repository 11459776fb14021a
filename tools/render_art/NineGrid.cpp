#include "NineGrid.h"

#include <QPainter>

#include <algorithm>

namespace {

// The first two key-coloured positions along row 0 (horizontal) or column 0,
// reading one position past the edge as the program does.
QList<int> markerPositions(const QImage &img, bool horizontal, QRgb key)
{
    QList<int> found;
    const int n = horizontal ? img.width() : img.height();
    QRgb value = 0xFF000000;
    for (int i = 0; i <= n && found.size() < 2; ++i) {
        if (i < n)
            value = horizontal ? img.pixel(i, 0) : img.pixel(0, i);
        if (value == key)
            found.append(i);
    }
    return found;
}

} // namespace

QImage scaleByMarkers(const QImage &source, int w, int h, QRgb key)
{
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    const QList<int> xs = markerPositions(src, true, key);
    const QList<int> ys = markerPositions(src, false, key);
    if (xs.size() < 2 || ys.size() < 2)
        return {};
    const int W = src.width(), H = src.height();
    const int L = xs[0], R = W - xs[1], T = ys[0], B = H - ys[1];
    if (w < 2 * std::max(L, R))
        w = 2 * std::max(L, R) + 1;
    if (h < 2 * std::max(T, B))
        h = 2 * std::max(T, B) + 1;

    // Half-open source and destination ranges per axis: fixed edge, stretched centre, fixed edge.
    const int sx[3][2] = {{0, xs[0] - 1}, {xs[0] + 1, xs[1] - 1}, {xs[1] + 1, W}};
    const int dx[3][2] = {{0, L - 1}, {L - 1, w - (R - 1)}, {w - (R - 1), w}};
    const int sy[3][2] = {{0, ys[0] - 1}, {ys[0] + 1, ys[1] - 1}, {ys[1] + 1, H}};
    const int dy[3][2] = {{0, T - 1}, {T - 1, h - (B - 1)}, {h - (B - 1), h}};

    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) {
            const QRect from(sx[c][0], sy[r][0], sx[c][1] - sx[c][0], sy[r][1] - sy[r][0]);
            const QRect to(dx[c][0], dy[r][0], dx[c][1] - dx[c][0], dy[r][1] - dy[r][0]);
            if (from.isEmpty() || to.isEmpty())
                continue;
            // A separate copy per piece keeps smooth scaling from sampling the marker
            // columns next to it.
            p.drawImage(to, src.copy(from));
        }
    }
    return out;
}
