// The crop window on real screens: two monitors of different sizes at scale
// factor 2. It covers the main window's monitor and fits to its size, draws
// at device pixels, and what reaches the screen after each frame movement is
// what a full repaint would show. Checked on the screen's own pixels (the
// window system's copy), not on a fresh rendering of the widget.

#include <QApplication>
#include <QBackingStore>
#include <QCursor>
#include <QScreen>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <memory>

#include "core/JpegEncoder.h"
#include "crop/TMouseTracker.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void moveCursor(int x, int y) {
    QCursor::setPos(x, y);
    // An X server reports the movement a moment later.
    if (onX11()) {
        QTest::qWait(50);
    }
    QCoreApplication::processEvents();
}

// What the screen shows of `window`, in device pixels.
QImage onScreen(QWidget& window) {
    QCoreApplication::processEvents();
    QImage image;
    if (onX11()) {
        QTest::qWait(50);
        image = window.screen()->grabWindow(window.winId()).toImage();
    } else if (QPaintDevice* device = window.backingStore()->paintDevice();
               device->devType() == QInternal::Image) {
        // Offscreen, the window's backing store is the screen (the platform's
        // own grab cuts a scaled window to its logical size).
        image = static_cast<QImage*>(device)->copy();
    }
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_RGB32);
}

double rmse(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int i = 0; i < 3 * x.width(); ++i) {
            const int d = x.constScanLine(row)[i] - y.constScanLine(row)[i];
            sum += d * d;
        }
    }
    return std::sqrt(sum / (3.0 * x.width() * x.height()));
}

QRgb inverted(QRgb c) {
    return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
}

}  // namespace

class TfrmImageScreensTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void coversTheMonitorOfTheMainWindow();
    void fittedPhotoIsAsSharpAsTheDevice();
    void stripEdgesFallOnTheirDeviceRows();
    void theScreenShowsTheFrameAfterEveryMovement();
    void selectionToolOutlinesItsOuterDevicePixels();
    void copyMadeAheadShowsWhatTheWindowMakes();

private:
    // The crop window brought up on `screen`, as a run over a main window
    // there does.
    void showOn(QScreen* screen, QWidget& mainWindow);
    QString fixture(const std::string& name, int width, int height);

    std::unique_ptr<pictavo::test::TempDir> m_dir;
    std::unique_ptr<TfrmImage> m_window;
    QString m_detail;
};

void TfrmImageScreensTest::initTestCase() {
    QVERIFY2(QGuiApplication::primaryScreen()->devicePixelRatio() == 2, "run at scale factor 2");
    m_dir = std::make_unique<pictavo::test::TempDir>();
    // Fine detail, larger than the screen's device pixels: grey noise.
    pictavo::Picture detail(3200, 2000);
    std::uint32_t seed = 12345;
    for (int y = 0; y < detail.height(); ++y) {
        std::uint8_t* row = detail.scanLine(y);
        for (int x = 0; x < 3 * detail.width(); x += 3) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = row[x + 1] = row[x + 2] = static_cast<std::uint8_t>(seed >> 24);
        }
    }
    m_detail = QString::fromStdString(m_dir->file("detail.jpg"));
    pictavo::writeJpegFile(detail, {0, 0, 3200, 2000}, 95, m_detail.toStdString());
}

QString TfrmImageScreensTest::fixture(const std::string& name, int width, int height) {
    pictavo::test::JpegFixtureOptions options;
    options.width = width;
    options.height = height;
    return QString::fromStdString(pictavo::test::writeJpegFixture(m_dir->path(), name, options));
}

