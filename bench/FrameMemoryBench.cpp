// Peak resident memory over a run of 24-megapixel pictures through the real
// crop window offscreen: each picture is shown with the next one decoded
// ahead, the frame is moved, and the cut is written at quality 100.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCursor>
#include <QTest>

#include "BenchPhotos.h"
#include "WindowBenchSupport.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

namespace {

using namespace pictavo::bench;

void BM_PeakMemoryOverARun(benchmark::State& state) {
    const auto photos = photos24mp(4);
    if (photos.size() < 2) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    const QString out = QString::fromStdString(scratchFolder("memory"));
    TfrmImage window;
    window.SetQuality(100);
    if (!pictavo::bench::showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    const std::size_t atStart = peakResidentBytes();
    int shown = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < photos.size() * 2; ++i) {
            const std::size_t k = i % photos.size();
            window.ShowImage(QString::fromStdString(photos[k]),
                             out + QStringLiteral("/cut%1.jpg").arg(k));
            window.Prefetch(QString::fromStdString(photos[(k + 1) % photos.size()]));
            ++shown;
            for (int y : {300, 340, 380, 420}) {
                QCursor::setPos(640, y);
                QCoreApplication::processEvents();
            }
            idle(150);
            // Every third picture is skipped, the rest cut.
            if (i % 3 == 2)
                QTest::keyClick(&window, Qt::Key_Space);
            else
                QTest::mouseClick(viewOf(window), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
        }
    }
    state.counters["pictures"] = shown;
    state.counters["peak_MB"] = static_cast<double>(peakResidentBytes()) / 1e6;
    state.counters["before_run_MB"] = static_cast<double>(atStart) / 1e6;
}
BENCHMARK(BM_PeakMemoryOverARun)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
