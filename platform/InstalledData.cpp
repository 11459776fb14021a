#include "platform/InstalledData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString installedDataPath(const QString &relative)
{
    // A relocated installation or the build tree: look beside the program first.
    const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/quillora/") + relative);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(QString::fromUtf8(QUILLORA_DATADIR) + u'/' + relative);
    if (QFileInfo::exists(installed))
        return installed;
    return QString();
}
