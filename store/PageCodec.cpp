#include "store/PageCodec.h"

#include "store/CodecFileLayer.h"
#include "store/StatementClassifier.h"

#include <sqlite3.h>

#include <cstring>
#include <string>

using namespace pagecodec::detail;

namespace {

// Why the codec's last entry point on this thread refused; empty when it did not.
thread_local std::string t_error;

int refuse(const char *why)
{
    t_error = why;
    return SQLITE_ERROR;
}

constexpr char kNotThroughLayer[] = "the database file is not opened through the page codec's file layer "
                                    "(register it before opening): it would stay plain";

int queryScalar(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    int value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && stmt && sqlite3_step(stmt) == SQLITE_ROW)
        value = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return value;
}

std::string queryText(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && stmt && sqlite3_step(stmt) == SQLITE_ROW)
        if (const auto *text = sqlite3_column_text(stmt, 0))
            value = reinterpret_cast<const char *>(text);
    sqlite3_finalize(stmt);
    return value;
}

// The engine turns a cache size given in KiB (the default) into a number of pages when it
// first reads a schema, and keeps that number when the page size changes afterwards.
// Setting a key reads the schema before the page size becomes 1024 (the check of the
// temporary tables, or a statement the caller ran first), and re-keying changes the page
// size by VACUUM: the cache would hold a quarter of the pages it should, and every small
// transaction would read them again. Restating the size counts it in the current pages.
void restateCacheSize(sqlite3 *db, const char *schema)
{
    char *sql = sqlite3_mprintf("PRAGMA \"%w\".cache_size;", schema);
    sqlite3_stmt *stmt = nullptr;
    const bool known = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && stmt && sqlite3_step(stmt) == SQLITE_ROW;
    const int size = known ? sqlite3_column_int(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    sqlite3_free(sql);
    if (!known)
        return;
    sql = sqlite3_mprintf("PRAGMA \"%w\".cache_size = %d;", schema, size);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_free(sql);
}

// New encrypted files get 1024-byte pages. Temporary storage must be memory, so that
// no plain copy of encrypted data (sorts, VACUUM's copy, statement journals) lands on
// disk. The access layer sets that at every open; a connection whose temporary tables
// already live on disk cannot switch without dropping them, so the key is refused.
int prepareForEncryption(sqlite3 *db, const char *schema, bool emptyFile)
{
    if (queryScalar(db, "PRAGMA temp_store;") != 2) {
        if (queryScalar(db, "SELECT count(*) FROM temp.sqlite_master;") != 0)
            return refuse("temporary tables are stored on disk: set the key before creating them");
        sqlite3_exec(db, "PRAGMA temp_store = 2;", nullptr, nullptr, nullptr);
        if (queryScalar(db, "PRAGMA temp_store;") != 2)
            return refuse("temporary storage cannot be moved to memory");
    }
    // An empty file gets the format; an existing one is read once through the codec, so
    // that the engine takes its page size from the decrypted header rather than from
    // the cipher it saw when the file was opened.
    char *sql = emptyFile ? sqlite3_mprintf("PRAGMA \"%w\".page_size = %d;", schema, kStreamPeriod)
                          : sqlite3_mprintf("SELECT count(*) FROM \"%w\".sqlite_master;", schema);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_free(sql);
    restateCacheSize(db, schema);
    return SQLITE_OK;
}

// A file in WAL mode is turned back to a rollback journal before it is encrypted, so
// that no plain -wal file stays beside it and its pages can become 1024 bytes.
int leaveWal(sqlite3 *db)
{
    if (sqlite3_stricmp(queryText(db, "PRAGMA main.journal_mode;").c_str(), "wal") != 0)
        return SQLITE_OK;
    sqlite3_exec(db, "PRAGMA main.journal_mode = DELETE;", nullptr, nullptr, nullptr);
    if (sqlite3_stricmp(queryText(db, "PRAGMA main.journal_mode;").c_str(), "wal") == 0)
        return refuse("the database is in WAL mode and cannot leave it now (another connection uses it)");
    return SQLITE_OK;
}

// Whether page 1 of the file reads as a database header under the key (none: plain).
bool pageOneReadsWith(FileImpl *impl, const Key &key)
{
    static const char header[] = "SQLite format 3";
    unsigned char bytes[16] = {};
    if (impl->real->pMethods->xRead(impl->real, bytes, sizeof bytes, 0) != SQLITE_OK)
        return false;
    if (key)
        applyStream(*key, bytes, bytes, sizeof bytes, 0);
    return std::memcmp(bytes, header, sizeof header) == 0;
}
} // namespace

namespace pagecodec {

bool isEncrypted(sqlite3 *db)
{
    FileImpl *impl = mainFileOf(db, "main");
    return impl && impl->state->encrypted();
}

const char *errorText(sqlite3 *db)
{
    return !t_error.empty() ? t_error.c_str() : sqlite3_errmsg(db);
}
int runAttach(sqlite3 *db, sqlite3_stmt *stmt, const char *sql, const char *end, char **errorOut)
{
    *errorOut = nullptr;
    FileImpl *mainImpl = mainFileOf(db, "main");
    Key key = mainImpl ? mainImpl->state->readKey : nullptr; // no clause: the main key

    const char *keyBegin = nullptr;
    const char *keyEnd = nullptr;
    if (findKeyClause(sql, end, keyBegin, keyEnd)) {
        char *select = sqlite3_mprintf("SELECT %.*s", static_cast<int>(keyEnd - keyBegin), keyBegin);
        sqlite3_stmt *eval = nullptr;
        int rc = sqlite3_prepare_v2(db, select, -1, &eval, nullptr);
        sqlite3_free(select);
        if (rc == SQLITE_OK && eval)
            rc = sqlite3_step(eval);
        if (rc != SQLITE_ROW) {
            *errorOut = sqlite3_mprintf("%s", sqlite3_errmsg(db));
            sqlite3_finalize(eval);
            return rc == SQLITE_DONE || rc == SQLITE_OK ? SQLITE_ERROR : rc;
        }
        switch (sqlite3_column_type(eval, 0)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            sqlite3_finalize(eval);
            *errorOut = sqlite3_mprintf("Invalid key value");
            return SQLITE_ERROR;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const void *bytes = sqlite3_column_blob(eval, 0);
            const int n = sqlite3_column_bytes(eval, 0);
            if (n > 0)
                key = deriveKey(bytes, n);
            break;
        }
        default:
            break; // NULL: the main database's key
        }
        sqlite3_finalize(eval);
    }

