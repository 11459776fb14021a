#pragma once

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

// Thin object layer over SQLite: one connection, a cursor, one exception type.
// SQL is passed as complete text in the narrow code page; every failure, of the
// engine or of this layer, is raised as a CppSQLite3Exception.

class CppSQLite3Exception
{
public:
    // Message is "<code name>[<code>]: <detail>". With freeDetail the detail was
    // allocated by SQLite and is released here.
    CppSQLite3Exception(int code, const char *detail = nullptr, bool freeDetail = false);
    CppSQLite3Exception(const CppSQLite3Exception &other);
    CppSQLite3Exception &operator=(const CppSQLite3Exception &other);
    virtual ~CppSQLite3Exception();

    int errorCode() const { return m_code; }
    const char *errorMessage() const { return m_message ? m_message : ""; }

    static const char *codeName(int code);

private:
    int m_code;
    char *m_message;
};

// Error code of the layer's own failures.
inline constexpr int CPPSQLITE_ERROR = 1000;

class CppSQLite3Cursor
{
public:
    CppSQLite3Cursor() = default;
    CppSQLite3Cursor(sqlite3 *db, sqlite3_stmt *stmt, bool eof, bool ownsStatement = true);
    // Exactly one cursor finalises a statement: moving hands the statement over and
    // leaves the source without one.
    CppSQLite3Cursor(CppSQLite3Cursor &&other) noexcept;
    CppSQLite3Cursor &operator=(CppSQLite3Cursor &&other) noexcept;
    CppSQLite3Cursor(const CppSQLite3Cursor &) = delete;
    CppSQLite3Cursor &operator=(const CppSQLite3Cursor &) = delete;
    ~CppSQLite3Cursor();

    bool eof();
    int columnCount();
    void next();

    const char *value(int index);
    const char *value(const char *name);
    int columnType(int index);
    int columnIndex(const char *name);
    const char *columnName(int index);

    int intValue(int index, int ifNull = 0);
    int intValue(const char *name, int ifNull = 0);
    double floatValue(int index, double ifNull = 0.0);
    double floatValue(const char *name, double ifNull = 0.0);
    const char *stringValue(int index, const char *ifNull = "");
    const char *stringValue(const char *name, const char *ifNull = "");
    bool isNull(int index) { return columnType(index) == 5; }

    void finalize();

private:
    void checkStatement() const;
    void checkIndex(int index) const;
    void takeOver(CppSQLite3Cursor &other) noexcept;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    bool m_eof = true;
    int m_columns = 0;
    bool m_ownsStatement = false;
};

class CppSQLite3Connection
{
public:
    CppSQLite3Connection();
    ~CppSQLite3Connection();
    CppSQLite3Connection(const CppSQLite3Connection &) = delete;
    CppSQLite3Connection &operator=(const CppSQLite3Connection &) = delete;

    void open(const char *path);
    // A non-empty key installs the page codec; an empty one leaves the file plain.
    void open(const char *path, const char *key);
    // Re-keys the open main database; an empty key makes it plain.
    void changeKey(const char *key);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    void setBusyTimeout(int ms);
    int busyTimeout() const { return m_busyTimeoutMs; }

    // Runs every statement of the text in order; returns the rows changed by the last.
    int execute(const char *sql);
    CppSQLite3Cursor query(const char *sql);
    int queryInt(const char *sql);
    std::int64_t lastInsertRowId();

    sqlite3 *handle() const { return m_db; }

private:
    void checkOpen() const;
    void applyBusyTimeout();
    // After a PRAGMA key statement: the new file's format and the temporary storage.
    void finishKeyPragma(const char *sql, const char *end);

    sqlite3 *m_db = nullptr;
    int m_busyTimeoutMs = 60000;
};
