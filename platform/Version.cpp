#include "platform/Version.h"

#include <QStringList>

QString ownVersionString(const QString &fileVersion)
{
    const QStringList parts = fileVersion.split(u'.');
    if (parts.size() < 3)
        return QString();
    bool ok[3];
    const int a = parts[0].toInt(&ok[0]);
    const int b = parts[1].toInt(&ok[1]);
    const int c = parts[2].toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2])
        return QString();
    return QStringLiteral("%1.%2%3").arg(a).arg(b).arg(c);
}
