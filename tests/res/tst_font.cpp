// The phonetic font carried among the resources: it registers under its own family name,
// covers the symbols of English transcriptions and draws them without falling back.

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QtEndian>
#include <QtTest>

static const QString kFamily = QStringLiteral("ZARaviduzi");
static const QString kResource = QStringLiteral(":/MYFONT/142.ttf");

// One record of the font's name table, decoded.
struct NameRecord
{
    quint16 platform = 0;
    quint16 nameId = 0;
    QString text;
};

// Reads the 'name' table (format 0 or 1); an empty list when it is missing or malformed.
static QList<NameRecord> nameRecords(const QByteArray &table)
{
    QList<NameRecord> out;
    if (table.size() < 6)
        return out;
    const auto *d = reinterpret_cast<const uchar *>(table.constData());
    const int count = qFromBigEndian<quint16>(d + 2);
    const int storage = qFromBigEndian<quint16>(d + 4);
    if (6 + count * 12 > table.size())
        return out;
    for (int i = 0; i < count; ++i) {
        const uchar *r = d + 6 + i * 12;
        NameRecord rec;
        rec.platform = qFromBigEndian<quint16>(r);
        rec.nameId = qFromBigEndian<quint16>(r + 6);
        const int length = qFromBigEndian<quint16>(r + 8);
        const int offset = storage + qFromBigEndian<quint16>(r + 10);
        if (offset + length > table.size())
            return {};
        const QByteArray raw = table.mid(offset, length);
        if (rec.platform == 0 || rec.platform == 3) {
            for (int k = 0; k + 1 < raw.size(); k += 2)
                rec.text += QChar(qFromBigEndian<quint16>(raw.constData() + k));
        } else {
            rec.text = QString::fromLatin1(raw);
        }
        out.append(rec);
    }
    return out;
}

class TestPhoneticFont : public QObject
{
    Q_OBJECT

    QByteArray m_bytes;
    int m_id = -1;

    QFont phoneticFont() const
    {
        QFont f(kFamily, 12);
        // Without this a missing glyph would be borrowed from another face and go unseen.
        f.setStyleStrategy(QFont::NoFontMerging);
        return f;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile file(kResource);
        QVERIFY2(file.open(QIODevice::ReadOnly), "the font resource is not linked in");
        m_bytes = file.readAll();
        QVERIFY(!m_bytes.isEmpty());
        m_id = QFontDatabase::addApplicationFontFromData(m_bytes);
        QVERIFY2(m_id != -1, "the font data was refused");
    }

    void isSmallTrueType()
    {
        // TrueType outlines (version 1.0), not CFF, and small enough to carry in the program.
        QCOMPARE(qFromBigEndian<quint32>(m_bytes.constData()), quint32(0x00010000));
        QVERIFY2(m_bytes.size() < 150 * 1024, qPrintable(QString::number(m_bytes.size())));
        QRawFont raw(m_bytes, 12);
        QVERIFY(raw.isValid());
        QVERIFY(!raw.fontTable("glyf").isEmpty());
    }

    void registersUnderOwnFamily()
    {
        const QStringList families = QFontDatabase::applicationFontFamilies(m_id);
        QVERIFY2(families.contains(kFamily), qPrintable(families.join(QLatin1Char(','))));
        QCOMPARE(QRawFont(m_bytes, 12).familyName(), kFamily);
        QCOMPARE(QFontInfo(phoneticFont()).family(), kFamily);
    }

    // The licence of the source face asks derivatives to present only their own name:
    // every family, full, PostScript and preferred-family record must be ours.
    void everyPresentedNameIsOurs()
    {
        const QList<NameRecord> records = nameRecords(QRawFont(m_bytes, 12).fontTable("name"));
        QVERIFY(!records.isEmpty());
        int presented = 0;
        for (const NameRecord &r : records) {
            if (r.nameId == 1 || r.nameId == 4 || r.nameId == 6 || r.nameId == 16 || r.nameId == 3) {
                ++presented;
                QVERIFY2(r.text.startsWith(kFamily),
                         qPrintable(QStringLiteral("name %1: %2").arg(r.nameId).arg(r.text)));
            }
            if (r.nameId == 2 || r.nameId == 17)
                QCOMPARE(r.text, QStringLiteral("Regular"));
        }
        QVERIFY(presented >= 4);
    }

