#pragma once

// The page cipher of encrypted databases and their rollback journals, kept exactly
// for the files' sake: RC4 under the first 16 bytes of SHA-1 of the pass phrase,
// restarted at byte 0 of every 1024-byte page.
//
// With one key for all pages and RC4 restarted at every page, each page is XORed
// with the same 1024-byte key stream. Encryption and decryption are therefore one
// operation: XOR with the stream at (file offset mod 1024), for I/O of any size.

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace pagecodec::detail {

constexpr int kStreamPeriod = 1024; // the page size of encrypted files

struct KeyStream
{
    alignas(64) unsigned char bytes[kStreamPeriod];
};
using Key = std::shared_ptr<const KeyStream>;

// The key stream of a pass phrase; null for no phrase.
Key deriveKey(const void *phrase, int length);

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

inline void applyStream(const KeyStream &key, unsigned char *dst, const unsigned char *src, size_t n,
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

} // namespace pagecodec::detail
