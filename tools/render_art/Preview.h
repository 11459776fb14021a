#pragma once

#include "Manifest.h"

#include <QDir>

// Writes look-at-me sheets of the rendered art into outDir: every picture enlarged on
// a checkerboard, the home window as the program composes it, marker-scaled controls
// at typical sizes, radio/check/drop-down looks as composed, and the spelling
// cursor after a word.
bool writePreviews(const Manifest &manifest, const QDir &resDir, const QDir &outDir, QString *error);
