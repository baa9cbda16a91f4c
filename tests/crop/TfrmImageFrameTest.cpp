// The crop window's frame on a 1280 x 800 offscreen screen: where it starts,
// how real cursor movements move it, the strips as painted, and red-eye mode
// with the selection tool.

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QTest>

#include <memory>
#include <stdexcept>

#include "crop/TMouseTracker.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "support/JpegFixtures.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

using pictavo::Rect;

namespace {

TNOEraseBackgroundImage* viewOf(TfrmImage& window) {
    return window.findChild<TNOEraseBackgroundImage*>();
}

// Moves the real (offscreen) cursor, which sends the movement to the window
// under it, as the window system would.
void moveCursor(int x, int y) {
    QCursor::setPos(x, y);
    QCoreApplication::processEvents();
}

QImage painted(TfrmImage& window) {
    return viewOf(window)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb inverted(QRgb c) {
    return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
}

}  // namespace

class TfrmImageFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void frameStartsCentredWithTheRatio();
    void cutTallerThanThePictureShowsNoStripsAndSnapsToTheBottom();
    void cursorMovesTheFrameByDistanceOverScale();
    void stripsArePaintedInvertedOutsideTheFrame();
    void redEyeModeHidesStripsAndHandsOverTheToolsRectangle();
    void pictureDecodedAheadLooksTheSame();
    void fileChangedOrBrokenAfterTheHintLoadsAsUsual();
    void printReadoutAtACornerFollowsTheCutNotTheZoom();

private:
    QString fixture(const std::string& name, int width, int height);

    std::unique_ptr<pictavo::test::TempDir> m_dir;
    std::unique_ptr<TfrmImage> m_window;
};

void TfrmImageFrameTest::initTestCase() {
    m_dir = std::make_unique<pictavo::test::TempDir>();
}

QString TfrmImageFrameTest::fixture(const std::string& name, int width, int height) {
    pictavo::test::JpegFixtureOptions options;
    options.width = width;
    options.height = height;
    return QString::fromStdString(pictavo::test::writeJpegFixture(m_dir->path(), name, options));
}

