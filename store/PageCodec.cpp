#include "store/PageCodec.h"

#include <sqlite3.h>

#include <nettle/arcfour.h>
#include <nettle/sha1.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// With one key for all pages and RC4 restarted at every page, each page is XORed
// with the same 1024-byte key stream. Encryption and decryption are therefore one
// operation: XOR with the stream at (file offset mod 1024), for I/O of any size.

namespace {

constexpr int kStreamPeriod = 1024;  // the page size of encrypted files
constexpr int kLockPageOffset = 0x40000000; // SQLite's pending-byte offset

struct KeyStream
{
    alignas(64) unsigned char bytes[kStreamPeriod];
};
using Key = std::shared_ptr<const KeyStream>;

Key deriveKey(const void *phrase, int length)
{
    if (!phrase || length <= 0)
        return nullptr;
    sha1_ctx sha;
    sha1_init(&sha);
    sha1_update(&sha, static_cast<size_t>(length), static_cast<const uint8_t *>(phrase));
    uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&sha, sizeof digest, digest);

    arcfour_ctx rc4;
    arcfour_set_key(&rc4, 16, digest); // 128-bit RC4 key, no salt
    auto key = std::make_shared<KeyStream>();
    static const uint8_t zeros[kStreamPeriod] = {};
    arcfour_crypt(&rc4, kStreamPeriod, key->bytes, zeros);
    return key;
}

// dst = src XOR stream, eight bytes at a time where possible.
inline void xorRun(unsigned char *dst, const unsigned char *src, const unsigned char *ks, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t a, k;
        std::memcpy(&a, src + i, 8);
        std::memcpy(&k, ks + i, 8);
        a ^= k;
        std::memcpy(dst + i, &a, 8);
    }
    for (; i < n; ++i)
        dst[i] = src[i] ^ ks[i];
}

void applyStream(const KeyStream &key, unsigned char *dst, const unsigned char *src, size_t n,
                 sqlite3_int64 offset)
{
    size_t pos = static_cast<size_t>(offset % kStreamPeriod);
    while (n) {
        const size_t len = std::min(n, kStreamPeriod - pos);
        xorRun(dst, src, key.bytes + pos, len);
        dst += len;
        src += len;
        n -= len;
        pos = 0;
    }
}

// Codec state of one main database file; its rollback journal shares it.
struct CodecState
{
    Key readKey;  // pages in the file (and journal images) are encrypted with this
    Key writeKey; // pages written to the file are encrypted with this
    // While re-keying, the file holds pages under both keys: remember which 1024-byte
    // units have been written with the new key, and whether a rollback is copying
    // journal images (old key) back.
    bool rekeying = false;
    bool restoring = false;
    std::vector<bool> newKeyUnits;

    bool encrypted() const { return readKey || writeKey; }
    const KeyStream *keyForUnit(sqlite3_int64 unit) const
    {
        if (rekeying && unit < static_cast<sqlite3_int64>(newKeyUnits.size()) && newKeyUnits[unit])
            return writeKey.get();
        return readKey.get();
    }
};

enum class Kind { Main, Journal, Temp };

struct FileImpl
{
    Kind kind;
    sqlite3_file *real;
    std::shared_ptr<CodecState> state;
    std::vector<unsigned char> buffer; // work buffer; grows, never shrinks

    // Journal record tracking: the engine writes and reads a record as three calls
    // (page number, page image, checksum).
    sqlite3_int64 lastOffset = -1;
    int lastLength = 0;
    uint32_t lastValue = 0;
    sqlite3_int64 checksumOffset = -1;
    uint32_t checksumDelta = 0;

    unsigned char *workBuffer(size_t n)
    {
        if (buffer.size() < n)
            buffer.resize(n);
        return buffer.data();
    }
};

struct CodecFile
{
    sqlite3_file base;
    FileImpl *impl;
};

sqlite3_vfs *g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_mainMethods;
sqlite3_io_methods g_journalMethods;
sqlite3_io_methods g_tempMethods;

// Temporary databases, sort runs and statement journals hold plain copies of pages of
// whichever database the engine works on, and a connection keyed by a bare PRAGMA key
// may keep them on disk. They are read back only by this process, so they are encrypted
// under a key drawn at random once per process.
Key g_tempKey;

