#include "platform/AnsiText.h"
#include "platform/ProfileFile.h"
#include "platform/SqlText.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
}
} // namespace

class TestTextAndProfile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void narrowText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("apple") << QByteArray("apple");
        QTest::newRow("gbk") << QStringLiteral("背单词") << QByteArray::fromHex("b1b3b5a5b4ca");
        QTest::newRow("full-width punctuation") << QStringLiteral("请选择！") << QByteArray::fromHex("c7ebd1a1d4f1a3a1");
        QTest::newRow("ipa four-byte") << QStringLiteral("ə") << QByteArray::fromHex("8130ac35");
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void narrowText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ansi::fromUnicode(text), bytes);
        QCOMPARE(ansi::toUnicode(bytes), text.isNull() ? QStringLiteral("") : text);
        QCOMPARE(ansi::byteLength(text), bytes.size());
    }

    void ipaRoundTrip()
    {
        const QString ipa = QStringLiteral("əæʃʒθðŋɔɑʌɪʊˈˌː [ɪmˈpɔːtnt] 😀");
        QCOMPARE(ansi::toUnicode(ansi::fromUnicode(ipa)), ipa);
    }

    void byteLengthsCountChineseAsTwo()
    {
        QCOMPARE(ansi::byteLength(u"六个汉字的名"), 12);
        QCOMPARE(ansi::byteLength(u"ab中"), 4);
    }

    void truncationKeepsWholeCharacters()
    {
        const QByteArray mixed = ansi::fromUnicode(u"ab中文ə");
        QCOMPARE(ansi::truncateToBytes(mixed, 3), QByteArray("ab"));
        QCOMPARE(ansi::truncateToBytes(mixed, 4), ansi::fromUnicode(u"ab中"));
        QCOMPARE(ansi::truncateToBytes(mixed, 9), ansi::fromUnicode(u"ab中文"));
        QCOMPARE(ansi::truncateToBytes(mixed, 10), mixed);
    }

    void utf8Detection()
    {
        QVERIFY(ansi::looksLikeUtf8(QByteArray("apple 苹果")));
        QVERIFY(!ansi::looksLikeUtf8(ansi::fromUnicode(u"apple 苹果")));
        QVERIFY(!ansi::looksLikeUtf8(QByteArray("plain ascii")));
        // Valid GB18030 whose bytes only look like UTF-8: an encoded surrogate (a fuzzing
        // find), an overlong form and a code point past U+10FFFF.
        QVERIFY(!ansi::looksLikeUtf8(QByteArray::fromHex("e58d95edaf8d")));
        QVERIFY(!ansi::looksLikeUtf8(QByteArray::fromHex("e08080")));
        QVERIFY(!ansi::looksLikeUtf8(QByteArray::fromHex("f4908080")));
    }

    void quoting()
    {
        QCOMPARE(sqlQuote(QByteArrayView("it's")), QByteArray("it''s"));
        QCOMPARE(sqlQuote(u"o'' 单'"), ansi::fromUnicode(u"o'''' 单''"));
        QCOMPARE(sqlFormat("%s=%d", "a", 5), QByteArray("a=5"));
    }

    void profileMissingThings()
    {
        ProfileFile missing(file("missing.ini"));
        QCOMPARE(missing.readString("login", "LastUser"), QByteArray());
        QCOMPARE(missing.readString("login", "LastUser", "dflt"), QByteArray("dflt"));
        QVERIFY(!QFile::exists(file("missing.ini")));

        writeFile(file("other.ini"), "[other]\nLastUser=bob\n");
        ProfileFile other(file("other.ini"));
        QCOMPARE(other.readString("login", "LastUser"), QByteArray());
        QCOMPARE(other.readString("other", "AutoLog"), QByteArray());
        QCOMPARE(other.readString("OTHER", "lastuser"), QByteArray("bob")); // names ignore case
    }

    void profileValueRules()
    {
        writeFile(file("rules.ini"), "; comment\r\n[login]\r\n  LastUser =  ann lee  \r\nQuoted=\"x y\"\r\nEmpty=\r\nnoequals\r\n[next]\r\nLastUser=zed\r\n");
        ProfileFile p(file("rules.ini"));
        QCOMPARE(p.readString("login", "LastUser"), QByteArray("ann lee"));
        QCOMPARE(p.readString("login", "Quoted"), QByteArray("x y"));
        QCOMPARE(p.readString("login", "Empty", "d"), QByteArray());
        QCOMPARE(p.readString("next", "LastUser"), QByteArray("zed"));
    }

    void profileLongValuesAreCut()
    {
        const QByteArray value(600, 'x');
        ProfileFile p(file("long.ini"));
        QVERIFY(p.writeString("login", "RememberPas", value));
        QCOMPARE(p.readString("login", "RememberPas").size(), 511);
        QCOMPARE(p.readString("login", "RememberPas"), value.left(511));
        QVERIFY(readFile(file("long.ini")).contains(value)); // stored whole, cut when read
    }

    void profileWritesKeepOtherLines()
    {
        const QByteArray original = "; keep me\r\n[window]\r\nx=10\r\ny=20\r\n\r\n[login]\r\nLastUser=ann\r\n\r\n[tail]\r\nz=1\r\n";
        writeFile(file("keep.ini"), original);
        ProfileFile p(file("keep.ini"));
        QVERIFY(p.writeString("login", "AutoLog", "ann"));
        QVERIFY(p.writeString("LOGIN", "lastuser", "bob"));
        QVERIFY(p.writeString("new", "k", "v"));
        const QByteArray now = readFile(file("keep.ini"));
        QVERIFY(now.startsWith("; keep me\r\n[window]\r\nx=10\r\ny=20\r\n"));
        QVERIFY(now.contains("[tail]\r\nz=1\r\n"));
        QVERIFY(!now.contains('\n' + QByteArray("LastUser=ann")));
        QCOMPARE(p.readString("login", "LastUser"), QByteArray("bob"));
        QCOMPARE(p.readString("login", "AutoLog"), QByteArray("ann"));
        QCOMPARE(p.readString("new", "k"), QByteArray("v"));
        QCOMPARE(p.readString("window", "y"), QByteArray("20"));
        QCOMPARE(now.count("\r\n"), now.count('\n')); // line ends stay CRLF

        // A fresh file is created with the section; GBK bytes pass through unchanged.
        ProfileFile fresh(file("fresh.ini"));
        const QByteArray name = ansi::fromUnicode(u"张三");
        QVERIFY(fresh.writeString("login", "LastUser", name));
        QCOMPARE(readFile(file("fresh.ini")), QByteArray("[login]\nLastUser=") + name + '\n');
        QCOMPARE(fresh.readString("login", "LastUser"), name);
    }

    void profileWriteFailureLeavesFile()
    {
        ProfileFile p(file("no/such/dir/x.ini"));
        QVERIFY(!p.writeString("login", "LastUser", "x"));
    }
};

QTEST_GUILESS_MAIN(TestTextAndProfile)
#include "tst_text_and_profile.moc"
