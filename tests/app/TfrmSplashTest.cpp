#include "app/TfrmSplash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <memory>

#include "app/TfrmFolderMan.h"
#include "settings/SettingsStore.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"

namespace {

// Records what is on screen while the splash is showing, and clicks one of
// its controls when asked to.
struct SplashWatch {
    TfrmSplash* splash = nullptr;
    QWidget* mainWindow = nullptr;
    const char* clickOn = nullptr;
    int polls = 0;
    bool mainWindowExposed = false;

    ModalAnswerer::Answer answer() {
        return [this](QWidget* modal) {
            if (modal != splash) {
                return;
            }
            ++polls;
            if (mainWindow && mainWindow->windowHandle() &&
                mainWindow->windowHandle()->isExposed()) {
                mainWindowExposed = true;
            }
            if (clickOn) {
                QWidget* target = splash->findChild<QWidget*>(clickOn);
                QVERIFY(target);
                clickOn = nullptr;
                QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            }
        };
    }
};

}  // namespace

class TfrmSplashTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void showsTheVersionOfTheGivenProgram();
    void isABorderlessWindowCentredOnTheScreen();
    void atStartUpItClosesAtTheFirstTickBeforeTheMainWindowShows();
    void aClickClosesItAtOnceAndTheFirstTickLaterClosesNothing();
    void aboutClosesByItselfAtTheNextLaterTick();
    void byDefaultItClosesFiveSecondsAfterCreationThenTicksEveryThirty();
    void showsThePictureAtTheScreensDevicePixels();
    void thePictureAtTwiceThePixelsHasTheSameLayout();

private:
    void createWindows(TfrmSplash::Timings timings) {
        m_window = std::make_unique<TfrmFolderMan>();
        m_splash = std::make_unique<TfrmSplash>(QStringLiteral(PICTAVO_EXECUTABLE), timings);
        m_window->setSplashWindow(m_splash.get());
        m_watch.splash = m_splash.get();
        m_watch.mainWindow = m_window.get();
    }

    SplashWatch m_watch;
    std::unique_ptr<TfrmFolderMan> m_window;
    std::unique_ptr<TfrmSplash> m_splash;
};

void TfrmSplashTest::init() {
    QFile::remove(pictavo::SettingsStore::standardFilePath(pictavo::RegRoot::CurrentUser));
    m_watch = SplashWatch();
}

void TfrmSplashTest::cleanup() {
    m_window.reset();
    m_splash.reset();
}

void TfrmSplashTest::showsTheVersionOfTheGivenProgram() {
    const struct {
        QString program;
        QString label;
    } cases[] = {
        {QStringLiteral(PICTAVO_EXECUTABLE), QStringLiteral("Version 2.0.1.0")},
        // The test program carries no version record.
        {QCoreApplication::applicationFilePath(), QStringLiteral("Version ")},
        {QStringLiteral("/nonexistent/pictavo"), QStringLiteral("Version ")},
    };
    for (const auto& c : cases) {
        const TfrmSplash splash(c.program);
        auto* label = splash.findChild<QLabel*>(QStringLiteral("m_lblVersion"));
        QVERIFY(label);
        QCOMPARE(label->text(), c.label);
    }
}

void TfrmSplashTest::isABorderlessWindowCentredOnTheScreen() {
    TfrmSplash splash(QStringLiteral(PICTAVO_EXECUTABLE), {60000, 60000});
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QCOMPARE(splash.windowTitle(), QStringLiteral("Splash Window - Pictavo"));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.geometry().center(), splash.screen()->geometry().center());
    // The picture is compiled in and fills the top of the window.
    const QImage shot = splash.grab().toImage();
    QCOMPARE(shot.size(), QSize(798, 380));
    QVERIFY(shot.pixelColor(20, 20) != QColor(Qt::white));
    QCOMPARE(shot.pixelColor(790, 375), QColor(Qt::white));
}

void TfrmSplashTest::atStartUpItClosesAtTheFirstTickBeforeTheMainWindowShows() {
    createWindows({150, 60000});
    ModalAnswerer answerer(m_watch.answer());
    m_window->show();  // returns once the splash has closed
    QVERIFY(m_watch.polls > 0);
    QVERIFY(!m_watch.mainWindowExposed);
    QVERIFY(m_splash->isHidden());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // The timer goes on, now at the later interval.
    QVERIFY(m_splash->timer().isActive());
    QCOMPARE(m_splash->timer().interval(), 60000);
}

