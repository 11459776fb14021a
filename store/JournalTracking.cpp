#include "store/JournalTracking.h"

#include "store/CodecFileLayer.h"
#include "store/CodecTestHooks.h"

#include <cstdint>

namespace pagecodec::detail {

namespace {

constexpr int kLockPageOffset = 0x40000000; // SQLite's pending-byte offset

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


} // namespace

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

} // namespace pagecodec::detail
