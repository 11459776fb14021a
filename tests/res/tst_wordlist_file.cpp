// The free word lists installed with the program: well-formed entries the importer
// reads as intended, transcriptions in the learners' dictionary notation that the
// phonetic font can draw, no repeated words, alphabetical order.

#include "platform/AnsiText.h"

#include <QDir>
#include <QFile>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QtTest>

#ifndef QUILLORA_SOURCE_DIR
#error "QUILLORA_SOURCE_DIR must name the source tree"
#endif

static QString sourcePath(const QString &relative)
{
    return QString::fromUtf8(QUILLORA_SOURCE_DIR) + QLatin1Char('/') + relative;
}

static const QString kFreeListDir = QStringLiteral("res/wordlists/赠送词库");
static const QString kFontFile = QStringLiteral("res/MYFONT/142.ttf");

struct Entry
{
    int line = 0;
    QString word;
    QString transcription;
    QString explanation;
};

struct Parsed
{
    QList<Entry> entries;
    QStringList faults;
};

// British English in the notation of Chinese learners' dictionaries, longest first so
// that diphthongs, affricates and long vowels are taken whole.
static const QStringList kPhonemes = [] {
    QStringList p = QStringLiteral("p b t d k ɡ f v θ ð s z ʃ ʒ h tʃ dʒ m n ŋ l r j w "
                                   "iː ɪ i e æ ɑː ɒ ɔː ʊ u uː ʌ ɜː ə eɪ aɪ ɔɪ əʊ aʊ ɪə eə ʊə")
                        .split(QLatin1Char(' '));
    std::stable_sort(p.begin(), p.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return p;
}();

// Why a transcription is not a sequence of those phonemes with stress marks before
// syllables, or an empty text.
static QString notationFault(const QString &transcription)
{
    const QString stress = QStringLiteral("ˈˌ");
    bool afterStress = false;
    for (qsizetype pos = 0; pos < transcription.size();) {
        if (stress.contains(transcription.at(pos))) {
            if (afterStress)
                return QStringLiteral("two stress marks in a row");
            afterStress = true;
            ++pos;
            continue;
        }
        const auto phoneme = std::find_if(kPhonemes.cbegin(), kPhonemes.cend(),
                                          [&](const QString &p) { return QStringView(transcription).mid(pos).startsWith(p); });
        if (phoneme == kPhonemes.cend())
            return QStringLiteral("U+%1 is no phoneme of the notation").arg(transcription.at(pos).unicode(), 4, 16, QLatin1Char('0'));
        pos += phoneme->size();
        afterStress = false;
    }
    if (afterStress)
        return QStringLiteral("ends with a stress mark");
    if (transcription.count(QStringLiteral("ˈ")) > 1)
        return QStringLiteral("more than one primary stress");
    return {};
}

// The importer's reading of a word line: the last "[" splits word and transcription,
// and the line's last character (normally "]") is dropped.
static void importerSplit(const QString &line, QString *word, QString *transcription)
{
    const qsizetype open = line.lastIndexOf(QLatin1Char('['));
    if (open < 0 || open == line.size() - 1) {
        *word = line;
        transcription->clear();
        return;
    }
    QString before = line.left(open);
    while (!before.isEmpty() && before.back().isSpace())
        before.chop(1);
    *word = before;
    *transcription = line.mid(open + 1, line.size() - open - 2);
}

// Checks one list file's bytes against the format we ship and returns its entries and
// every fault found. font, when valid, is the font that must draw the transcriptions.
static Parsed parseList(const QByteArray &bytes, const QRawFont &font)
{
    Parsed out;
    auto fault = [&out](int line, const QString &what) {
        out.faults.append(QStringLiteral("line %1: %2").arg(line).arg(what));
    };

    if (bytes.startsWith("\xEF\xBB\xBF"))
        fault(1, QStringLiteral("byte-order mark"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        fault(1, QStringLiteral("not valid UTF-8"));
        return out;
    }
    // The importer tells UTF-8 files from narrow ones by this test.
    if (!ansi::looksLikeUtf8(bytes))
        fault(1, QStringLiteral("not recognised as UTF-8"));
    if (bytes.contains('\r'))
        fault(1, QStringLiteral("CR line ends"));
    if (bytes.contains('\t'))
        fault(1, QStringLiteral("tab character"));
    if (!bytes.endsWith('\n') || bytes.endsWith("\n\n"))
        fault(1, QStringLiteral("file does not end with exactly one line end"));

    static const QRegularExpression wordLine(QStringLiteral("^([A-Za-z][A-Za-z' -]*) \\[([^\\[\\]]+)\\]$"));
    static const QRegularExpression tag(QStringLiteral("(?:^|(?<=[\\s；]))([a-z]+)\\."));
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    // A sense pronounced otherwise than the word: "/.../" after it, then a blank or the end.
    static const QRegularExpression senseTranscription(QStringLiteral("(?<= )/([^/\\s]+)/(?= |$)"));
    static const QSet<QString> knownTags = {
        QStringLiteral("n"), QStringLiteral("v"), QStringLiteral("vt"), QStringLiteral("vi"),
        QStringLiteral("adj"), QStringLiteral("adv"), QStringLiteral("prep"), QStringLiteral("conj"),
        QStringLiteral("pron"), QStringLiteral("art"), QStringLiteral("num"), QStringLiteral("int"),
        QStringLiteral("interj"), QStringLiteral("aux"), QStringLiteral("abbr")};

    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    lines.append(QString()); // closes the last entry

    QList<QPair<int, QString>> block;
    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        const QString &line = lines.at(i);
        if (line != line.trimmed())
            fault(number, QStringLiteral("line not trimmed"));
        if (!line.trimmed().isEmpty()) {
            block.append({number, line.trimmed()});
            continue;
        }
        if (block.isEmpty()) {
            if (i < lines.size() - 1)
                fault(number, QStringLiteral("more than one empty line between entries"));
            continue;
        }
        if (block.size() != 2) {
            fault(block.first().first, QStringLiteral("entry of %1 lines, not 2").arg(block.size()));
            block.clear();
            continue;
        }
        Entry e;
        e.line = block.at(0).first;
        const QString first = block.at(0).second;
        e.explanation = block.at(1).second;
        block.clear();

        const QRegularExpressionMatch m = wordLine.match(first);
        if (!m.hasMatch()) {
            fault(e.line, QStringLiteral("not 'word [transcription]': ") + first);
            continue;
        }
        e.word = m.captured(1);
        e.transcription = m.captured(2);
        QString importedWord, importedTranscription;
        importerSplit(first, &importedWord, &importedTranscription);
        if (importedWord != e.word || importedTranscription != e.transcription)
            fault(e.line, QStringLiteral("the importer would split this line differently"));

        if (!e.explanation.contains(han))
            fault(e.line + 1, QStringLiteral("explanation without Chinese"));
        if (e.explanation.contains(QLatin1Char('[')) || e.explanation.contains(QLatin1Char(']')))
            fault(e.line + 1, QStringLiteral("square bracket in explanation"));
        QStringList tags;
        for (const QRegularExpressionMatch &t : tag.globalMatch(e.explanation))
            tags.append(t.captured(1));
        if (tags.isEmpty() || !e.explanation.startsWith(tags.first() + QLatin1Char('.')))
            fault(e.line + 1, QStringLiteral("explanation does not start with a part of speech"));
        for (const QString &t : tags)
            if (!knownTags.contains(t))
                fault(e.line + 1, QStringLiteral("unknown part of speech ") + t);

        // The word's transcription and a sense's own one ("n. 眼泪 /tɪə/") follow one notation.
        const auto checkTranscription = [&](int line, const QString &transcription, bool blanksAllowed) {
            // Stress and length have their own symbols; ASCII stand-ins show up wrongly.
            if (transcription.contains(QLatin1Char('\'')) || transcription.contains(QLatin1Char(':')))
                fault(line, QStringLiteral("ASCII ' or : in transcription"));
            else {
                // A headword of two words ("ice cream") may keep the blank between them.
                const QStringList parts = blanksAllowed ? transcription.split(u' ') : QStringList{transcription};
                for (const QString &part : parts) {
                    if (const QString why = notationFault(part); !why.isEmpty()) {
                        fault(line, QStringLiteral("[%1]: ").arg(transcription) + why);
                        break;
                    }
                }
            }
            if (font.isValid()) {
                const QList<quint32> glyphs = font.glyphIndexesForString(transcription);
                for (qsizetype k = 0; k < transcription.size(); ++k) {
                    if (!font.supportsCharacter(transcription.at(k)) || glyphs.value(k) == 0)
                        fault(line, QStringLiteral("U+%1 not in the phonetic font")
                                        .arg(transcription.at(k).unicode(), 4, 16, QLatin1Char('0')));
                }
            }
        };
        checkTranscription(e.line, e.transcription, e.word.contains(u' '));
        qsizetype senses = 0;
        for (const QRegularExpressionMatch &m : senseTranscription.globalMatch(e.explanation)) {
            ++senses;
            if (m.captured(1) == e.transcription)
                fault(e.line + 1, QStringLiteral("/%1/ repeats the word's transcription").arg(m.captured(1)));
            checkTranscription(e.line + 1, m.captured(1), false);
        }
        if (e.explanation.count(u'/') != 2 * senses)
            fault(e.line + 1, QStringLiteral("a slash that does not enclose a sense's transcription"));
        // Stored as narrow text: every character must survive the round trip.
        for (const QString &s : {first, e.explanation})
            if (ansi::toUnicode(ansi::fromUnicode(s)) != s)
                fault(e.line, QStringLiteral("not representable in the narrow code page"));
        out.entries.append(e);
    }

    QHash<QString, int> seen;
    QString previous;
    for (const Entry &e : std::as_const(out.entries)) {
        const QString key = e.word.toLower();
        if (seen.contains(key))
            fault(e.line, QStringLiteral("duplicate word %1 (first at line %2)").arg(e.word).arg(seen.value(key)));
        else
            seen.insert(key, e.line);
        if (key < previous)
            fault(e.line, QStringLiteral("not in alphabetical order: ") + e.word);
        previous = qMax(previous, key);
    }
    return out;
}

class TestFreeWordList : public QObject
{
    Q_OBJECT

    QRawFont m_font;

    QStringList listFiles() const
    {
        const QDir dir(sourcePath(kFreeListDir));
        QStringList files;
        for (const QString &name : dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name))
            files.append(dir.filePath(name));
        return files;
    }

    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QByteArray fontBytes = readAll(sourcePath(kFontFile));
        QVERIFY2(!fontBytes.isEmpty(), qPrintable(sourcePath(kFontFile)));
        m_font.loadFromData(fontBytes, 12, QFont::PreferDefaultHinting);
        QVERIFY(m_font.isValid());
        QCOMPARE(m_font.familyName(), QStringLiteral("ZARaviduzi"));
    }

    // Every list shipped has a row below, so none goes unchecked.
    void folderHoldsLists()
    {
        QVERIFY2(QFileInfo(sourcePath(kFreeListDir)).isDir(), qPrintable(sourcePath(kFreeListDir)));
        QStringList names;
        for (const QString &path : listFiles())
            names.append(QFileInfo(path).fileName());
        QCOMPARE(names, (QStringList{QStringLiteral("CET4.txt"), QStringLiteral("CET6.txt"), QStringLiteral("基础词汇.txt"),
                                     QStringLiteral("考研词汇.txt"), QStringLiteral("高中词汇.txt")}));
    }

    void listIsWellFormed_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("fewestEntries");
        QTest::newRow("basic") << sourcePath(kFreeListDir + QStringLiteral("/基础词汇.txt")) << 600;
        QTest::newRow("CET-4") << sourcePath(kFreeListDir + QStringLiteral("/CET4.txt")) << 4000;
        QTest::newRow("CET-6") << sourcePath(kFreeListDir + QStringLiteral("/CET6.txt")) << 1500;
        QTest::newRow("senior high") << sourcePath(kFreeListDir + QStringLiteral("/高中词汇.txt")) << 3000;
        QTest::newRow("postgraduate") << sourcePath(kFreeListDir + QStringLiteral("/考研词汇.txt")) << 5000;
    }

    // A learner who has finished CET4 goes on to CET6 and meets no word again; the
    // senior-high list takes in every basic word.
    void listsFollowEachOther_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("contained"); // every word of first in second, or none
        QTest::newRow("CET-6 after CET-4") << QStringLiteral("CET4.txt") << QStringLiteral("CET6.txt") << false;
        QTest::newRow("basic within senior high") << QStringLiteral("基础词汇.txt") << QStringLiteral("高中词汇.txt") << true;
        QTest::newRow("basic within postgraduate") << QStringLiteral("基础词汇.txt") << QStringLiteral("考研词汇.txt") << true;
    }
    void listsFollowEachOther()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, contained);
        const auto words = [this](const QString &name) {
            QSet<QString> set;
            for (const Entry &e : parseList(readAll(sourcePath(kFreeListDir + u'/' + name)), m_font).entries)
                set.insert(e.word.toLower());
            return set;
        };
        const QSet<QString> a = words(first);
        const QSet<QString> b = words(second);
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        const QSet<QString> odd = contained ? QSet<QString>(a).subtract(b) : QSet<QString>(a).intersect(b);
        QVERIFY2(odd.isEmpty(), qPrintable(QStringList(odd.cbegin(), odd.cend()).mid(0, 20).join(u' ')));
    }

    void listIsWellFormed()
    {
        QFETCH(QString, path);
        QFETCH(int, fewestEntries);
        const QByteArray bytes = readAll(path);
        QVERIFY2(!bytes.isEmpty(), qPrintable(path));
        const Parsed p = parseList(bytes, m_font);
        QVERIFY2(p.faults.isEmpty(), qPrintable(p.faults.mid(0, 20).join(QLatin1Char('\n'))));
        QVERIFY2(p.entries.size() >= fewestEntries, qPrintable(QString::number(p.entries.size())));
        // Every entry was parsed: two lines each plus one separating empty line.
        const qsizetype lineCount = bytes.count('\n');
        QCOMPARE(lineCount, p.entries.size() * 3 - 1);
    }

    // The longer lists take up the words of the shorter ones; a learner who moves on
    // must not meet a word pronounced differently.
    void sharedWordsAgree()
    {
        QHash<QString, QPair<QString, QString>> first; // word -> transcription, file
        int shared = 0;
        for (const QString &path : listFiles()) {
            const QString file = QFileInfo(path).fileName();
            for (const Entry &e : parseList(readAll(path), m_font).entries) {
                const QString key = e.word.toLower();
                const auto seen = first.constFind(key);
                if (seen == first.cend()) {
                    first.insert(key, {e.transcription, file});
                    continue;
                }
                ++shared;
                QVERIFY2(seen->first == e.transcription,
                         qPrintable(QStringLiteral("%1: [%2] in %3, [%4] in %5")
                                        .arg(e.word, seen->first, seen->second, e.transcription, file)));
            }
        }
        QVERIFY(shared > 0);
    }

    // The checks above must be able to fail: each sample carries one fault.
    void checkerRejects_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fault");
        const QByteArray good = QStringLiteral("apple [ˈæpl]\nn. 苹果\n\nwater [ˈwɔːtə]\nn. 水\n").toUtf8();
        QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF" + good) << QStringLiteral("byte-order mark");
        QTest::newRow("crlf") << QByteArray(good).replace("\n", "\r\n") << QStringLiteral("CR line ends");
        QTest::newRow("gbk bytes") << ansi::fromUnicode(QStringLiteral("apple [apl]\nn. 苹果\n"))
                                   << QStringLiteral("not valid UTF-8");
        QTest::newRow("no explanation")
            << QStringLiteral("apple [ˈæpl]\n\nwater [ˈwɔːtə]\nn. 水\n").toUtf8() << QStringLiteral("entry of 1 lines");
        QTest::newRow("three lines")
            << QStringLiteral("apple [ˈæpl]\nn. 苹果\nwater [ˈwɔːtə]\nn. 水\n").toUtf8() << QStringLiteral("entry of 4 lines");
        QTest::newRow("no transcription")
            << QStringLiteral("apple\nn. 苹果\n").toUtf8() << QStringLiteral("not 'word [transcription]'");
        QTest::newRow("bracket in explanation")
            << QStringLiteral("apple [ˈæpl]\nn. 苹果 [水果]\n").toUtf8() << QStringLiteral("square bracket");
        QTest::newRow("no chinese")
            << QStringLiteral("apple [ˈæpl]\nn. a fruit\n").toUtf8() << QStringLiteral("without Chinese");
        QTest::newRow("no part of speech")
            << QStringLiteral("apple [ˈæpl]\n苹果\n").toUtf8() << QStringLiteral("part of speech");
        QTest::newRow("unknown tag")
            << QStringLiteral("apple [ˈæpl]\nxyz. 苹果\n").toUtf8() << QStringLiteral("unknown part of speech");
        QTest::newRow("ascii stress")
            << QStringLiteral("apple ['æpl]\nn. 苹果\n").toUtf8() << QStringLiteral("ASCII ' or :");
        QTest::newRow("american r")
            << QStringLiteral("car [kɑːɹ]\nn. 汽车\n").toUtf8() << QStringLiteral("U+0279 is no phoneme");
        QTest::newRow("stress at the end")
            << QStringLiteral("apple [æplˈ]\nn. 苹果\n").toUtf8() << QStringLiteral("ends with a stress mark");
        QTest::newRow("two primary stresses")
            << QStringLiteral("apple [ˈæˈpl]\nn. 苹果\n").toUtf8() << QStringLiteral("more than one primary stress");
        QTest::newRow("glyph not in font")
            << QStringLiteral("apple [ˈæжl]\nn. 苹果\n").toUtf8() << QStringLiteral("not in the phonetic font");
        QTest::newRow("duplicate")
            << QStringLiteral("apple [ˈæpl]\nn. 苹果\n\nApple [ˈæpl]\nn. 苹果\n").toUtf8() << QStringLiteral("duplicate word");
        QTest::newRow("order")
            << QStringLiteral("water [ˈwɔːtə]\nn. 水\n\napple [ˈæpl]\nn. 苹果\n").toUtf8() << QStringLiteral("alphabetical");
        QTest::newRow("untrimmed")
            << QStringLiteral("apple [ˈæpl] \nn. 苹果\n").toUtf8() << QStringLiteral("not trimmed");
        QTest::newRow("tab") << QStringLiteral("apple [ˈæpl]\n\tn. 苹果\n").toUtf8() << QStringLiteral("tab");
        QTest::newRow("double blank")
            << QStringLiteral("apple [ˈæpl]\nn. 苹果\n\n\nwater [ˈwɔːtə]\nn. 水\n").toUtf8() << QStringLiteral("more than one empty");
        QTest::newRow("sense transcription with ascii length")
            << QStringLiteral("tear [teə]\nv. 撕 n. 眼泪 /tɪ:/\n").toUtf8() << QStringLiteral("ASCII ' or :");
        QTest::newRow("sense transcription not a phoneme")
            << QStringLiteral("tear [teə]\nv. 撕 n. 眼泪 /tiɹ/\n").toUtf8() << QStringLiteral("U+0279 is no phoneme");
        QTest::newRow("sense transcription the same")
            << QStringLiteral("tear [teə]\nv. 撕 n. 裂口 /teə/\n").toUtf8() << QStringLiteral("repeats the word's");
        QTest::newRow("unclosed slash")
            << QStringLiteral("tear [teə]\nv. 撕 n. 眼泪 /tɪə\n").toUtf8() << QStringLiteral("a slash that does not");
        QTest::newRow("two brackets")
            << QStringLiteral("apple [x] [ˈæpl]\nn. 苹果\n").toUtf8() << QStringLiteral("not 'word [transcription]'");
    }

    void checkerRejects()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fault);
        const Parsed p = parseList(bytes, m_font);
        QVERIFY2(p.faults.join(QLatin1Char('\n')).contains(fault), qPrintable(p.faults.join(QLatin1Char('\n'))));
    }

    void checkerAcceptsGoodSample()
    {
        const QByteArray good = QStringLiteral("apple [ˈæpl]\nn. 苹果\n\ntear [teə]\nv. 撕 n. 眼泪 /tɪə/\n\nwater [ˈwɔːtə]\nn. 水 v. 浇水\n").toUtf8();
        const Parsed p = parseList(good, m_font);
        QVERIFY2(p.faults.isEmpty(), qPrintable(p.faults.join(QLatin1Char('\n'))));
        QCOMPARE(p.entries.size(), 3);
        QCOMPARE(p.entries.at(1).transcription, QStringLiteral("teə"));
        QCOMPARE(p.entries.at(1).explanation, QStringLiteral("v. 撕 n. 眼泪 /tɪə/"));
        QCOMPARE(p.entries.at(2).word, QStringLiteral("water"));
        QCOMPARE(p.entries.at(2).transcription, QStringLiteral("ˈwɔːtə"));
        QCOMPARE(p.entries.at(2).explanation, QStringLiteral("n. 水 v. 浇水"));
    }
};

QTEST_MAIN(TestFreeWordList)
#include "tst_wordlist_file.moc"
