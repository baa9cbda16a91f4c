// The crop window on a 1280 x 800 offscreen screen, driven with real key,
// wheel and mouse events over real JPEG files.

#include <QApplication>
#include <QLabel>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include <memory>
#include <stdexcept>

#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "support/JpegFixtures.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

using pictavo::test::JpegFixtureOptions;

namespace {

QRect viewRect(const TfrmImage& window) {
    return QRect(window.GetImagePos(), window.GetImageSize());
}

TNOEraseBackgroundImage* viewOf(TfrmImage& window) {
    return window.findChild<TNOEraseBackgroundImage*>();
}

// Down and up in the window: commands act on the release of a key pressed there.
void release(QWidget* target, Qt::Key key) {
    QTest::keyClick(target, key);
}

void wheel(QWidget* target, int delta) {
    const QPointF pos(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // As if from the window system, so that it travels up from a child as a
    // real wheel event does.
    // (sendEvent would clear the flag, so the event goes to notify directly).
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(target, &event);
}

int channelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

}  // namespace

class TfrmImageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void isAFramelessBlackWindowOverTheWholeScreen();
    void fitsEachPictureToTheScreenHeight_data();
    void fitsEachPictureToTheScreenHeight();
    void keysActOnReleaseOnly();
    void arrowKeysPanAndRefuseMovesThatShowNothingNew();
    void zoomKeysAndResetFollowTheStepRules();
    void wheelZoomsOneStepPerNotch();
    void rightAndMiddleReleaseSkipAndCount();
    void skipAndBackKeys();
    void escapeHidesTheWindow();
    void loadFailureShowsTheBoxThenThrowsAndKeepsThePicture();
    void ratioAndQualityRejectOutOfRangeValues();
    void paintedViewMatchesThePictureAtFit();
    void deepZoomPaintsOnlyTheVisiblePart();

private:
    QString fixture(const QString& name, int width, int height);

    std::unique_ptr<pictavo::test::TempDir> m_dir;
    std::unique_ptr<TfrmImage> m_window;
};

void TfrmImageTest::initTestCase() {
    m_dir = std::make_unique<pictavo::test::TempDir>();
}

QString TfrmImageTest::fixture(const QString& name, int width, int height) {
    const QString path = QString::fromStdString(m_dir->file(name.toStdString()));
    if (!QFileInfo::exists(path)) {
        JpegFixtureOptions options;
        options.width = width;
        options.height = height;
        pictavo::test::writeJpegFixture(m_dir->path(), name.toStdString(), options);
    }
    return path;
}

void TfrmImageTest::init() {
    m_window = std::make_unique<TfrmImage>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TfrmImageTest::cleanup() {
    m_window.reset();
}

void TfrmImageTest::isAFramelessBlackWindowOverTheWholeScreen() {
    TfrmImage fresh;
    QCOMPARE(fresh.m_nState, 1);
    QCOMPARE(fresh.size(), QSize(688, 453));
    QVERIFY(fresh.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(fresh.font().pixelSize(), 13);
    QCOMPARE(fresh.font().family(), QStringLiteral("Verdana"));
    fresh.show();
    QCOMPARE(fresh.geometry(), QRect(0, 0, 1280, 800));
    const QImage shot = fresh.grab().toImage();
    QCOMPARE(shot.pixel(640, 400), qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(0, 0), qRgb(0, 0, 0));  // the status label starts hidden
    QVERIFY(!fresh.findChild<QLabel*>()->isVisible());
}

void TfrmImageTest::fitsEachPictureToTheScreenHeight_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("view");
    // Narrower than the screen's 16:10: as high as the screen, centred.
    QTest::newRow("3:2") << 1800 << 1200 << QRect(40, 0, 1200, 800);
    // Exactly the screen's aspect: the whole screen.
    QTest::newRow("16:10") << 1920 << 1200 << QRect(0, 0, 1280, 800);
    // Wider: overhangs both sides.
    QTest::newRow("2:1") << 2000 << 1000 << QRect(-160, 0, 1600, 800);
    // Portrait: Trunc(800 * 600 / 900) = 533 wide.
    QTest::newRow("portrait") << 600 << 900 << QRect(373, 0, 533, 800);
    QTest::newRow("square") << 300 << 300 << QRect(240, 0, 800, 800);
}

void TfrmImageTest::fitsEachPictureToTheScreenHeight() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, view);
    const QString name = QStringLiteral("fit-%1x%2.jpg").arg(width).arg(height);
    m_window->ShowImage(fixture(name, width, height), QStringLiteral("/dest/x.jpg"));
    QCOMPARE(viewRect(*m_window), view);
    QCOMPARE(m_window->m_nState, 0);
}

