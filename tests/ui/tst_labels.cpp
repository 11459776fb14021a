#include "platform/MessageBox.h"
#include "ui/LinkStatic.h"
#include "ui/NavList.h"
#include "ui/StatusLabel.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Three 20 x 20 icons: frame i is filled with a colour of its own.
const QRgb kIconColors[3] = {qRgb(0, 200, 0), qRgb(200, 0, 0), qRgb(0, 0, 200)};

QImage iconStrip(int frameSize)
{
    QImage strip(frameSize * 3 + 2, frameSize, QImage::Format_ARGB32);
    strip.fill(Qt::black); // separators
    for (int i = 0; i < 3; ++i)
        for (int y = 0; y < frameSize; ++y)
            for (int x = 0; x < frameSize; ++x)
                strip.setPixel(i * (frameSize + 1) + x, y, kIconColors[i]);
    return strip;
}

QImage shot(QWidget &w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool allWhite(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

// The colour of the most saturated text pixel right of x0 (the glyph cores).
QRect inkOf(const QImage &img, int x0, QRgb color, int tolerance = 0)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = x0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (std::abs(qRed(c) - qRed(color)) <= tolerance && std::abs(qGreen(c) - qGreen(color)) <= tolerance
                && std::abs(qBlue(c) - qBlue(color)) <= tolerance)
                r |= QRect(x, y, 1, 1);
        }
    return r;
}

void moveMouse(QWidget *w, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(w, &move);
}

QFont bigFont()
{
    QFont f;
    f.setPixelSize(16);
    f.setBold(true);
    return f;
}

} // namespace

