#pragma once

// SHA-1 (FIPS 180-4) and RC4 written here from their published definitions, so that
// tests check the encrypted file format against code that is not the program's own.

#include <QByteArray>

#include <cstdint>

namespace independent {

inline QByteArray sha1(const QByteArray &message)
{
    auto rol = [](uint32_t v, int n) { return (v << n) | (v >> (32 - n)); };
    uint32_t h[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    QByteArray m = message;
    const uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
    m.append(char(0x80));
    while (m.size() % 64 != 56)
        m.append(char(0));
    for (int i = 7; i >= 0; --i)
        m.append(char((bits >> (8 * i)) & 0xFF));
    for (qsizetype chunk = 0; chunk < m.size(); chunk += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const auto *p = reinterpret_cast<const unsigned char *>(m.constData() + chunk + 4 * i);
            w[i] = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
        }
        for (int i = 16; i < 80; ++i)
            w[i] = rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999u;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1u;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDCu;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6u;
            }
            const uint32_t t = rol(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rol(b, 30);
            b = a;
            a = t;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    QByteArray digest;
    for (uint32_t v : h)
        for (int i = 3; i >= 0; --i)
            digest.append(char((v >> (8 * i)) & 0xFF));
    return digest;
}

// RC4 key stream of the given length.
inline QByteArray rc4Stream(const QByteArray &key, int length)
{
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
        std::swap(s[i], s[j]);
    }
    QByteArray out(length, '\0');
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        out[n] = static_cast<char>(s[(s[i] + s[j]) & 0xFF]);
    }
    return out;
}

// The key stream every page of a file encrypted with the pass phrase is XORed with.
inline QByteArray pageStream(const QByteArray &phrase, int pageSize = 1024)
{
    return rc4Stream(sha1(phrase).left(16), pageSize);
}

inline QByteArray xorWith(const QByteArray &data, const QByteArray &stream)
{
    QByteArray out = data;
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(out[i] ^ stream[i % stream.size()]);
    return out;
}

} // namespace independent
