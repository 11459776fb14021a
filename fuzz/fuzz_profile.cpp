// The profile-file reader and writer: any bytes as config.ini. Every section and key
// the file names, and the program's own, read back within the buffer's limit; a write
// reads back as written and leaves every other value as it was.

#include "platform/ProfileFile.h"

#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Names a reader may be asked for: the program's own and those the file spells.
void namesIn(const QByteArray &data, QList<QByteArray> *sections, QList<QByteArray> *keys)
{
    *sections = {"login", "LOGIN", "", "none"};
    *keys = {"AutoLog", "LastUser", "RememberPas", "autolog", "", "missing"};
    for (const QByteArray &line : data.split('\n')) {
        if (sections->size() + keys->size() > 40)
            break;
        const QByteArray t = line.trimmed();
        if (t.startsWith('[') && t.contains(']'))
            sections->append(t.mid(1, t.indexOf(']') - 1).trimmed());
        else if (t.contains('='))
            keys->append(t.left(t.indexOf('=')).trimmed());
    }
}

bool plainName(const QByteArray &name)
{
    if (name.isEmpty() || name.trimmed() != name)
        return false;
    for (char c : name)
        if (c == '[' || c == ']' || c == '=' || c == '\n' || c == '\r' || c == '\0')
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("config.ini"));
    if (size < 2)
        return 0;
    const int bufferSize = data[0];
    const int valueLength = data[1] % 40;
    const QByteArray content(reinterpret_cast<const char *>(data) + 2, qsizetype(size - 2));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(content);
    }
    const ProfileFile profile(path);
    QList<QByteArray> sections, keys;
    namesIn(content, &sections, &keys);

    QList<QByteArray> before;
    for (const QByteArray &s : std::as_const(sections))
        for (const QByteArray &k : std::as_const(keys)) {
            const QByteArray v = profile.readString(s, k, "default", bufferSize);
            check(bufferSize == 0 || v.size() <= bufferSize - 1);
            before.append(profile.readString(s, k, "default", 512));
        }

    // Write a value taken from the input to a plain name of the file (or the program's).
    const QByteArray section = sections.size() > 4 && plainName(sections.last()) ? sections.last() : QByteArray("login");
    const QByteArray key = keys.size() > 6 && plainName(keys.last()) ? keys.last() : QByteArray("AutoLog");
    QByteArray value = content.left(valueLength);
    value.replace('\n', ' ').replace('\r', ' ').replace('"', '_').replace('\'', '_').replace('\0', '_');
    value = value.trimmed();
    check(profile.writeString(section, key, value));
    check(profile.readString(section, key, "default", 512) == value);
    qsizetype i = 0;
    for (const QByteArray &s : std::as_const(sections))
        for (const QByteArray &k : std::as_const(keys)) {
            const QByteArray now = profile.readString(s, k, "default", 512);
            const bool written = s.compare(section, Qt::CaseInsensitive) == 0 && k.compare(key, Qt::CaseInsensitive) == 0;
            check(written ? now == value : now == before[i]);
            ++i;
        }
    return 0;
}
