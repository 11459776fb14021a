#include "study/WordDisplay.h"
#include "ui/Fonts.h"
#include "ui/Images.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QSize kSize(462, 60);
const QRgb kOutline = qRgb(0x40, 0x40, 0x80);
const QRgb kFace = qRgb(0x28, 0xA0, 0xF0);
const QRgb kRed = qRgb(0xFF, 0x00, 0x00);
const QRgb kGreen = qRgb(0x00, 0xFF, 0x00);
const QRgb kYellow = qRgb(0xFF, 0xFF, 0x00);
const QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);

// Where letter i of the word starts: the advance of the letters before it in the
// display's face, on an image like the one it draws on, plus the one-pixel offset.
int xOf(const QString &word, int i)
{
    const QImage device(kSize, QImage::Format_ARGB32_Premultiplied);
    return QFontMetrics(CWordDisplay::wordFont(), &device).horizontalAdvance(word.left(i)) + 1;
}

// The column band of letter i, a pixel in from each side to keep the neighbours'
// antialiased edges out.
QRect letterBand(const QString &word, int i)
{
    return QRect(QPoint(xOf(word, i) + 1, 0), QPoint(xOf(word, i + 1) - 2, kSize.height() - 1));
}

// Pixels of the colour; the outline, a one-pixel ring mostly blended by antialiasing,
// is found with a tolerance.
int count(const QImage &img, const QRect &area, QRgb colour, int tolerance = 0)
{
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += std::abs(qRed(p) - qRed(colour)) <= tolerance && std::abs(qGreen(p) - qGreen(colour)) <= tolerance
                 && std::abs(qBlue(p) - qBlue(colour)) <= tolerance;
        }
    return n;
}

int countAll(const QImage &img, QRgb colour)
{
    return count(img, img.rect(), colour);
}

bool allWhite(const QImage &img, const QRect &area)
{
    const QRect r = area.intersected(img.rect());
    return count(img, r, kWhite) == r.width() * r.height();
}

// Enough solid pixels to be a glyph's stroke, not stray antialiasing.
constexpr int kStroke = 12;

QImage renderOf(const QString &word, const QString &typed, int mode)
{
    CWordDisplay d;
    d.SetWord(word);
    d.SetTyped(typed);
    d.SetMode(mode);
    return d.render(kSize);
}

} // namespace

