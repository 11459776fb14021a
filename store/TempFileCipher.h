#pragma once

// Temporary databases, sort runs and statement journals hold plain copies of pages of
// whichever database the engine works on. They are read back only by this process and
// need no stable format, so each is encrypted with ChaCha20 under a key drawn from the
// kernel once per process and a nonce of its own: no two files share a key stream, and
// knowing the content of one tells nothing of another.

#include <sqlite3.h>

#include <nettle/chacha.h>

#include <cstddef>
#include <memory>

namespace pagecodec::detail {

class TempFileCipher
{
public:
    // The cipher of a newly opened temporary file; null when the kernel gave no random
    // key (getrandom failed), and the file must then not be opened.
    static std::unique_ptr<TempFileCipher> forNewFile();

    // dst = src XOR the file's key stream at offset; any length, any offset.
    void apply(unsigned char *dst, const unsigned char *src, size_t n, sqlite3_int64 offset) const;

private:
    TempFileCipher() = default;
    chacha_ctx m_ctx; // key and nonce set, counter left to apply()
};

int tempRead(sqlite3_file *f, void *buf, int n, sqlite3_int64 off);
int tempWrite(sqlite3_file *f, const void *buf, int n, sqlite3_int64 off);

} // namespace pagecodec::detail
