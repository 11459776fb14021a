#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The program's narrow text is GB18030: a superset of GBK, so bytes written on a
// Chinese Windows system read the same, and it encodes every character, IPA
// transcriptions included. The store, config.ini and SQL hold these bytes; text
// becomes QString only at the widget boundary. Everything converts here.
namespace ansi {

QByteArray fromUnicode(QStringView text);
QString toUnicode(QByteArrayView bytes);
inline QString toUnicode(const QByteArray &bytes) { return toUnicode(QByteArrayView(bytes)); }
inline QString toUnicode(const char *bytes) { return toUnicode(QByteArrayView(bytes ? bytes : "")); }

// Length in bytes of the narrow form (a Chinese character counts two).
qsizetype byteLength(QStringView text);

// True when the bytes are valid UTF-8 that is not plain ASCII; used to tell the two
// encodings of word-list files apart.
bool looksLikeUtf8(QByteArrayView bytes);

// Cuts narrow text to at most maxBytes without splitting a multibyte character.
QByteArray truncateToBytes(QByteArrayView bytes, qsizetype maxBytes);

// The user's text for an HTML page that declares gb2312, which browsers read as GBK:
// markup characters escaped, and every character beyond GBK (four bytes in GB18030) as
// a character reference, so the page reads right as GBK bytes and as text alike.
QString htmlEscaped(QStringView text);

} // namespace ansi
