// The crop window with the real adjustment toolbar: the adjusted picture is
// what the view shows, a picture moved back to neutral still counts as
// changed and is re-encoded, and the next picture starts afresh.

#include <QCheckBox>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "adjust/EffectSlider.h"
#include "adjust/ProEffectImage.h"
#include "adjust/TfrmToolBar.h"
#include "core/JpegDecoder.h"
#include "crop/KeyboardState.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

using pictavo::Picture;
using pictavo::test::readBytes;

namespace {

// Shift as the test says it is: the window's poll would otherwise hide the
// toolbar half a second after the test showed it.
class ShiftKeys : public KeyboardState {
public:
    bool held = true;
    bool isKeyDown(quint32) const override { return false; }
    bool isShiftDown(bool) const override { return held; }
};

TNOEraseBackgroundImage* viewOf(TfrmImage& window) {
    return window.findChild<TNOEraseBackgroundImage*>();
}

// What the view shows a quarter of the way in from its top left (where the
// fixture is strongly blue), and the picture's own pixel there.
QRgb shownQuarter(TfrmImage& window) {
    TNOEraseBackgroundImage* view = viewOf(window);
    return view->grab().toImage().pixel(view->width() / 4, view->height() / 4);
}

QRgb quarterOf(const Picture& picture) {
    const std::uint8_t* p = picture.scanLine(picture.height() / 4) + 3 * (picture.width() / 4);
    return qRgb(p[2], p[1], p[0]);
}

// The view scales smoothly: a few levels either way.
bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 4 && std::abs(qGreen(a) - qGreen(b)) <= 4 &&
           std::abs(qBlue(a) - qBlue(b)) <= 4;
}

}  // namespace

class ToolbarCropWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void backToNeutralIsStillModifiedAndReEncoded();
    void nextPictureStartsUnmodified();
    void adjustedWhileACutWaitsShowsWhatTheViewMakes();
    void translatedCaptionsKeepTheirAccessKeys();
    void inputQueuedWhileTheNextPictureLoadsIsDropped();
    void clicksOnTheStripNeverReachThePicture();
    void losslessCutKeepsTheFrameOnTheGridWhileUnchanged();

private:
    void stepSlider(const char* name, int from, Qt::Key key);
    QLabel* light() { return m_toolBar->findChild<QLabel*>(QStringLiteral("m_shpModified")); }
    void shiftClick() {
        QTest::mouseClick(viewOf(*m_window), Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 300));
        m_window->FinishWrites();
    }

    std::unique_ptr<pictavo::test::TempDir> m_dir;
    std::string m_source;
    std::string m_dest;
    std::unique_ptr<TfrmImage> m_window;
    std::unique_ptr<TfrmToolBar> m_toolBar;
    ShiftKeys m_shift;
};

void ToolbarCropWindowTest::init() {
    m_dir = std::make_unique<pictavo::test::TempDir>();
    pictavo::test::JpegFixtureOptions options;
    options.width = 600;
    options.height = 400;
    m_source = pictavo::test::writeJpegFixture(m_dir->path(), "a.jpg", options);
    m_dest = m_dir->file("out.jpg");
    m_window = std::make_unique<TfrmImage>();
    m_shift.held = true;
    m_window->setKeyboardState(&m_shift);
    m_toolBar = std::make_unique<TfrmToolBar>(*m_window, m_window.get());
    m_window->setToolBar(m_toolBar.get());
    m_window->SetQuality(90);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->ShowImage(QString::fromStdString(m_source), QString::fromStdString(m_dest));
    m_toolBar->showOnScreen(m_window->geometry());
    QVERIFY(QTest::qWaitForWindowExposed(m_toolBar.get()));
}

void ToolbarCropWindowTest::cleanup() {
    m_window->setToolBar(nullptr);
    m_toolBar.reset();
    m_window.reset();
    m_dir.reset();
}

