// The narrow-text helpers: conversions both ways, byte lengths, cuts at whole
// characters, the UTF-8 guess and the SQL quoting.

#include "platform/AnsiText.h"
#include "platform/SqlText.h"

#include <cstdint>
#include <cstdlib>

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const qsizetype limit = data[0];
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));

    // Narrow to wide and back; the length helper agrees with the encoder.
    const QString text = ansi::toUnicode(bytes);
    const QByteArray narrow = ansi::fromUnicode(text);
    check(ansi::byteLength(text) == narrow.size());
    check(ansi::toUnicode(narrow) == text || text.contains(QChar::ReplacementCharacter));

    // A cut is a prefix within the limit; on valid text it never splits a character.
    const QByteArray cut = ansi::truncateToBytes(bytes, limit);
    check(cut.size() <= limit && bytes.startsWith(cut));
    check(bytes.size() > limit || cut == bytes);
    if (narrow == bytes) {
        check(ansi::fromUnicode(ansi::toUnicode(cut)) == cut && text.startsWith(ansi::toUnicode(cut)));
    }

    // What is taken for UTF-8 decodes without loss.
    if (ansi::looksLikeUtf8(bytes))
        check(QString::fromUtf8(bytes).toUtf8() == bytes);

    // Quoting doubles every apostrophe and changes nothing else.
    const QByteArray quoted = sqlQuote(QByteArrayView(bytes));
    check(quoted.size() == bytes.size() + bytes.count('\''));
    QByteArray unquoted = quoted;
    check(unquoted.replace("''", "'") == bytes);
    check(sqlQuote(QStringView(text)) == sqlQuote(QByteArrayView(narrow)));
    return 0;
}