void TfrmImageFrameTest::init() {
    // Park the cursor where the next window's first movement starts from.
    moveCursor(1, 1);
    m_window = std::make_unique<TfrmImage>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TfrmImageFrameTest::cleanup() {
    m_window.reset();
}

void TfrmImageFrameTest::frameStartsCentredWithTheRatio() {
    m_window->ShowImage(fixture("a.jpg", 400, 300), QString());
    QCOMPARE(m_window->cropRect(), (Rect{0, 16, 400, 283}));  // 267 high, 33 / 2 -> 16
    QVERIFY(m_window->tracking());

    m_window->ShowImage(fixture("portrait.jpg", 300, 400), QString());
    QCOMPARE(m_window->cropRect(), (Rect{16, 0, 283, 400}));

    // A new ratio applies from the next image on.
    m_window->SetRatio(2.0L);
    QCOMPARE(m_window->cropRect(), (Rect{16, 0, 283, 400}));
    m_window->ShowImage(fixture("a.jpg", 400, 300), QString());
    QCOMPARE(m_window->cropRect(), (Rect{0, 50, 400, 250}));
}

void TfrmImageFrameTest::cutTallerThanThePictureShowsNoStripsAndSnapsToTheBottom() {
    // 3000 x 1000 at ratio 1.5, a tenth of the size: the cut is 300 x 200.
    m_window->ShowImage(fixture("wide.jpg", 300, 100), QString());
    QCOMPARE(m_window->cropRect(), (Rect{0, -50, 300, 150}));
    const QImage before = painted(*m_window);
    m_window->SetRedEyeMode(true);
    const QImage plain = painted(*m_window);
    m_window->SetRedEyeMode(false);
    QCOMPARE(before, plain);

    moveCursor(600, 400);  // the first movement only records the position
    QCOMPARE(m_window->cropRect(), (Rect{0, -50, 300, 150}));
    moveCursor(600, 401);
    QCOMPARE(m_window->cropRect(), (Rect{0, -100, 300, 100}));
    QCOMPARE(painted(*m_window), plain);
}

void TfrmImageFrameTest::cursorMovesTheFrameByDistanceOverScale() {
    // 2000 x 1600 shown 1000 x 800: two source pixels per screen pixel.
    m_window->ShowImage(fixture("scale2.jpg", 2000, 1600), QString());
    QCOMPARE(m_window->GetImageSize(), QSize(1000, 800));
    QCOMPARE(m_window->cropRect(), (Rect{0, 133, 2000, 1467}));

    moveCursor(500, 300);
    QCOMPARE(m_window->cropRect().top, 133);
    moveCursor(500, 400);
    QCOMPARE(m_window->cropRect().top, 183);
    moveCursor(500, 399);
    QCOMPARE(m_window->cropRect().top, 183);
    moveCursor(500, 400);
    QCOMPARE(m_window->cropRect().top, 184);
    // Sideways movement cannot move a full-width frame.
    moveCursor(700, 400);
    QCOMPARE(m_window->cropRect(), (Rect{0, 184, 2000, 1518}));

    // Past the bottom edge it stays there, further down changes nothing.
    moveCursor(700, 799);
    QCOMPARE(m_window->cropRect(), (Rect{0, 266, 2000, 1600}));
    moveCursor(700, 790);
    QCOMPARE(m_window->cropRect().top, 266 - 4);
    moveCursor(700, 10);
    QCOMPARE(m_window->cropRect().top, 0);
    moveCursor(700, 5);
    QCOMPARE(m_window->cropRect().top, 0);

    // Over the black beside the view the frame follows as well.
    moveCursor(50, 105);
    QCOMPARE(m_window->cropRect().top, 50);

    // Skipping leaves the frame following; the next image starts centred and
    // its first movement applies the distance since the last one.
    QTest::keyClick(m_window.get(), Qt::Key_Space);
    moveCursor(50, 125);
    QCOMPARE(m_window->cropRect().top, 60);
    m_window->ShowImage(fixture("scale2.jpg", 2000, 1600), QString());
    moveCursor(50, 145);
    QCOMPARE(m_window->cropRect().top, 133 + 10);
}

void TfrmImageFrameTest::stripsArePaintedInvertedOutsideTheFrame() {
    // 1600 x 1200 shown 1067 x 800: frame rows 66..1133, i.e. view rows 44..755.
    m_window->ShowImage(fixture("four3.jpg", 1600, 1200), QString());
    QCOMPARE(m_window->cropRect(), (Rect{0, 66, 1600, 1133}));
    const QImage framed = painted(*m_window);
    m_window->SetRedEyeMode(true);
    const QImage plain = painted(*m_window);
    m_window->SetRedEyeMode(false);
    QCOMPARE(painted(*m_window), framed);

    QCOMPARE(framed.size(), QSize(1067, 800));
    for (int x : {0, 300, 1066}) {
        for (int y : {0, 20, 43}) {
            QCOMPARE(framed.pixel(x, y), inverted(plain.pixel(x, y)));
        }
        for (int y : {44, 400, 754}) {
            QCOMPARE(framed.pixel(x, y), plain.pixel(x, y));
        }
        for (int y : {755, 790, 799}) {
            QCOMPARE(framed.pixel(x, y), inverted(plain.pixel(x, y)));
        }
    }

    // Moved to the top edge: no strip above, a taller one below.
    moveCursor(600, 400);
    moveCursor(600, 300);
    QCOMPARE(m_window->cropRect(), (Rect{0, 0, 1600, 1067}));
    const QImage top = painted(*m_window);
    QCOMPARE(top.pixel(500, 0), plain.pixel(500, 0));
    QCOMPARE(top.pixel(500, 710), plain.pixel(500, 710));
    QCOMPARE(top.pixel(500, 712), inverted(plain.pixel(500, 712)));
}

void TfrmImageFrameTest::redEyeModeHidesStripsAndHandsOverTheToolsRectangle() {
    m_window->ShowImage(fixture("four3.jpg", 1600, 1200), QString());
    auto* tool = m_window->findChild<TMouseTracker*>();
    QVERIFY(tool);
    QVERIFY(!tool->isVisible());
    QVERIFY(tool->Idle());

    m_window->SetRedEyeMode(true);
    QVERIFY(tool->isVisible());
    QVERIFY(!tool->Idle());

    // (That the armed tool takes every movement needs a real X server: the
    // capture test covers it.)
    const Rect frame = m_window->cropRect();
    tool->SetBounds(100, 50, 20, 20);
    QTest::mousePress(tool, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(tool, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QVERIFY(m_window->redEyeSelection().has_value());
    QCOMPARE(*m_window->redEyeSelection(), (Rect{100, 50, 119, 69}));
    QVERIFY(tool->Idle());
    QVERIFY(tool->isVisible());

    // Clicks on the window do nothing in red-eye mode.
    QTest::mouseClick(viewOf(*m_window), Qt::LeftButton, Qt::NoModifier, QPoint(500, 400));
    QTest::mouseClick(viewOf(*m_window), Qt::RightButton, Qt::NoModifier, QPoint(500, 400));
    QCOMPARE(m_window->m_nState, 0);
    QCOMPARE(m_window->m_nProcessed, 0);
    QCOMPARE(m_window->m_nCropped, 0);

    // The frozen tool stays put; the frame moves unseen.
    const QImage hidden = painted(*m_window);
    moveCursor(110, 100);
    moveCursor(110, 200);
    QCOMPARE(tool->geometry(), QRect(100, 50, 20, 20));
    QVERIFY(m_window->cropRect().top > frame.top);
    QCOMPARE(painted(*m_window), hidden);

    // Leaving red-eye mode shows the strips at the frame's new place.
    m_window->SetRedEyeMode(false);
    QVERIFY(!tool->isVisible());
    const QImage shown = painted(*m_window);
    // Moved to the bottom edge: a strip above (view rows 0..87), none below.
    QCOMPARE(m_window->cropRect(), (Rect{0, 133, 1600, 1200}));
    QCOMPARE(shown.pixel(500, 5), inverted(hidden.pixel(500, 5)));
    QCOMPARE(shown.pixel(500, 87), inverted(hidden.pixel(500, 87)));
    QCOMPARE(shown.pixel(500, 90), hidden.pixel(500, 90));
    QCOMPARE(shown.pixel(500, 799), hidden.pixel(500, 799));
}

void TfrmImageFrameTest::pictureDecodedAheadLooksTheSame() {
    const QString a = fixture("ahead-a.jpg", 1600, 1200);
    const QString b = fixture("ahead-b.jpg", 2400, 1500);
    m_window->ShowImage(a, QString());
    const QImage direct = painted(*m_window);
    m_window->ShowImage(b, QString());
    m_window->Prefetch(a);
    QTest::qWait(300);
    m_window->ShowImage(a, QString());
    QCOMPARE(painted(*m_window), direct);
    QCOMPARE(m_window->cropRect(), (Rect{0, 66, 1600, 1133}));
}

void TfrmImageFrameTest::fileChangedOrBrokenAfterTheHintLoadsAsUsual() {
    const QString path = fixture("changing.jpg", 1600, 1200);
    m_window->Prefetch(path);
    QTest::qWait(300);
    // Replaced by another picture after it was decoded ahead.
    fixture("changing.jpg", 900, 1200);
    m_window->ShowImage(path, QString());
    QCOMPARE(m_window->cropRect(), (Rect{50, 0, 850, 1200}));

    // A file that cannot be decoded ahead fails when shown, as usual.
    const std::string broken = m_dir->file("broken.jpg");
    pictavo::test::writeBytes(broken, {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'x', 'y'});
    m_window->Prefetch(QString::fromStdString(broken));
    QTest::qWait(200);
    ModalAnswerer answerer;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             m_window->ShowImage(QString::fromStdString(broken), QString()));
    QCOMPARE(answerer.texts(),
             QStringList{QStringLiteral("Can't load file ") + QString::fromStdString(broken)});
    QCOMPARE(m_window->m_nState, 0);
    // The view keeps the picture it showed.
    QCOMPARE(m_window->cropRect(), (Rect{50, 0, 850, 1200}));
}

void TfrmImageFrameTest::printReadoutAtACornerFollowsTheCutNotTheZoom() {
    auto* readout = m_window->findChild<QLabel*>(QStringLiteral("m_lblPrintReadout"));
    QVERIFY(readout);

    const QColor white(Qt::white);
    const QColor amber(255, 191, 0);
    const QColor red(255, 64, 64);
    struct Row {
        int width;
        int height;
        const char* size;
        bool inside;
        const char* text;  // empty: no readout
        QColor colour;
    };
    const Row rows[] = {
        {1199, 800, "4 \u00d7 6 in", false, "4 \u00d7 6 in \u00b7 199 ppi", amber},
        {880, 587, "10 \u00d7 15 cm", false, "10 \u00d7 15 cm \u00b7 149 ppi \u00b7 may print soft",
         red},
        // The cut of a wide picture: 1600 x 1067 across it, 900 x 600 inside.
        {1600, 600, "10 \u00d7 15 cm", false, "10 \u00d7 15 cm \u00b7 270 ppi", white},
        {1600, 600, "10 \u00d7 15 cm", true, "10 \u00d7 15 cm \u00b7 152 ppi", amber},
        {1600, 600, "None", true, "", white},
    };
    for (const Row& row : rows) {
        m_window->m_sPrintSize = QString::fromUtf8(row.size);
        m_window->m_bFrameInside = row.inside;
        m_window->ShowImage(
            fixture("print-" + std::to_string(row.width) + ".jpg", row.width, row.height),
            QString());
        const QString want = QString::fromUtf8(row.text);
        QCOMPARE(readout->isVisible(), !want.isEmpty());
        if (want.isEmpty())
            continue;
        QCOMPARE(readout->text(), want);
        QCOMPARE(readout->palette().color(QPalette::WindowText), row.colour);
        // In the bottom right corner, clear of the middle of the screen.
        const QRect at(readout->mapTo(m_window.get(), QPoint()), readout->size());
        QVERIFY(m_window->rect().contains(at));
        QVERIFY(at.right() >= m_window->width() - 16 && at.bottom() >= m_window->height() - 16);
        QVERIFY(!at.contains(m_window->rect().center()));
        QVERIFY(at.width() < m_window->width() / 3);
        // Zooming changes the view, not the cut.
        const QSize fitted = m_window->GetImageSize();
        QTest::keyClick(m_window.get(), Qt::Key_Z);
        QVERIFY(m_window->GetImageSize() != fitted);
        QCOMPARE(readout->text(), want);
        QCOMPARE(QRect(readout->mapTo(m_window.get(), QPoint()), readout->size()), at);
    }
    // It keeps to the corner when the window changes size after it was shown.
    m_window->m_sPrintSize = QStringLiteral("A4");
    m_window->ShowImage(fixture("print-1600.jpg", 1600, 600), QString());
    m_window->resize(900, 600);
    const QPoint corner =
        readout->mapTo(m_window.get(), QPoint(readout->width(), readout->height()));
    QVERIFY(corner.x() > 900 - 16 && corner.x() <= 900);
    QVERIFY(corner.y() > 600 - 16 && corner.y() <= 600);
}

PICTAVO_QTEST_MAIN(TfrmImageFrameTest)
#include "TfrmImageFrameTest.moc"
