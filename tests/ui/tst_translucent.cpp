#include "ui/TranslucentButton.h"
#include "ui/TranslucentLabel.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <array>

namespace {

// One solid colour per slot, so a rendered pixel names the slot drawn.
const std::array<QRgb, 5> kSlotColors = {qRgb(10, 200, 10), qRgb(120, 120, 120), qRgb(10, 10, 220),
                                         qRgb(220, 10, 10), qRgb(230, 200, 0)};

std::array<QImage, 5> slotImages(int presentMask)
{
    std::array<QImage, 5> images;
    for (int i = 0; i < 5; ++i) {
        if (i == 0 || (presentMask & (1 << i))) {
            images[i] = QImage(30, 20, QImage::Format_ARGB32_Premultiplied);
            images[i].fill(kSlotColors[i]);
        }
    }
    return images;
}

class CountingListener : public IRenderListener
{
public:
    void OnRenderChanged(CTranslucentWnd *) override { ++count; }
    int count = 0;
};

void hover(QWidget *w, bool on)
{
    if (on) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    }
}

QRgb renderedCentre(CTranslucentButton &button)
{
    QImage canvas(button.parentWidget()->size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    button.Render(p);
    p.end();
    return canvas.pixel(button.geometry().center());
}

} // namespace

class TestTranslucent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void imageChoice_data()
    {
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("present"); // bit i: slot i has an image
        QTest::addColumn<int>("expected");
        const int all = 0b11110;
        using B = CTranslucentButton;
        // Every combination with every slot filled.
        QTest::newRow("idle") << false << false << false << false << all << int(B::Normal);
        QTest::newRow("checked") << false << false << false << true << all << int(B::Checked);
        QTest::newRow("disabled") << false << false << true << false << all << int(B::Disabled);
        QTest::newRow("disabled checked") << false << false << true << true << all << int(B::Disabled);
        QTest::newRow("pressed, not hovered") << false << true << false << false << all << int(B::Normal);
        QTest::newRow("pressed checked") << false << true << false << true << all << int(B::Checked);
        QTest::newRow("pressed disabled") << false << true << true << false << all << int(B::Disabled);
        QTest::newRow("pressed disabled checked") << false << true << true << true << all << int(B::Disabled);
        QTest::newRow("hovered") << true << false << false << false << all << int(B::Hover);
        QTest::newRow("hovered checked") << true << false << false << true << all << int(B::Hover);
        QTest::newRow("hovered disabled") << true << false << true << false << all << int(B::Hover);
        QTest::newRow("hovered disabled checked") << true << false << true << true << all << int(B::Hover);
        QTest::newRow("hovered pressed") << true << true << false << false << all << int(B::Pressed);
        QTest::newRow("hovered pressed checked") << true << true << false << true << all << int(B::Pressed);
        QTest::newRow("hovered pressed disabled") << true << true << true << false << all << int(B::Pressed);
        QTest::newRow("all four") << true << true << true << true << all << int(B::Pressed);
        // Empty slots fall back to normal, never to another filled slot.
        QTest::newRow("no hover image") << true << false << false << true << 0b11010 << int(B::Normal);
        QTest::newRow("no pressed image") << true << true << false << false << 0b10110 << int(B::Normal);
        QTest::newRow("no disabled image") << false << false << true << true << 0b11100 << int(B::Normal);
        QTest::newRow("no checked image") << false << false << false << true << 0b01110 << int(B::Normal);
        QTest::newRow("only normal, hovered pressed") << true << true << false << false << 0 << int(B::Normal);
        QTest::newRow("only normal, disabled") << false << false << true << false << 0 << int(B::Normal);
        QTest::newRow("only normal, checked") << false << false << false << true << 0 << int(B::Normal);
    }
    void imageChoice()
    {
        QFETCH(bool, hovered);
        QFETCH(bool, pressed);
        QFETCH(bool, disabled);
        QFETCH(bool, checked);
        QFETCH(int, present);
        QFETCH(int, expected);

        QWidget parent;
        parent.resize(100, 60);
        CTranslucentButton button(&parent);
        button.move(20, 10);
        QVERIFY(button.SetImages(slotImages(present)));
        QCOMPARE(button.size(), QSize(30, 20));
        QCOMPARE(button.currentSlot(), int(CTranslucentButton::Normal));

        if (hovered)
            hover(&button, true);
        if (pressed)
            QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        if (disabled)
            button.setEnabled(false);
        if (checked)
            button.SetCheck(true);

        QCOMPARE(button.isHovered(), hovered);
        QCOMPARE(button.isPressed(), pressed);
        QCOMPARE(button.currentSlot(), expected);
        QCOMPARE(renderedCentre(button), kSlotColors[expected]);
    }

    void recomposesOnlyOnChange()
    {
        QWidget parent;
        CTranslucentButton button(&parent);
        button.setObjectName(QStringLiteral("1007"));
        QVERIFY(button.SetImages(slotImages(0b00110))); // disabled and hover, no pressed
        CountingListener listener;
        button.SetRenderListener(&listener);
        QSignalSpy help(&button, &CTranslucentButton::hoverHelp);

        hover(&button, true);
        QCOMPARE(listener.count, 1);
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(3, 3)); // pressed falls back to normal
        QCOMPARE(button.currentSlot(), int(CTranslucentButton::Normal));
        QCOMPARE(listener.count, 2);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(listener.count, 3);
        button.SetCheck(true); // no checked image: still hover
        QCOMPARE(listener.count, 3);

        // Visibility and enabled state recompose even when the image stays.
        button.hide();
        QCOMPARE(listener.count, 4);
        QVERIFY(!button.visibleFlag());
        button.show();
        QCOMPARE(listener.count, 5);
        button.setEnabled(false);
        QVERIFY(button.disabledFlag());
        QCOMPARE(listener.count, 6);

        QCOMPARE(help.size(), 1);
        QCOMPARE(help.at(0).at(0).toBool(), true);
        QCOMPARE(help.at(0).at(1).toInt(), 1007);

        // Disabled, it ignores the mouse (Qt still sends it enter events): no hover
        // image, no help line.
        hover(&button, false);
        QCOMPARE(button.currentSlot(), int(CTranslucentButton::Disabled));
        const int composed = listener.count;
        help.clear();
        hover(&button, true);
        QVERIFY(!button.isHovered());
        QCOMPARE(button.currentSlot(), int(CTranslucentButton::Disabled));
        QCOMPARE(listener.count, composed);
        QVERIFY(help.isEmpty());
    }

    void emptyHoverSlot()
    {
        QWidget parent;
        CTranslucentButton button(&parent);
        button.setObjectName(QStringLiteral("1002"));
        QVERIFY(button.SetImages(slotImages(0)));
        CountingListener listener;
        button.SetRenderListener(&listener);
        QSignalSpy help(&button, &CTranslucentButton::hoverHelp);

        hover(&button, true);
        QCOMPARE(listener.count, 0);
        QCOMPARE(button.currentSlot(), int(CTranslucentButton::Normal));
        hover(&button, false);
        QCOMPARE(listener.count, 0);
        QCOMPARE(help.size(), 2);
        QCOMPARE(help.at(0), (QVariantList{true, 1002}));
        QCOMPARE(help.at(1), (QVariantList{false, 1002}));
    }

    void releaseRules_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("inside");
        QTest::addColumn<bool>("checkedAfter");
        QTest::addColumn<bool>("hoverAfter");
        QTest::addColumn<int>("clicks");
        using B = CTranslucentButton;
        QTest::newRow("check box inside toggles") << int(B::CheckBox) << true << true << true << 1;
        QTest::newRow("radio inside toggles") << int(B::RadioButton) << true << true << true << 1;
        QTest::newRow("push inside stays clear") << int(B::PushButton) << true << false << true << 1;
        QTest::newRow("check box outside") << int(B::CheckBox) << false << false << false << 0;
        QTest::newRow("push outside") << int(B::PushButton) << false << false << false << 0;
    }
    void releaseRules()
    {
        QFETCH(int, style);
        QFETCH(bool, inside);
        QFETCH(bool, checkedAfter);
        QFETCH(bool, hoverAfter);
        QFETCH(int, clicks);
        QWidget parent;
        parent.resize(100, 100);
        CTranslucentButton button(&parent);
        button.setButtonStyle(CTranslucentButton::ButtonStyle(style));
        QVERIFY(button.SetImages(slotImages(0b11110)));
        QSignalSpy clicked(&button, &CTranslucentButton::clicked);

        hover(&button, true);
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, inside ? QPoint(6, 6) : QPoint(60, 60));
        QCOMPARE(button.GetCheck(), checkedAfter);
        QCOMPARE(button.isHovered(), hoverAfter);
        QCOMPARE(button.isPressed(), false);
        QCOMPARE(clicked.size(), clicks);
        if (!hoverAfter)
            QCOMPARE(button.currentSlot(), int(CTranslucentButton::Normal));

        // A second click inside undoes a check box's toggle; a push button was cleared.
        if (inside) {
            QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(4, 4));
            QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(4, 4));
            QCOMPARE(button.GetCheck(), false);
        }
    }

    void missingNormalImage()
    {
        QWidget parent;
        CTranslucentButton button(&parent);
        auto images = slotImages(0b11110);
        images[0] = QImage();
        QVERIFY(!button.SetImages(images));
        QCOMPARE(button.currentSlot(), -1);
        QVERIFY(!button.LoadImages({987654, 0, 0, 0, 0}));
        QVERIFY(!button.LoadImages({0, 1, 2, 3, 4}));
    }

    void buttonText()
    {
        QWidget parent;
        parent.resize(120, 60);
        CTranslucentButton button(&parent);
        std::array<QImage, 5> images;
        images[0] = QImage(100, 40, QImage::Format_ARGB32_Premultiplied);
        images[0].fill(Qt::white);
        QVERIFY(button.SetImages(images));
        button.move(10, 10);
        button.SetText(QStringLiteral("确定"));
        QImage canvas(parent.size(), QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter p(&canvas);
        button.Render(p);
        p.end();
        QRect inked;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (qAlpha(canvas.pixel(x, y)) == 255 && qRed(canvas.pixel(x, y)) < 100)
                    inked |= QRect(x, y, 1, 1);
        QVERIFY(inked.isValid());
        QVERIFY(button.geometry().contains(inked));
        QVERIFY(std::abs(inked.center().x() - button.geometry().center().x()) <= 2);
        QVERIFY(std::abs(inked.center().y() - button.geometry().center().y()) <= 2);
        QCOMPARE(qAlpha(canvas.pixel(5, 5)), 0);
    }

    void labelOutline()
    {
        QWidget parent;
        parent.resize(200, 60);
        CTranslucentLabel label(&parent);
        label.setGeometry(20, 15, 160, 20);
        CountingListener listener;
        label.SetRenderListener(&listener);

        auto render = [&] {
            QImage canvas(parent.size(), QImage::Format_ARGB32);
            canvas.fill(qRgb(0, 128, 0));
            QPainter p(&canvas);
            label.Render(p);
            return canvas;
        };
        const QImage empty = render();
        for (int y = 0; y < empty.height(); ++y)
            for (int x = 0; x < empty.width(); ++x)
                QCOMPARE(empty.pixel(x, y), qRgb(0, 128, 0));

        label.SetText(QStringLiteral("HELLO"));
        QCOMPARE(listener.count, 1);
        QCOMPARE(label.text(), QStringLiteral("HELLO"));
        const QImage img = render();
        int white = 0, outline = 0;
        QRect touched;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                if (c == qRgb(0, 128, 0))
                    continue;
                touched |= QRect(x, y, 1, 1);
                // Small antialiased glyphs: count pixels close to the two colours.
                if (qRed(c) >= 215 && qGreen(c) >= 215 && qBlue(c) >= 215)
                    ++white;
                if (std::abs(qRed(c) - 0x40) <= 16 && std::abs(qGreen(c) - 0x40) <= 16 && std::abs(qBlue(c) - 0x40) <= 16)
                    ++outline;
            }
        }
        QVERIFY2(white > 10, "white fill");
        QVERIFY2(outline > 10, "dark grey outline");
        // Laid out from the label's top-left corner (the pen reaches a pixel beyond).
        QVERIFY(touched.left() >= 19 && touched.top() >= 14);
        QVERIFY(touched.left() <= 24 && touched.top() <= 20);
    }
};

QTEST_MAIN(TestTranslucent)
#include "tst_translucent.moc"