// Key handed to the next main-database open on this thread (ATTACH).
struct PendingAttach
{
    bool active = false;
    Key key;
};
thread_local PendingAttach t_pendingAttach;

pagecodec::WriteObserver g_writeObserver = nullptr;

// Why the codec's last entry point on this thread refused; empty when it did not.
thread_local std::string t_error;

int refuse(const char *why)
{
    t_error = why;
    return SQLITE_ERROR;
}

struct FaultPlan
{
    std::atomic<bool> armed{false};
    pagecodec::FileOp op = pagecodec::FileOp::Read;
    long long nth = 0;
    int resultCode = SQLITE_IOERR;
    std::atomic<long long> seen{0};
    std::atomic<bool> met{false};
};
FaultPlan g_fault;

// SQLITE_OK, or the injected failure when this call is the armed one.
inline int injectedFault(pagecodec::FileOp op)
{
    if (!g_fault.armed.load(std::memory_order_relaxed) || g_fault.op != op)
        return SQLITE_OK;
    if (g_fault.seen.fetch_add(1) + 1 != g_fault.nth)
        return SQLITE_OK;
    g_fault.met = true;
    return g_fault.resultCode;
}

inline FileImpl *implOf(sqlite3_file *f) { return reinterpret_cast<CodecFile *>(f)->impl; }

uint32_t readBE32(const void *p)
{
    const auto *b = static_cast<const unsigned char *>(p);
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}
void writeBE32(void *p, uint32_t v)
{
    auto *b = static_cast<unsigned char *>(p);
    b[0] = uint8_t(v >> 24);
    b[1] = uint8_t(v >> 16);
    b[2] = uint8_t(v >> 8);
    b[3] = uint8_t(v);
}

// The bytes the engine's journal checksum adds up: every 200th byte from the end.
uint32_t checksumBytes(const unsigned char *page, int pageSize)
{
    uint32_t sum = 0;
    for (int i = pageSize - 200; i > 0; i -= 200)
        sum += page[i];
    return sum;
}

bool isPageSize(int n) { return n >= 512 && n <= 65536 && (n & (n - 1)) == 0; }

// A file that may grow no further (the disk is full, or the process's file-size
// limit is reached) is reported as a full disk rather than as a general I/O error.
int writeReal(sqlite3_file *real, const void *buf, int n, sqlite3_int64 off)
{
    errno = 0;
    const int rc = real->pMethods->xWrite(real, buf, n, off);
    if (rc == SQLITE_IOERR_WRITE && (errno == EFBIG || errno == ENOSPC))
        return SQLITE_FULL;
    return rc;
}

// ---- main database file ----------------------------------------------------

int mainClose(sqlite3_file *f)
{
    FileImpl *impl = implOf(f);
    int rc = impl->real->pMethods ? impl->real->pMethods->xClose(impl->real) : SQLITE_OK;
    delete impl;
    return rc;
}

// How many bytes of a read came from the file: after a short read only those are
// cipher text, the rest is the engine's zero fill.
sqlite3_int64 bytesRead(FileImpl *impl, int rc, int n, sqlite3_int64 off)
{
    if (rc != SQLITE_IOERR_SHORT_READ)
        return n;
    sqlite3_int64 size = 0;
    if (impl->real->pMethods->xFileSize(impl->real, &size) != SQLITE_OK)
        size = off;
    return std::clamp<sqlite3_int64>(size - off, 0, n);
}

int mainRead(sqlite3_file *f, void *buf, int n, sqlite3_int64 off)
{
    if (const int fault = injectedFault(pagecodec::FileOp::Read))
        return fault;
    FileImpl *impl = implOf(f);
    int rc = impl->real->pMethods->xRead(impl->real, buf, n, off);
    CodecState &st = *impl->state;
    if ((rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) || !(st.readKey || st.rekeying))
        return rc;
    const sqlite3_int64 valid = bytesRead(impl, rc, n, off);
    auto *p = static_cast<unsigned char *>(buf);
    if (!st.rekeying) {
        applyStream(*st.readKey, p, p, static_cast<size_t>(valid), off);
        return rc;
    }
    sqlite3_int64 done = 0;
    while (done < valid) {
        const sqlite3_int64 pos = off + done;
        const sqlite3_int64 len = std::min<sqlite3_int64>(valid - done, kStreamPeriod - pos % kStreamPeriod);
        if (const KeyStream *key = st.keyForUnit(pos / kStreamPeriod))
            applyStream(*key, p + done, p + done, static_cast<size_t>(len), pos);
        done += len;
    }
    return rc;
}

