#include "store/CppSQLite3.h"

#include "store/PageCodec.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <utility>

// ---- CppSQLite3Exception -----------------------------------------------------

CppSQLite3Exception::CppSQLite3Exception(int code, const char *detail, bool freeDetail)
    : m_code(code)
{
    m_message = sqlite3_mprintf("%s[%d]: %s", codeName(code), code, detail ? detail : "");
    if (freeDetail && detail)
        sqlite3_free(const_cast<char *>(detail));
}

CppSQLite3Exception::CppSQLite3Exception(const CppSQLite3Exception &other)
    : m_code(other.m_code)
    , m_message(sqlite3_mprintf("%s", other.errorMessage()))
{
}

CppSQLite3Exception &CppSQLite3Exception::operator=(const CppSQLite3Exception &other)
{
    if (this != &other) {
        char *copy = sqlite3_mprintf("%s", other.errorMessage());
        sqlite3_free(m_message);
        m_message = copy;
        m_code = other.m_code;
    }
    return *this;
}

CppSQLite3Exception::~CppSQLite3Exception()
{
    sqlite3_free(m_message);
}

const char *CppSQLite3Exception::codeName(int code)
{
    switch (code) {
    case SQLITE_OK: return "SQLITE_OK";
    case SQLITE_ERROR: return "SQLITE_ERROR";
    case SQLITE_INTERNAL: return "SQLITE_INTERNAL";
    case SQLITE_PERM: return "SQLITE_PERM";
    case SQLITE_ABORT: return "SQLITE_ABORT";
    case SQLITE_BUSY: return "SQLITE_BUSY";
    case SQLITE_LOCKED: return "SQLITE_LOCKED";
    case SQLITE_NOMEM: return "SQLITE_NOMEM";
    case SQLITE_READONLY: return "SQLITE_READONLY";
    case SQLITE_INTERRUPT: return "SQLITE_INTERRUPT";
    case SQLITE_IOERR: return "SQLITE_IOERR";
    case SQLITE_CORRUPT: return "SQLITE_CORRUPT";
    case SQLITE_NOTFOUND: return "SQLITE_NOTFOUND";
    case SQLITE_FULL: return "SQLITE_FULL";
    case SQLITE_CANTOPEN: return "SQLITE_CANTOPEN";
    case SQLITE_PROTOCOL: return "SQLITE_PROTOCOL";
    case SQLITE_EMPTY: return "SQLITE_EMPTY";
    case SQLITE_SCHEMA: return "SQLITE_SCHEMA";
    case SQLITE_TOOBIG: return "SQLITE_TOOBIG";
    case SQLITE_CONSTRAINT: return "SQLITE_CONSTRAINT";
    case SQLITE_MISMATCH: return "SQLITE_MISMATCH";
    case SQLITE_MISUSE: return "SQLITE_MISUSE";
    case SQLITE_NOLFS: return "SQLITE_NOLFS";
    case SQLITE_AUTH: return "SQLITE_AUTH";
    case SQLITE_FORMAT: return "SQLITE_FORMAT";
    case SQLITE_RANGE: return "SQLITE_RANGE";
    case SQLITE_ROW: return "SQLITE_ROW";
    case SQLITE_DONE: return "SQLITE_DONE";
    case CPPSQLITE_ERROR: return "CPPSQLITE_ERROR";
    default: return "UNKNOWN_ERROR";
    }
}

// ---- CppSQLite3Cursor --------------------------------------------------------

CppSQLite3Cursor::CppSQLite3Cursor(sqlite3 *db, sqlite3_stmt *stmt, bool eof, bool ownsStatement)
    : m_db(db)
    , m_stmt(stmt)
    , m_eof(eof)
    , m_columns(stmt ? sqlite3_column_count(stmt) : 0)
    , m_ownsStatement(ownsStatement)
{
}

CppSQLite3Cursor::CppSQLite3Cursor(CppSQLite3Cursor &&other) noexcept
{
    takeOver(other);
}

CppSQLite3Cursor &CppSQLite3Cursor::operator=(CppSQLite3Cursor &&other) noexcept
{
    if (this != &other) {
        try {
            finalize();
        } catch (const CppSQLite3Exception &) {
        }
        takeOver(other);
    }
    return *this;
}

