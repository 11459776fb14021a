#include "Render.h"

#include <QColor>
#include <QPainter>
#include <QSvgRenderer>

namespace {

constexpr QRgb kMarker = 0xFFFF00FF;

bool drawLayer(QPainter &p, const ArtLayer &layer, const QRect &frame, bool scaled, const QDir &artDir,
               QString *error)
{
    QSvgRenderer svg(artDir.filePath(layer.file));
    if (!svg.isValid()) {
        *error = QStringLiteral("%1: not a readable SVG").arg(layer.file);
        return false;
    }
    if (scaled) {
        if (layer.viewBox)
            svg.setViewBox(*layer.viewBox);
    } else if (layer.viewBox) {
        if (layer.viewBox->size() != QSizeF(frame.size())) {
            *error = QStringLiteral("%1: view box is not %2x%3").arg(layer.file).arg(frame.width()).arg(frame.height());
            return false;
        }
        svg.setViewBox(*layer.viewBox);
    } else if (svg.defaultSize() != frame.size()) {
        // Sources are drawn on the pixel grid of their output; a scaled drawing would blur.
        *error = QStringLiteral("%1: drawn for %2x%3, used at %4x%5")
                     .arg(layer.file)
                     .arg(svg.defaultSize().width()).arg(svg.defaultSize().height())
                     .arg(frame.width()).arg(frame.height());
        return false;
    }
    p.save();
    p.setClipRect(frame);
    p.translate(frame.topLeft() + layer.offset);
    svg.render(&p, QRectF(QPointF(0, 0), QSizeF(frame.size())));
    p.restore();
    return true;
}

} // namespace

QImage renderEntry(const ArtEntry &entry, const QDir &artDir, QString *error)
{
    QImage img(entry.size, QImage::Format_ARGB32_Premultiplied);
    img.fill(entry.background ? QColor(*entry.background) : QColor(Qt::transparent));
    {
        QPainter p(&img);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
        const int n = int(entry.frames.size());
        for (int i = 0; i < n; ++i) {
            const QRect frame = n == 1 ? QRect(QPoint(0, 0), entry.size)
                                       : QRect(entry.frameX(i), 0, entry.frameWidth(), entry.size.height());
            for (const ArtLayer &layer : entry.frames[i]) {
                if (!drawLayer(p, layer, frame, entry.scaled, artDir, error))
                    return {};
            }
        }
    }

    if (entry.background) {
        // Opaque pictures are copied to the screen as they are; keep every pixel solid.
        return img.convertToFormat(QImage::Format_RGB32);
    }

    img = img.convertToFormat(QImage::Format_ARGB32);

    // Strip separators: the single columns between frames are fully transparent,
    // whatever antialiasing spilled into them.
    const int n = int(entry.frames.size());
    for (int i = 1; i < n; ++i) {
        const int x = entry.frameX(i) - 1;
        for (int y = 0; y < img.height(); ++y)
            img.setPixel(x, y, 0);
    }

    if (entry.markers) {
        const ArtMarkers &m = *entry.markers;
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, 0) == kMarker) {
                *error = QStringLiteral("%1: the drawing itself has key colour at (%2,0)").arg(entry.output).arg(x);
                return {};
            }
        }
        for (int y = 0; y < img.height(); ++y) {
            if (img.pixel(0, y) == kMarker) {
                *error = QStringLiteral("%1: the drawing itself has key colour at (0,%2)").arg(entry.output).arg(y);
                return {};
            }
        }
        img.setPixel(m.x1, 0, kMarker);
        img.setPixel(m.x2, 0, kMarker);
        img.setPixel(0, m.y1, kMarker);
        img.setPixel(0, m.y2, kMarker);
    }
    return img;
}
