#pragma once

#include "Manifest.h"

#include <QDir>
#include <QImage>

// Draws one manifest entry at its exact pixel size. Returns a null image and sets
// *error when a source is missing, has the wrong size or the markers cannot be placed.
QImage renderEntry(const ArtEntry &entry, const QDir &artDir, QString *error);
