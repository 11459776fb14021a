#include "users/PasswordScramble.h"

#include <nettle/des.h>

namespace des {

namespace {
QByteArray run(const QByteArray &key8, const QByteArray &blocks, bool encrypt)
{
    if (key8.size() != DES_KEY_SIZE || blocks.size() % DES_BLOCK_SIZE != 0)
        return QByteArray();
    des_ctx ctx;
    des_set_key(&ctx, reinterpret_cast<const uint8_t *>(key8.constData())); // weak keys still set the schedule
    QByteArray out(blocks.size(), '\0');
    const auto *src = reinterpret_cast<const uint8_t *>(blocks.constData());
    auto *dst = reinterpret_cast<uint8_t *>(out.data());
    if (encrypt)
        des_encrypt(&ctx, static_cast<size_t>(blocks.size()), dst, src);
    else
        des_decrypt(&ctx, static_cast<size_t>(blocks.size()), dst, src);
    return out;
}
} // namespace

QByteArray ecbEncrypt(const QByteArray &key8, const QByteArray &blocks)
{
    return run(key8, blocks, true);
}

QByteArray ecbDecrypt(const QByteArray &key8, const QByteArray &blocks)
{
    return run(key8, blocks, false);
}

} // namespace des

namespace {
const QByteArray &scrambleKey()
{
    static const QByteArray key("p9wd2h\0\0", 8);
    return key;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
} // namespace

QByteArray ScramblePassword(const QByteArray &password)
{
    if (password.isEmpty())
        return QByteArray("");
    QByteArray padded = password;
    if (padded.size() % DES_BLOCK_SIZE)
        padded.append(DES_BLOCK_SIZE - padded.size() % DES_BLOCK_SIZE, '\0');
    return des::ecbEncrypt(scrambleKey(), padded).toHex().toUpper();
}

QByteArray UnscramblePassword(const QByteArray &hex)
{
    if (hex.isEmpty() || hex.size() % (2 * DES_BLOCK_SIZE) != 0)
        return QByteArray("");
    QByteArray cipher(hex.size() / 2, '\0');
    for (qsizetype i = 0; i < cipher.size(); ++i) {
        const int hi = hexDigit(hex[2 * i]);
        const int lo = hexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return QByteArray("");
        cipher[i] = static_cast<char>(hi << 4 | lo);
    }
    QByteArray plain = des::ecbDecrypt(scrambleKey(), cipher);
    const qsizetype zero = plain.indexOf('\0');
    if (zero >= 0)
        plain.truncate(zero);
    return plain;
}