void ToolbarCropWindowTest::stepSlider(const char* name, int from, Qt::Key key) {
    auto* slider = m_toolBar->findChild<EffectSlider*>(QLatin1String(name));
    slider->setValue(from);
    QTest::keyClick(slider, key);
}

void ToolbarCropWindowTest::backToNeutralIsStillModifiedAndReEncoded() {
    const Picture loaded = pictavo::decodeJpegFile(m_source);
    QVERIFY(!light()->isVisible());
    stepSlider("m_slSaturation", 255, Qt::Key_Home);
    Picture grey = loaded;
    pictavo::SaturationFilter(grey, 0);
    QVERIFY(near(shownQuarter(*m_window), quarterOf(grey)));
    QVERIFY(!near(shownQuarter(*m_window), quarterOf(loaded)));
    stepSlider("m_slSaturation", 0, Qt::Key_End);
    QVERIFY(near(shownQuarter(*m_window), quarterOf(loaded)));
    QVERIFY(light()->isVisible());

    shiftClick();
    const auto want = pictavo::test::cjpegReference(loaded, {0, 0, loaded.width(), loaded.height()},
                                                    90, m_dir->path());
    QVERIFY(readBytes(m_dest) == want);
    QVERIFY(readBytes(m_dest) != readBytes(m_source));
}

void ToolbarCropWindowTest::nextPictureStartsUnmodified() {
    stepSlider("m_slBrightness", 0, Qt::Key_Right);
    auto* antialias = m_toolBar->findChild<QCheckBox*>();
    QTest::mouseClick(antialias, Qt::LeftButton, {}, QPoint(4, 8));
    QVERIFY(light()->isVisible());

    // The next picture while the toolbar stays up: controls neutral, light off.
    m_window->ShowImage(QString::fromStdString(m_source), QString::fromStdString(m_dest));
    QVERIFY(!light()->isVisible());
    QVERIFY(!antialias->isChecked());
    QCOMPARE(m_toolBar->findChild<EffectSlider*>(QStringLiteral("m_slBrightness"))->value(), 0);
    shiftClick();
    QVERIFY(readBytes(m_dest) == readBytes(m_source));
}

// While a cut waits to be written the crop window makes the view's copy of an
// adjusted picture itself, from the one halving it needs: the view shows what
// it would have made.
void ToolbarCropWindowTest::adjustedWhileACutWaitsShowsWhatTheViewMakes() {
    pictavo::test::JpegFixtureOptions options;
    options.width = 3000;
    options.height = 2000;
    const QString big =
        QString::fromStdString(pictavo::test::writeJpegFixture(m_dir->path(), "big.jpg", options));
    m_window->ShowImage(big, QString::fromStdString(m_dest));
    stepSlider("m_slSaturation", 255, Qt::Key_Home);
    TNOEraseBackgroundImage* view = viewOf(*m_window);
    const QImage own = view->grab().toImage();

    std::atomic<bool> release{false};
    m_window->setCutWork([&](const pictavo::CutJob& job) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pictavo::CutWriter::write(job);
    });
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
    QCOMPARE(m_window->pendingWrites(), std::size_t{1});
    m_window->ShowImage(big, QString::fromStdString(m_dest));
    const int taken = view->displayCopiesTaken();
    stepSlider("m_slSaturation", 255, Qt::Key_Home);
    const QImage shown = view->grab().toImage();
    QCOMPARE(view->displayCopiesTaken(), taken + 1);
    QCOMPARE(shown, own);
    release = true;
    QVERIFY(!m_window->FinishWrites());
}

