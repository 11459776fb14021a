#include "platform/OwnerOnly.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>

bool restrictToOwner(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return errno == ENOENT;
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return true;
    return ::chmod(name.constData(), st.st_mode & S_IRWXU) == 0;
}
