#include "store/Store.h"

#include "platform/AnsiText.h"
#include "study/WordMemory.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

CppSQLite3Connection theDatabase;

namespace store {

namespace {
QByteArray loadScript(const QString &resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Kept as UTF-8 in the sources; the store holds narrow text.
    return ansi::fromUnicode(QString::fromUtf8(file.readAll()));
}
} // namespace

QByteArray schemaScript()
{
    return loadScript(QStringLiteral(":/SQL/137.sql"));
}

QByteArray tempObjectsScript()
{
    return loadScript(QStringLiteral(":/SQL/temp_objects.sql"));
}

namespace {
// A page cache that holds a large word list whole: every page read from the file is
// decrypted once instead of at every scan of the daily-list build.
constexpr char kCacheSize[] = "PRAGMA cache_size = -32768;";
} // namespace

void openStore(CppSQLite3Connection &db, const QString &path, const char *key)
{
    const QByteArray file = QFile::encodeName(path);
    // A zero-length file is what a first start leaves when it ends between creating the
    // file and running the script: it holds nothing, so it is made like a missing one.
    const QFileInfo info(path);
    if (info.exists() && info.size() > 0) {
        db.open(file.constData(), key);
        db.execute(kCacheSize);
        // A store from before the memory model gains its table on this first opening.
        memory::ensureTable(db);
        return;
    }
    db.open(file.constData());
    db.changeKey(key);
    db.execute(kCacheSize);
    const QByteArray script = schemaScript();
    if (script.isEmpty())
        return;
    try {
        db.execute(script.constData());
    } catch (const CppSQLite3Exception &) {
        rollbackIfOpen(db);
        throw;
    }
    memory::ensureTable(db);
}

void rollbackIfOpen(CppSQLite3Connection &db)
{
    if (db.handle() && !sqlite3_get_autocommit(db.handle()))
        sqlite3_exec(db.handle(), "ROLLBACK TRANSACTION;", nullptr, nullptr, nullptr);
}

} // namespace store
