#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRgb>
#include <QSize>
#include <QString>

class QPainter;

// Opaque magenta: the colour of the nine-grid markers in every skin picture.
inline constexpr QRgb kMarkerColor = 0xFFFF00FF;

// Loads ":/<type>/<id>.png" as ARGB32_Premultiplied; a null image when it is missing.
// "PNG" holds the skin pictures, "BITMAP" the spelling-cursor bitmaps.
QImage LoadImageResource(int id, const char *type = "PNG");

// Cuts a strip into `frames` frames separated by one-pixel columns: frame width is
// (width - frames + 1) / frames and frame i starts at i * (frame width + 1).
QList<QImage> SplitImageStrip(const QImage &strip, int frames);

// Nine-grid scaling by two marker pixels in the top row and two in the left column.
// Marker columns/rows and their left/upper neighbours are never copied; corners keep
// their size, edges stretch one way, the centre both. A target narrower (lower) than
// twice the larger fixed side is widened to that plus one, so corners never overlap.
QImage ScaleImageByMarkers(const QImage &source, QSize target, QRgb key = kMarkerColor);

// The size ScaleImageByMarkers produces for `target` (after the widening rule).
QSize MarkerScaledSize(const QImage &source, QSize target, QRgb key = kMarkerColor);

// Each colour channel becomes 0.3 R + 0.59 G + 0.11 B, alpha is multiplied by 0.7.
QImage GreyImage(const QImage &image);

// With one id: that image split into `frames` frames. With several: each image at its
// own size, or marker-scaled to `size` when `stretch`. Returns false if any id is
// missing (what could be loaded is still appended).
bool LoadImageList(const QList<int> &ids, QList<QImage> &list, const char *type = "PNG", int frames = 1,
                   bool stretch = false, QRgb key = kMarkerColor, QSize size = {});

// The colour the system uses for disabled text.
QColor GrayTextColor();

// Draws the image over white at `pos`, optionally greyed, with an optional one-line
// caption centred on the image rectangle in the painter's font (grey when greyed).
void DrawImageToDC(QPainter &painter, const QImage &image, QPoint pos = {}, const QString &text = {},
                   bool greyed = false);