int mainWrite(sqlite3_file *f, const void *buf, int n, sqlite3_int64 off)
{
    if (g_writeObserver)
        g_writeObserver(off, n);
    if (const int fault = injectedFault(pagecodec::FileOp::Write))
        return fault;
    FileImpl *impl = implOf(f);
    CodecState &st = *impl->state;
    const bool useNewKey = st.rekeying && !st.restoring;
    const KeyStream *key = useNewKey ? st.writeKey.get() : st.readKey.get();
    if (st.rekeying) {
        const sqlite3_int64 first = off / kStreamPeriod;
        const sqlite3_int64 last = (off + n - 1) / kStreamPeriod;
        if (static_cast<sqlite3_int64>(st.newKeyUnits.size()) <= last)
            st.newKeyUnits.resize(static_cast<size_t>(last + 1), false);
        for (sqlite3_int64 u = first; u <= last; ++u)
            st.newKeyUnits[static_cast<size_t>(u)] = useNewKey;
    }
    if (!key)
        return writeReal(impl->real, buf, n, off);
    // The caller's page stays plain (it is the engine's cache); encrypt a copy.
    unsigned char *out = impl->workBuffer(static_cast<size_t>(n));
    applyStream(*key, out, static_cast<const unsigned char *>(buf), static_cast<size_t>(n), off);
    return writeReal(impl->real, out, n, off);
}

bool pragmaIs(const char *name, const char *wanted) { return name && sqlite3_stricmp(name, wanted) == 0; }

constexpr char kKeepKey[] = "the key of an open encrypted database cannot be removed; re-key it instead";

int mainFileControl(sqlite3_file *f, int op, void *arg)
{
    FileImpl *impl = implOf(f);
    if (op == SQLITE_FCNTL_PRAGMA) {
        char **azArg = static_cast<char **>(arg);
        const char *name = azArg[1];
        const char *value = azArg[2];
        if (pragmaIs(name, "key")) {
            // PRAGMA key = 'phrase' on this file; an empty phrase means plain, which an
            // encrypted file already open cannot become halfway through a session.
            if (value && *value) {
                Key key = deriveKey(value, static_cast<int>(std::strlen(value)));
                impl->state->readKey = key;
                impl->state->writeKey = key;
            } else if (value && impl->state->encrypted()) {
                azArg[0] = sqlite3_mprintf("%s", kKeepKey);
                return SQLITE_ERROR;
            }
            return SQLITE_OK;
        }
        if (impl->state->encrypted() && value) {
            if (pragmaIs(name, "temp_store") && !pragmaIs(value, "2") && !pragmaIs(value, "memory")) {
                azArg[0] = sqlite3_mprintf("encrypted databases keep temporary storage in memory");
                return SQLITE_ERROR;
            }
            if (pragmaIs(name, "journal_mode") && pragmaIs(value, "wal")) {
                azArg[0] = sqlite3_mprintf("WAL is not supported on an encrypted database");
                return SQLITE_ERROR;
            }
            if (pragmaIs(name, "page_size") && std::atoi(value) != kStreamPeriod) {
                azArg[0] = sqlite3_mprintf("encrypted databases keep 1024-byte pages");
                return SQLITE_ERROR;
            }
        }
    }
    return impl->real->pMethods->xFileControl(impl->real, op, arg);
}

// ---- rollback journal ------------------------------------------------------

bool journalImageOp(const FileImpl *impl, int n, sqlite3_int64 off)
{
    // A page image directly follows the 4-byte page number; the super-journal name
    // follows a 4-byte marker that is never a journaled page number.
    return isPageSize(n) && impl->lastLength == 4 && impl->lastOffset + 4 == off
        && impl->lastValue != static_cast<uint32_t>(kLockPageOffset / n + 1);
}

