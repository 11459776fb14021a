// Word-list files: any bytes, in any encoding, become entries or are refused as not
// text; every entry is whole and ready for the quoting helper.

#include "platform/SqlText.h"
#include "wordlists/WordListFile.h"

#include <cstdint>
#include <cstdlib>

namespace {
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}
void check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const ParsedWordList list = parseWordList(bytes);
    check(!list.binary || list.entries.isEmpty());
    for (const WordEntry &e : list.entries) {
        check(!e.explanation.isEmpty());
        check(!isBlank(e.explanation.front()) && !isBlank(e.explanation.back()));
        check(e.word.isEmpty() || !isBlank(e.word.back()));
        check(!e.word.contains(u'\n') && !e.explanation.contains(u'\n') && !e.phonetic.contains(u'\n'));
        sqlQuote(QStringView(e.word));
        sqlQuote(QStringView(e.explanation));
        sqlQuote(QStringView(e.phonetic));
    }
    wordListName(QString::fromUtf8(bytes.left(300)));
    return 0;
}
