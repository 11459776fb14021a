#include "ui/LayeredDialog.h"
#include "ui/StandardDialog.h"
#include "ui/TranslucentButton.h"
#include "ui/TranslucentLabel.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QRgb kBackground = qRgba(40, 90, 160, 200);
const QRgb kButtonColor = qRgb(250, 120, 0);
// What the translucent background reads back as after premultiplied storage.
const QRgb kBackgroundSeen = qUnpremultiply(qPremultiply(kBackground));

QImage backgroundPicture(QSize size)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(kBackground);
    for (int x = 0; x < size.width(); ++x)
        img.setPixel(x, 0, qRgba(0, 0, 0, 0)); // a fully transparent top row
    return img;
}

class Companion : public CStandardDialog
{
public:
    using CStandardDialog::CStandardDialog;
    bool swallowKeys = false;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (swallowKeys && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Escape)) {
            event->accept();
            return;
        }
        CStandardDialog::keyPressEvent(event);
    }
};

class Layered : public CLayeredDialog
{
public:
    explicit Layered(QSize size = QSize(200, 120))
        : CLayeredDialog(backgroundPicture(size))
    {
        button = new CTranslucentButton(this);
        button->setObjectName(QStringLiteral("1007"));
        label = new CTranslucentLabel(this);
        label->setGeometry(10, 90, 150, 20);
    }

    CTranslucentButton *button;
    CTranslucentLabel *label;
    Companion *comp = nullptr;
    int hooks = 0;

protected:
    CStandardDialog *CreateStandardDialog() override
    {
        ++hooks;
        comp = new Companion(0xFF00FF, this);
        return comp;
    }
    void InitTranslucentChildren() override
    {
        ++hooks;
        std::array<QImage, 5> images;
        images[0] = QImage(40, 30, QImage::Format_ARGB32);
        images[0].fill(kButtonColor);
        button->SetImages(images);
        button->move(30, 20);
        AddTranslucentChild(button);
        AddTranslucentChild(label);
    }
};

} // namespace