void TfrmImageScreensTest::init() {
    moveCursor(1, 1);
    m_window = std::make_unique<TfrmImage>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TfrmImageScreensTest::cleanup() {
    m_window.reset();
}

void TfrmImageScreensTest::coversTheMonitorOfTheMainWindow() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QVERIFY2(screens.size() >= 2, "run with two monitors");
    QVERIFY(screens[0]->size() != screens[1]->size());
    m_window->hide();
    for (QScreen* screen : screens) {
        QWidget mainWindow;
        mainWindow.setGeometry(
            QRect(screen->geometry().center() - QPoint(200, 150), QSize(400, 300)));
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        m_window->setMainWindow(&mainWindow);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTRY_COMPARE(m_window->geometry(), screen->geometry());
        QCOMPARE(m_window->screen(), screen);
        // 3:2 on either monitor: as high as that monitor.
        m_window->ShowImage(fixture("three2.jpg", 600, 400), QString());
        QCOMPARE(m_window->GetImageSize().height(), screen->size().height());
        QCOMPARE(onScreen(*m_window).size(), screen->size() * 2);
        m_window->hide();
    }
}

void TfrmImageScreensTest::fittedPhotoIsAsSharpAsTheDevice() {
    // 16:10 like the monitor: the view is the whole 1280 x 800 (2560 x 1600
    // device pixels), and a 3:2 frame is taller than the picture: no strips.
    m_window->ShowImage(m_detail, QString());
    const QSize device = m_window->GetImageSize() * 2;
    QCOMPARE(m_window->GetImagePos(), QPoint(0, 0));
    const QImage shot = onScreen(*m_window).copy(QRect(QPoint(0, 0), device));
    const QImage photo(m_detail);
    const QImage sharp = photo.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage blurred = photo.scaled(device / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double toSharp = rmse(shot, sharp);
    const double toBlurred = rmse(shot, blurred);
    qInfo("RMSE to the photo at device size %.2f, to the photo at logical size %.2f", toSharp,
          toBlurred);
    QVERIFY(toSharp < toBlurred / 4);
}

void TfrmImageScreensTest::stripEdgesFallOnTheirDeviceRows() {
    // 600 x 450 shown 1067 x 800 (1600 device rows): frame rows 25..425.
    // A source row r begins at device row r * 1600 / 450, which for 425 is
    // 1511.1: the strip below starts on device row 1511 (a logical mapping
    // would put it on 1510).
    m_window->ShowImage(fixture("four3.jpg", 600, 450), QString());
    QCOMPARE(m_window->cropRect(), (pictavo::Rect{0, 25, 600, 425}));
    const QImage framed = onScreen(*m_window);
    m_window->SetRedEyeMode(true);
    const QImage plain = onScreen(*m_window);
    m_window->SetRedEyeMode(false);
    const int x = 2 * m_window->GetImagePos().x() + 300;
    for (int row = 0; row < 1600; ++row) {
        const bool strip = row < 25 * 1600 / 450 || row >= 425 * 1600 / 450;
        const QRgb c = plain.pixel(x, row);
        if (framed.pixel(x, row) != (strip ? inverted(c) : c)) {
            QFAIL(qPrintable(QStringLiteral("device row %1 is wrong").arg(row)));
        }
    }
}

void TfrmImageScreensTest::theScreenShowsTheFrameAfterEveryMovement() {
    // 2000 x 1600 shown 1000 x 800: the frame moves by half the mouse's way.
    m_window->ShowImage(fixture("moves.jpg", 2000, 1600), QString());
    moveCursor(640, 300);
    // A row without a cursor position turns red-eye mode, which takes the
    // strips away, on or off.
    struct Move {
        int y;
        const char* what;
        bool redEye = false;
    } const moves[] = {
        {301, "one pixel down"},
        {303, "to an odd device row"},
        {340, "down"},
        {339, "up by less than the scale"},
        {290, "up"},
        {799, "to the bottom edge"},
        {10, "to the top edge"},
        {401, "down again"},
        {0, "strips taken away", true},
        {0, "strips back", false},
    };
    for (const Move& move : moves) {
        if (move.y > 0) {
            moveCursor(640, move.y);
        } else {
            m_window->SetRedEyeMode(move.redEye);
        }
        // Only the bands that changed were painted; the whole window drawn
        // afresh must show nothing else.
        const QImage shown = onScreen(*m_window);
        QImage full = m_window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        full.setDevicePixelRatio(1);
        if (shown != full) {
            QFAIL(move.what);
        }
    }
}

void TfrmImageScreensTest::selectionToolOutlinesItsOuterDevicePixels() {
    // 3:2 at ratio 1.5: no strips, so only the tool's outline differs.
    m_window->ShowImage(fixture("tool.jpg", 600, 400), QString());
    const QImage before = onScreen(*m_window);
    auto* tool = m_window->findChild<TMouseTracker*>();
    m_window->SetRedEyeMode(true);
    tool->SetBounds(300, 200, 20, 10);
    tool->SetIdle(true);
    const QImage after = onScreen(*m_window);
    // Device pixels 600..639 x 400..419: every other one on its border.
    const auto differs = [&](int x, int y) { return after.pixel(x, y) != before.pixel(x, y); };
    QRect changed;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            changed |= differs(x, y) ? QRect(x, y, 1, 1) : QRect();
        }
    }
    QCOMPARE(changed, QRect(600, 400, 40, 20));
    QVERIFY(!differs(601, 401) && !differs(638, 418));
    QVERIFY(differs(639, 401) && differs(601, 419));
    m_window->SetRedEyeMode(false);
}

