#pragma once

#include <QImage>

// Scales a marker-carrying skin picture to w x h the way the program's controls do,
// so that previews show what users will see.
QImage scaleByMarkers(const QImage &source, int w, int h, QRgb key = 0xFFFF00FF);
