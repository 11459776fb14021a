#include "platform/WorkingSet.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <cstdio>
#include <malloc.h>
#include <sys/mman.h>

namespace {

bool isFontFile(const QByteArray &path)
{
    const QByteArray lower = path.toLower();
    for (const char *suffix : {".ttf", ".ttc", ".otf", ".otc"})
        if (lower.endsWith(suffix))
            return true;
    return false;
}

// Drops the resident pages of the font files FreeType maps. Only read-only mappings:
// their pages are the file's own, read again from it on the next access, so nothing
// is lost; a text laid out in a dialog once (a large CJK face's glyph outlines) does not
// stay counted for the rest of the day.
void releaseFontPages()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = maps.readAll().split('\n');
    for (const QByteArray &line : lines) {
        unsigned long start = 0, end = 0;
        char perms[5] = {};
        int pathAt = 0;
        if (std::sscanf(line.constData(), "%lx-%lx %4s %*s %*s %*s %n", &start, &end, perms, &pathAt) != 3 || pathAt <= 0)
            continue;
        if (perms[0] != 'r' || perms[1] != '-' || perms[2] != '-')
            continue;
        if (!isFontFile(line.mid(pathAt).trimmed()))
            continue;
        madvise(reinterpret_cast<void *>(start), end - start, MADV_DONTNEED);
    }
}

} // namespace

void trimWorkingSet()
{
    malloc_trim(0);
    releaseFontPages();
}
