// The processor time a batch run uses while it waits for the user on a
// picture: the run sleeps until the next event, and only the main window's
// 100 ms timer wakes it.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "WindowBenchSupport.h"
#include "app/TfrmFolderMan.h"
#include "app/TfrmImageLink.h"
#include "core/JpegEncoder.h"
#include "core/Picture.h"
#include "crop/TfrmImage.h"

namespace {

double processSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_RunWaitingOnAPicture(benchmark::State& state) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("photos"));
    const QString dest = dir.filePath(QStringLiteral("prints"));
    QDir().mkpath(source);
    QDir().mkpath(dest);
    pictavo::Picture picture(1200, 800);
    picture.fill(40, 90, 160);
    pictavo::writeJpegFile(picture, {0, 0, 1200, 800}, 90,
                           (source + QStringLiteral("/a.jpg")).toStdString());

    TfrmFolderMan main;
    TfrmImage image;
    TfrmImageLink link(image);
    main.setCropWindow(&link);
    image.setStepBack([&main] { main.StepBack(); });
    main.findChild<QLineEdit*>(QStringLiteral("m_edSource"))->setText(source);
    main.findChild<QLineEdit*>(QStringLiteral("m_edDest"))->setText(dest);
    if (!pictavo::bench::showExposed(main)) {
        state.SkipWithError("main window not exposed");
        return;
    }

    for (auto _ : state) {
        double cpuUsed = 0;
        double wallUsed = 0;
        double cpuStart = 0;
        QElapsedTimer wall;
        // Once the picture is up and painted, measure two seconds of waiting,
        // then leave with Esc.
        QTimer::singleShot(500, [&] {
            cpuStart = processSeconds();
            wall.start();
        });
        QTimer::singleShot(2500, [&] {
            cpuUsed = processSeconds() - cpuStart;
            wallUsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
            QTest::keyClick(&image, Qt::Key_Escape);
        });
        QTest::mouseClick(main.findChild<QWidget*>(QStringLiteral("m_lblStart")), Qt::LeftButton,
                          Qt::NoModifier, QPoint(3, 3));
        state.SetIterationTime(wallUsed);
        state.counters["cpu_ms"] = cpuUsed * 1000;
        state.counters["cpu_percent"] = wallUsed > 0 ? 100 * cpuUsed / wallUsed : 0;
    }
    main.setCropWindow(nullptr);
}
BENCHMARK(BM_RunWaitingOnAPicture)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