void ToolbarCropWindowTest::translatedCaptionsKeepTheirAccessKeys() {
    auto* antialias = m_toolBar->findChild<QCheckBox*>();
    antialias->setText(QStringLiteral("&Gl\u00e4tten"));
    m_toolBar->findChild<QPushButton*>()->setText(QStringLiteral("Anwen&den"));
    // As on a desktop: the crop window keeps the keyboard, the toolbar never
    // becomes active, so its own access keys would never fire.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    // Apply's access key applies a selection; the smoothing is disabled in
    // red-eye mode and its key does nothing there.
    QTest::keyClick(m_window.get(), Qt::Key_S);
    const QPoint at = m_window->GetImagePos() + QPoint(20, 20);
    m_toolBar->SetRedEyeSelection({at.x(), at.y(), at.x() + 30, at.y() + 30});
    QVERIFY(!light()->isVisible());
    QVERIFY(m_toolBar->applyRedEyeEnabled());
    QTest::keyClick(m_window.get(), Qt::Key_G, Qt::AltModifier);
    QVERIFY(!antialias->isChecked());
    QTest::keyClick(m_window.get(), Qt::Key_D, Qt::AltModifier);
    QVERIFY(light()->isVisible());

    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(m_window->isVisible());
    QTest::keyClick(m_window.get(), Qt::Key_G, Qt::AltModifier);
    QVERIFY(antialias->isChecked());
}

void ToolbarCropWindowTest::inputQueuedWhileTheNextPictureLoadsIsDropped() {
    stepSlider("m_slSaturation", 255, Qt::Key_Home);
    shiftClick();
    QVERIFY(readBytes(m_dest) != readBytes(m_source));

    // A drag of the saturation's thumb to the left end, queued while the
    // adjusted picture is written and the next one loads.
    auto* saturation = m_toolBar->findChild<EffectSlider*>(QStringLiteral("m_slSaturation"));
    QCOMPARE(saturation->value(), 0);
    const QPoint thumb(saturation->width() - 4, saturation->height() / 2);
    const QPoint leftEnd(2, saturation->height() / 2);
    const auto post = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QCoreApplication::postEvent(
            saturation, new QMouseEvent(type, at, saturation->mapToGlobal(at), Qt::LeftButton,
                                        buttons, Qt::ShiftModifier));
    };
    const std::string next = m_dir->file("next.jpg");
    saturation->setValue(255);  // as the next picture's reset leaves it
    post(QEvent::MouseButtonPress, thumb, Qt::LeftButton);
    post(QEvent::MouseMove, leftEnd, Qt::LeftButton);
    post(QEvent::MouseButtonRelease, leftEnd, Qt::NoButton);
    m_window->ShowImage(QString::fromStdString(m_source), QString::fromStdString(next));

    QCOMPARE(saturation->value(), 255);
    QVERIFY(!light()->isVisible());
    QVERIFY(!m_window->modified());
    QVERIFY(near(shownQuarter(*m_window), quarterOf(pictavo::decodeJpegFile(m_source))));
    shiftClick();
    QVERIFY(readBytes(next) == readBytes(m_source));
}

void ToolbarCropWindowTest::clicksOnTheStripNeverReachThePicture() {
    // Through the window system, as the user's clicks come.
    QWindow* screen = m_window->windowHandle();
    auto* brightness = m_toolBar->findChild<EffectSlider*>(QStringLiteral("m_slBrightness"));
    const QPoint track = brightness->mapTo(
        m_window.get(), QPoint(brightness->width() - 3, brightness->height() / 2));
    const QPoint emptyStrip(m_toolBar->width() - 20, TfrmToolBar::kHeight / 2);
    QVERIFY(m_toolBar->geometry().contains(emptyStrip));

    QTest::mouseClick(screen, Qt::LeftButton, {}, emptyStrip);
    QTest::mouseClick(screen, Qt::RightButton, {}, emptyStrip);
    // A press on the track steps at once; the strip goes (Shift let go)
    // before the button comes up, over the picture.
    QTest::mousePress(screen, Qt::LeftButton, {}, track);
    QCOMPARE(brightness->value(), 5);
    m_shift.held = false;
    m_toolBar->hideToolbar();
    QCOMPARE(brightness->value(), 0);
    QTest::mouseRelease(screen, Qt::LeftButton, {}, track);
    QTest::qWait(EffectSlider::kRepeatMs + 100);
    QCOMPARE(brightness->value(), 0);
    QVERIFY(!light()->isVisible());
    QVERIFY(!QFile::exists(QString::fromStdString(m_dest)));
    QCOMPARE(m_window->m_nState, 0);

    // Up again, the next press is taken and reported.
    m_shift.held = true;
    m_toolBar->showOnScreen(m_window->geometry());
    QTest::mouseClick(screen, Qt::LeftButton, {}, track);
    QCOMPARE(brightness->value(), 5);
    QVERIFY(light()->isVisible());
    QVERIFY(!QFile::exists(QString::fromStdString(m_dest)));
}

