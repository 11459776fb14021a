#include "ui/Images.h"

#include <QPainter>
#include <QtTest>

#include <set>

namespace {

// Every column (and row) gets its own colour, so a pixel tells where it came from.
QRgb sourceColor(int x, int y)
{
    return qRgb(1 + x * 3, 1 + y * 5, 77);
}

QImage gridPicture(int w, int h, QList<int> colMarkers, QList<int> rowMarkers)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, sourceColor(x, y));
    for (int x : colMarkers)
        img.setPixel(x, 0, kMarkerColor);
    for (int y : rowMarkers)
        img.setPixel(0, y, kMarkerColor);
    return img;
}

QPoint sourceOf(QRgb c)
{
    return QPoint((qRed(c) - 1) / 3, (qGreen(c) - 1) / 5);
}

// Where destination index d must come from along one axis; fixed pieces give exact
// indices, the stretched centre gives -1 (checked separately).
int expectedSource(int d, int m1, int m2, int srcLen, int dstLen)
{
    const int fixedBegin = m1;
    const int fixedEnd = srcLen - m2;
    if (d < fixedBegin - 1)
        return d;
    if (d >= dstLen - (fixedEnd - 1))
        return m2 + 1 + (d - (dstLen - (fixedEnd - 1)));
    return -1;
}

} // namespace

