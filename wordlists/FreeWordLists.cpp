#include "wordlists/FreeWordLists.h"

#include "platform/InstalledData.h"

#include <QCoreApplication>

QString freeWordListFolderName()
{
    return QStringLiteral("赠送词库");
}

QString freeWordListFolder()
{
    const QString folder = installedDataPath(freeWordListFolderName());
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}