// With the lossless cut on, the frame of the unchanged picture lies on the
// 16-pixel grid of the 4:2:0 file and the click writes jpegtran's bytes; a
// changed picture is cut where the mouse put the frame and re-encoded.
void ToolbarCropWindowTest::losslessCutKeepsTheFrameOnTheGridWhileUnchanged() {
    const Picture loaded = pictavo::decodeJpegFile(m_source);
    auto status = [this] { return m_window->findChild<QLabel*>()->text(); };
    m_window->m_bLosslessCut = true;
    m_window->SetRatio(2.0L);
    QCursor::setPos(640, 300);
    QCoreApplication::processEvents();
    m_window->ShowImage(QString::fromStdString(m_source), QString::fromStdString(m_dest));
    QCOMPARE(m_window->cropRect(), (pictavo::Rect{0, 48, 600, 348}));
    QVERIFY(status().contains(QStringLiteral("lossless")));

    // Movements of a screen pixel (two picture rows) add up, on the grid as
    // off it.
    for (int y = 301; y <= 308; ++y) {
        QCursor::setPos(640, y);
        QCoreApplication::processEvents();
    }
    QCOMPARE(m_window->cropRect(), (pictavo::Rect{0, 64, 600, 364}));

    stepSlider("m_slSaturation", 255, Qt::Key_Home);
    QCOMPARE(m_window->cropRect(), (pictavo::Rect{0, 66, 600, 366}));
    QVERIFY(status().contains(QStringLiteral("quality 90")));
    stepSlider("m_slSaturation", 0, Qt::Key_End);
    QCOMPARE(m_window->cropRect(), (pictavo::Rect{0, 64, 600, 364}));
    QVERIFY(status().contains(QStringLiteral("lossless")));

    QTest::mouseClick(viewOf(*m_window), Qt::LeftButton, {}, QPoint(300, 300));
    m_window->FinishWrites();
    const auto jpegtran =
        pictavo::test::jpegtranReference(readBytes(m_source), {0, 64, 600, 364}, m_dir->path());
    QVERIFY(!jpegtran.empty());
    QVERIFY(readBytes(m_dest) == jpegtran);

    // Changed: re-encoded at the quality, from where the mouse left the frame.
    m_window->ShowImage(QString::fromStdString(m_source), QString::fromStdString(m_dest));
    QCOMPARE(m_window->cropRect(), (pictavo::Rect{0, 48, 600, 348}));
    stepSlider("m_slSaturation", 255, Qt::Key_Home);
    QCOMPARE(m_window->cropRect(), (pictavo::Rect{0, 50, 600, 350}));
    QTest::mouseClick(viewOf(*m_window), Qt::LeftButton, {}, QPoint(300, 300));
    m_window->FinishWrites();
    Picture grey = loaded;
    pictavo::SaturationFilter(grey, 0);
    QVERIFY(readBytes(m_dest) ==
            pictavo::test::cjpegReference(grey, {0, 50, 600, 350}, 90, m_dir->path()));
}

PICTAVO_QTEST_MAIN(ToolbarCropWindowTest)
#include "ToolbarCropWindowTest.moc"
