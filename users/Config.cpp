#include "users/Config.h"

#include "platform/AnsiText.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace config {

namespace {
QString g_path;
constexpr char kSection[] = "login";
} // namespace

void initialise(const QString &dir)
{
    const QString file = QDir(dir).absoluteFilePath(QString::fromLatin1(kFileName));
    if (!QFileInfo::exists(file)) {
        QFile create(file);
        create.open(QIODevice::WriteOnly);
    }
    g_path = QFileInfo(file).absoluteFilePath();
}

QString path()
{
    return g_path;
}

QString readLogin(const char *key)
{
    if (g_path.isEmpty())
        return QString();
    return ansi::toUnicode(ProfileFile(g_path).readString(kSection, key));
}

void writeLogin(const char *key, const QString &value)
{
    if (!g_path.isEmpty())
        ProfileFile(g_path).writeString(kSection, key, ansi::fromUnicode(value));
}

} // namespace config