void CppSQLite3Cursor::takeOver(CppSQLite3Cursor &other) noexcept
{
    m_db = other.m_db;
    m_stmt = std::exchange(other.m_stmt, nullptr);
    m_eof = other.m_eof;
    m_columns = other.m_columns;
    m_ownsStatement = other.m_ownsStatement;
}

CppSQLite3Cursor::~CppSQLite3Cursor()
{
    try {
        finalize();
    } catch (const CppSQLite3Exception &) {
    }
}

void CppSQLite3Cursor::checkStatement() const
{
    if (!m_stmt)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Virtual Machine pointer");
}

void CppSQLite3Cursor::checkIndex(int index) const
{
    if (index < 0 || index > m_columns - 1)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid field index requested");
}

bool CppSQLite3Cursor::eof()
{
    checkStatement();
    return m_eof;
}

int CppSQLite3Cursor::columnCount()
{
    checkStatement();
    return m_columns;
}

void CppSQLite3Cursor::next()
{
    checkStatement();
    // The engine would start the query over.
    if (m_eof)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "No row after the last one");
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_DONE) {
        m_eof = true;
    } else if (rc == SQLITE_ROW) {
        m_eof = false;
    } else {
        const int result = sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw CppSQLite3Exception(result, sqlite3_errmsg(m_db));
    }
}

const char *CppSQLite3Cursor::value(int index)
{
    checkStatement();
    checkIndex(index);
    return reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, index));
}

const char *CppSQLite3Cursor::value(const char *name)
{
    return value(columnIndex(name));
}

int CppSQLite3Cursor::columnType(int index)
{
    checkStatement();
    checkIndex(index);
    return sqlite3_column_type(m_stmt, index);
}

int CppSQLite3Cursor::columnIndex(const char *name)
{
    checkStatement();
    if (name && m_columns > 0) {
        for (int i = 0; i < m_columns; ++i) {
            const char *column = sqlite3_column_name(m_stmt, i);
            if (column && std::strcmp(name, column) == 0)
                return i;
        }
    }
    throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid field name requested");
}

const char *CppSQLite3Cursor::columnName(int index)
{
    checkStatement();
    checkIndex(index);
    return sqlite3_column_name(m_stmt, index);
}

int CppSQLite3Cursor::intValue(int index, int ifNull)
{
    if (columnType(index) == SQLITE_NULL)
        return ifNull;
    return sqlite3_column_int(m_stmt, index);
}

int CppSQLite3Cursor::intValue(const char *name, int ifNull)
{
    return intValue(columnIndex(name), ifNull);
}

double CppSQLite3Cursor::floatValue(int index, double ifNull)
{
    if (columnType(index) == SQLITE_NULL)
        return ifNull;
    return sqlite3_column_double(m_stmt, index);
}

double CppSQLite3Cursor::floatValue(const char *name, double ifNull)
{
    return floatValue(columnIndex(name), ifNull);
}

const char *CppSQLite3Cursor::stringValue(int index, const char *ifNull)
{
    if (columnType(index) == SQLITE_NULL)
        return ifNull;
    return reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, index));
}

const char *CppSQLite3Cursor::stringValue(const char *name, const char *ifNull)
{
    return stringValue(columnIndex(name), ifNull);
}

void CppSQLite3Cursor::finalize()
{
    if (m_stmt && m_ownsStatement) {
        const int rc = sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        if (rc != SQLITE_OK)
            throw CppSQLite3Exception(rc, sqlite3_errmsg(m_db));
    }
}

// ---- CppSQLite3Connection ----------------------------------------------------

CppSQLite3Connection::CppSQLite3Connection()
{
    pagecodec::ensureRegistered();
}

CppSQLite3Connection::~CppSQLite3Connection()
{
    close();
}

