// Any bytes as data.db, opened as start-up opens it and asked start-up's queries.
// The first byte chooses whether the rest is written as it is or encrypted with the
// program's key first (so that mutations of a plain image reach the engine's parser
// through the codec), and whether its tail is a hot journal beside the file.

#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "support/IndependentCrypto.h"
#include "users/UserRecord.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(bytes);
}

QByteArray encrypted(const QByteArray &plain)
{
    static const QByteArray stream = independent::pageStream(store::kDatabaseKey);
    return independent::xorWith(plain, stream);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("data.db"));
    static const QString journal = path + QStringLiteral("-journal");
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    QByteArray body(reinterpret_cast<const char *>(data) + 2, qsizetype(size - 2));
    QByteArray journalBytes;
    if (flags & 2) {
        const qsizetype n = std::min<qsizetype>(body.size(), qsizetype(data[1]) * 64);
        journalBytes = body.right(n);
        body.chop(n);
    }
    if (flags & 1)
        body = encrypted(body);
    writeFile(path, body);
    QFile::remove(journal);
    if (flags & 2)
        writeFile(journal, journalBytes);

    CppSQLite3Connection db;
    try {
        store::openStore(db, path);
        db.queryInt("SELECT count(*) FROM UserInfo_tbl;");
        CppSQLite3Cursor row = db.query("SELECT * FROM UserInfo_tbl WHERE username = 'admin';");
        if (!row.eof()) {
            UserRecord user;
            user.fill(row);
        }
        row.finalize();
        db.execute(store::tempObjectsScript().constData());
        db.queryInt("SELECT COUNT(*) FROM ThesaurusInfo_tbl;");
        CppSQLite3Cursor lists = db.query("SELECT tid, name, (SELECT count(*) FROM words_tbl w WHERE w.tid = t.tid) AS WordCnt FROM ThesaurusInfo_tbl t;");
        while (!lists.eof()) {
            lists.stringValue("name");
            lists.intValue("WordCnt");
            lists.next();
        }
    } catch (const CppSQLite3Exception &e) {
        if (!e.errorMessage()[0])
            std::abort();
    }
    return 0;
}
