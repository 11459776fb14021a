#include "wordlists/FreeWordLists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString freeWordListFolderName()
{
    return QStringLiteral("赠送词库");
}

QString freeWordListFolder()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    // A relocated installation or the build tree: look beside the program first.
    const QString beside = QDir::cleanPath(programDir + QStringLiteral("/../share/quillora/") + freeWordListFolderName());
    if (QFileInfo(beside).isDir())
        return beside;
    const QString installed = QDir::cleanPath(QString::fromUtf8(QUILLORA_DATADIR) + u'/' + freeWordListFolderName());
    if (QFileInfo(installed).isDir())
        return installed;
    return programDir;
}
