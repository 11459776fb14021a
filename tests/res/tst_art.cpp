// The skin art as the program loads it from its resources: every picture exists at
// the size its loader expects, strips split into the frames the splitting rule cuts,
// nine-grid pictures carry their markers where res/art/manifest says and scale
// cleanly, and the home window pieces fit together.
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

constexpr QRgb kKey = 0xFFFF00FF;

struct Markers
{
    int x1, x2, y1, y2;
};

struct ManifestEntry
{
    QSize size;
    int frames = 1;
    std::optional<Markers> markers;
};

// Reads what the manifest claims about each output; the layer syntax is the
// renderer's business and only the frame count matters here.
QHash<QString, ManifestEntry> readManifest(const QString &path, QString *error)
{
    QHash<QString, ManifestEntry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot open ") + path;
        return entries;
    }
    const QRegularExpression sizeRe(QStringLiteral("^(\\d+)x(\\d+)$"));
    const QRegularExpression markersRe(QStringLiteral("^markers=(\\d+),(\\d+)/(\\d+),(\\d+)$"));
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList tokens = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (tokens.size() < 3) {
            *error = QStringLiteral("short line: ") + line;
            return entries;
        }
        if (tokens[1] == QLatin1String("copy"))
            continue;
        const auto size = sizeRe.match(tokens[1]);
        if (!size.hasMatch()) {
            *error = QStringLiteral("bad size: ") + line;
            return entries;
        }
        ManifestEntry e;
        e.size = QSize(size.captured(1).toInt(), size.captured(2).toInt());
        int i = 2;
        for (; i < tokens.size() && tokens[i].contains(QLatin1Char('=')); ++i) {
            const auto m = markersRe.match(tokens[i]);
            if (m.hasMatch())
                e.markers = Markers{m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                    m.captured(4).toInt()};
        }
        e.frames = int(tokens.mid(i).join(QLatin1Char(' ')).count(QLatin1Char('|'))) + 1;
        entries.insert(tokens[0], e);
    }
    return entries;
}

QImage load(const QString &resourcePath)
{
    return QImage(QStringLiteral(":/") + resourcePath).convertToFormat(QImage::Format_ARGB32);
}

QString png(int id)
{
    return QStringLiteral("PNG/%1.png").arg(id);
}

int luminance(QRgb c)
{
    return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000;
}

int countVisible(const QImage &img, const QRect &r, int minAlpha = 64)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qAlpha(img.pixel(x, y)) >= minAlpha;
    return n;
}