class TestImages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stripSplitting_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("frameWidth");
        QTest::newRow("status icons 231") << 62 << 3 << 20;
        QTest::newRow("status icons 232") << 50 << 3 << 16;
        QTest::newRow("radio 161") << 44 << 3 << 14;
        QTest::newRow("check box 165") << 47 << 3 << 15;
        QTest::newRow("two frames") << 9 << 2 << 4;
    }
    void stripSplitting()
    {
        QFETCH(int, width);
        QFETCH(int, frames);
        QFETCH(int, frameWidth);
        const QImage strip = gridPicture(width, 7, {}, {});
        const QList<QImage> list = SplitImageStrip(strip, frames);
        QCOMPARE(list.size(), frames);
        for (int i = 0; i < frames; ++i) {
            QCOMPARE(list[i].size(), QSize(frameWidth, 7));
            QCOMPARE(list[i].format(), QImage::Format_ARGB32_Premultiplied);
            for (int x = 0; x < frameWidth; ++x)
                QCOMPARE(sourceOf(list[i].pixel(x, 3)), QPoint(i * (frameWidth + 1) + x, 3));
        }
    }

    void markerScalingColumns_data()
    {
        QTest::addColumn<int>("srcWidth");
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("x2");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("expectedWidth");
        QTest::newRow("14 to 100") << 14 << 4 << 9 << 100 << 100;
        QTest::newRow("14 to 9 widens") << 14 << 4 << 9 << 9 << 11;
        QTest::newRow("14 to exactly twice") << 14 << 4 << 9 << 10 << 10;
        QTest::newRow("push skin 10 to 80") << 10 << 3 << 6 << 80 << 80;
        QTest::newRow("shrinks centre") << 40 << 5 << 34 << 20 << 20;
    }
    void markerScalingColumns()
    {
        QFETCH(int, srcWidth);
        QFETCH(int, x1);
        QFETCH(int, x2);
        QFETCH(int, target);
        QFETCH(int, expectedWidth);
        const int H = 6;
        const QImage src = gridPicture(srcWidth, H, {x1, x2}, {});
        const QImage out = ScaleImageByMarkers(src, QSize(target, H));
        QCOMPARE(out.size(), QSize(expectedWidth, H));
        QCOMPARE(MarkerScaledSize(src, QSize(target, H)), out.size());

        const int L = x1, R = srcWidth - x2;
        const int centreBegin = L - 1, centreEnd = expectedWidth - (R - 1);
        int previous = -1;
        std::set<int> centreSources;
        for (int y = 1; y < H; ++y) {
            for (int x = 0; x < expectedWidth; ++x) {
                const QRgb c = out.pixel(x, y);
                QVERIFY2(c != kMarkerColor, "a marker pixel was drawn");
                const QPoint s = sourceOf(c);
                QCOMPARE(s.y(), y);
                const int expected = expectedSource(x, x1, x2, srcWidth, expectedWidth);
                if (expected >= 0) {
                    QCOMPARE(s.x(), expected);
                } else {
                    QVERIFY(x >= centreBegin && x < centreEnd);
                    QVERIFY2(s.x() >= x1 + 1 && s.x() < x2 - 1, qPrintable(QStringLiteral("column %1 from %2").arg(x).arg(s.x())));
                    if (y == 1) {
                        QVERIFY(s.x() >= previous);
                        previous = s.x();
                        centreSources.insert(s.x());
                    }
                }
            }
        }
        // Marker columns and their left neighbours never reach the picture.
        for (int never : {x1 - 1, x1, x2 - 1, x2})
            for (int x = 0; x < expectedWidth; ++x)
                QVERIFY(sourceOf(out.pixel(x, 2)).x() != never);
        // A stretched centre uses every source column of the centre piece.
        if (centreEnd - centreBegin >= (x2 - 1) - (x1 + 1)) {
            QCOMPARE(int(centreSources.size()), (x2 - 1) - (x1 + 1));
            QCOMPARE(*centreSources.begin(), x1 + 1);
            QCOMPARE(*centreSources.rbegin(), x2 - 2);
        }
    }

    void markerScalingExample()
    {
        // The worked example: fixed sides 4 and 5; [0,3) -> [0,3), [5,8) over [3,96), [10,14) -> [96,100).
        const QImage out = ScaleImageByMarkers(gridPicture(14, 5, {4, 9}, {}), QSize(100, 5));
        for (int x = 0; x < 3; ++x)
            QCOMPARE(sourceOf(out.pixel(x, 2)).x(), x);
        QCOMPARE(sourceOf(out.pixel(3, 2)).x(), 5);
        QCOMPARE(sourceOf(out.pixel(95, 2)).x(), 7);
        for (int x = 3; x < 96; ++x)
            QVERIFY(sourceOf(out.pixel(x, 2)).x() >= 5 && sourceOf(out.pixel(x, 2)).x() <= 7);
        for (int x = 96; x < 100; ++x)
            QCOMPARE(sourceOf(out.pixel(x, 2)).x(), x - 86);
    }

    void markerScalingNineGrid()
    {
        // Both directions at once: corners keep their pixels, edges stretch one way.
        const int W = 14, H = 12;
        const QImage src = gridPicture(W, H, {4, 9}, {3, 8});
        const QImage out = ScaleImageByMarkers(src, QSize(60, 40));
        QCOMPARE(out.size(), QSize(60, 40));
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 60; ++x) {
                const QPoint s = sourceOf(out.pixel(x, y));
                const int ex = expectedSource(x, 4, 9, W, 60);
                const int ey = expectedSource(y, 3, 8, H, 40);
                if (ex >= 0)
                    QCOMPARE(s.x(), ex);
                else
                    QVERIFY(s.x() >= 5 && s.x() < 8);
                if (ey >= 0)
                    QCOMPARE(s.y(), ey);
                else
                    QVERIFY(s.y() >= 4 && s.y() < 7);
            }
        }
        // Too low a target is widened to twice the larger fixed side plus one.
        QCOMPARE(ScaleImageByMarkers(src, QSize(60, 5)).height(), 2 * std::max(3, H - 8) + 1);
    }

    void markerScalingKeyColour()
    {
        // Only the given key colour counts as a marker.
        QImage src = gridPicture(14, 4, {}, {});
        const QRgb key = qRgb(0, 255, 0);
        src.setPixel(4, 0, key);
        src.setPixel(9, 0, key);
        const QImage out = ScaleImageByMarkers(src, QSize(9, 4), key);
        QCOMPARE(out.width(), 11);
        QCOMPARE(ScaleImageByMarkers(src, QSize(9, 4)).width(), 9); // no magenta: plain stretch
    }

    void markerPastTheEdge()
    {
        // One marker in the last column is read again one past the edge, so it counts
        // twice: x1 = 9, x2 = 10, L = 9, R = 0. Only the left piece [0, 8) is drawn.
        const QImage src = gridPicture(10, 3, {9}, {});
        const QImage out = ScaleImageByMarkers(src, QSize(30, 3));
        QCOMPARE(out.width(), 30);
        for (int x = 0; x < 8; ++x)
            QCOMPARE(sourceOf(out.pixel(x, 1)).x(), x);
        for (int x = 8; x < 30; ++x)
            QCOMPARE(qAlpha(out.pixel(x, 1)), 0);
    }

    void greying_data()
    {
        QTest::addColumn<QRgb>("pixel");
        QTest::newRow("red") << qRgba(255, 0, 0, 255);
        QTest::newRow("green") << qRgba(0, 255, 0, 255);
        QTest::newRow("blue") << qRgba(0, 0, 255, 255);
        QTest::newRow("mixed half alpha") << qRgba(200, 100, 50, 128);
        QTest::newRow("white") << qRgba(255, 255, 255, 255);
        QTest::newRow("transparent") << qRgba(0, 0, 0, 0);
    }
    void greying()
    {
        QFETCH(QRgb, pixel);
        QImage img(3, 2, QImage::Format_ARGB32);
        img.fill(pixel);
        const QImage grey = GreyImage(img).convertToFormat(QImage::Format_ARGB32);
        const double lum = 0.3 * qRed(pixel) + 0.59 * qGreen(pixel) + 0.11 * qBlue(pixel);
        const QRgb out = grey.pixel(1, 1);
        QVERIFY(std::abs(qAlpha(out) - 0.7 * qAlpha(pixel)) <= 1);
        if (qAlpha(out) > 0) {
            // Premultiplied storage loses precision at low alpha.
            const double tolerance = 1.0 + 255.0 / qAlpha(out);
            for (int ch : {qRed(out), qGreen(out), qBlue(out)})
                QVERIFY2(std::abs(ch - lum) <= tolerance, qPrintable(QStringLiteral("%1 vs %2").arg(ch).arg(lum)));
        }
    }

    void drawImageToDC()
    {
        QImage picture(40, 20, QImage::Format_ARGB32);
        picture.fill(qRgba(0, 0, 200, 255));
        for (int x = 0; x < 10; ++x)
            picture.setPixel(x, 0, qRgba(0, 0, 0, 0)); // transparent: white shows

        QImage canvas(60, 30, QImage::Format_ARGB32);
        canvas.fill(qRgb(1, 2, 3));
        {
            QPainter p(&canvas);
            DrawImageToDC(p, picture, QPoint(5, 4));
        }
        QCOMPARE(canvas.pixel(4, 4), qRgb(1, 2, 3)); // only the picture's rectangle is touched
        QCOMPARE(canvas.pixel(5, 4), qRgb(255, 255, 255));
        QCOMPARE(canvas.pixel(30, 10), qRgb(0, 0, 200));

        QImage greyed(60, 30, QImage::Format_ARGB32);
        greyed.fill(Qt::black);
        {
            QPainter p(&greyed);
            DrawImageToDC(p, picture, QPoint(0, 0), QString(), true);
        }
        // Opaque blue greyed: luminance 0.11 * 200 at alpha 0.7 over white.
        const double expected = 0.7 * (0.11 * 200) + 0.3 * 255;
        const QRgb g = greyed.pixel(20, 10);
        QVERIFY(std::abs(qRed(g) - expected) <= 2 && qRed(g) == qGreen(g) && qGreen(g) == qBlue(g));
    }

    void drawImageToDCText()
    {
        QImage picture(80, 24, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QFont font;
        font.setPixelSize(16);
        font.setBold(true);
        auto render = [&](bool greyed) {
            QImage canvas(80, 24, QImage::Format_ARGB32);
            QPainter p(&canvas);
            p.setFont(font);
            DrawImageToDC(p, picture, QPoint(0, 0), QStringLiteral("MMMM"), greyed);
            return canvas;
        };
        for (bool greyed : {false, true}) {
            const QImage canvas = render(greyed);
            // Text sits in the middle; the darkest pixel is the text colour.
            int darkest = 255;
            QRect inked;
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 80; ++x)
                    if (qRed(canvas.pixel(x, y)) < 200) {
                        darkest = std::min(darkest, qRed(canvas.pixel(x, y)));
                        inked |= QRect(x, y, 1, 1);
                    }
            QVERIFY(inked.isValid());
            QVERIFY(std::abs(inked.center().x() - 40) <= 3);
            QVERIFY(std::abs(inked.center().y() - 12) <= 3);
            if (greyed)
                QCOMPARE(darkest, GrayTextColor().red());
            else
                QCOMPARE(darkest, 0);
        }
    }

    void loadingResources()
    {
        QVERIFY(LoadImageResource(987654).isNull());
        const QImage strip = LoadImageResource(90001);
        QCOMPARE(strip.size(), QSize(62, 20));
        QCOMPARE(strip.format(), QImage::Format_ARGB32_Premultiplied);

        QList<QImage> frames;
        QVERIFY(LoadImageList({90001}, frames, "PNG", 3));
        QCOMPARE(frames.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(frames[i].size(), QSize(20, 20));
            QCOMPARE(frames[i].pixel(0, 5), strip.pixel(i * 21, 5));
            QCOMPARE(frames[i].pixel(19, 5), strip.pixel(i * 21 + 19, 5));
        }

        QList<QImage> several;
        QVERIFY(!LoadImageList({90001, 987654}, several));
        QCOMPARE(several.size(), 2);
        QCOMPARE(several[0].size(), QSize(62, 20));
        QVERIFY(several[1].isNull());

        QList<QImage> stretched;
        QVERIFY(LoadImageList({90001, 90001}, stretched, "PNG", 1, true, kMarkerColor, QSize(100, 30)));
        QCOMPARE(stretched[1].size(), QSize(100, 30));
        QVERIFY(LoadImageResource(90001, "BITMAP").isNull());
    }
};

QTEST_MAIN(TestImages)
#include "tst_images.moc"
