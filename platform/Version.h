#pragma once

#include <QString>

// The program's own version string: "%d.%d%d" of the first three numbers of the
// version the program was built with (1.0.0.0 gives "1.00", 1.2.10.x gives "1.210").
QString ownVersionString(const QString &fileVersion = QStringLiteral(QUILLORA_VERSION));
