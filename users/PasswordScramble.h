#pragma once

#include <QByteArray>

// Passwords remembered in config.ini are scrambled, not protected: DES in ECB mode
// under the fixed key "p9wd2h" plus two zero bytes, zero-padded to whole blocks,
// written as upper-case hexadecimal. Input and output of the unscrambled side are
// narrow (code page) bytes.
QByteArray ScramblePassword(const QByteArray &password);
// A value that is not whole 16-digit blocks of hexadecimal digits unscrambles to
// empty text rather than to garbage.
QByteArray UnscramblePassword(const QByteArray &hex);

namespace des {
// Enciphers or deciphers whole 8-byte blocks, each on its own; the parity bits of the
// key are ignored.
QByteArray ecbEncrypt(const QByteArray &key8, const QByteArray &blocks);
QByteArray ecbDecrypt(const QByteArray &key8, const QByteArray &blocks);
} // namespace des