void TfrmImageScreensTest::showOn(QScreen* screen, QWidget& mainWindow) {
    m_window->hide();
    mainWindow.setGeometry(QRect(screen->geometry().center() - QPoint(200, 150), QSize(400, 300)));
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    m_window->setMainWindow(&mainWindow);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_COMPARE(m_window->geometry(), screen->geometry());
}

void TfrmImageScreensTest::copyMadeAheadShowsWhatTheWindowMakes() {
    // The view's copy of the next picture is made where it is decoded
    // ahead. On screen it must be exactly what the window makes itself; a
    // window moved to the other monitor between naming the picture and
    // showing it makes its own again.
    const QList<QScreen*> screens = QGuiApplication::screens();
    QVERIFY2(screens.size() >= 2, "run with two monitors");
    const QString before = fixture("before.jpg", 900, 600);
    // Twice the first monitor's device pixels and more: its copy is made
    // from a halving made ahead.
    const QString large = fixture("large.jpg", 5600, 3500);
    auto* view = m_window->findChild<TNOEraseBackgroundImage*>();
    struct Row {
        const char* what;
        const QString& picture;
        int namedOn;
        int shownOn;
        bool madeAhead;
    } const rows[] = {
        {"first monitor", m_detail, 0, 0, true},
        {"second monitor", m_detail, 1, 1, true},
        {"named on the first, shown on the second", m_detail, 0, 1, false},
        {"named on the second, shown on the first", m_detail, 1, 0, false},
        {"first monitor, from a halving", large, 0, 0, true},
    };
    for (const Row& row : rows) {
        QWidget mainWindow;
        showOn(screens[row.shownOn], mainWindow);
        m_window->ShowImage(row.picture, QString());
        const QImage direct = onScreen(*m_window);

        showOn(screens[row.namedOn], mainWindow);
        m_window->ShowImage(before, QString());
        m_window->Prefetch(row.picture);
        // Long enough for the decode to have begun; the window waits for
        // the rest.
        QTest::qWait(300);
        if (row.namedOn != row.shownOn) {
            showOn(screens[row.shownOn], mainWindow);
        }
        const int taken = view->displayCopiesTaken();
        m_window->ShowImage(row.picture, QString());
        const QImage shown = onScreen(*m_window);
        QVERIFY2(shown.size() == screens[row.shownOn]->size() * 2, row.what);
        QVERIFY2(shown == direct, row.what);
        QVERIFY2(view->displayCopiesTaken() == taken + (row.madeAhead ? 1 : 0), row.what);
        m_window->hide();
    }
}

PICTAVO_QTEST_MAIN(TfrmImageScreensTest)
#include "TfrmImageScreensTest.moc"
