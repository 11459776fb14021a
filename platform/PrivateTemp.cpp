#include "platform/PrivateTemp.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace privatetemp {

namespace {

// Makes path an owner-only folder of ours, or says why not.
bool ensurePrivate(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    // lstat: a link planted under our name must not redirect our files.
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

} // namespace

QString folder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        const QString path = QDir(runtime).filePath(QStringLiteral("Quillora"));
        if (ensurePrivate(path))
            return path;
    }
    const QString temp = QDir(QDir::tempPath()).filePath(QStringLiteral("Quillora-%1").arg(::getuid()));
    return ensurePrivate(temp) ? temp : QString();
}

QString filePath(const QString &name)
{
    const QString dir = folder();
    return dir.isEmpty() ? QString() : QDir(dir).filePath(name);
}

} // namespace privatetemp