void TfrmImageTest::keysActOnReleaseOnly() {
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    const QRect fitted = viewRect(*m_window);
    QTest::keyPress(m_window.get(), Qt::Key_Z);
    QTest::keyPress(m_window.get(), Qt::Key_Space);
    QCOMPARE(viewRect(*m_window), fitted);
    QCOMPARE(m_window->m_nState, 0);
    // A held key repeats its press (and, on some systems, its release): only
    // the real release acts.
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Z, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(m_window.get(), &repeat);
    QCOMPARE(viewRect(*m_window), fitted);
    release(m_window.get(), Qt::Key_Z);
    QCOMPARE(viewRect(*m_window).size(), QSize(2000, 1000));
    // Keys without a command do nothing.
    release(m_window.get(), Qt::Key_Q);
    release(m_window.get(), Qt::Key_Return);
    QCOMPARE(viewRect(*m_window).size(), QSize(2000, 1000));
    QCOMPARE(m_window->m_nState, 0);
}

void TfrmImageTest::arrowKeysPanAndRefuseMovesThatShowNothingNew() {
    // 2:1 picture 2000 wide: view 1600 x 800 at -160, step 200.
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    QWidget* w = m_window.get();
    release(w, Qt::Key_Right);
    QCOMPARE(viewRect(*m_window).topLeft(), QPoint(40, 0));  // carried past the edge once
    release(w, Qt::Key_Right);
    QCOMPARE(viewRect(*m_window).topLeft(), QPoint(40, 0));
    release(w, Qt::Key_Left);
    release(w, Qt::Key_Left);
    QCOMPARE(viewRect(*m_window).topLeft(), QPoint(-360, 0));
    release(w, Qt::Key_Left);  // right edge 1240 is inside the window
    QCOMPARE(viewRect(*m_window).topLeft(), QPoint(-360, 0));
    // As high as the window: no vertical pan.
    release(w, Qt::Key_Up);
    release(w, Qt::Key_Down);
    QCOMPARE(viewRect(*m_window).topLeft(), QPoint(-360, 0));

    // A picture narrower than the window pans in no direction.
    m_window->ShowImage(fixture("portrait.jpg", 600, 900), QString());
    const QRect portrait = viewRect(*m_window);
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
        release(w, key);
    }
    QCOMPARE(viewRect(*m_window), portrait);
}

void TfrmImageTest::zoomKeysAndResetFollowTheStepRules() {
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    QWidget* w = m_window.get();
    release(w, Qt::Key_Z);
    QCOMPARE(viewRect(*m_window), QRect(-360, -100, 2000, 1000));
    release(w, Qt::Key_Down);  // the top is hidden now: it may come into sight
    QCOMPARE(viewRect(*m_window), QRect(-360, 100, 2000, 1000));
    release(w, Qt::Key_R);
    QCOMPARE(viewRect(*m_window), QRect(-160, 0, 1600, 800));
    release(w, Qt::Key_X);
    QCOMPARE(viewRect(*m_window), QRect(40, 100, 1200, 600));
    release(w, Qt::Key_X);
    QCOMPARE(viewRect(*m_window), QRect(240, 200, 800, 400));  // exactly half high
    release(w, Qt::Key_X);  // 400 x 200 would be below half: refused
    QCOMPARE(viewRect(*m_window), QRect(240, 200, 800, 400));
    for (int i = 0; i < 12; ++i) {
        release(w, Qt::Key_Z);
    }
    QCOMPARE(viewRect(*m_window).size(), QSize(800 + 12 * 400, 400 + 12 * 200));
    // A new picture starts from its fit.
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    QCOMPARE(viewRect(*m_window), QRect(-160, 0, 1600, 800));
}

void TfrmImageTest::wheelZoomsOneStepPerNotch() {
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    TNOEraseBackgroundImage* view = viewOf(*m_window);
    wheel(view, 120);  // up: zoom in, also when the wheel turns over the picture
    QCOMPARE(viewRect(*m_window).size(), QSize(2000, 1000));
    wheel(m_window.get(), -240);  // two notches down: zoom out twice
    QCOMPARE(viewRect(*m_window).size(), QSize(1200, 600));
    wheel(m_window.get(), 60);  // half a notch: nothing yet
    QCOMPARE(viewRect(*m_window).size(), QSize(1200, 600));
    wheel(m_window.get(), 60);
    QCOMPARE(viewRect(*m_window).size(), QSize(1600, 800));
}