void trackJournalOp(FileImpl *impl, const void *data, int n, sqlite3_int64 off)
{
    impl->lastOffset = off;
    impl->lastLength = n;
    impl->lastValue = n == 4 ? readBE32(data) : 0;
}

int journalWrite(sqlite3_file *f, const void *buf, int n, sqlite3_int64 off)
{
    if (const int fault = injectedFault(pagecodec::FileOp::Write))
        return fault;
    FileImpl *impl = implOf(f);
    const KeyStream *key = impl->state ? impl->state->readKey.get() : nullptr;
    sqlite3_file *real = impl->real;
    if (!key) {
        trackJournalOp(impl, buf, n, off);
        return writeReal(real, buf, n, off);
    }
    if (n == 4 && off == impl->checksumOffset) {
        // The engine summed the plain image; the journal keeps the sum of the cipher.
        unsigned char adjusted[4];
        writeBE32(adjusted, readBE32(buf) + impl->checksumDelta);
        impl->checksumOffset = -1;
        trackJournalOp(impl, buf, n, off);
        return writeReal(real, adjusted, 4, off);
    }
    if (journalImageOp(impl, n, off)) {
        const auto *plain = static_cast<const unsigned char *>(buf);
        unsigned char *out = impl->workBuffer(static_cast<size_t>(n));
        applyStream(*key, out, plain, static_cast<size_t>(n), 0);
        impl->checksumDelta = checksumBytes(out, n) - checksumBytes(plain, n);
        impl->checksumOffset = off + n;
        trackJournalOp(impl, buf, n, off);
        return writeReal(real, out, n, off);
    }
    trackJournalOp(impl, buf, n, off);
    return writeReal(real, buf, n, off);
}

int journalRead(sqlite3_file *f, void *buf, int n, sqlite3_int64 off)
{
    if (const int fault = injectedFault(pagecodec::FileOp::Read))
        return fault;
    FileImpl *impl = implOf(f);
    sqlite3_file *real = impl->real;
    int rc = real->pMethods->xRead(real, buf, n, off);
    const KeyStream *key = impl->state ? impl->state->readKey.get() : nullptr;
    if (rc != SQLITE_OK || !key) {
        trackJournalOp(impl, buf, n, off);
        return rc;
    }
    if (n == 4 && off == impl->checksumOffset) {
        writeBE32(buf, readBE32(buf) + impl->checksumDelta);
        impl->checksumOffset = -1;
    } else if (journalImageOp(impl, n, off)) {
        auto *p = static_cast<unsigned char *>(buf);
        const uint32_t cipherSum = checksumBytes(p, n);
        applyStream(*key, p, p, static_cast<size_t>(n), 0);
        impl->checksumDelta = checksumBytes(p, n) - cipherSum;
        impl->checksumOffset = off + n;
        // Images are read back only to roll back: those writes restore old-key pages.
        if (impl->state->rekeying)
            impl->state->restoring = true;
    }
    trackJournalOp(impl, buf, n, off);
    return rc;
}

// ---- temporary files -----------------------------------------------------------

int tempRead(sqlite3_file *f, void *buf, int n, sqlite3_int64 off)
{
    FileImpl *impl = implOf(f);
    const int rc = impl->real->pMethods->xRead(impl->real, buf, n, off);
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ)
        return rc;
    // The zero fill past the end stays zero: the engine relies on it.
    const sqlite3_int64 valid = bytesRead(impl, rc, n, off);
    auto *p = static_cast<unsigned char *>(buf);
    applyStream(*g_tempKey, p, p, static_cast<size_t>(valid), off);
    return rc;
}

int tempWrite(sqlite3_file *f, const void *buf, int n, sqlite3_int64 off)
{
    FileImpl *impl = implOf(f);
    unsigned char *out = impl->workBuffer(static_cast<size_t>(n));
    applyStream(*g_tempKey, out, static_cast<const unsigned char *>(buf), static_cast<size_t>(n), off);
    return writeReal(impl->real, out, n, off);
}