class TestWordDisplay : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        installFontSubstitutions();
        loadPhoneticFont();
        QApplication::setFont(interfaceFont());
    }

    void outlinedWordOnWhite()
    {
        const QImage img = renderOf(QStringLiteral("apple"), QString(), CWordDisplay::Normal);
        QCOMPARE(img.size(), kSize);
        // White ground, the word in its face colour ringed by the outline colour.
        QCOMPARE(img.pixel(kSize.width() - 1, kSize.height() - 1) | 0xFF000000, kWhite);
        QVERIFY(countAll(img, kFace) > 5 * kStroke);
        QVERIFY(count(img, img.rect(), kOutline, 24) > 5 * kStroke);
        // The outline reaches a pixel further up and left than the face: the first inked
        // column and row are outline-coloured, never face-coloured.
        int firstColumn = -1;
        for (int x = 0; x < img.width() && firstColumn < 0; ++x)
            if (!allWhite(img, QRect(x, 0, 1, img.height())))
                firstColumn = x;
        QVERIFY(firstColumn >= 0);
        QCOMPARE(count(img, QRect(firstColumn, 0, 1, img.height()), kFace), 0);
        int firstRow = -1;
        for (int y = 0; y < img.height() && firstRow < 0; ++y)
            if (!allWhite(img, QRect(0, y, img.width(), 1)))
                firstRow = y;
        QCOMPARE(count(img, QRect(0, firstRow, img.width(), 1), kFace), 0);
        // Nothing typed: only the first letter is marked, in yellow.
        QVERIFY(count(img, letterBand(QStringLiteral("apple"), 0), kYellow) > kStroke);
        QCOMPARE(countAll(img, kRed) + countAll(img, kGreen), 0);
    }

    void typedLettersColoured_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected"); // per letter: r red, g green, y yellow, - none
        QTest::newRow("case counts") << QStringLiteral("apple") << QStringLiteral("App") << QStringLiteral("rggy-");
        QTest::newRow("one wrong") << QStringLiteral("apple") << QStringLiteral("appke") << QStringLiteral("gggrg");
        QTest::newRow("all right") << QStringLiteral("apple") << QStringLiteral("apple") << QStringLiteral("ggggg");
        QTest::newRow("first only") << QStringLiteral("cherry") << QStringLiteral("c") << QStringLiteral("gy----");
        QTest::newRow("two wrong") << QStringLiteral("banana") << QStringLiteral("bonanx") << QStringLiteral("grgggr");
    }
    void typedLettersColoured()
    {
        QFETCH(QString, word);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const QImage img = renderOf(word, typed, CWordDisplay::Normal);
        for (int i = 0; i < word.size(); ++i) {
            const QRect band = letterBand(word, i);
            const int red = count(img, band, kRed);
            const int green = count(img, band, kGreen);
            const int yellow = count(img, band, kYellow);
            const QByteArray where = QByteArray("letter ") + QByteArray::number(i) + " r" + QByteArray::number(red)
                                     + " g" + QByteArray::number(green) + " y" + QByteArray::number(yellow);
            switch (expected[i].toLatin1()) {
            case 'r':
                QVERIFY2(red > kStroke && green == 0 && yellow == 0, where.constData());
                break;
            case 'g':
                QVERIFY2(green > kStroke && red == 0 && yellow == 0, where.constData());
                break;
            case 'y':
                QVERIFY2(yellow > kStroke && red == 0 && green == 0, where.constData());
                break;
            default:
                // Untyped letters beyond the next one keep the plain outlined look.
                QVERIFY2(red == 0 && green == 0 && yellow == 0 && count(img, band, kFace) > kStroke, where.constData());
            }
        }
    }

    void typedLongerThanWordDrawsOnlyTheWord()
    {
        const QImage img = renderOf(QStringLiteral("apple"), QStringLiteral("apples"), CWordDisplay::Normal);
        QCOMPARE(countAll(img, kRed) + countAll(img, kGreen) + countAll(img, kYellow), 0);
        QVERIFY(countAll(img, kFace) > 5 * kStroke);
        QCOMPARE(img, renderOf(QStringLiteral("apple"), QStringLiteral("xxxxxxxx"), CWordDisplay::Normal));
        // In the spelling mode too the whole word comes back.
        QCOMPARE(renderOf(QStringLiteral("apple"), QStringLiteral("apples"), CWordDisplay::Spelling), img);
    }

    void spellingShowsTypedLettersAndCursor()
    {
        const QString word = QStringLiteral("apple");
        CWordDisplay d;
        d.SetWord(word);
        d.SetTyped(QStringLiteral("aq"));
        d.SetMode(CWordDisplay::Spelling);
        d.OnAnimationTick();
        const int id = d.bitmapId();
        QVERIFY(id >= 144 && id <= 156);
        const QImage img = d.render(kSize);

        QVERIFY(count(img, letterBand(word, 0), kGreen) > kStroke);
        QVERIFY(count(img, letterBand(word, 1), kRed) > kStroke);
        // The cursor frame sits exactly where the third letter would start, from y 1.
        const QImage cursor = LoadImageResource(id, "BITMAP");
        QCOMPARE(cursor.size(), QSize(24, 56));
        const int x = xOf(word, 2);
        QCOMPARE(img.copy(x, 1, 24, 56).convertToFormat(QImage::Format_RGB32),
                 cursor.convertToFormat(QImage::Format_RGB32));
        // The letters still to be spelt are not drawn at all.
        QVERIFY(allWhite(img, QRect(x + 24, 0, kSize.width() - x - 24, kSize.height())));
        QCOMPARE(countAll(img, kYellow), 0);

        // Nothing typed yet: only the cursor, at the start of the line.
        d.SetTyped(QString());
        const QImage empty = d.render(kSize);
        QCOMPARE(empty.copy(1, 1, 24, 56).convertToFormat(QImage::Format_RGB32),
                 cursor.convertToFormat(QImage::Format_RGB32));
        QVERIFY(allWhite(empty, QRect(25, 0, kSize.width() - 25, kSize.height())));
        QCOMPARE(countAll(empty, kFace), 0);

        // Back to the normal mode: the whole word, the next letter yellow, no cursor.
        d.SetTyped(QStringLiteral("aq"));
        d.SetMode(CWordDisplay::Normal);
        const QImage normal = d.render(kSize);
        QVERIFY(count(normal, letterBand(word, 2), kYellow) > kStroke);
        QVERIFY(count(normal, letterBand(word, 4), kFace) > kStroke);
    }

    void animationDelaysAndWrapping()
    {
        const QList<int> delays{450, 40, 450, 60, 60, 300, 60, 60, 60, 450, 450, 450, 450};
        CWordDisplay d;
        d.SetWord(QStringLiteral("apple"));
        QVERIFY(!d.animationTimer().isActive());
        d.SetMode(CWordDisplay::Spelling);
        QVERIFY(d.animationTimer().isActive());
        QCOMPARE(d.animationTimer().interval(), CWordDisplay::kFirstTickMs);

        QSet<size_t> frames;
        const int start = CWordDisplay::frameIndex();
        for (int step = 0; step < 2 * CWordDisplay::kCursorFrames + 3; ++step) {
            const int frame = (start + step) % CWordDisplay::kCursorFrames;
            QCOMPARE(CWordDisplay::frameIndex(), frame);
            d.OnAnimationTick();
            QCOMPARE(d.bitmapId(), 144 + frame);
            QCOMPARE(d.animationTimer().interval(), delays[frame]);
            QCOMPARE(CWordDisplay::frameDelay(frame), delays[frame]);
            QVERIFY(d.animationTimer().isActive());
            QCOMPARE(CWordDisplay::frameIndex(), (frame + 1) % CWordDisplay::kCursorFrames);
            // Each tick draws its own frame where the first letter would go.
            const QImage shot = d.render(kSize).copy(1, 1, 24, 56).convertToFormat(QImage::Format_RGB32);
            QCOMPARE(shot, LoadImageResource(144 + frame, "BITMAP").convertToFormat(QImage::Format_RGB32));
            frames.insert(qHashBits(shot.constBits(), shot.sizeInBytes()));
        }
        // The frames differ (a blink), so a cursor frozen on one picture would be caught.
        QVERIFY(frames.size() > 1);

        // One rhythm for the program: another display goes on with the next frame.
        CWordDisplay other;
        other.SetMode(CWordDisplay::Spelling);
        const int next = CWordDisplay::frameIndex();
        other.OnAnimationTick();
        QCOMPARE(other.bitmapId(), 144 + next);

        d.SetMode(CWordDisplay::Normal);
        QVERIFY(!d.animationTimer().isActive());
    }

    void animationRunsOnItsOwn()
    {
        CWordDisplay d;
        d.SetWord(QStringLiteral("apple"));
        // Park the shared sequence on frame 1 (40 ms), so the first ticks come quickly.
        while (CWordDisplay::frameIndex() != 1)
            d.OnAnimationTick();
        d.SetMode(CWordDisplay::Spelling);
        QCOMPARE(d.animationTimer().interval(), 10);
        QTRY_COMPARE_WITH_TIMEOUT(CWordDisplay::frameIndex(), 2, 1000);
        QCOMPARE(d.bitmapId(), 145);
        QTRY_COMPARE_WITH_TIMEOUT(CWordDisplay::frameIndex(), 3, 1000);
        QCOMPARE(d.bitmapId(), 146);
        d.SetMode(CWordDisplay::Normal);
        QTest::qWait(60);
        QCOMPARE(CWordDisplay::frameIndex(), 3);
    }

    void paintsWhatItRenders()
    {
        CWordDisplay d;
        d.resize(kSize);
        d.SetWord(QStringLiteral("banana"));
        d.SetTyped(QStringLiteral("bax"));
        const QImage shot = d.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.size(), kSize);
        QCOMPARE(shot, d.render(kSize).convertToFormat(QImage::Format_RGB32));
        // A new typed text shows at the next paint.
        d.SetTyped(QStringLiteral("ban"));
        const QImage after = d.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(after != shot);
        QVERIFY(count(after, letterBand(QStringLiteral("banana"), 2), kGreen) > kStroke);
        // On a dense screen the same picture is drawn with twice the pixels each way.
        const QImage dense = d.render(kSize, 2.0);
        QCOMPARE(dense.size(), kSize * 2);
        const QRect band = letterBand(QStringLiteral("banana"), 2);
        QVERIFY(count(dense, QRect(band.topLeft() * 2, band.size() * 2), kGreen) > 3 * count(after, band, kGreen));
        QCOMPARE(count(dense, QRect(band.topLeft() * 2, band.size() * 2), kRed), 0);
    }

    void emptyAndBlankWords()
    {
        // The page shows one blank when the day is done: nothing but white.
        QVERIFY(allWhite(renderOf(QStringLiteral(" "), QString(), CWordDisplay::Normal), QRect(QPoint(), kSize)));
        QVERIFY(allWhite(renderOf(QString(), QString(), CWordDisplay::Normal), QRect(QPoint(), kSize)));
        QVERIFY(allWhite(renderOf(QStringLiteral(" "), QStringLiteral("apple"), CWordDisplay::Normal),
                         QRect(QPoint(), kSize)));
        QVERIFY(CWordDisplay().render(QSize()).isNull() || CWordDisplay().render(QSize()).size().isEmpty());
    }
};

QTEST_MAIN(TestWordDisplay)
#include "tst_word_display.moc"