void TfrmSplashTest::aClickClosesItAtOnceAndTheFirstTickLaterClosesNothing() {
    for (const char* control : {"m_ImgSplash", "m_lblCopy"}) {
        createWindows({2000, 60000});
        m_watch.clickOn = control;
        ModalAnswerer answerer(m_watch.answer());
        m_window->show();
        QVERIFY2(m_splash->timer().interval() == 2000, control);  // closed before the tick
        QVERIFY(m_splash->isHidden());
        QTRY_COMPARE(m_splash->timer().interval(), 60000);
        QVERIFY(m_splash->isHidden());
        QVERIFY(m_window->isVisible());
        cleanup();
    }
}

void TfrmSplashTest::aboutClosesByItselfAtTheNextLaterTick() {
    createWindows({50, 400});
    ModalAnswerer answerer(m_watch.answer());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // Nothing but the timer closes it; the watchdog would, and tell.
    bool watchdog = false;
    QTimer::singleShot(10000, m_splash.get(), [&] {
        watchdog = true;
        m_splash->close();
    });
    const int pollsBefore = m_watch.polls;
    QWidget* about = m_window->findChild<QWidget*>(QStringLiteral("m_lblAbout"));
    QTest::mouseClick(about, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QVERIFY(m_watch.polls > pollsBefore);
    QVERIFY(!watchdog);
    QVERIFY(m_splash->isHidden());
    QCOMPARE(m_splash->timer().interval(), 400);
    QVERIFY(m_splash->timer().isActive());
}

void TfrmSplashTest::byDefaultItClosesFiveSecondsAfterCreationThenTicksEveryThirty() {
    QElapsedTimer sinceCreation;
    sinceCreation.start();
    m_window = std::make_unique<TfrmFolderMan>();
    m_splash = std::make_unique<TfrmSplash>(QStringLiteral(PICTAVO_EXECUTABLE));
    m_window->setSplashWindow(m_splash.get());
    m_watch.splash = m_splash.get();
    m_watch.mainWindow = m_window.get();
    QVERIFY(m_splash->timer().isActive());
    // Start-up took a while before the main window shows the splash: the
    // countdown ran all along, so the splash stays only for what is left.
    QTest::qWait(3000);
    QVERIFY(m_splash->isHidden());
    bool watchdog = false;
    QTimer::singleShot(10000, m_splash.get(), [&] {
        watchdog = true;
        m_splash->close();
    });
    ModalAnswerer answerer(m_watch.answer());
    QElapsedTimer sinceShowing;
    sinceShowing.start();
    m_window->show();  // returns once the splash has closed
    QVERIFY(!watchdog);
    QVERIFY(m_watch.polls > 0);
    // A coarse timer may fire up to 5 % early.
    QVERIFY2(sinceCreation.elapsed() >= 4750, qPrintable(QString::number(sinceCreation.elapsed())));
    QVERIFY2(sinceShowing.elapsed() < 4000, qPrintable(QString::number(sinceShowing.elapsed())));
    QVERIFY(m_splash->timer().isActive());
    QCOMPARE(m_splash->timer().interval(), 30000);
    QVERIFY(m_splash->timer().remainingTime() > 25000);
}

void TfrmSplashTest::showsThePictureAtTheScreensDevicePixels() {
    // At scale 2 (QT_SCALE_FACTOR=2) every device pixel of the picture is one
    // pixel of the art drawn at twice the size, at scale 1 of the plain art.
    TfrmSplash splash(QStringLiteral(PICTAVO_EXECUTABLE), {60000, 60000});
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const qreal ratio = splash.devicePixelRatioF();
    const QImage shot = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.size(), QSize(798, 380) * ratio);
    const QImage art =
        QImage(ratio > 1 ? QStringLiteral(":/splash@2x.jpg") : QStringLiteral(":/splash.jpg"))
            .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(art.size(), QSize(798, 362) * ratio);
    QCOMPARE(shot.copy(QRect(QPoint(), art.size())), art);
    QCOMPARE(shot.pixelColor(shot.width() - 8, shot.height() - 4), QColor(Qt::white));
}

void TfrmSplashTest::thePictureAtTwiceThePixelsHasTheSameLayout() {
    const QImage small =
        QImage(QStringLiteral(":/splash.jpg")).convertToFormat(QImage::Format_RGB32);
    const QImage large = QImage(QStringLiteral(":/splash@2x.jpg"))
                             .scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(large.size(), QSize(798, 362));
    // Edges of text and lines differ a little; anything moved by a few pixels
    // differs about three times as much.
    qint64 difference = 0;
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            const QRgb a = small.pixel(x, y);
            const QRgb b = large.pixel(x, y);
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b));
        }
    }
    const double mean = double(difference) / (3.0 * small.width() * small.height());
    QVERIFY2(mean < 5.0, qPrintable(QString::number(mean)));
}

PICTAVO_QTEST_MAIN(TfrmSplashTest)
#include "TfrmSplashTest.moc"