// ---- forwarding --------------------------------------------------------------

#define REAL(f) (implOf(f)->real)
int fwdTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    if (const int fault = injectedFault(pagecodec::FileOp::Truncate))
        return fault;
    return REAL(f)->pMethods->xTruncate(REAL(f), size);
}
int fwdSync(sqlite3_file *f, int flags)
{
    if (const int fault = injectedFault(pagecodec::FileOp::Sync))
        return fault;
    return REAL(f)->pMethods->xSync(REAL(f), flags);
}
// Temporary files are not among the files whose I/O faults the tests inject.
int tempTruncate(sqlite3_file *f, sqlite3_int64 size) { return REAL(f)->pMethods->xTruncate(REAL(f), size); }
int tempSync(sqlite3_file *f, int flags) { return REAL(f)->pMethods->xSync(REAL(f), flags); }
int fwdFileSize(sqlite3_file *f, sqlite3_int64 *size) { return REAL(f)->pMethods->xFileSize(REAL(f), size); }
int fwdLock(sqlite3_file *f, int level) { return REAL(f)->pMethods->xLock(REAL(f), level); }
int fwdUnlock(sqlite3_file *f, int level) { return REAL(f)->pMethods->xUnlock(REAL(f), level); }
int fwdCheckReservedLock(sqlite3_file *f, int *out) { return REAL(f)->pMethods->xCheckReservedLock(REAL(f), out); }
int fwdFileControl(sqlite3_file *f, int op, void *arg) { return REAL(f)->pMethods->xFileControl(REAL(f), op, arg); }
int fwdSectorSize(sqlite3_file *f) { return REAL(f)->pMethods->xSectorSize(REAL(f)); }
int fwdDeviceCharacteristics(sqlite3_file *f) { return REAL(f)->pMethods->xDeviceCharacteristics(REAL(f)); }
int fwdShmMap(sqlite3_file *f, int region, int size, int extend, void volatile **pp)
{
    sqlite3_file *r = REAL(f);
    if (r->pMethods->iVersion < 2 || !r->pMethods->xShmMap)
        return SQLITE_IOERR_SHMMAP;
    return r->pMethods->xShmMap(r, region, size, extend, pp);
}
int fwdShmLock(sqlite3_file *f, int offset, int n, int flags)
{
    sqlite3_file *r = REAL(f);
    return r->pMethods->iVersion >= 2 ? r->pMethods->xShmLock(r, offset, n, flags) : SQLITE_IOERR_SHMLOCK;
}
void fwdShmBarrier(sqlite3_file *f)
{
    sqlite3_file *r = REAL(f);
    if (r->pMethods->iVersion >= 2)
        r->pMethods->xShmBarrier(r);
}
int fwdShmUnmap(sqlite3_file *f, int deleteFlag)
{
    sqlite3_file *r = REAL(f);
    return r->pMethods->iVersion >= 2 ? r->pMethods->xShmUnmap(r, deleteFlag) : SQLITE_OK;
}
#undef REAL

// Version 2: no xFetch, so the engine never maps the file into memory, which would
// bypass decryption.
void fillMethods(sqlite3_io_methods &m, int (*read)(sqlite3_file *, void *, int, sqlite3_int64),
                 int (*write)(sqlite3_file *, const void *, int, sqlite3_int64),
                 int (*fileControl)(sqlite3_file *, int, void *))
{
    std::memset(&m, 0, sizeof m);
    m.iVersion = 2;
    m.xClose = mainClose;
    m.xRead = read;
    m.xWrite = write;
    m.xTruncate = fwdTruncate;
    m.xSync = fwdSync;
    m.xFileSize = fwdFileSize;
    m.xLock = fwdLock;
    m.xUnlock = fwdUnlock;
    m.xCheckReservedLock = fwdCheckReservedLock;
    m.xFileControl = fileControl;
    m.xSectorSize = fwdSectorSize;
    m.xDeviceCharacteristics = fwdDeviceCharacteristics;
    m.xShmMap = fwdShmMap;
    m.xShmLock = fwdShmLock;
    m.xShmBarrier = fwdShmBarrier;
    m.xShmUnmap = fwdShmUnmap;
}

