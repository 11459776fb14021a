#pragma once

// The file-system layer that carries the page codec: a VFS shim over the default one,
// with one kind of file object each for main databases, their rollback journals and
// temporary files.

#include "store/LegacyPageCipher.h"
#include "store/TempFileCipher.h"

#include <sqlite3.h>

#include <memory>
#include <vector>

namespace pagecodec::detail {

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
    std::unique_ptr<TempFileCipher> tempCipher; // temporary files only
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

inline FileImpl *implOf(sqlite3_file *f) { return reinterpret_cast<CodecFile *>(f)->impl; }

// Key handed to the next main-database open on this thread (ATTACH).
struct PendingAttach
{
    bool active = false;
    Key key;
};
extern thread_local PendingAttach t_pendingAttach;

// A file that may grow no further (the disk is full, or the process's file-size
// limit is reached) is reported as a full disk rather than as a general I/O error.
int writeReal(sqlite3_file *real, const void *buf, int n, sqlite3_int64 off);

// How many bytes of a read came from the file: after a short read only those are
// cipher text, the rest is the engine's zero fill.
sqlite3_int64 bytesRead(FileImpl *impl, int rc, int n, sqlite3_int64 off);

// The codec state of a schema's main database file, when the layer owns that file.
FileImpl *mainFileOf(sqlite3 *db, const char *schema);
// Whether the schema's database lives in memory only (":memory:", a temporary or a
// deserialized database), where no page reaches a disk whatever the key.
bool inMemory(sqlite3 *db, const char *schema);
bool fileIsEmpty(FileImpl *impl);

} // namespace pagecodec::detail
