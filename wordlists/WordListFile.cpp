#include "wordlists/WordListFile.h"

#include "platform/AnsiText.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

QStringView trimmed(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

// Control bytes other than white space do not occur in text files.
bool looksBinary(const QByteArray &data)
{
    for (char ch : data) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f' && c != 0x1A /* DOS end of file */)
            return true;
    }
    return false;
}

QString decode(const QByteArray &data, ParsedWordList &out)
{
    if (data.startsWith("\xEF\xBB\xBF")) {
        out.encoding = ParsedWordList::Encoding::Utf8;
        return QString::fromUtf8(data.constData() + 3, data.size() - 3);
    }
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        out.encoding = ParsedWordList::Encoding::Utf16;
        QStringDecoder decoder(data.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return decoder.decode(QByteArrayView(data).sliced(2));
    }
    if (looksBinary(data)) {
        out.binary = true;
        return QString();
    }
    if (ansi::looksLikeUtf8(data)) {
        out.encoding = ParsedWordList::Encoding::Utf8;
        return QString::fromUtf8(data);
    }
    out.encoding = ParsedWordList::Encoding::Gb18030;
    return ansi::toUnicode(data);
}

} // namespace

void splitWordLine(const QString &line, QString *word, QString *phonetic)
{
    const qsizetype bracket = line.lastIndexOf(u'[');
    if (bracket < 0 || bracket == line.size() - 1) {
        *word = line;
        phonetic->clear();
        return;
    }
    QStringView before = QStringView(line).first(bracket);
    while (!before.isEmpty() && isBlank(before.back()))
        before.chop(1);
    *word = before.toString();
    *phonetic = line.sliced(bracket + 1, line.size() - bracket - 2);
}

ParsedWordList parseWordList(const QByteArray &data)
{
    ParsedWordList out;
    const QString text = decode(data, out);
    if (out.binary)
        return out;

    bool expectWord = true;
    QString word, phonetic;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        const QStringView line = trimmed(QStringView(text).sliced(start, end - start));
        start = end + 1;
        if (line.isEmpty()) {
            expectWord = true; // a word line without its explanation is dropped
        } else if (expectWord) {
            splitWordLine(line.toString(), &word, &phonetic);
            expectWord = false;
        } else {
            out.entries.append({word, phonetic, line.toString()});
            expectWord = true;
        }
        if (end == text.size())
            break;
    }
    return out;
}

QString wordListName(const QString &filePath)
{
    const QString fileName = QFileInfo(filePath).fileName();
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}