class TestLabels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { MessageBox::setTestMode(true); }

    void statusNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("kind -1") << -1 << QStringLiteral("ignored");
        QTest::newRow("correct without text") << 0 << QString();
        QTest::newRow("unknown kind") << 7 << QStringLiteral("x");
    }
    void statusNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        CStatusLabel label(987654);
        label.SetStrip(iconStrip(20));
        label.resize(200, 24);
        label.SetStatus(kind, text);
        QCOMPARE(label.kind(), kind);
        QCOMPARE(label.text(), text);
        QVERIFY(allWhite(shot(label)));
    }

    void statusKinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("iconSize");
        QTest::addColumn<QColor>("textColor");
        QTest::newRow("correct 20") << 0 << 20 << QColor(127, 164, 70);
        QTest::newRow("error 20") << 1 << 20 << QColor(203, 25, 33);
        QTest::newRow("notice 20") << 2 << 20 << QColor(78, 182, 231);
        QTest::newRow("error 16") << 1 << 16 << QColor(203, 25, 33);
        QTest::newRow("correct 16") << 0 << 16 << QColor(127, 164, 70);
    }
    void statusKinds()
    {
        QFETCH(int, kind);
        QFETCH(int, iconSize);
        QFETCH(QColor, textColor);
        CStatusLabel label(987654);
        label.setFont(bigFont());
        label.SetStrip(iconStrip(iconSize));
        label.resize(240, 28);
        label.SetStatus(kind, QStringLiteral("HHHH"));
        QCOMPARE(CStatusLabel::colorFor(kind), textColor);
        const QImage img = shot(label);
        // The icon of the kind at (0,0), at its own size.
        QCOMPARE(img.pixel(0, 0), kIconColors[kind]);
        QCOMPARE(img.pixel(iconSize - 1, iconSize - 1), kIconColors[kind]);
        QCOMPARE(img.pixel(iconSize, 0), qRgb(255, 255, 255));
        if (iconSize < 28)
            QCOMPARE(img.pixel(0, iconSize), qRgb(255, 255, 255));
        // Text in the kind's colour from icon width + 3, centred vertically.
        const QRect ink = inkOf(img, iconSize, textColor.rgb());
        QVERIFY(ink.isValid());
        QVERIFY2(ink.left() >= iconSize + 3 && ink.left() <= iconSize + 6, qPrintable(QString::number(ink.left())));
        QVERIFY(std::abs(ink.center().y() - 14) <= 2);
    }

    void statusReplacesPicture()
    {
        QWidget parent;
        CStatusLabel label(987654, &parent);
        label.SetStrip(iconStrip(20));
        label.resize(200, 24);
        label.SetStatus(1, QStringLiteral("错误"));
        QVERIFY(!allWhite(shot(label)));
        label.SetStatus(-1, QString());
        QVERIFY(allWhite(shot(label)));
    }

    void navGradient_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("selected");
        QTest::newRow("first item (18 lines)") << 5 << 0;
        QTest::newRow("middle item (20 lines)") << 5 << 2;
        QTest::newRow("last item (18 lines)") << 5 << 4;
        QTest::newRow("single item (16 lines)") << 1 << 0;
    }
    void navGradient()
    {
        QFETCH(int, items);
        QFETCH(int, selected);
        CNavList nav;
        nav.resize(120, 110);
        for (int i = 0; i < items; ++i)
            nav.AddItem(QStringLiteral("item %1").arg(i), 987654);
        nav.SetCurSel(selected);
        const QRect r = nav.itemRect(selected);
        QCOMPARE(r.left(), 2);
        QCOMPARE(r.right(), 120 - 2 - 1);
        QCOMPARE(r.top(), selected == 0 ? 2 : 20 * selected);
        QCOMPARE(r.bottom() + 1, 20 * selected + (selected == items - 1 ? 18 : 20));

        // Reference: the rounded integer step toward the end colour, line by line.
        int c[3] = {63, 152, 217};
        const int end[3] = {48, 134, 198};
        QList<QRgb> expected;
        for (int n = r.height(); n >= 1; --n) {
            for (int k = 0; k < 3; ++k)
                c[k] += (end[k] - c[k] + n / 2) / n;
            expected.append(qRgb(c[0], c[1], c[2]));
        }
        QCOMPARE(CNavList::gradientLines(r.height()), expected);
        QCOMPARE(expected.first(), qRgb(63, 152, 217));
        QCOMPARE(expected.last(), qRgb(48, 134, 198));

        const QImage img = shot(nav);
        // Far right of the row: no icon or text there.
        const int x = r.right() - 1;
        QCOMPARE(img.pixel(x, r.top()), expected.first());
        QCOMPARE(img.pixel(x, r.bottom()), expected.last());
        for (int y = 0; y < r.height(); ++y)
            QCOMPARE(img.pixel(x, r.top() + y), expected[y]);
        // Frame: grey outside, light grey one pixel in.
        QCOMPARE(img.pixel(0, 50), qRgb(168, 168, 168));
        QCOMPARE(img.pixel(1, 50), qRgb(244, 244, 244));
        QCOMPARE(img.pixel(60, 0), qRgb(168, 168, 168));
    }

    void navTextAndClicks()
    {
        CNavList nav;
        nav.setFont(bigFont());
        nav.resize(140, 102);
        const QStringList names = {QStringLiteral("提醒设置"), QStringLiteral("朗读设置"), QStringLiteral("操作习惯"),
                                   QStringLiteral("用户账户"), QStringLiteral("关于")};
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(qRgb(250, 0, 250));
        for (const QString &n : names)
            nav.AddItem(n, icon);
        QCOMPARE(nav.count(), 5);
        QCOMPARE(nav.GetCurSel(), 0);

        QImage img = shot(nav);
        // Icon at (2,2) inside the row, 16 x 16.
        const QRect row1 = nav.itemRect(1);
        QCOMPARE(img.pixel(row1.left() + 2, row1.top() + 2), qRgb(250, 0, 250));
        QCOMPARE(img.pixel(row1.left() + 17, row1.top() + 17), qRgb(250, 0, 250));
        QCOMPARE(img.pixel(row1.left() + 18, row1.top() + 2), qRgb(255, 255, 255));
        // Selected row: white text on blue; other rows black text.
        QVERIFY(inkOf(img.copy(nav.itemRect(0)), 20, qRgb(255, 255, 255)).isValid());
        QVERIFY(inkOf(img.copy(row1), 20, qRgb(0, 0, 0)).isValid());

        QSignalSpy spy(&nav, &CNavList::selectionChanged);
        QTest::mouseClick(&nav, Qt::LeftButton, {}, nav.itemRect(3).center());
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 3);
        QCOMPARE(nav.GetCurSel(), 3);
        QTest::mouseClick(&nav, Qt::LeftButton, {}, QPoint(70, 101)); // below the last row
        QCOMPARE(spy.size(), 1);

        // The keyboard chooses as a click does, and stops at either end.
        for (const auto &[key, expected] : std::initializer_list<std::pair<Qt::Key, int>>{
                 {Qt::Key_Down, 4}, {Qt::Key_Down, 4}, {Qt::Key_Home, 0}, {Qt::Key_Up, 0}, {Qt::Key_End, 4}, {Qt::Key_Up, 3}}) {
            QTest::keyClick(&nav, key);
            QCOMPARE(nav.GetCurSel(), expected);
            QCOMPARE(spy.last().at(0).toInt(), expected);
        }
        QCOMPARE(spy.size(), 5); // the presses that moved nothing said nothing

        // The row under the mouse turns blue, unless it is the selected one.
        moveMouse(&nav, nav.itemRect(1).center());
        QCOMPARE(nav.GetHotItem(), 1);
        img = shot(nav);
        QVERIFY(inkOf(img.copy(nav.itemRect(1)), 20, qRgb(0, 0, 255)).isValid());
        QVERIFY(!inkOf(img.copy(nav.itemRect(2)), 20, qRgb(0, 0, 255)).isValid());
        moveMouse(&nav, nav.itemRect(3).center());
        QCOMPARE(nav.GetHotItem(), -1);
        moveMouse(&nav, nav.itemRect(2).center());
        QCOMPARE(nav.GetHotItem(), 2);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&nav, &leave);
        QCOMPARE(nav.GetHotItem(), -1);
    }

    void linkColours()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        QList<QUrl> opened;
        CLinkStatic::setOpener([&](const QUrl &url) {
            opened.append(url);
            return true;
        });
        const QColor normal(0, 0, 255), visited(160, 0, 160), hover(0, 102, 0);

        CLinkStatic link(QStringLiteral("HHHHHH"));
        link.setFont(bigFont());
        link.resize(120, 24);
        link.SetLink(QString(), true, normal, visited, hover);
        QVERIFY(link.font().underline());
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(inkOf(shot(link), 0, normal.rgb()).isValid());

        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(&link, &enter);
        QCOMPARE(link.currentColor(), hover);
        QVERIFY(inkOf(shot(link), 0, hover.rgb()).isValid());
        QVERIFY(!inkOf(shot(link), 0, normal.rgb()).isValid());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&link, &leave);
        QCOMPARE(link.currentColor(), normal);

        // Empty target: nothing is opened, no message; the link only turns visited.
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(opened.isEmpty());
        QVERIFY(MessageBox::takeShown().isEmpty());
        QVERIFY(link.isVisited());
        QVERIFY(inkOf(shot(link), 0, visited.rgb()).isValid());
        QVERIFY(!inkOf(shot(link), 0, normal.rgb()).isValid());

        CLinkStatic::setOpener({});
    }

    void linkTargets()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        QFile file(dir.filePath(QStringLiteral("readme.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QList<QUrl> opened;
        bool succeed = true;
        CLinkStatic::setOpener([&](const QUrl &url) {
            opened.append(url);
            return succeed;
        });

        CLinkStatic link(QStringLiteral("link"));
        link.SetLink(QStringLiteral("https://example.org/update"), false, Qt::blue, Qt::magenta, Qt::green);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(opened.value(0), QUrl(QStringLiteral("https://example.org/update")));
        QVERIFY(MessageBox::takeShown().isEmpty());

        // Only a file named as the program's own opens as a file.
        link.SetOwnFile(file.fileName(), false, Qt::blue, Qt::magenta, Qt::green);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(opened.value(1), QUrl::fromLocalFile(file.fileName()));

        // A missing file, or a launcher that fails, gives the message; still visited.
        link.SetOwnFile(dir.filePath(QStringLiteral("missing.txt")), false, Qt::blue, Qt::magenta, Qt::green);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(opened.size(), 2);
        QCOMPARE(MessageBox::takeShown(), QStringList{QStringLiteral("提供的超级链接或者制定的文件无法执行")});
        succeed = false;
        link.SetLink(QStringLiteral("https://example.org/"), false, Qt::blue, Qt::magenta, Qt::green);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QVERIFY(link.isVisited());

        // Addresses that may come from files or the network: only web and mail ones
        // reach the desktop; a file: address or a plain path is refused even for a file
        // that exists.
        succeed = true;
        opened.clear();
        const QString fileAddress = QUrl::fromLocalFile(file.fileName()).toString();
        for (const QString &target : {QStringLiteral("javascript:alert(1)"), fileAddress, QStringLiteral("readme.txt"),
                                      file.fileName(), QStringLiteral("smb://host/share"),
                                      QStringLiteral("FILE:///etc/passwd"), QStringLiteral("mailto:ann@example.org"),
                                      QStringLiteral("HTTP://example.org/")}) {
            link.SetLink(target, false, Qt::blue, Qt::magenta, Qt::green);
            QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        }
        QCOMPARE(opened, (QList<QUrl>{QUrl(QStringLiteral("mailto:ann@example.org")), QUrl(QStringLiteral("HTTP://example.org/"))}));
        QCOMPARE(MessageBox::takeShown().size(), 6);
        CLinkStatic::setOpener({});
    }
};

QTEST_MAIN(TestLabels)
#include "tst_labels.moc"
