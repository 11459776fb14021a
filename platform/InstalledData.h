#pragma once

#include <QString>

// A file or folder that is installed with the program under share/quillora: the one
// beside the running program (<prefix>/bin/../share/quillora/...; the build tree is laid
// out the same way), else the one of the configured installation prefix. Empty when
// neither exists.
QString installedDataPath(const QString &relative);