    t_pendingAttach.active = true;
    t_pendingAttach.key = key;
    int rc = sqlite3_step(stmt);
    t_pendingAttach = {};
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        *errorOut = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    if (key) {
        // The newly attached database is the last one.
        int last = -1;
        for (int i = 0; sqlite3_db_name(db, i); ++i)
            last = i;
        const char *schema = last >= 0 ? sqlite3_db_name(db, last) : nullptr;
        if (FileImpl *impl = schema ? mainFileOf(db, schema) : nullptr) {
            if (prepareForEncryption(db, schema, fileIsEmpty(impl)) != SQLITE_OK) {
                // Not kept attached: its pages would pass through plain temporary storage.
                char *detach = sqlite3_mprintf("DETACH DATABASE \"%w\";", schema);
                sqlite3_exec(db, detach, nullptr, nullptr, nullptr);
                sqlite3_free(detach);
                *errorOut = sqlite3_mprintf("%s", t_error.c_str());
                return SQLITE_ERROR;
            }
        }
    }
    return SQLITE_OK;
}

} // namespace pagecodec

extern "C" int sqlite3_key(sqlite3 *db, const void *key, int length)
{
    pagecodec::ensureRegistered();
    t_error.clear();
    if (!key || length <= 0)
        return SQLITE_OK; // no key: the file is used plain
    if (!db)
        return SQLITE_MISUSE;
    FileImpl *impl = mainFileOf(db, "main");
    if (!impl)
        return inMemory(db, "main") ? SQLITE_OK : refuse(kNotThroughLayer);
    const bool empty = fileIsEmpty(impl);
    const Key before = impl->state->readKey;
    Key k = deriveKey(key, length);
    impl->state->readKey = k;
    impl->state->writeKey = k;
    if (const int rc = prepareForEncryption(db, "main", empty)) {
        impl->state->readKey = impl->state->writeKey = before;
        return rc;
    }
    return SQLITE_OK;
}

extern "C" int sqlite3_rekey(sqlite3 *db, const void *key, int length)
{
    pagecodec::ensureRegistered();
    t_error.clear();
    if (!db)
        return SQLITE_MISUSE;
    FileImpl *impl = mainFileOf(db, "main");
    Key newKey = deriveKey(key, length);
    if (!impl)
        return !newKey || inMemory(db, "main") ? SQLITE_OK : refuse(kNotThroughLayer);
    CodecState &st = *impl->state;
    if (!st.readKey && !newKey)
        return SQLITE_OK; // a plain file stays plain

    // Pages of an open transaction or a running statement would be written under one
    // key or the other depending on the moment: refused, nothing is touched.
    if (!sqlite3_get_autocommit(db))
        return refuse("cannot change the key inside a transaction");
    for (sqlite3_stmt *stmt = sqlite3_next_stmt(db, nullptr); stmt; stmt = sqlite3_next_stmt(db, stmt))
        if (sqlite3_stmt_busy(stmt))
            return refuse("cannot change the key while a statement is running");
    if (newKey) {
        if (const int rc = leaveWal(db))
            return rc;
        if (const int rc = prepareForEncryption(db, "main", fileIsEmpty(impl)))
            return rc;
    }

    if (fileIsEmpty(impl)) {
        // Nothing written yet: every page from now on is written under the new key.
        st.readKey = st.writeKey = newKey;
        return SQLITE_OK;
    }

    if (newKey)
        sqlite3_exec(db, "PRAGMA main.page_size = 1024;", nullptr, nullptr, nullptr);
    // VACUUM rewrites every page inside one transaction through the rollback journal,
    // which keeps old-key images: a crash leaves the old file or the new one.
    st.writeKey = newKey;
    st.newKeyUnits.clear();
    st.rekeying = true;
    st.restoring = false;
    int rc = sqlite3_exec(db, "VACUUM main;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        // A rollback the engine left for later (a hot journal) is played now, while both
        // keys are known. A failure after the commit point (the file's final truncate)
        // leaves the new pages in force: the new key is then the file's key.
        const std::string engineError = sqlite3_errmsg(db);
        sqlite3_exec(db, "SELECT count(*) FROM main.sqlite_master;", nullptr, nullptr, nullptr);
        if (pageOneReadsWith(impl, newKey) && !pageOneReadsWith(impl, st.readKey))
            rc = SQLITE_OK;
        else
            t_error = engineError;
    }
    st.rekeying = false;
    st.restoring = false;
    st.newKeyUnits.clear();
    st.newKeyUnits.shrink_to_fit();
    if (rc == SQLITE_OK)
        st.readKey = st.writeKey;
    else
        st.writeKey = st.readKey;
    restateCacheSize(db, "main");
    return rc;
}