// ---- the file system -------------------------------------------------------

constexpr int alignedSize(int n) { return (n + 7) & ~7; }

int vfsOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    const bool mainDb = flags & SQLITE_OPEN_MAIN_DB;
    const bool mainJournal = flags & SQLITE_OPEN_MAIN_JOURNAL;
    // Temporary databases (a database opened as "" among them), sort runs, statement
    // journals and the journals of temporary databases.
    const bool temp = flags & (SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TRANSIENT_DB | SQLITE_OPEN_TEMP_JOURNAL
                               | SQLITE_OPEN_SUBJOURNAL);
    if (!mainDb && !mainJournal && !temp) {
        // Super journals (file names only) and WAL (refused on encrypted files): the
        // real file object sits where ours would.
        return g_real->xOpen(g_real, name, file, flags, outFlags);
    }
    auto *cf = reinterpret_cast<CodecFile *>(file);
    cf->base.pMethods = nullptr;
    auto *impl = new FileImpl;
    impl->kind = mainDb ? Kind::Main : mainJournal ? Kind::Journal : Kind::Temp;
    impl->real = reinterpret_cast<sqlite3_file *>(reinterpret_cast<char *>(file) + alignedSize(sizeof(CodecFile)));
    impl->real->pMethods = nullptr;
    if (mainDb) {
        impl->state = std::make_shared<CodecState>();
        if (t_pendingAttach.active) {
            impl->state->readKey = impl->state->writeKey = t_pendingAttach.key;
            t_pendingAttach = {};
        }
    } else if (name) {
        sqlite3_file *db = sqlite3_database_file_object(name);
        if (db && db->pMethods == &g_mainMethods)
            impl->state = implOf(db)->state;
    }
    const int rc = g_real->xOpen(g_real, name, impl->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        if (impl->real->pMethods)
            impl->real->pMethods->xClose(impl->real);
        delete impl;
        return rc;
    }
    cf->impl = impl;
    cf->base.pMethods = mainDb ? &g_mainMethods : mainJournal ? &g_journalMethods : &g_tempMethods;
    return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs *, const char *name, int syncDir) { return g_real->xDelete(g_real, name, syncDir); }
int vfsAccess(sqlite3_vfs *, const char *name, int flags, int *out) { return g_real->xAccess(g_real, name, flags, out); }
int vfsFullPathname(sqlite3_vfs *, const char *name, int n, char *out) { return g_real->xFullPathname(g_real, name, n, out); }
void *vfsDlOpen(sqlite3_vfs *, const char *name) { return g_real->xDlOpen(g_real, name); }
void vfsDlError(sqlite3_vfs *, int n, char *msg) { g_real->xDlError(g_real, n, msg); }
void (*vfsDlSym(sqlite3_vfs *, void *h, const char *sym))(void) { return g_real->xDlSym(g_real, h, sym); }
void vfsDlClose(sqlite3_vfs *, void *h) { g_real->xDlClose(g_real, h); }
int vfsRandomness(sqlite3_vfs *, int n, char *out) { return g_real->xRandomness(g_real, n, out); }
int vfsSleep(sqlite3_vfs *, int us) { return g_real->xSleep(g_real, us); }
int vfsCurrentTime(sqlite3_vfs *, double *t) { return g_real->xCurrentTime(g_real, t); }
int vfsGetLastError(sqlite3_vfs *, int n, char *msg) { return g_real->xGetLastError ? g_real->xGetLastError(g_real, n, msg) : 0; }
int vfsCurrentTimeInt64(sqlite3_vfs *, sqlite3_int64 *t) { return g_real->xCurrentTimeInt64(g_real, t); }
int vfsSetSystemCall(sqlite3_vfs *, const char *name, sqlite3_syscall_ptr p) { return g_real->xSetSystemCall(g_real, name, p); }
sqlite3_syscall_ptr vfsGetSystemCall(sqlite3_vfs *, const char *name) { return g_real->xGetSystemCall(g_real, name); }
const char *vfsNextSystemCall(sqlite3_vfs *, const char *name) { return g_real->xNextSystemCall(g_real, name); }

