#include "platform/AnsiText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace ansi {

namespace {
// ICU converters are costly to open; keep one pair per thread (the daily-list worker
// formats SQL too). GB18030 is stateless, so the objects can be reused as they are.
QStringEncoder &encoder()
{
    thread_local QStringEncoder enc("GB18030", QStringConverter::Flag::Stateless);
    return enc;
}
QStringDecoder &decoder()
{
    thread_local QStringDecoder dec("GB18030", QStringConverter::Flag::Stateless);
    return dec;
}

// Byte count of the GB18030 character starting at p (1, 2 or 4); 1 for a stray byte.
qsizetype charLength(const unsigned char *p, qsizetype left)
{
    const unsigned char c = p[0];
    if (c < 0x81 || c == 0xFF || left < 2)
        return 1;
    const unsigned char c2 = p[1];
    if (c2 >= 0x30 && c2 <= 0x39)
        return left >= 4 ? 4 : 1;
    return 2;
}
} // namespace

QByteArray fromUnicode(QStringView text)
{
    if (text.isEmpty())
        return QByteArray("");
    return encoder().encode(text);
}

QString toUnicode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString::fromLatin1("");
    return decoder().decode(bytes);
}

qsizetype byteLength(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80)
            n += 1;
        else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            n += 4; // supplementary planes are four-byte sequences
            ++i;
        } else {
            // Two bytes for the GBK repertoire, four for the rest of the BMP.
            n += QByteArray(encoder().encode(text.sliced(i, 1))).size();
        }
    }
    return n;
}

bool looksLikeUtf8(QByteArrayView bytes)
{
    bool nonAscii = false;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        nonAscii = true;
        qsizetype len;
        if (c >= 0xC2 && c <= 0xDF)
            len = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            len = 3;
        else if (c >= 0xF0 && c <= 0xF4)
            len = 4;
        else
            return false;
        if (i + len > n)
            return false;
        // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not
        // UTF-8; such bytes are read as GB18030.
        const unsigned char c1 = p[i + 1];
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
            return false;
        for (qsizetype k = 1; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += len;
    }
    return nonAscii;
}

QByteArray truncateToBytes(QByteArrayView bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return bytes.toByteArray();
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype len = charLength(p + i, bytes.size() - i);
        if (i + len > maxBytes)
            break;
        i += len;
    }
    return bytes.first(i).toByteArray();
}

QString htmlEscaped(QStringView text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView one = text.sliced(i, units);
        const char32_t c = units == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1]) : char32_t(text[i].unicode());
        switch (c) {
        case U'<': out += QLatin1String("&lt;"); break;
        case U'>': out += QLatin1String("&gt;"); break;
        case U'&': out += QLatin1String("&amp;"); break;
        case U'"': out += QLatin1String("&quot;"); break;
        case U'\'': out += QLatin1String("&#39;"); break;
        default:
            if (c >= 0x80 && QByteArray(encoder().encode(one)).size() == 4)
                out += QStringLiteral("&#%1;").arg(uint(c));
            else
                out += one;
        }
        i += units - 1;
    }
    return out;
}

} // namespace ansi
