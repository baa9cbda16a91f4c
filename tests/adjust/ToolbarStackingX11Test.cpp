// On a real X server, under several window managers and none: the toolbar
// shown over the full-screen crop window is what the screen shows, its strip
// blended over the picture at its translucency.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

#include "adjust/TfrmToolBar.h"
#include "crop/TfrmImage.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

namespace {

const QColor kStrip(160, 160, 255);

// Programs started for one row and stopped in reverse order at its end.
class Programs {
public:
    ~Programs() {
        for (auto it = m_started.rbegin(); it != m_started.rend(); ++it) {
            (*it)->terminate();
            if (!(*it)->waitForFinished(3000)) {
                (*it)->kill();
                (*it)->waitForFinished(3000);
            }
        }
    }

    QProcess* start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, arguments);
        if (!process->waitForStarted(5000)) {
            return nullptr;
        }
        m_started.push_back(std::move(process));
        return m_started.back().get();
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_started;
};

QByteArray xprop(const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.start(QStringLiteral("xprop"), arguments);
    process.waitForFinished(3000);
    if (exitCode) {
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    return process.readAllStandardOutput();
}

// A window manager has said on the root window that it runs, through a
// window that still exists (one that was stopped may leave the word behind).
bool windowManagerRunning() {
    const QByteArray said =
        xprop({QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    const int at = said.indexOf("window id # ");
    if (at < 0) {
        return false;
    }
    const QByteArray id = said.mid(at + 12).trimmed();
    int exitCode = -1;
    xprop({QStringLiteral("-id"), QString::fromLatin1(id),
           QStringLiteral("_NET_SUPPORTING_WM_CHECK")},
          &exitCode);
    return exitCode == 0;
}

QImage screenShot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

int blended(int strip, int beneath) {
    const double alpha = TfrmToolBar::kOpacity;
    return static_cast<int>(std::lround(strip * alpha + beneath * (1.0 - alpha)));
}

bool near(int a, int b) {
    return std::abs(a - b) <= 3;
}

// The empty right part of the strip shows the strip's colour blended over
// what `beneath` had there; below the strip the picture is untouched.
bool stripOver(const QImage& shown, const QImage& beneath, const std::vector<QPoint>& inStrip,
               const std::vector<QPoint>& below) {
    for (const QPoint& at : inStrip) {
        const QRgb s = shown.pixel(at);
        const QRgb b = beneath.pixel(at);
        if (!near(qRed(s), blended(kStrip.red(), qRed(b))) ||
            !near(qGreen(s), blended(kStrip.green(), qGreen(b))) ||
            !near(qBlue(s), blended(kStrip.blue(), qBlue(b)))) {
            return false;
        }
    }
    for (const QPoint& at : below) {
        if (shown.pixel(at) != beneath.pixel(at)) {
            return false;
        }
    }
    return true;
}

}  // namespace

class ToolbarStackingX11Test : public QObject {
    Q_OBJECT
private slots:
    void stripIsShownOverThePicture_data();
    void stripIsShownOverThePicture();
};

void ToolbarStackingX11Test::stripIsShownOverThePicture_data() {
    QTest::addColumn<QString>("windowManager");
    QTest::addColumn<bool>("compositor");
    QTest::newRow("no window manager") << QString() << false;
    QTest::newRow("openbox") << QStringLiteral("openbox") << false;
    QTest::newRow("openbox with picom") << QStringLiteral("openbox") << true;
    QTest::newRow("xfwm4") << QStringLiteral("xfwm4") << false;
}

void ToolbarStackingX11Test::stripIsShownOverThePicture() {
    QFETCH(QString, windowManager);
    QFETCH(bool, compositor);
    QVERIFY2(!windowManagerRunning(), "another window manager runs on this display");

    Programs programs;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    const auto need = [](const QString& program) {
        return !QStandardPaths::findExecutable(program).isEmpty();
    };
    if (windowManager == QLatin1String("xfwm4")) {
        // Its settings come over a session bus of its own.
        if (!need(QStringLiteral("xfwm4")) || !need(QStringLiteral("dbus-daemon")))
            QSKIP("xfwm4 or dbus-daemon is not installed");
        QProcess* bus = programs.start(QStringLiteral("dbus-daemon"),
                                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                        QStringLiteral("--print-address=1")},
                                       environment);
        QVERIFY(bus);
        QVERIFY(QTest::qWaitFor([&] { return bus->canReadLine(); }, 5000));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QString::fromUtf8(bus->readLine().trimmed()));
        QVERIFY(programs.start(QStringLiteral("xfwm4"), {QStringLiteral("--sm-client-disable")},
                               environment));
    } else if (!windowManager.isEmpty()) {
        if (!need(windowManager))
            QSKIP(qPrintable(windowManager + QStringLiteral(" is not installed")));
        QVERIFY(programs.start(windowManager, {QStringLiteral("--sm-disable")}, environment));
    }
    if (!windowManager.isEmpty()) {
        QVERIFY2(QTest::qWaitFor(windowManagerRunning, 10000), "the window manager did not start");
    }
    if (compositor) {
        if (!need(QStringLiteral("picom")))
            QSKIP("picom is not installed");
        QVERIFY(programs.start(QStringLiteral("picom"),
                               {QStringLiteral("--backend"), QStringLiteral("xrender")},
                               environment));
    }

    // A picture as large as the screen fills it.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    pictavo::test::TempDir dir;
    pictavo::test::JpegFixtureOptions options;
    options.width = screen.width();
    options.height = screen.height();
    const auto path = pictavo::test::writeJpegFixture(dir.path(), "a.jpg", options);

    {
        TfrmImage image;
        TfrmToolBar toolBar(image, &image);
        image.setToolBar(&toolBar);
        image.show();
        QVERIFY(QTest::qWaitForWindowExposed(&image));
        image.ShowImage(QString::fromStdString(path), QString());

        std::vector<QPoint> inStrip;
        for (int x = 760; x < screen.width() - 4; x += 97) {
            inStrip.emplace_back(x, 30);
        }
        const std::vector<QPoint> below{{screen.width() / 2, TfrmToolBar::kHeight + 20},
                                        {40, screen.height() / 2}};
        // The picture alone, once the window manager has put it up.
        QImage beneath;
        const bool pictureUp = QTest::qWaitFor(
            [&] {
                beneath = screenShot();
                const QRgb at = beneath.pixel(inStrip.front());
                const pictavo::test::Rgb want = pictavo::test::fixturePixel(
                    inStrip.front().x(), inStrip.front().y(), screen.width(), screen.height());
                return std::abs(qRed(at) - want.red) <= 10 &&
                       std::abs(qGreen(at) - want.green) <= 10 &&
                       std::abs(qBlue(at) - want.blue) <= 10;
            },
            5000);
        QVERIFY2(pictureUp, "the crop window's picture is not on the screen");

        toolBar.showOnScreen(screen);
        QImage shown;
        const bool over = QTest::qWaitFor(
            [&] {
                shown = screenShot();
                return stripOver(shown, beneath, inStrip, below);
            },
            5000);
        const QRgb first = shown.pixel(inStrip.front());
        image.setToolBar(nullptr);
        QVERIFY2(over, qPrintable(QStringLiteral("screen shows %1 %2 %3 where the strip should be")
                                      .arg(qRed(first))
                                      .arg(qGreen(first))
                                      .arg(qBlue(first))));
        // The strip's controls are there too: the brightness label's text
        // is darker than the strip around it.
        int darkest = 255;
        for (int x = 40; x < 120; ++x) {
            darkest = std::min(darkest, qGray(shown.pixel(x, 9)));
        }
        QVERIFY(darkest < qGray(blended(kStrip.red(), 0), blended(kStrip.green(), 0),
                                blended(kStrip.blue(), 0)));
    }
    // The window manager lets go of the display with the row.
}

PICTAVO_QTEST_MAIN(ToolbarStackingX11Test)
#include "ToolbarStackingX11Test.moc"