FileImpl *mainFileOf(sqlite3 *db, const char *schema)
{
    sqlite3_file *file = nullptr;
    if (!db || sqlite3_file_control(db, schema, SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file)
        return nullptr;
    return file->pMethods == &g_mainMethods ? implOf(file) : nullptr;
}

// Whether the schema's database lives in memory only (":memory:", a temporary or a
// deserialized database), where no page reaches a disk whatever the key.
bool inMemory(sqlite3 *db, const char *schema)
{
    const char *name = sqlite3_db_filename(db, schema);
    if (!name || !*name)
        return true;
    sqlite3_vfs *vfs = nullptr;
    return sqlite3_file_control(db, schema, SQLITE_FCNTL_VFS_POINTER, &vfs) == SQLITE_OK && vfs && vfs->zName
        && std::strcmp(vfs->zName, "memdb") == 0;
}

constexpr char kNotThroughLayer[] = "the database file is not opened through the page codec's file layer "
                                    "(register it before opening): it would stay plain";

bool fileIsEmpty(FileImpl *impl)
{
    sqlite3_int64 size = 0;
    return impl->real->pMethods->xFileSize(impl->real, &size) == SQLITE_OK && size == 0;
}

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

// ---- ATTACH ... KEY ----------------------------------------------------------

struct Token
{
    const char *begin;
    const char *end;
    bool word;
};

// Next token of SQL text: words, quoted strings and identifiers, single characters;
// white space and comments are skipped. Returns false at the end.
bool nextToken(const char *&p, const char *end, Token &tok)
{
    for (;;) {
        while (p < end && static_cast<unsigned char>(*p) <= ' ')
            ++p;
        if (p + 1 < end && p[0] == '-' && p[1] == '-') {
            while (p < end && *p != '\n')
                ++p;
            continue;
        }
        if (p + 1 < end && p[0] == '/' && p[1] == '*') {
            p += 2;
            while (p + 1 < end && !(p[0] == '*' && p[1] == '/'))
                ++p;
            p = std::min(end, p + 2);
            continue;
        }
        break;
    }
    if (p >= end)
        return false;
    tok.begin = p;
    const char c = *p;
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
        const char close = c == '[' ? ']' : c;
        ++p;
        while (p < end) {
            if (*p == close) {
                if (close != ']' && p + 1 < end && p[1] == close) {
                    p += 2;
                    continue;
                }
                ++p;
                break;
            }
            ++p;
        }
        tok.word = false;
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80) {
        while (p < end && (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_' || *p == '$'
                           || static_cast<unsigned char>(*p) >= 0x80))
            ++p;
        tok.word = true;
    } else {
        ++p;
        tok.word = false;
    }
    tok.end = p;
    return true;
}

bool tokenIs(const Token &t, const char *word)
{
    const size_t n = std::strlen(word);
    return t.word && static_cast<size_t>(t.end - t.begin) == n && sqlite3_strnicmp(t.begin, word, static_cast<int>(n)) == 0;
}

// Finds the expression of a top-level KEY clause: ATTACH expr AS name KEY expr.
bool findKeyClause(const char *sql, const char *end, const char *&keyBegin, const char *&keyEnd)
{
    const char *p = sql;
    Token t;
    int depth = 0;
    bool seenAs = false;
    bool nameTaken = false;
    while (nextToken(p, end, t)) {
        if (!t.word && *t.begin == '(')
            ++depth;
        else if (!t.word && *t.begin == ')')
            --depth;
        if (depth != 0)
            continue;
        if (!seenAs) {
            seenAs = tokenIs(t, "AS");
            continue;
        }
        if (!nameTaken) {
            nameTaken = true; // the schema name may itself be spelt "key"
            continue;
        }
        if (tokenIs(t, "KEY")) {
            keyBegin = t.end;
            keyEnd = end;
            while (keyEnd > keyBegin && (static_cast<unsigned char>(keyEnd[-1]) <= ' ' || keyEnd[-1] == ';'))
                --keyEnd;
            return true;
        }
    }
    return false;
}

} // namespace