void CppSQLite3Connection::open(const char *path)
{
    pagecodec::ensureRegistered();
    close();
    const int rc = sqlite3_open(path, &m_db);
    if (rc != SQLITE_OK) {
        CppSQLite3Exception error(rc, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        sqlite3_close(m_db);
        m_db = nullptr;
        throw error;
    }
    applyBusyTimeout();
    // No plain copy of a page (sorts, temporary tables, statement journals) ever lands
    // on disk, whatever key the connection gets later.
    sqlite3_exec(m_db, "PRAGMA temp_store = 2;", nullptr, nullptr, nullptr);
}

void CppSQLite3Connection::open(const char *path, const char *key)
{
    open(path);
    if (key && *key) {
        const int rc = sqlite3_key(m_db, key, static_cast<int>(std::strlen(key)));
        if (rc != SQLITE_OK)
            throw CppSQLite3Exception(rc, pagecodec::errorText(m_db));
    }
    applyBusyTimeout();
}

void CppSQLite3Connection::changeKey(const char *key)
{
    checkOpen();
    if (key) {
        const int rc = sqlite3_rekey(m_db, key, static_cast<int>(std::strlen(key)));
        if (rc != SQLITE_OK)
            throw CppSQLite3Exception(rc, pagecodec::errorText(m_db));
    }
    applyBusyTimeout();
}

void CppSQLite3Connection::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void CppSQLite3Connection::setBusyTimeout(int ms)
{
    m_busyTimeoutMs = ms;
    applyBusyTimeout();
}

void CppSQLite3Connection::applyBusyTimeout()
{
    if (m_db)
        sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
}

void CppSQLite3Connection::checkOpen() const
{
    if (!m_db)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Database not open");
}

int CppSQLite3Connection::execute(const char *sql)
{
    checkOpen();
    // The statements run one after another until one fails, as sqlite3_exec does; the
    // loop is ours so that ATTACH statements can carry their KEY clause.
    const char *text = sql ? sql : "";
    while (*text) {
        sqlite3_stmt *stmt = nullptr;
        const char *tail = nullptr;
        int rc = sqlite3_prepare_v2(m_db, text, -1, &stmt, &tail);
        if (rc != SQLITE_OK)
            throw CppSQLite3Exception(rc, sqlite3_errmsg(m_db));
        if (!stmt) { // white space or a comment
            text = tail;
            continue;
        }
        if (pagecodec::isAttachStatement(text, tail)) {
            char *error = nullptr;
            rc = pagecodec::runAttach(m_db, stmt, text, tail, &error);
            sqlite3_finalize(stmt);
            if (rc != SQLITE_OK)
                throw CppSQLite3Exception(rc, error, true);
        } else {
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE) {
                char *error = sqlite3_mprintf("%s", sqlite3_errmsg(m_db));
                rc = sqlite3_finalize(stmt);
                throw CppSQLite3Exception(rc, error, true);
            }
            sqlite3_finalize(stmt);
            finishKeyPragma(text, tail);
        }
        text = tail;
    }
    return sqlite3_changes(m_db);
}

CppSQLite3Cursor CppSQLite3Connection::query(const char *sql)
{
    checkOpen();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql ? sql : "", -1, &stmt, &tail);
    // The engine's text says why (no such table, file is not a database, ...).
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, sqlite3_errmsg(m_db));
    if (!stmt)
        throw CppSQLite3Exception(SQLITE_MISUSE, "no statement");
    if (pagecodec::isAttachStatement(sql, tail)) {
        char *error = nullptr;
        rc = pagecodec::runAttach(m_db, stmt, sql, tail, &error);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            throw CppSQLite3Exception(rc, error, true);
        }
        return CppSQLite3Cursor(m_db, stmt, true);
    }
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) {
        finishKeyPragma(sql, tail);
        return CppSQLite3Cursor(m_db, stmt, true);
    }
    if (rc == SQLITE_ROW)
        return CppSQLite3Cursor(m_db, stmt, false);
    rc = sqlite3_finalize(stmt);
    throw CppSQLite3Exception(rc, sqlite3_errmsg(m_db));
}

void CppSQLite3Connection::finishKeyPragma(const char *sql, const char *end)
{
    std::string phrase;
    if (!pagecodec::isKeyPragma(sql, end, &phrase) || phrase.empty())
        return;
    const int rc = sqlite3_key(m_db, phrase.data(), static_cast<int>(phrase.size()));
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, pagecodec::errorText(m_db));
}

int CppSQLite3Connection::queryInt(const char *sql)
{
    CppSQLite3Cursor cursor = query(sql);
    if (cursor.eof() || cursor.columnCount() < 1)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid scalar query");
    const char *text = cursor.value(0);
    // atoi's rule: optional sign and leading digits, anything else 0; NULL is 0.
    return text ? static_cast<int>(std::strtol(text, nullptr, 10)) : 0;
}

std::int64_t CppSQLite3Connection::lastInsertRowId()
{
    checkOpen();
    return sqlite3_last_insert_rowid(m_db);
}
