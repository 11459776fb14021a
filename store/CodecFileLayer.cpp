#include "store/CodecFileLayer.h"

#include "store/CodecTestHooks.h"
#include "store/JournalTracking.h"
#include "store/PageCodec.h"
#include "store/TempFileCipher.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace pagecodec::detail {

thread_local PendingAttach t_pendingAttach;

sqlite3_vfs *g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_mainMethods;
sqlite3_io_methods g_journalMethods;
sqlite3_io_methods g_tempMethods;


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
    if (temp && !mainDb && !mainJournal) {
        // No key from the kernel: the file is not made, and the statement that needed
        // it fails rather than write pages under a guessable key.
        impl->tempCipher = TempFileCipher::forNewFile();
        if (!impl->tempCipher) {
            delete impl;
            return SQLITE_CANTOPEN;
        }
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

bool fileIsEmpty(FileImpl *impl)
{
    sqlite3_int64 size = 0;
    return impl->real->pMethods->xFileSize(impl->real, &size) == SQLITE_OK && size == 0;
}

} // namespace pagecodec::detail

namespace pagecodec {

using namespace detail;

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
        sqlite3_vfs_register(&g_vfs, 1);
    });
}

} // namespace pagecodec