int countDifferent(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

QList<int> keyPositions(const QImage &img, bool topRow)
{
    QList<int> found;
    const int n = topRow ? img.width() : img.height();
    for (int i = 0; i < n; ++i)
        if ((topRow ? img.pixel(i, 0) : img.pixel(0, i)) == kKey)
            found.append(i);
    return found;
}

// The program's nine-grid rule, sampled nearest so every destination pixel names
// the one source pixel it shows.
QImage scaleByMarkers(const QImage &src, int w, int h, const Markers &m)
{
    const int W = src.width(), H = src.height();
    const int L = m.x1, R = W - m.x2, T = m.y1, B = H - m.y2;
    if (w < 2 * std::max(L, R))
        w = 2 * std::max(L, R) + 1;
    if (h < 2 * std::max(T, B))
        h = 2 * std::max(T, B) + 1;
    auto mapAxis = [](int d, int size, int a1, int a2, int fixedLo, int fixedHi, int srcSize) {
        // Destination pieces [0, lo-1), [lo-1, size-(hi-1)), [size-(hi-1), size).
        if (d < fixedLo - 1)
            return d;
        if (d >= size - (fixedHi - 1))
            return a2 + 1 + (d - (size - (fixedHi - 1)));
        const int from = a1 + 1, count = (a2 - 1) - from;
        const int span = (size - (fixedHi - 1)) - (fixedLo - 1);
        Q_UNUSED(srcSize);
        return from + (d - (fixedLo - 1)) * count / span;
    };
    QImage out(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.setPixel(x, y, src.pixel(mapAxis(x, w, m.x1, m.x2, L, R, W), mapAxis(y, h, m.y1, m.y2, T, B, H)));
    return out;
}

// Where the home window places its picture buttons (top-left corners).
struct Placement
{
    int normal, hover, pressed;
    QPoint at;
};
const QList<Placement> kBigButtons = {
    {177, 176, 175, {24, 130}}, {180, 179, 178, {120, 130}}, {186, 185, 184, {216, 130}},
    {183, 182, 181, {312, 130}}, {189, 188, 187, {408, 130}},
};
const QList<Placement> kTitleButtons = {
    {201, 202, 202, {287, 4}}, {204, 205, 205, {333, 4}}, {152, 151, 151, {379, 4}},
    {155, 155, 155, {425, 4}}, {150, 149, 149, {471, 4}},
};

} // namespace

class TestArt : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QHash<QString, ManifestEntry> m_manifest;

    const ManifestEntry *entry(const QString &path) const
    {
        auto it = m_manifest.constFind(path);
        return it == m_manifest.constEnd() ? nullptr : &*it;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString manifest = QFINDTESTDATA("../../res/art/manifest");
        QVERIFY2(!manifest.isEmpty(), "res/art/manifest not found");
        QString error;
        m_manifest = readManifest(manifest, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!m_manifest.isEmpty());
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    // Every picture a loader asks for, at the size its control is laid out for.
    void sizes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        auto row = [](const QString &path, QSize size) { QTest::newRow(qPrintable(path)) << path << size; };
        row(png(146), {535, 361});
        for (int id : {151, 152, 155, 201, 202, 204, 205})
            row(png(id), {46, 38});
        for (int id : {149, 150})
            row(png(id), {58, 38});
        for (int id = 175; id <= 189; ++id)
            row(png(id), {100, 100});
        row(png(161), {44, 14});
        row(png(165), {47, 12});
        row(png(166), {47, 16});
        for (int id : {162, 163, 164})
            row(png(id), {10, 21});
        for (int id : {167, 168})
            row(png(id), {14, 14});
        row(png(169), {45, 30});
        row(png(170), {3, 30});
        for (int id : {171, 172, 173})
            row(png(id), {22, 22});
        for (int id : {190, 191, 192})
            row(png(id), {62, 28});
        for (int id : {195, 196, 197, 228, 229, 230})
            row(png(id), {26, 26});
        row(png(231), {62, 20});
        row(png(232), {50, 16});
        for (int id = 144; id <= 156; ++id)
            row(QStringLiteral("BITMAP/%1.png").arg(id), {24, 56});
        for (int n : {16, 24, 32, 48, 64, 128, 256})
            row(QStringLiteral("ICON/128-%1.png").arg(n), {n, n});
        for (int id = 208; id <= 212; ++id)
            row(QStringLiteral("ICON/%1.png").arg(id), {16, 16});
    }
    void sizes()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage img = load(path);
        QVERIFY2(!img.isNull(), qPrintable(path + QStringLiteral(" is not among the resources")));
        QCOMPARE(img.size(), size);
        const ManifestEntry *e = entry(path);
        QVERIFY2(e, "not made by the manifest");
        QCOMPARE(e->size, size);
        QVERIFY2(countVisible(img, img.rect()) > 0, "nothing visible");
    }

    // The reverse direction: nothing the manifest makes is missing or stale in size.
    void manifestOutputsAreResources()
    {
        for (auto it = m_manifest.constBegin(); it != m_manifest.constEnd(); ++it) {
            if (!it.key().endsWith(QLatin1String(".png")))
                continue;
            const QImage img = load(it.key());
            QVERIFY2(!img.isNull(), qPrintable(it.key()));
            QCOMPARE(img.size(), it->size);
        }
    }

    void strips_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("frameWidth");
        QTest::newRow("radio 161") << 161 << 3 << 14;
        QTest::newRow("check box 165") << 165 << 3 << 15;
        QTest::newRow("combo arrow 166") << 166 << 3 << 15;
        QTest::newRow("status 231") << 231 << 3 << 20;
        QTest::newRow("status 232") << 232 << 3 << 16;
    }
    void strips()
    {
        QFETCH(int, id);
        QFETCH(int, frames);
        QFETCH(int, frameWidth);
        const QImage img = load(png(id));
        QVERIFY(!img.isNull());
        const ManifestEntry *e = entry(png(id));
        QVERIFY(e);
        QCOMPARE(e->frames, frames);

        const int fw = (img.width() - frames + 1) / frames;
        QCOMPARE(fw, frameWidth);
        QList<QImage> cut;
        for (int i = 0; i < frames; ++i) {
            const int x = i * (fw + 1);
            if (i > 0) {
                for (int y = 0; y < img.height(); ++y)
                    QVERIFY2(qAlpha(img.pixel(x - 1, y)) == 0,
                             qPrintable(QStringLiteral("separator column %1 not transparent at y %2").arg(x - 1).arg(y)));
            }
            const QRect r(x, 0, fw, img.height());
            QVERIFY2(countVisible(img, r) >= 6, qPrintable(QStringLiteral("frame %1 is empty").arg(i)));
            cut.append(img.copy(r));
        }
        // The frames are different looks, not copies.
        for (int i = 0; i < frames; ++i)
            for (int j = i + 1; j < frames; ++j)
                QVERIFY2(countDifferent(cut[i], cut[j]) > 4, qPrintable(QStringLiteral("frames %1 and %2 alike").arg(i).arg(j)));
    }

    // The status icons keep the colours of the label text they stand beside.
    void statusColours()
    {
        const QList<QColor> expected = {QColor(127, 164, 70), QColor(203, 25, 33), QColor(78, 182, 231)};
        for (int id : {231, 232}) {
            const QImage img = load(png(id));
            const int fw = (img.width() - 2) / 3;
            for (int i = 0; i < 3; ++i) {
                // Sample the ring just inside the edge, where no glyph is drawn.
                const QRgb c = img.pixel(i * (fw + 1) + fw / 2, 2);
                const QColor want = expected[i];
                QVERIFY2(qAbs(qRed(c) - want.red()) < 40 && qAbs(qGreen(c) - want.green()) < 40
                             && qAbs(qBlue(c) - want.blue()) < 40,
                         qPrintable(QStringLiteral("%1 frame %2 colour %3").arg(id).arg(i).arg(c, 8, 16)));
            }
        }
    }

    void markers_data()
    {
        QTest::addColumn<int>("id");
        for (int id : {162, 163, 164, 167, 168, 169})
            QTest::newRow(qPrintable(QString::number(id))) << id;
    }
    void markers()
    {
        QFETCH(int, id);
        const QImage img = load(png(id));
        QVERIFY(!img.isNull());
        const ManifestEntry *e = entry(png(id));
        QVERIFY(e && e->markers);
        const Markers m = *e->markers;
        QCOMPARE(keyPositions(img, true), QList<int>({m.x1, m.x2}));
        QCOMPARE(keyPositions(img, false), QList<int>({m.y1, m.y2}));
        // No stray key colour anywhere else: it would be drawn after scaling.
        for (int y = 1; y < img.height(); ++y)
            for (int x = 1; x < img.width(); ++x)
                QVERIFY2(img.pixel(x, y) != kKey, qPrintable(QStringLiteral("key colour at %1,%2").arg(x).arg(y)));
        // Every piece keeps at least one source column and row.
        QVERIFY(m.x1 >= 2 && m.x2 - m.x1 >= 3 && m.x2 + 1 < img.width());
        QVERIFY(m.y1 >= 2 && m.y2 - m.y1 >= 3 && m.y2 + 1 < img.height());
    }

    // Scaled the way the controls scale them, the pictures stay clean: no marker
    // shows, the corners are the source corners, the face is solid.
    void scaled_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QSize>("target");
        for (int id : {162, 163, 164}) {
            for (QSize s : {QSize(75, 25), QSize(60, 22), QSize(120, 30), QSize(5, 5)})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2x%3").arg(id).arg(s.width()).arg(s.height()))) << id << s;
        }
        for (int id : {167, 168}) {
            for (QSize s : {QSize(160, 24), QSize(100, 30), QSize(6, 6)})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2x%3").arg(id).arg(s.width()).arg(s.height()))) << id << s;
        }
        for (QSize s : {QSize(200, 20), QSize(300, 30), QSize(20, 8)})
            QTest::newRow(qPrintable(QStringLiteral("169 %1x%2").arg(s.width()).arg(s.height()))) << 169 << s;
    }
    void scaled()
    {
        QFETCH(int, id);
        QFETCH(QSize, target);
        const QImage src = load(png(id));
        const ManifestEntry *e = entry(png(id));
        QVERIFY(e && e->markers);
        const Markers m = *e->markers;
        const QImage out = scaleByMarkers(src, target.width(), target.height(), m);

        const int L = m.x1, R = src.width() - m.x2, T = m.y1, B = src.height() - m.y2;
        QCOMPARE(out.width(), target.width() < 2 * std::max(L, R) ? 2 * std::max(L, R) + 1 : target.width());
        QCOMPARE(out.height(), target.height() < 2 * std::max(T, B) ? 2 * std::max(T, B) + 1 : target.height());
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                QVERIFY2(out.pixel(x, y) != kKey, qPrintable(QStringLiteral("marker shows at %1,%2").arg(x).arg(y)));
        QCOMPARE(out.copy(0, 0, L - 1, T - 1), src.copy(0, 0, L - 1, T - 1));
        QCOMPARE(out.copy(out.width() - (R - 1), out.height() - (B - 1), R - 1, B - 1),
                 src.copy(m.x2 + 1, m.y2 + 1, R - 1, B - 1));
        QCOMPARE(qAlpha(out.pixel(out.width() / 2, out.height() / 2)), 255);
    }

    // The bar sits inside the track between its insets and is shaded top to bottom.
    void progressBar()
    {
        const QImage bar = load(png(170));
        QCOMPARE(bar.size(), QSize(3, 30));
        for (int y = 0; y < bar.height(); ++y)
            for (int x = 1; x < bar.width(); ++x)
                QCOMPARE(bar.pixel(x, y), bar.pixel(0, y)); // same in every column: stretches cleanly
        int first = -1, last = -1;
        for (int y = 0; y < bar.height(); ++y) {
            if (qAlpha(bar.pixel(0, y)) == 255) {
                if (first < 0)
                    first = y;
                last = y;
            }
        }
        QVERIFY(first > 0 && last < bar.height() - 1 && last - first >= 10);
        QVERIFY(bar.pixel(0, first + 2) != bar.pixel(0, last - 2));
        // Inside the track: the track is opaque wherever the bar is.
        const QImage track = load(png(169));
        for (int y = first; y <= last; ++y)
            QCOMPARE(qAlpha(track.pixel(3, y)), 255);
    }

    void homeBackground()
    {
        const QImage bg = load(png(146));
        QCOMPARE(bg.size(), QSize(535, 361));
        // The outermost ring is fully transparent; the shadow fades out before it.
        for (int x = 0; x < bg.width(); ++x) {
            QCOMPARE(qAlpha(bg.pixel(x, 0)), 0);
            QCOMPARE(qAlpha(bg.pixel(x, bg.height() - 1)), 0);
        }
        for (int y = 0; y < bg.height(); ++y) {
            QCOMPARE(qAlpha(bg.pixel(0, y)), 0);
            QCOMPARE(qAlpha(bg.pixel(bg.width() - 1, y)), 0);
        }
        // The panel [6,530) x [4,356) is opaque away from its rounded corners.
        for (int y = 4; y < 356; ++y)
            for (int x = 6; x < 530; ++x) {
                const bool corner = (x < 16 || x >= 520) && (y < 14 || y >= 346);
                if (!corner)
                    QVERIFY2(qAlpha(bg.pixel(x, y)) == 255, qPrintable(QStringLiteral("hole at %1,%2").arg(x).arg(y)));
            }
        // A soft shadow: translucent next to the panel, fading outwards on every side.
        auto fades = [&](QPoint from, QPoint step) {
            int previous = 256;
            bool translucent = false;
            for (QPoint p = from; p.x() >= 0 && p.y() >= 0 && p.x() < bg.width() && p.y() < bg.height(); p += step) {
                const int a = qAlpha(bg.pixel(p));
                if (a > previous)
                    return false;
                translucent |= a > 0 && a < 255;
                previous = a;
            }
            return translucent && previous == 0;
        };
        QVERIFY(fades({5, 180}, {-1, 0}));
        QVERIFY(fades({530, 180}, {1, 0}));
        QVERIFY(fades({268, 3}, {0, -1}));
        QVERIFY(fades({268, 356}, {0, 1}));

        // The content area is a light surface.
        qint64 sum = 0;
        const QRect content(21, 42, 490, 276);
        for (int y = content.top(); y <= content.bottom(); ++y)
            for (int x = content.left(); x <= content.right(); ++x)
                sum += luminance(bg.pixel(x, y));
        QVERIFY(sum / (content.width() * content.height()) > 225);

        // The title-bar buttons' part of the header carries no text or logo: each row
        // is one colour give or take the gradient.
        for (int y = 8; y < 38; ++y) {
            int lo = 255, hi = 0;
            for (int x = 287; x < 522; ++x) {
                lo = std::min(lo, luminance(bg.pixel(x, y)));
                hi = std::max(hi, luminance(bg.pixel(x, y)));
            }
            QVERIFY2(hi - lo < 8, qPrintable(QStringLiteral("header row %1 not plain").arg(y)));
        }

        // The footer lines are white text outlined in dark grey: the band under them is
        // plain and of a middle brightness, so both the fill and the outline read.
        for (const QRect &r : {QRect(24, 326, 330, 20), QRect(400, 326, 110, 20)}) {
            int lo = 255, hi = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    lo = std::min(lo, luminance(bg.pixel(x, y)));
                    hi = std::max(hi, luminance(bg.pixel(x, y)));
                }
            QVERIFY2(hi - lo < 24, "footer text area not plain");
            QVERIFY2(lo > 70 && hi < 190, "footer too light for white text or too dark for the outline");
        }
    }

    // Title-bar glyphs stand out from the header they sit on; hover looks differ.
    void titleButtons()
    {
        const QImage bg = load(png(146));
        for (const Placement &b : kTitleButtons) {
            const QImage normal = load(png(b.normal));
            QCOMPARE(b.at.x() + normal.width() <= 530, true);
            QImage composed = bg.copy(QRect(b.at, normal.size()));
            {
                QPainter p(&composed);
                p.drawImage(0, 0, normal);
            }
            const QImage under = bg.copy(QRect(b.at, normal.size()));
            int contrasting = 0, maxAlpha = 0;
            for (int y = 0; y < composed.height(); ++y)
                for (int x = 0; x < composed.width(); ++x) {
                    contrasting += qAbs(luminance(composed.pixel(x, y)) - luminance(under.pixel(x, y))) > 40;
                    maxAlpha = std::max(maxAlpha, qAlpha(normal.pixel(x, y)));
                }
            if (b.normal == 155) {
                // Never enabled: drawn faded.
                QVERIFY2(maxAlpha < 200, "maximise glyph not greyed");
                QVERIFY(contrasting > 0);
                continue;
            }
            QVERIFY2(contrasting >= 12, qPrintable(QStringLiteral("%1 glyph does not stand out").arg(b.normal)));
            const QImage hover = load(png(b.hover));
            QCOMPARE(hover.size(), normal.size());
            QVERIFY2(countDifferent(hover, normal) > 100, qPrintable(QStringLiteral("%1 hover look missing").arg(b.hover)));
        }
        // Closing warns in red.
        const QImage close = load(png(149));
        int red = 0;
        for (int y = 0; y < close.height(); ++y)
            for (int x = 0; x < close.width(); ++x) {
                const QRgb c = close.pixel(x, y);
                red += qAlpha(c) > 200 && qRed(c) > qGreen(c) + 80 && qRed(c) > qBlue(c) + 80;
            }
        QVERIFY(red > 200);
    }

    // Big buttons sit 96 px apart but are 100 px wide: their outer 4 columns must stay
    // empty. Hover and pressed looks differ, and pressed moves the picture down.
    void bigButtons()
    {
        const QImage bg = load(png(146));
        for (const Placement &b : kBigButtons) {
            for (int id : {b.normal, b.hover, b.pressed}) {
                const QImage img = load(png(id));
                for (int y = 0; y < img.height(); ++y)
                    for (int x : {0, 1, 2, 3, 96, 97, 98, 99})
                        QVERIFY2(qAlpha(img.pixel(x, y)) == 0,
                                 qPrintable(QStringLiteral("%1 touches its neighbour at %2,%3").arg(id).arg(x).arg(y)));
                // The whole card lies on the content area.
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        if (qAlpha(img.pixel(x, y)) > 0)
                            QVERIFY(QRect(21, 42, 490, 276).contains(b.at + QPoint(x, y)));
            }
            const QImage normal = load(png(b.normal)), hover = load(png(b.hover)), pressed = load(png(b.pressed));
            QVERIFY(countDifferent(normal, hover) > 300);
            QVERIFY(countDifferent(normal, pressed) > 300);
            QVERIFY(countDifferent(hover, pressed) > 300);

            // Dark ink (pictogram outlines and caption) lines up best with the normal
            // look when moved one pixel down.
            auto ink = [](const QImage &img, int x, int y) {
                if (y < 0 || y >= img.height())
                    return false;
                const QRgb c = img.pixel(x, y);
                return qAlpha(c) == 255 && luminance(c) < 100;
            };
            int bestShift = 0, bestMismatch = INT_MAX;
            for (int shift = -2; shift <= 2; ++shift) {
                int mismatch = 0;
                for (int y = 0; y < pressed.height(); ++y)
                    for (int x = 0; x < pressed.width(); ++x)
                        mismatch += ink(pressed, x, y) != ink(normal, x, y - shift);
                if (mismatch < bestMismatch) {
                    bestMismatch = mismatch;
                    bestShift = shift;
                }
            }
            QVERIFY2(bestShift == 1, qPrintable(QStringLiteral("%1 pressed moves by %2").arg(b.pressed).arg(bestShift)));

            // Hover glows blue.
            int blue = 0;
            for (int y = 0; y < hover.height(); ++y)
                for (int x = 4; x < 96; ++x) {
                    const QRgb c = hover.pixel(x, y);
                    blue += qAlpha(c) > 0 && qBlue(c) > qRed(c) + 60;
                }
            QVERIFY(blue > 200);
        }
        Q_UNUSED(bg);
    }

    // The spelling cursor frames are opaque, share one size, and play a blink: the bar
    // is on in the first frame, off in the second, and several distinct looks follow.
    void cursorFrames()
    {
        QList<QImage> frames;
        for (int id = 144; id <= 156; ++id) {
            const QImage img = load(QStringLiteral("BITMAP/%1.png").arg(id));
            QVERIFY(!img.isNull());
            QCOMPARE(img.size(), QSize(24, 56));
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    QCOMPARE(qAlpha(img.pixel(x, y)), 255);
            frames.append(img);
        }
        auto barHeight = [](const QImage &img) {
            int best = 0;
            for (int x = 0; x < img.width(); ++x) {
                int n = 0;
                for (int y = 0; y < img.height(); ++y) {
                    const QRgb c = img.pixel(x, y);
                    n += qBlue(c) - qRed(c) > 100;
                }
                best = std::max(best, n);
            }
            return best;
        };
        QVERIFY2(barHeight(frames[0]) >= 30, "no bar in the first frame");
        QVERIFY2(barHeight(frames[1]) < 5, "bar still on in the flicker frame");
        QVERIFY(barHeight(frames[5]) < barHeight(frames[4]));
        QVERIFY(barHeight(frames[4]) < barHeight(frames[3]));
        QList<QImage> distinct;
        for (const QImage &f : frames)
            if (std::none_of(distinct.begin(), distinct.end(), [&](const QImage &d) { return d == f; }))
                distinct.append(f);
        QVERIFY(distinct.size() >= 5);
        // Nothing but white around the bar and its slot: the word beside it stays clean.
        for (const QImage &f : frames)
            for (int y = 0; y < f.height(); ++y)
                QCOMPARE(f.pixel(f.width() - 1, y), qRgb(255, 255, 255));
    }

    void icons()
    {
        for (int n : {16, 24, 32, 48, 64, 128, 256}) {
            const QImage img = load(QStringLiteral("ICON/128-%1.png").arg(n));
            QVERIFY(!img.isNull());
            QVERIFY2(qAlpha(img.pixel(0, 0)) < 40, "icon corners are not rounded off");
            QCOMPARE(qAlpha(img.pixel(n / 2, n / 2)), 255);
        }
        QList<QImage> nav;
        for (int id = 208; id <= 212; ++id) {
            const QImage img = load(QStringLiteral("ICON/%1.png").arg(id));
            QVERIFY(countVisible(img, img.rect(), 128) >= 20);
            for (const QImage &other : nav)
                QVERIFY(countDifferent(img, other) > 20);
            nav.append(img);
        }
    }
};

QTEST_MAIN(TestArt)
#include "tst_art.moc"
