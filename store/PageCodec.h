#pragma once

// Page encryption of SQLite databases, done by a file-system layer (a VFS shim over
// the default one) because the system engine has no page-codec hook.
//
// File format: 1024-byte pages, each encrypted whole with RC4 under the first 16
// bytes of SHA-1 of the pass phrase, the key stream restarted at byte 0 of every
// page. Rollback journals hold page images encrypted the same way (with the key the
// file had when the transaction began) and their checksums are computed over the
// encrypted image. A key set through sqlite3_key moves temporary storage to memory;
// temporary files that still reach the disk through the layer (a connection keyed by
// a bare PRAGMA key) are encrypted with ChaCha20 under a key of the process drawn
// from the kernel, each file with a nonce of its own.

#include <string>

struct sqlite3;
struct sqlite3_stmt;

extern "C" {
// Installs the codec on the main database with the pass phrase (length in bytes).
// An empty phrase leaves the file plain. A file-backed database that the layer does not
// own (opened before the layer was registered, or with another file system) is refused
// with SQLITE_ERROR, the reason in errorText; in-memory databases accept any key.
int sqlite3_key(sqlite3 *db, const void *key, int length);
// Re-encrypts every page of the main database under a new pass phrase inside one
// transaction; an empty phrase makes the file plain. Refuses as sqlite3_key does.
int sqlite3_rekey(sqlite3 *db, const void *key, int length);
}

namespace pagecodec {

// Registers the layer as the process's default file system (idempotent).
void ensureRegistered();

// ATTACH with a KEY clause: the system engine parses the clause but ignores it, so the
// access layer runs ATTACH statements through here. The key value decides the
// attached file's encryption: text or blob bytes are the pass phrase, NULL, an empty
// phrase or no clause inherit the main database's key, and a number fails with
// "Invalid key value".
bool isAttachStatement(const char *sql, const char *end);
// Steps an ATTACH statement prepared from [sql, end). Returns an SQLite result code;
// on failure errorOut receives a message allocated with sqlite3_mprintf.
int runAttach(sqlite3 *db, sqlite3_stmt *stmt, const char *sql, const char *end, char **errorOut);

// PRAGMA [main.]key = value (or key(value)): the engine hands the value to the file,
// which cannot set up a new file's page size and temporary storage from inside the
// statement, so the access layer finishes the job through sqlite3_key afterwards.
// value receives the pass phrase, unquoted.
bool isKeyPragma(const char *sql, const char *end, std::string *value);

// True when the main database of db is encrypted.
bool isEncrypted(sqlite3 *db);

// The reason sqlite3_key or sqlite3_rekey refused on this thread, or else the
// connection's error text.
const char *errorText(sqlite3 *db);

// Test seam: called before every write to a main database file (crash tests stop the
// process at chosen writes). Null by default.
using WriteObserver = void (*)(long long offset, int length);
void setMainWriteObserver(WriteObserver observer);

// Test seam for I/O failures, disarmed unless a test arms it: counting from the call,
// the nth read, write, sync or truncate of a database file or its rollback journal
// fails with the given result code (SQLITE_IOERR_*, or SQLITE_FULL for a write)
// without reaching the disk; the calls after it go through. nth = 0 disarms.
enum class FileOp { Read, Write, Sync, Truncate };
void injectFault(FileOp op, long long nth, int resultCode);
// Whether the armed fault was met.
bool faultMet();

// Test seam: while on, the kernel is taken to give no random bytes, and the key drawn
// for temporary files so far is forgotten, as in a process that never got one.
void failRandomDraws(bool fail);

} // namespace pagecodec
