#include "app/TfrmSplash.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWindow>

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

PICTAVO_QTEST_MAIN(TfrmSplashTest)
#include "TfrmSplashTest.moc"
