// The picture view: what it paints at the fitted size and far past the
// window, and the frame strips mapped from source pixels.

#include <QPaintEvent>
#include <QTest>

#include "core/Picture.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "support/QtTestMain.h"

using pictavo::Picture;
using pictavo::Rect;
using Mode = TNOEraseBackgroundImage::StripMode;

namespace {

// 4 x 2 blocks of 100 x 100 pixels, each its own colour.
QRgb blockColour(int bx, int by) {
    return qRgb(30 + 60 * bx, 40 + 150 * by, 220 - 50 * bx);
}

Picture blocks() {
    Picture p(400, 200);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 400; ++x) {
            const QRgb c = blockColour(x / 100, y / 100);
            std::uint8_t* px = p.scanLine(y) + 3 * x;
            px[0] = static_cast<std::uint8_t>(qBlue(c));
            px[1] = static_cast<std::uint8_t>(qGreen(c));
            px[2] = static_cast<std::uint8_t>(qRed(c));
        }
    }
    return p;
}

QRgb inverted(QRgb c) {
    return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
}

struct PaintSpy : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
};

}  // namespace

class TNOEraseBackgroundImageTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsThePictureStretchedToItsSize();
    void reusesItsDisplayCopyUntilThePictureOrSizeChanges();
    void stripsInvertOrBlackenExactlyTheirSourcePixels();
    void viewFarLargerThanTheWindowPaintsOnlyWhatIsVisible();
    void withoutAPictureItIsBlack();

private:
    QImage shot() { return m_host->grab().toImage(); }

    std::unique_ptr<QWidget> m_host;
    TNOEraseBackgroundImage* m_view = nullptr;
    Picture m_picture = blocks();
};

void TNOEraseBackgroundImageTest::init() {
    m_host = std::make_unique<QWidget>();
    m_host->setGeometry(0, 0, 1280, 800);
    QPalette black;
    black.setColor(QPalette::Window, Qt::black);
    m_host->setPalette(black);
    m_host->setAutoFillBackground(true);
    m_view = new TNOEraseBackgroundImage(m_host.get());
    m_view->setGeometry(0, 0, 800, 400);
    m_view->setPicture(&m_picture);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
}

void TNOEraseBackgroundImageTest::cleanup() {
    m_host.reset();
}

void TNOEraseBackgroundImageTest::showsThePictureStretchedToItsSize() {
    m_view->move(100, 50);
    const QImage image = shot();
    for (int by = 0; by < 2; ++by) {
        for (int bx = 0; bx < 4; ++bx) {
            // Block centres, and just inside each block's corners.
            for (QPoint at : {QPoint(100, 100), QPoint(4, 4), QPoint(195, 195)}) {
                const QPoint p = QPoint(100 + bx * 200, 50 + by * 200) + at;
                QCOMPARE(image.pixel(p), blockColour(bx, by));
            }
        }
    }
    QCOMPARE(image.pixel(99, 49), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(900, 300), qRgb(0, 0, 0));
    // Shrunk to a quarter: the blocks are 50 pixels now.
    m_view->setGeometry(0, 0, 200, 100);
    const QImage small = shot();
    QCOMPARE(small.pixel(25, 25), blockColour(0, 0));
    QCOMPARE(small.pixel(175, 75), blockColour(3, 1));
    QCOMPARE(small.pixel(300, 50), qRgb(0, 0, 0));
}

void TNOEraseBackgroundImageTest::reusesItsDisplayCopyUntilThePictureOrSizeChanges() {
    shot();
    const int made = m_view->displayCopiesMade();
    QCOMPARE(made, 1);
    m_view->repaint();
    m_view->setStrips({0, 0, 100, 100}, {}, Mode::Inverted);
    m_view->repaint();
    m_view->move(30, 30);
    shot();
    QCOMPARE(m_view->displayCopiesMade(), made);
    m_view->resize(1000, 500);
    shot();
    QCOMPARE(m_view->displayCopiesMade(), made + 1);
    m_view->setPicture(&m_picture);
    shot();
    QCOMPARE(m_view->displayCopiesMade(), made + 2);
}

void TNOEraseBackgroundImageTest::stripsInvertOrBlackenExactlyTheirSourcePixels() {
    const QImage plain = shot();
    // A frame from x 100 to 300 sliding horizontally: strips left and right of it.
    m_view->setStrips({300, 0, 400, 200}, {0, 0, 100, 200}, Mode::Inverted);
    const QImage strips = shot();
    for (int y : {0, 150, 399}) {
        for (int x : {0, 150, 199, 600, 799}) {
            QCOMPARE(strips.pixel(x, y), inverted(plain.pixel(x, y)));
        }
        for (int x : {200, 400, 599}) {
            QCOMPARE(strips.pixel(x, y), plain.pixel(x, y));
        }
    }
    // Black when the cut is confirmed; parts past the picture draw nothing.
    m_view->setStrips({0, -500, 400, 50}, {0, 150, 400, 900}, Mode::Black);
    const QImage black = shot();
    QCOMPARE(black.pixel(400, 99), qRgb(0, 0, 0));
    QCOMPARE(black.pixel(400, 100), plain.pixel(400, 100));
    QCOMPARE(black.pixel(400, 299), plain.pixel(400, 299));
    QCOMPARE(black.pixel(400, 300), qRgb(0, 0, 0));
    QCOMPARE(black.pixel(400, 399), qRgb(0, 0, 0));
    QCOMPARE(black.pixel(900, 300), qRgb(0, 0, 0));  // the host's own black
    // Strips without area show nothing.
    m_view->setStrips({100, 0, 100, 200}, {400, 0, 300, 200}, Mode::Inverted);
    QCOMPARE(shot(), plain);
    m_view->clearStrips();
    QCOMPARE(shot(), plain);
}

void TNOEraseBackgroundImageTest::viewFarLargerThanTheWindowPaintsOnlyWhatIsVisible() {
    // 200 times the picture: 80000 x 40000, showing the middle of block (2, 1).
    m_view->setGeometry(-(80000 / 2 + 10000) + 640, -(40000 * 3 / 4) + 400, 80000, 40000);
    const int copies = m_view->displayCopiesMade();
    PaintSpy spy;
    m_view->installEventFilter(&spy);
    m_view->setStrips({0, 0, 250, 200}, {}, Mode::Inverted);
    const QImage image = shot();
    QVERIFY(!spy.painted.isEmpty());
    const QRect visible(-m_view->pos(), m_host->size());
    QVERIFY2(visible.contains(spy.painted.boundingRect()), "painted outside the window");
    // The picture's x 250 falls on window x 640: inverted strip to the left.
    QCOMPARE(image.pixel(100, 400), inverted(blockColour(2, 1)));
    QCOMPARE(image.pixel(639, 400), inverted(blockColour(2, 1)));
    QCOMPARE(image.pixel(640, 400), blockColour(2, 1));
    QCOMPARE(image.pixel(1200, 700), blockColour(2, 1));
    // No copy of this size is made: it would be 3.2 billion pixels.
    QCOMPARE(m_view->displayCopiesMade(), copies);
}

void TNOEraseBackgroundImageTest::withoutAPictureItIsBlack() {
    m_view->setPicture(nullptr);
    m_view->setStrips({0, 0, 100, 100}, {}, Mode::Inverted);
    const QImage image = shot();
    QCOMPARE(image.pixel(10, 10), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(500, 300), qRgb(0, 0, 0));
}

PICTAVO_QTEST_MAIN(TNOEraseBackgroundImageTest)
#include "TNOEraseBackgroundImageTest.moc"