void TfrmImageTest::rightAndMiddleReleaseSkipAndCount() {
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    auto* label = m_window->findChild<QLabel*>();
    QVERIFY(!label->isVisible());
    QWidget* view = viewOf(*m_window);
    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, QPoint(500, 300));
    QCOMPARE(m_window->m_nProcessed, 0);  // the press alone does nothing
    QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, QPoint(500, 300));
    QCOMPARE(m_window->m_nProcessed, 1);
    QCOMPARE(m_window->m_nState, 2);
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), QStringLiteral("Please wait..."));
    QCOMPARE(label->pos(), QPoint(0, 0));
    // A second click before the next image is not for any image.
    QTest::mouseClick(m_window.get(), Qt::MiddleButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(m_window->m_nProcessed, 1);
    // The next load hides the status and waits again; a click on the black
    // margin of the window counts as well.
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    QVERIFY(!label->isVisible());
    QCOMPARE(m_window->m_nState, 0);
    QTest::mouseClick(m_window.get(), Qt::MiddleButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(m_window->m_nProcessed, 2);
    QCOMPARE(m_window->m_nCropped, 0);
}

void TfrmImageTest::skipAndBackKeys() {
    int backs = 0;
    m_window->setStepBack([&] { ++backs; });
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    release(m_window.get(), Qt::Key_Backspace);
    QCOMPARE(backs, 1);
    QCOMPARE(m_window->m_nState, 2);
    QCOMPARE(m_window->m_nProcessed, 0);
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    release(m_window.get(), Qt::Key_PageUp);
    QCOMPARE(backs, 2);
    QCOMPARE(m_window->m_nProcessed, 0);
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    release(m_window.get(), Qt::Key_Space);
    QCOMPARE(m_window->m_nState, 2);
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    release(m_window.get(), Qt::Key_PageDown);
    QCOMPARE(m_window->m_nProcessed, 2);
    QCOMPARE(backs, 2);
    QCOMPARE(m_window->findChild<QLabel*>()->text(), QStringLiteral("Please wait..."));
}

void TfrmImageTest::escapeHidesTheWindow() {
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    release(m_window.get(), Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->m_nState, 0);
    QCOMPARE(m_window->m_nProcessed, 0);
}

void TfrmImageTest::loadFailureShowsTheBoxThenThrowsAndKeepsThePicture() {
    m_window->ShowImage(fixture("wide.jpg", 2000, 1000), QString());
    release(m_window.get(), Qt::Key_Z);
    release(m_window.get(), Qt::Key_Space);
    const QRect before = viewRect(*m_window);
    // Below the status line, which the failed load hides.
    const QRect compared(0, 100, 1280, 700);
    const QImage shown = m_window->grab().toImage().copy(compared);

    const QString corrupt = QString::fromStdString(m_dir->file("corrupt.jpg"));
    pictavo::test::writeBytes(corrupt.toStdString(), {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J'});
    const QString missing = QString::fromStdString(m_dir->file("missing.jpg"));
    // Files of the other formats that stop inside their headers.
    const auto damaged = [&](const char* name, const std::string& bytes) {
        const QString path = QString::fromStdString(m_dir->file(name));
        pictavo::test::writeBytes(path.toStdString(), {bytes.begin(), bytes.end()});
        return path;
    };
    const QString heic = damaged("corrupt.HEIC", std::string("\0\0\0\x18"
                                                             "ftypheic\0\0\0\0mif1",
                                                             20));
    const QString png = damaged("corrupt.png", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0");
    const QString tiff = damaged("corrupt.tif", std::string("II*\0\x08\0\0\0\x01\0", 10));
    const QString webp = damaged("corrupt.webp", std::string("RIFF\x20\0\0\0WEBPVP8 ", 16));
    for (const QString& path : {corrupt, missing, heic, png, tiff, webp}) {
        ModalAnswerer answerer;
        QString thrown;
        try {
            m_window->ShowImage(path, QStringLiteral("/dest/x.jpg"));
        } catch (const std::runtime_error& e) {
            thrown = QString::fromUtf8(e.what());
        }
        const QString text = QStringLiteral("Can't load file ") + path;
        QCOMPARE(thrown, text);
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen()[0].text, text);
        QCOMPARE(answerer.seen()[0].title, QStringLiteral("Error"));
        QCOMPARE(answerer.seen()[0].icon, QMessageBox::Critical);
        QCOMPARE(answerer.seen()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(m_window->m_nState, 0);
        QVERIFY(!m_window->findChild<QLabel*>()->isVisible());
        // The view keeps its picture, size and place.
        QCOMPARE(viewRect(*m_window), before);
        QCOMPARE(m_window->grab().toImage().copy(compared), shown);
    }
    // The window goes on with the next file.
    m_window->ShowImage(fixture("portrait.jpg", 600, 900), QString());
    QCOMPARE(viewRect(*m_window), QRect(373, 0, 533, 800));
}

void TfrmImageTest::ratioAndQualityRejectOutOfRangeValues() {
    m_window->SetRatio(1.33L);
    m_window->SetRatio(4.0L);
    try {
        m_window->SetRatio(1.329L);
        QFAIL("1.329 accepted");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromUtf8(e.what()),
                 QStringLiteral("Invalid Ratio specified. Must be grater than 1,3."));
    }
    m_window->SetQuality(1);
    m_window->SetQuality(100);
    for (int bad : {0, 101, -5}) {
        try {
            m_window->SetQuality(bad);
            QFAIL("out-of-range quality accepted");
        } catch (const std::runtime_error& e) {
            QCOMPARE(
                QString::fromUtf8(e.what()),
                QStringLiteral("Invalid Compression quality specified. Must be from 1 to 100."));
        }
    }
    // A translated list gives the translated text.
    QStringList translated = m_window->m_strhMessages.strings();
    translated[1] = QStringLiteral("Qualität 1 bis 100");
    m_window->m_strhMessages.setStrings(translated);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, m_window->SetQuality(0));
}

void TfrmImageTest::paintedViewMatchesThePictureAtFit() {
    const int w = 2400;
    const int h = 1600;
    m_window->ShowImage(fixture("paint.jpg", w, h), QString());
    QCOMPARE(viewRect(*m_window), QRect(40, 0, 1200, 800));
    const QImage shot = m_window->grab().toImage();
    // The margins stay black.
    QCOMPARE(shot.pixel(10, 400), qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(1270, 400), qRgb(0, 0, 0));
    // Each painted pixel shows the part of the picture it covers: the pattern
    // is smooth, so its value at the pixel's centre is within a few levels.
    int worst = 0;
    for (int y = 3; y < 800; y += 37) {
        for (int x = 3; x < 1200; x += 41) {
            const auto p = pictavo::test::fixturePixel((2 * x) + 1, (2 * y) + 1, w, h);
            worst = std::max(worst,
                             channelDistance(shot.pixel(40 + x, y), qRgb(p.red, p.green, p.blue)));
        }
    }
    QVERIFY2(worst <= 8, qPrintable(QStringLiteral("worst channel difference %1").arg(worst)));
}

void TfrmImageTest::deepZoomPaintsOnlyTheVisiblePart() {
    const int w = 2400;
    const int h = 1600;
    m_window->ShowImage(fixture("paint.jpg", w, h), QString());
    // 30 steps of 240: the view is 8400 high, 12600 wide, far past the window.
    for (int i = 0; i < 30; ++i) {
        release(m_window.get(), Qt::Key_Z);
    }
    const QRect view = viewRect(*m_window);
    QCOMPARE(view.size(), QSize(1200 + 30 * 360, 800 + 30 * 240));
    struct PaintSpy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                painted += static_cast<QPaintEvent*>(e)->region();
            }
            return false;
        }
    } spy;
    TNOEraseBackgroundImage* imageView = viewOf(*m_window);
    imageView->installEventFilter(&spy);
    const QImage shot = m_window->grab().toImage();
    imageView->removeEventFilter(&spy);
    const QRect visible = QRect(-view.topLeft(), m_window->size());
    QVERIFY(!spy.painted.isEmpty());
    QVERIFY2(visible.contains(spy.painted.boundingRect()), "painted outside the window");
    // The centre of the window shows the centre of the picture, magnified.
    int worst = 0;
    for (QPoint at : {QPoint(640, 400), QPoint(100, 100), QPoint(1200, 700)}) {
        const QPoint inView = at - view.topLeft();
        const auto p = pictavo::test::fixturePixel(inView.x() * w / view.width(),
                                                   inView.y() * h / view.height(), w, h);
        worst = std::max(worst, channelDistance(shot.pixel(at), qRgb(p.red, p.green, p.blue)));
    }
    QVERIFY2(worst <= 8, qPrintable(QStringLiteral("worst channel difference %1").arg(worst)));
}

PICTAVO_QTEST_MAIN(TfrmImageTest)
#include "TfrmImageTest.moc"
