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

bool hasChinese(QStringView text)
{
    for (QChar c : text)
        if ((c >= u'\u3400' && c <= u'\u9FFF') || (c >= u'\uF900' && c <= u'\uFAFF'))
            return true;
    return false;
}

// Every byte above ASCII belongs to a GB2312 character (both bytes 0xA1-0xFE).
bool onlyGb2312(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80)
            continue;
        if (c < 0xA1 || c > 0xF7 || i + 1 == bytes.size())
            return false;
        const auto trail = static_cast<unsigned char>(bytes[++i]);
        if (trail < 0xA1 || trail == 0xFF)
            return false;
    }
    return true;
}

// A short GBK file can be valid UTF-8 as well: "n. 学校" reads as "n. ѧУ" and
// "n. 猫" as "n. è". Such a file is GBK when its UTF-8 reading has no Chinese while
// its GBK reading is common Chinese throughout. Real UTF-8 transcriptions (ˈ, ə, ŋ)
// fall outside GB2312 when read as GBK, so an English-only UTF-8 list stays UTF-8.
bool gbkThatLooksLikeUtf8(const QByteArray &data, const QString &utf8)
{
    return !hasChinese(utf8) && onlyGb2312(data) && hasChinese(ansi::toUnicode(data));
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
        QString text = QString::fromUtf8(data);
        if (!gbkThatLooksLikeUtf8(data, text)) {
            out.encoding = ParsedWordList::Encoding::Utf8;
            return text;
        }
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
