#include "ui/Control.h"
#include "ui/Images.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "ui/SkinEdit.h"
#include "ui/SkinProgressCtrl.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

QImage solid(QSize size, QRgb color)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(color);
    return img;
}

// A strip of three 14 x 14 frames: unchecked (green), hover (blue), check mark (a red
// dot in the middle on transparency).
QImage checkStrip()
{
    QImage strip(44, 14, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x) {
            strip.setPixel(x, y, qRgb(0, 160, 0));
            strip.setPixel(15 + x, y, qRgb(0, 0, 200));
        }
    for (int y = 5; y < 9; ++y)
        for (int x = 5; x < 9; ++x)
            strip.setPixel(30 + x, y, qRgb(220, 0, 0));
    return strip;
}

CSkinButton *makeButton(QWidget *parent, CSkinButton::Kind kind, int id, int group = 0)
{
    auto *b = new CSkinButton(kind, QStringLiteral("option"), parent);
    b->setObjectName(QString::number(id));
    b->setGroup(group);
    b->SetImages({checkStrip()});
    b->setGeometry(0, (id % 100) * 20, 120, 18);
    return b;
}

void hover(QWidget *w, bool on)
{
    if (on) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    }
}

} // namespace

class TestSkinControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void radioGroups()
    {
        QWidget dialog;
        CSkinButton *a = makeButton(&dialog, CSkinButton::Radio, 1083, 0);
        CSkinButton *b = makeButton(&dialog, CSkinButton::Radio, 1084, 0);
        CSkinButton *other = makeButton(&dialog, CSkinButton::Radio, 1090, 1);
        CSkinButton *box = makeButton(&dialog, CSkinButton::CheckBox, 1085, 0);
        a->SetCheck(true);
        other->SetCheck(true);
        box->SetCheck(true);

        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(b->GetCheck());
        QVERIFY(!a->GetCheck());
        QVERIFY(other->GetCheck()); // another group
        QVERIFY(box->GetCheck());   // not a radio button
        QCOMPARE(firstCheckedInRange(&dialog, 1083, 1084), 1084);

        // Clicking the checked radio button keeps it checked.
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(b->GetCheck());
        // The others are cleared on the press already, before the release.
        QTest::mousePress(a, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(a->GetCheck() && !b->GetCheck());
        QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(a->GetCheck());
        // Keyboard clicks keep the same rules.
        b->click();
        QVERIFY(b->GetCheck() && !a->GetCheck());
    }

    void firstChecked_data()
    {
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("expected");
        QTest::newRow("none") << QList<int>{} << 1101 << 1104 << 0;
        QTest::newRow("one") << QList<int>{1103} << 1101 << 1104 << 1103;
        QTest::newRow("first of two") << QList<int>{1104, 1102} << 1101 << 1104 << 1102;
        QTest::newRow("outside the range") << QList<int>{1105} << 1101 << 1104 << 0;
        QTest::newRow("single id") << QList<int>{1101} << 1101 << 1101 << 1101;
        QTest::newRow("empty range") << QList<int>{1101} << 1102 << 1101 << 0;
    }
    void firstChecked()
    {
        QFETCH(QList<int>, checked);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, expected);
        QWidget dialog;
        auto *inner = new QWidget(&dialog); // ids are found in nested widgets too
        for (int id = 1101; id <= 1105; ++id)
            makeButton(id % 2 ? &dialog : inner, CSkinButton::CheckBox, id)->SetCheck(checked.contains(id));
        QCOMPARE(firstCheckedInRange(&dialog, first, last), expected);
    }

    void checkBoxToggling()
    {
        QWidget dialog;
        CSkinButton *box = makeButton(&dialog, CSkinButton::CheckBox, 1085);
        QSignalSpy toggled(box, &QAbstractButton::toggled);
        hover(box, true);
        QCOMPARE(box->currentFrame(), 1);
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(box->GetCheck());
        QCOMPARE(box->currentFrame(), 3);
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(box->GetCheck()); // the click does not toggle it back
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(!box->GetCheck());
        QCOMPARE(box->currentFrame(), 1);
        hover(box, false);
        QCOMPARE(box->currentFrame(), 0);
        QCOMPARE(toggled.size(), 2);
        box->click(); // keyboard
        QVERIFY(box->GetCheck());
        QCOMPARE(box->currentFrame(), 2);
    }

    void checkFramesComposed()
    {
        QWidget dialog;
        CSkinButton *box = makeButton(&dialog, CSkinButton::CheckBox, 1085);
        const QList<QImage> &f = box->frames();
        QCOMPARE(f.size(), 4);
        QCOMPARE(f[2].pixel(1, 1), f[0].pixel(1, 1));
        QCOMPARE(f[3].pixel(1, 1), f[1].pixel(1, 1));
        QCOMPARE(f[2].pixel(6, 6), qRgb(220, 0, 0));
        QCOMPARE(f[3].pixel(6, 6), qRgb(220, 0, 0));
        QCOMPARE(f[0].pixel(6, 6), qRgb(0, 160, 0));
    }

    void disabledDrawing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("greys");
        QTest::newRow("radio") << int(CSkinButton::Radio) << true;
        QTest::newRow("check box") << int(CSkinButton::CheckBox) << true;
        QTest::newRow("push") << int(CSkinButton::Push) << false;
    }
    void disabledDrawing()
    {
        QFETCH(int, kind);
        QFETCH(bool, greys);
        QWidget dialog;
        auto *b = new CSkinButton(CSkinButton::Kind(kind), QStringLiteral("MMMMM"), &dialog);
        QFont font = b->font();
        font.setPixelSize(14);
        font.setBold(true);
        b->setFont(font);
        const QRgb green = qRgb(0, 160, 0);
        if (kind == CSkinButton::Push)
            b->SetImages({solid({120, 24}, green), solid({120, 24}, qRgb(0, 0, 200)), solid({120, 24}, qRgb(200, 0, 0))});
        else
            b->SetImages({checkStrip()});
        b->resize(120, 24);
        b->setEnabled(false);
        const QImage img = b->grab().toImage().convertToFormat(QImage::Format_RGB32);

        const int frameY = kind == CSkinButton::Push ? 0 : (24 - 14) / 2;
        const QRgb icon = img.pixel(2, frameY + 2);
        int darkest = 255;
        for (int y = 0; y < 24; ++y)
            for (int x = 20; x < 110; ++x)
                if (kind != CSkinButton::Push || img.pixel(x, y) != green)
                    darkest = std::min(darkest, qGray(img.pixel(x, y)));
        if (greys) {
            // Greyed: luminance at 70 % alpha over white; text in the grey-text colour.
            const int lum = qRound(0.59 * 160);
            const int expected = qRound(0.7 * lum + 0.3 * 255);
            QVERIFY(qRed(icon) == qGreen(icon) && qGreen(icon) == qBlue(icon));
            QVERIFY(std::abs(qRed(icon) - expected) <= 2);
            QCOMPARE(img.pixel(2, 1), qRgb(255, 255, 255)); // white above the centred frame
            QCOMPARE(darkest, qGray(GrayTextColor().rgb()));
        } else {
            QCOMPARE(icon, green);
            QCOMPARE(darkest, 0);
        }
    }

    void pushFrames()
    {
        QWidget dialog;
        auto *b = new CSkinButton(CSkinButton::Push, QString(), &dialog);
        b->resize(60, 21);
        // A 10 x 21 skin with markers at x 3, 6 and y 3, 17: stretched to the button.
        QList<QImage> skins;
        for (QRgb c : {qRgb(0, 150, 0), qRgb(0, 0, 150), qRgb(150, 0, 0)}) {
            QImage img(10, 21, QImage::Format_ARGB32);
            img.fill(c);
            img.setPixel(3, 0, kMarkerColor);
            img.setPixel(6, 0, kMarkerColor);
            img.setPixel(0, 3, kMarkerColor);
            img.setPixel(0, 17, kMarkerColor);
            skins.append(img);
        }
        QVERIFY(b->SetImages(skins, true));
        QCOMPARE(b->frames().at(0).size(), QSize(60, 21));
        b->resize(80, 30);
        QCOMPARE(b->frames().at(0).size(), QSize(80, 30));

        QCOMPARE(b->currentFrame(), 0);
        hover(b, true);
        QCOMPARE(b->currentFrame(), 1);
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(b->currentFrame(), 2);
        QCOMPARE(b->grab().toImage().pixel(40, 15), qRgb(150, 0, 0));
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(500, 5)); // outside
        QCOMPARE(b->currentFrame(), 0);
        QCOMPARE(b->grab().toImage().pixel(40, 15), qRgb(0, 150, 0));
    }

    void progressBar_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("lower bound") << 10;
        QTest::newRow("upper bound") << 60;
        QTest::newRow("forty percent") << 30;
        QTest::newRow("one step") << 11;
    }
    void progressBar()
    {
        QFETCH(int, position);
        const QRgb backColor = qRgb(230, 230, 230);
        const QRgb barColor = qRgb(30, 120, 220);
        QImage background(45, 30, QImage::Format_ARGB32);
        background.fill(backColor);
        background.setPixel(5, 0, kMarkerColor);
        background.setPixel(39, 0, kMarkerColor);
        background.setPixel(0, 5, kMarkerColor);
        background.setPixel(0, 24, kMarkerColor);
        QWidget dialog;
        CSkinProgressCtrl progress(&dialog);
        progress.resize(200, 30);
        const int left = 3, right = 4;
        progress.SetImages(background, solid({3, 30}, barColor), left, right);
        progress.SetRange(10, 60);
        progress.SetPos(position);
        QCOMPARE(progress.GetPos(), position);

        const int span = 200 - left - right;
        const int barWidth = int(double(position - 10) / 50 * span);
        const QImage img = progress.grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y : {0, 15, 29}) {
            for (int x = 0; x < 200; ++x) {
                const bool inBar = x >= left && x < left + barWidth;
                QCOMPARE(img.pixel(x, y), inBar ? barColor : backColor);
            }
        }
        if (position == 60)
            QCOMPARE(progress.barRect(), QRect(left, 0, span, 30));
        if (position == 10)
            QVERIFY(progress.barRect().isEmpty());
    }

    void comboBox()
    {
        QWidget dialog;
        CSkinComboBox combo(&dialog);
        combo.setGeometry(200, 200, 120, 22);
        // Arrow strip: normal green, hover blue, pressed red, each 15 x 16.
        QImage strip(47, 16, QImage::Format_ARGB32);
        strip.fill(Qt::transparent);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 15; ++x) {
                strip.setPixel(x, y, qRgb(0, 160, 0));
                strip.setPixel(16 + x, y, qRgb(0, 0, 200));
                strip.setPixel(32 + x, y, qRgb(200, 0, 0));
            }
        const QColor normal(0xAA, 0xAA, 0xAA), lit(146, 146, 170);
        combo.SetImages(strip, normal, lit);
        combo.AddItem(QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMM"), 5);
        combo.AddItem(QStringLiteral("two"), 7);
        QCOMPARE(combo.itemInt(1), 7);
        QCOMPARE(combo.arrowRect(), QRect(120 - 17, 2, 16, 22 - 3));

        QImage img = combo.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.pixel(combo.arrowRect().center()), qRgb(0, 160, 0));
        QCOMPARE(img.pixel(60, 0), normal.rgb());
        QCOMPARE(img.pixel(0, 11), normal.rgb());
        // The long text is cut at right - 19; nothing is drawn between it and the arrow.
        for (int y = 2; y < 20; ++y)
            QCOMPARE(img.pixel(120 - 19, y), qRgb(255, 255, 255));
        bool textSeen = false;
        for (int y = 2; y < 20; ++y)
            for (int x = 4; x < 100; ++x)
                textSeen = textSeen || qGray(img.pixel(x, y)) < 100;
        QVERIFY(textSeen);
        for (int y = 2; y < 20; ++y)
            for (int x = 1; x < 4; ++x)
                QCOMPARE(img.pixel(x, y), qRgb(255, 255, 255));

        // Hot tracking: lit on a move, unlit by the poll once the cursor is elsewhere.
        dialog.show();
        QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), combo.mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                         Qt::NoButton, {});
        QCoreApplication::sendEvent(&combo, &move);
        QVERIFY(combo.isLit());
        img = combo.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.pixel(combo.arrowRect().center()), qRgb(0, 0, 200));
        QCOMPARE(img.pixel(60, 0), lit.rgb());
        QCursor::setPos(combo.mapToGlobal(QPoint(500, 500)));
        QTRY_VERIFY(!combo.isLit());
        img = combo.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.pixel(60, 0), normal.rgb());

        combo.setEnabled(false);
        img = combo.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.pixel(60, 0), GrayTextColor().rgb());
        const QRgb arrow = img.pixel(combo.arrowRect().center());
        QVERIFY(qRed(arrow) == qGreen(arrow) && qGreen(arrow) == qBlue(arrow));
    }

    void editFrame()
    {
        QWidget dialog;
        CSkinEdit edit(&dialog);
        edit.setGeometry(0, 0, 200, 32);
        auto frame = [](QRgb c) {
            QImage img(14, 14, QImage::Format_ARGB32);
            img.fill(c);
            img.setPixel(7, 0, kMarkerColor);
            img.setPixel(8, 0, kMarkerColor); // adjacent markers: an empty centre stretches nothing
            img.setPixel(0, 7, kMarkerColor);
            img.setPixel(0, 8, kMarkerColor);
            return img;
        };
        const QRgb normal = qRgb(0, 140, 0), focused = qRgb(0, 0, 180);
        edit.SetImages(frame(normal), frame(focused), 7, 7);
        QCOMPARE(edit.textArea(), QRect(7, 7, 186, 18));
        QCOMPARE(edit.currentFrame().size(), QSize(200, 32));
        edit.SetTextColor(QColor(200, 0, 0));
        QCOMPARE(edit.palette().color(QPalette::Text), QColor(200, 0, 0));
        edit.SetFont(12, QStringLiteral("Noto Sans CJK SC"), 700);
        QCOMPARE(edit.font().pointSize(), 12);
        QCOMPARE(edit.font().weight(), QFont::Bold);

        QImage img = edit.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.pixel(2, 2), normal);
        QCOMPARE(img.pixel(197, 29), normal);
        QCOMPARE(img.pixel(100, 16), qRgb(255, 255, 255)); // the text area is left to the text

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        edit.setFocus();
        QTRY_VERIFY(edit.hasFocus());
        img = edit.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.pixel(2, 2), focused);
        QTest::keyClicks(&edit, QStringLiteral("MMMM"));
        img = edit.grab().toImage().convertToFormat(QImage::Format_RGB32);
        bool red = false;
        for (int y = 7; y < 25; ++y)
            for (int x = 7; x < 100; ++x)
                red = red || (qRed(img.pixel(x, y)) > 150 && qGreen(img.pixel(x, y)) < 80);
        QVERIFY(red);
        edit.resize(100, 40);
        QCOMPARE(edit.currentFrame().size(), QSize(100, 40));
    }
};

QTEST_MAIN(TestSkinControls)
#include "tst_skin_controls.moc"
