#include "store/TempFileCipher.h"

#include "store/CodecFileLayer.h"
#include "store/CodecTestHooks.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <sys/random.h>

namespace pagecodec::detail {

namespace {

// Drawn with the first temporary file; a failed draw is tried again with the next one.
std::mutex g_keyMutex;
bool g_haveKey = false;
uint8_t g_key[CHACHA_KEY_SIZE];

// Nonces are a counter: unique under the one key, which is all ChaCha20 asks of them.
std::atomic<uint64_t> g_nextNonce{0};

bool fillFromKernel(uint8_t *out, size_t n)
{
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::getrandom(out + got, n - got, 0);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        got += size_t(r);
    }
    return true;
}

void storeLE64(uint8_t *out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out[i] = uint8_t(v >> (8 * i));
}

} // namespace

std::unique_ptr<TempFileCipher> TempFileCipher::forNewFile()
{
    std::unique_ptr<TempFileCipher> cipher(new TempFileCipher);
    {
        std::lock_guard lock(g_keyMutex);
        const bool failDraws = g_failRandomDraws.load();
        if (failDraws)
            g_haveKey = false;
        if (!g_haveKey)
            g_haveKey = !failDraws && fillFromKernel(g_key, sizeof g_key);
        if (!g_haveKey)
            return nullptr;
        chacha_set_key(&cipher->m_ctx, g_key);
    }
    uint8_t nonce[CHACHA_NONCE_SIZE];
    storeLE64(nonce, g_nextNonce.fetch_add(1));
    chacha_set_nonce(&cipher->m_ctx, nonce);
    return cipher;
}

void TempFileCipher::apply(unsigned char *dst, const unsigned char *src, size_t n, sqlite3_int64 offset) const
{
    if (!n)
        return;
    chacha_ctx ctx = m_ctx;
    uint8_t counter[CHACHA_COUNTER_SIZE];
    storeLE64(counter, uint64_t(offset) / CHACHA_BLOCK_SIZE);
    chacha_set_counter(&ctx, counter);
    const size_t skip = size_t(uint64_t(offset) % CHACHA_BLOCK_SIZE);
    if (skip) {
        // The first block is entered part way: its key stream is made whole and used
        // from the offset on; the counter then stands at the next block.
        static const uint8_t zeros[CHACHA_BLOCK_SIZE] = {};
        uint8_t stream[CHACHA_BLOCK_SIZE];
        chacha_crypt(&ctx, sizeof stream, stream, zeros);
        const size_t len = std::min(n, CHACHA_BLOCK_SIZE - skip);
        for (size_t i = 0; i < len; ++i)
            dst[i] = src[i] ^ stream[skip + i];
        dst += len;
        src += len;
        n -= len;
    }
    if (n)
        chacha_crypt(&ctx, n, dst, src);
}

int tempRead(sqlite3_file *f, void *buf, int n, sqlite3_int64 off)
{
    FileImpl *impl = implOf(f);
    const int rc = impl->real->pMethods->xRead(impl->real, buf, n, off);
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ)
        return rc;
    // The zero fill past the end stays zero: the engine relies on it.
    const sqlite3_int64 valid = bytesRead(impl, rc, n, off);
    auto *p = static_cast<unsigned char *>(buf);
    impl->tempCipher->apply(p, p, static_cast<size_t>(valid), off);
    return rc;
}

int tempWrite(sqlite3_file *f, const void *buf, int n, sqlite3_int64 off)
{
    FileImpl *impl = implOf(f);
    unsigned char *out = impl->workBuffer(static_cast<size_t>(n));
    impl->tempCipher->apply(out, static_cast<const unsigned char *>(buf), static_cast<size_t>(n), off);
    return writeReal(impl->real, out, n, off);
}

} // namespace pagecodec::detail
