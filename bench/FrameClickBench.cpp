// Left click on a 24-megapixel picture until the next 24-megapixel picture
// is painted, through the real crop window offscreen: the cut is written at
// quality 100, then the next file is shown as the batch run does as soon as
// it sees the state change. The time is from the click to the paint.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "BenchPhotos.h"
#include "WindowBenchSupport.h"
#include "adjust/TfrmToolBar.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

namespace {

using namespace pictavo::bench;

// range(0): milliseconds the user looks at each picture before the click;
// range(1): 1 when the window is told the next file ahead of time;
// range(2): 1 when the adjustment toolbar takes every picture over, as in the
// program (nothing is adjusted). A dwell of 2 s leaves the work ahead (decode,
// halvings, the view's copy) finished even on a busy machine, so only the
// window's own part is timed.
void BM_ClickToNextPicturePainted(benchmark::State& state) {
    const auto photos = photos24mp(4);
    if (photos.size() < 2) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    const int dwell = static_cast<int>(state.range(0));
    const bool prefetch = state.range(1) != 0;
    const QString out = QString::fromStdString(scratchFolder("click"));
    TfrmImage window;
    std::unique_ptr<TfrmToolBar> toolBar;
    if (state.range(2) != 0) {
        toolBar = std::make_unique<TfrmToolBar>(window, &window);
        window.setToolBar(toolBar.get());
    }
    window.SetQuality(100);
    if (!pictavo::bench::showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    PaintCounter counter;
    viewOf(window)->installEventFilter(&counter);
    std::size_t next = 0;
    auto show = [&] {
        const QString file = QString::fromStdString(photos[next]);
        next = (next + 1) % photos.size();
        window.ShowImage(file, out + QStringLiteral("/cut.jpg"));
        if (prefetch)
            window.Prefetch(QString::fromStdString(photos[next]));
    };
    show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        idle(dwell);
        state.ResumeTiming();
        const auto clicked = std::chrono::steady_clock::now();
        QTest::mouseClick(viewOf(window), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
        if (window.m_nState != 2) {
            state.SkipWithError("the click did not finish the picture");
            break;
        }
        // The black strips were painted before the cut was handed over; what
        // counts is the end of the next picture's paint (the run names the
        // file after that one only once the picture is up).
        const int afterSave = counter.paints;
        show();
        waitForPaint(counter, afterSave);
        state.SetIterationTime(
            std::chrono::duration<double>(counter.lastPaintEnd - clicked).count());
    }
    state.counters["cropped"] = window.m_nCropped;
    window.setToolBar(nullptr);
}
BENCHMARK(BM_ClickToNextPicturePainted)
    ->ArgNames({"dwell_ms", "prefetch", "toolbar"})
    ->Args({0, 0, 0})
    ->Args({0, 1, 0})
    ->Args({500, 1, 0})
    ->Args({500, 1, 1})
    ->Args({2000, 1, 0})
    ->Args({2000, 1, 1})
    ->Iterations(8)
    ->Repetitions(3)
    ->UseManualTime()
    // CPU time of every thread (the decode ahead runs while the user looks,
    // outside the timed part).
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
        return *std::max_element(v.begin(), v.end());
    });

// Left click on a 24-megapixel picture until its cut is durable on disk
// (encoded, synced, renamed, folder synced): the writer's own speed, with the
// next picture shown afterwards, untimed. range(0): 1 when the window is
// told the next file ahead.
void BM_ClickToCutDurable(benchmark::State& state) {
    const auto photos = photos24mp(4);
    if (photos.size() < 2) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    const bool prefetch = state.range(0) != 0;
    const QString out = QString::fromStdString(scratchFolder("durable"));
    TfrmImage window;
    window.SetQuality(100);
    if (!pictavo::bench::showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    std::size_t next = 0;
    auto show = [&] {
        const QString file = QString::fromStdString(photos[next]);
        next = (next + 1) % photos.size();
        window.ShowImage(file, out + QStringLiteral("/cut.jpg"));
        if (prefetch)
            window.Prefetch(QString::fromStdString(photos[next]));
    };
    show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        idle(500);
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(viewOf(window), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
        if (window.m_nState != 2) {
            state.SkipWithError("the click did not finish the picture");
            break;
        }
        window.FinishWrites();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        state.PauseTiming();
        show();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ClickToCutDurable)
    ->ArgName("prefetch")
    ->Arg(1)
    ->Iterations(8)
    ->Repetitions(3)
    ->UseManualTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->ReportAggregatesOnly(true);

}  // namespace