class TestLayered : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sizeFollowsBackground_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("home") << QSize(535, 361);
        QTest::newRow("small") << QSize(120, 80);
    }
    void sizeFollowsBackground()
    {
        QFETCH(QSize, size);
        Layered w(size);
        w.resize(size + QSize(50, 50)); // whatever is asked, the picture decides
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), size);
        QCOMPARE(w.hooks, 2);
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(w.testAttribute(Qt::WA_TranslucentBackground));
        // Centred on the available screen area.
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(w.pos(), QPoint(work.left() + (work.width() - size.width()) / 2,
                                 work.top() + (work.height() - size.height()) / 2));
        // The companion lies exactly over the window.
        QVERIFY(w.companion());
        QCOMPARE(w.companion()->geometry(), w.rect());
        QVERIFY(w.companion()->isVisible());
    }

    void composition()
    {
        Layered w;
        w.Create();
        QImage img = w.composeImage();
        QCOMPARE(img.size(), QSize(200, 120));
        QCOMPARE(qAlpha(img.pixel(5, 0)), 0); // the background's own alpha is kept
        QCOMPARE(img.convertToFormat(QImage::Format_ARGB32).pixel(5, 50), kBackgroundSeen);
        QCOMPARE(img.pixel(50, 35), kButtonColor);

        w.label->SetText(QStringLiteral("help"));
        img = w.composeImage();
        bool labelDrawn = false;
        for (int y = 90; y < 110 && !labelDrawn; ++y)
            for (int x = 10; x < 60 && !labelDrawn; ++x)
                labelDrawn = img.convertToFormat(QImage::Format_ARGB32).pixel(x, y) != kBackgroundSeen;
        QVERIFY(labelDrawn);

        // A hidden child is left out at once.
        const int requests = w.updateRequests();
        w.button->hide();
        QVERIFY(w.updateRequests() > requests);
        img = w.composeImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(img.pixel(50, 35), kBackgroundSeen);
        w.label->hide();
        img = w.composeImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 1; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                QCOMPARE(img.pixel(x, y), kBackgroundSeen);
        w.button->show();
        QCOMPARE(w.composeImage().pixel(50, 35), kButtonColor);
    }

    void screenPicture()
    {
        Layered w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(w.compositions() > 0);
        QImage shot = w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shot.pixel(50, 35), kButtonColor);

        const int before = w.compositions();
        w.button->hide();
        QTRY_VERIFY(w.compositions() > before);
        shot = w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shot.pixel(50, 35), kBackgroundSeen);
    }

    void companionMask()
    {
        Layered w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        CStandardDialog *c = w.companion();
        // No children: the companion takes no point at all.
        for (QPoint p : {QPoint(0, 0), QPoint(100, 60), QPoint(199, 119)})
            QVERIFY(!c->mask().contains(p));

        auto *edit = new QLineEdit(c);
        edit->setGeometry(10, 10, 80, 24);
        edit->show();
        QCOMPARE(c->mask(), QRegion(10, 10, 80, 24));
        auto *page = new QWidget(c);
        page->setGeometry(100, 40, 60, 50);
        page->show();
        QCOMPARE(c->mask(), QRegion(10, 10, 80, 24) + QRegion(100, 40, 60, 50));

        // A page sliding in moves and resizes; the mask follows every step.
        for (int x = 180; x >= 100; x -= 20) {
            page->setGeometry(x, 40, 190 - x, 50);
            QCOMPARE(c->mask(), QRegion(10, 10, 80, 24) + QRegion(x, 40, 190 - x, 50));
        }
        page->hide();
        QCOMPARE(c->mask(), QRegion(10, 10, 80, 24));
        delete edit;
        QVERIFY(!c->mask().contains(QPoint(20, 20)));
    }

    void clicksReachTranslucentButtons()
    {
        Layered w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *edit = new QLineEdit(w.companion());
        edit->setGeometry(100, 10, 80, 24);
        edit->show();
        // Over the button the companion is masked away; over the edit it is not.
        QCOMPARE(w.childAt(50, 35), w.button);
        QCOMPARE(w.childAt(110, 20), edit);

        QSignalSpy clicked(w.button, &CTranslucentButton::clicked);
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, QPoint(50, 35));
        QTRY_COMPARE(clicked.size(), 1);
    }

    void keysCloseTheWindow_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("swallow");
        QTest::addColumn<bool>("closes");
        QTest::newRow("enter") << int(Qt::Key_Return) << false << true;
        QTest::newRow("escape") << int(Qt::Key_Escape) << false << true;
        QTest::newRow("other key") << int(Qt::Key_A) << false << false;
        QTest::newRow("enter swallowed") << int(Qt::Key_Return) << true << false;
        QTest::newRow("escape swallowed") << int(Qt::Key_Escape) << true << false;
    }
    void keysCloseTheWindow()
    {
        QFETCH(int, key);
        QFETCH(bool, swallow);
        QFETCH(bool, closes);
        Layered w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.comp->swallowKeys = swallow;
        auto *edit = new QLineEdit(w.companion());
        edit->setGeometry(10, 40, 80, 24);
        edit->show();
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(w.isVisible(), !closes);
        QCOMPARE(w.companion()->isHidden(), closes);
    }

    void okCancelButtons()
    {
        Layered w;
        w.Create();
        auto *ok = new QPushButton(QStringLiteral("OK"), w.companion());
        ok->setObjectName(QStringLiteral("1"));
        w.show();
        w.companion()->Show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ok->click();
        QVERIFY(!w.isVisible());
    }

    void dragging()
    {
        Layered w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPoint start = w.pos();
        // Offscreen has no window manager to move the window: it follows the mouse.
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(150, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(170, 130), w.mapToGlobal(QPointF(170, 130)), Qt::NoButton,
                         Qt::LeftButton, {});
        QCoreApplication::sendEvent(&w, &move);
        QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(170, 130));
        if (w.windowHandle() && w.pos() == start)
            QSKIP("the platform moved the window itself");
        QCOMPARE(w.pos(), start + QPoint(20, 30));

        w.setDragEnabled(false);
        const QPoint fixed = w.pos();
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(150, 100));
        QCoreApplication::sendEvent(&w, &move);
        QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(170, 130));
        QCOMPARE(w.pos(), fixed);
    }
};

QTEST_MAIN(TestLayered)
#include "tst_layered.moc"
