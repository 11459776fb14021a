#pragma once

#include <QList>
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>

// One SVG drawn into a frame: optionally shifted by whole pixels (a pressed state
// reuses the normal drawing one pixel lower) or cut from a sprite sheet by view box.
struct ArtLayer
{
    QString file;
    QPoint offset;
    std::optional<QRectF> viewBox;
};

// The nine-grid marker positions that go into row 0 and column 0.
struct ArtMarkers
{
    int x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// One line of the manifest: an output picture and how it is made.
struct ArtEntry
{
    int line = 0;
    QString output;                 // relative to res/
    QSize size;
    QString copyFrom;               // set for plain copies (no rendering)
    QList<QList<ArtLayer>> frames;  // one list of layers per strip frame
    std::optional<ArtMarkers> markers;
    std::optional<QString> background; // opaque picture drawn on this colour
    bool scaled = false;               // sources may be drawn larger than the output (icons)

    int frameWidth() const { return (size.width() - int(frames.size()) + 1) / int(frames.size()); }
    int frameX(int i) const { return i * (frameWidth() + 1); }
};

struct Manifest
{
    QList<ArtEntry> entries;
    QString error; // first problem found, with its line number
};

Manifest readManifest(const QString &path);