namespace pagecodec {

void ensureRegistered()
{
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_initialize();
        g_real = sqlite3_vfs_find(nullptr);
        std::memset(&g_vfs, 0, sizeof g_vfs);
        g_vfs.iVersion = std::min(g_real->iVersion, 3);
        g_vfs.szOsFile = alignedSize(sizeof(CodecFile)) + g_real->szOsFile;
        g_vfs.mxPathname = g_real->mxPathname;
        g_vfs.zName = "quillora-codec";
        g_vfs.xOpen = vfsOpen;
        g_vfs.xDelete = vfsDelete;
        g_vfs.xAccess = vfsAccess;
        g_vfs.xFullPathname = vfsFullPathname;
        g_vfs.xDlOpen = vfsDlOpen;
        g_vfs.xDlError = vfsDlError;
        g_vfs.xDlSym = vfsDlSym;
        g_vfs.xDlClose = vfsDlClose;
        g_vfs.xRandomness = vfsRandomness;
        g_vfs.xSleep = vfsSleep;
        g_vfs.xCurrentTime = vfsCurrentTime;
        g_vfs.xGetLastError = vfsGetLastError;
        if (g_vfs.iVersion >= 2)
            g_vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
        if (g_vfs.iVersion >= 3) {
            g_vfs.xSetSystemCall = vfsSetSystemCall;
            g_vfs.xGetSystemCall = vfsGetSystemCall;
            g_vfs.xNextSystemCall = vfsNextSystemCall;
        }
        fillMethods(g_mainMethods, mainRead, mainWrite, mainFileControl);
        fillMethods(g_journalMethods, journalRead, journalWrite, fwdFileControl);
        fillMethods(g_tempMethods, tempRead, tempWrite, fwdFileControl);
        g_tempMethods.xTruncate = tempTruncate;
        g_tempMethods.xSync = tempSync;
        unsigned char seed[32];
        g_real->xRandomness(g_real, sizeof seed, reinterpret_cast<char *>(seed));
        g_tempKey = deriveKey(seed, sizeof seed);
        sqlite3_vfs_register(&g_vfs, 1);
    });
}

void setMainWriteObserver(WriteObserver observer)
{
    g_writeObserver = observer;
}

void injectFault(FileOp op, long long nth, int resultCode)
{
    g_fault.armed = false;
    g_fault.op = op;
    g_fault.nth = nth;
    g_fault.resultCode = resultCode;
    g_fault.seen = 0;
    g_fault.met = false;
    g_fault.armed = nth > 0;
}

bool faultMet()
{
    return g_fault.met;
}

bool isEncrypted(sqlite3 *db)
{
    FileImpl *impl = mainFileOf(db, "main");
    return impl && impl->state->encrypted();
}

const char *errorText(sqlite3 *db)
{
    return !t_error.empty() ? t_error.c_str() : sqlite3_errmsg(db);
}

bool isKeyPragma(const char *sql, const char *end, std::string *value)
{
    const char *p = sql;
    Token t;
    if (!nextToken(p, end, t) || !tokenIs(t, "PRAGMA") || !nextToken(p, end, t))
        return false;
    if (tokenIs(t, "main")) {
        if (!nextToken(p, end, t) || t.word || *t.begin != '.' || !nextToken(p, end, t))
            return false;
    }
    if (!tokenIs(t, "key") || !nextToken(p, end, t) || t.word || (*t.begin != '=' && *t.begin != '('))
        return false;
    if (!nextToken(p, end, t))
        return false;
    value->assign(t.begin, t.end);
    const char quote = t.begin[0];
    if (!t.word && (quote == '\'' || quote == '"') && value->size() >= 2) {
        // A quoted value: drop the quotes and undo doubled ones.
        std::string plain;
        for (size_t i = 1; i + 1 < value->size(); ++i) {
            plain += (*value)[i];
            if ((*value)[i] == quote && (*value)[i + 1] == quote)
                ++i;
        }
        *value = plain;
    }
    return true;
}

bool isAttachStatement(const char *sql, const char *end)
{
    const char *p = sql;
    Token t;
    return nextToken(p, end, t) && tokenIs(t, "ATTACH");
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