    void hasGlyph_data()
    {
        QTest::addColumn<QString>("text");
        const QString symbols = QStringLiteral("əæʃʒθðŋɔɑʌɪʊɒɜɡˈˌːeiuoa");
        for (const QChar c : symbols)
            QTest::newRow(qPrintable(QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')))) << QString(c);
        for (char c = 'a'; c <= 'z'; ++c) {
            QTest::newRow(qPrintable(QString(QLatin1Char(c)))) << QString(QLatin1Char(c));
            QTest::newRow(qPrintable(QString(QLatin1Char(c - 'a' + 'A')))) << QString(QLatin1Char(c - 'a' + 'A'));
        }
        QTest::newRow("apostrophe") << QStringLiteral("'");
        QTest::newRow("hyphen") << QStringLiteral("-");
        QTest::newRow("space") << QStringLiteral(" ");
        QTest::newRow("brackets") << QStringLiteral("[]");
        QTest::newRow("syllabic mark") << QStringLiteral("\u0329");
        QTest::newRow("tilde above") << QStringLiteral("\u0303");
    }

    void hasGlyph()
    {
        QFETCH(QString, text);
        QRawFont raw(m_bytes, 12);
        for (const QChar c : text)
            QVERIFY(raw.supportsCharacter(c));
        const QList<quint32> glyphs = raw.glyphIndexesForString(text);
        QCOMPARE(glyphs.size(), text.size());
        for (quint32 g : glyphs)
            QVERIFY(g != 0);
        QFontMetrics fm(phoneticFont());
        for (const QChar c : text)
            QVERIFY(fm.inFont(c));
    }

    // Something the font was never meant to cover must show up as missing, so that the
    // checks above can tell a present glyph from an absent one.
    void reportsMissingGlyphs()
    {
        QRawFont raw(m_bytes, 12);
        const QString han = QStringLiteral("词");
        QVERIFY(!raw.supportsCharacter(han.at(0)));
        QCOMPARE(raw.glyphIndexesForString(han).value(0), quint32(0));
    }

    void drawsTranscription_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("abandon") << QStringLiteral("əˈbændən");
        QTest::newRow("thought") << QStringLiteral("θɔːt");
        QTest::newRow("pleasure") << QStringLiteral("ˈpleʒə");
        QTest::newRow("singing") << QStringLiteral("ˈsɪŋɪŋ");
        QTest::newRow("understand") << QStringLiteral("ˌʌndəˈstænd");
        QTest::newRow("father") << QStringLiteral("ˈfɑːðə");
        QTest::newRow("good") << QStringLiteral("ɡʊd");
        QTest::newRow("hot") << QStringLiteral("hɒt");
        QTest::newRow("nurse") << QStringLiteral("nɜːs");
        QTest::newRow("shop") << QStringLiteral("ʃɒp");
        QTest::newRow("button") << QStringLiteral("ˈbʌtn\u0329");
    }

    void drawsTranscription()
    {
        QFETCH(QString, text);
        const QFont font = phoneticFont();
        QFontMetrics fm(font);
        QVERIFY(fm.horizontalAdvance(text) > 0);

        QRawFont raw(m_bytes, 12);
        for (quint32 g : raw.glyphIndexesForString(text))
            QVERIFY2(g != 0, qPrintable(text));

        // Shaped as the program shows it: every run comes from our face, no glyph is missing.
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        QVERIFY(!runs.isEmpty());
        int glyphCount = 0;
        for (const QGlyphRun &run : runs) {
            QCOMPARE(run.rawFont().familyName(), kFamily);
            for (quint32 g : run.glyphIndexes()) {
                QVERIFY2(g != 0, qPrintable(text));
                ++glyphCount;
            }
        }
        QVERIFY(glyphCount > 0);

        // And it leaves ink: dark pixels across most of its advance.
        const int width = fm.horizontalAdvance(text) + 8;
        QImage image(width, fm.height() + 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(4, 4 + fm.ascent(), text);
        }
        int left = image.width(), right = -1, inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    ++inked;
                    left = qMin(left, x);
                    right = qMax(right, x);
                }
        QVERIFY2(inked > text.size() * 3, qPrintable(QString::number(inked)));
        QVERIFY(right - left > fm.horizontalAdvance(text) / 2);
    }
};

QTEST_MAIN(TestPhoneticFont)
#include "tst_font.moc"
