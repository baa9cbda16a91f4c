// Left click on a 24-megapixel picture until the next 24-megapixel picture
// is painted, through the real crop window offscreen: the cut is written at
// quality 100 (or by copying the file's blocks, with the lossless cut on),
// then the next file is shown as the batch run does as soon as it sees the
// state change. The time is from the click to the paint. The same for a
// phone's 12-megapixel HEIC photos.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "WindowBenchSupport.h"
#include "adjust/TfrmToolBar.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

namespace {

using namespace pictavo::bench;

// What the pictures are and how they are cut: range(3) of the click benchmark.
enum Kind { kJpeg = 0, kJpegLossless = 1, kHeic = 2 };

// True when the status line says the click would cut by copying the file's
// blocks (with the option on it says which kind of cut a click makes).
bool cutsLossless(TfrmImage& window) {
    for (const QLabel* label : window.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->isVisible() && label->text().endsWith(QStringLiteral("lossless")))
            return true;
    }
    return false;
}

// range(0): milliseconds the user looks at each picture before the click;
// range(1): 1 when the window is told the next file ahead of time;
// range(2): 1 when the adjustment toolbar takes every picture over, as in the
// program (nothing is adjusted); range(3): a Kind, 24-megapixel JPEG photos
// cut at quality 100 or with the lossless cut on, or 12-megapixel HEIC
// photos. A dwell of 2 s leaves the work ahead (decode, halvings, the view's
// copy) finished even on a busy machine, so only the window's own part is
// timed; a lossless cut, read and copied on the writer thread while the user
// looks, takes about half a second of it.
void BM_ClickToNextPicturePainted(benchmark::State& state) {
    const auto kind = static_cast<Kind>(state.range(3));
    std::vector<std::string> photos;
    try {
        photos = kind == kHeic ? heicPhotos12mp(4) : photos24mp(4);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    if (photos.size() < 2) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    const int dwell = static_cast<int>(state.range(0));
    const bool prefetch = state.range(1) != 0;
    const QString out = QString::fromStdString(scratchFolder("click"));
    TfrmImage window;
    window.m_bLosslessCut = kind == kJpegLossless;
    window.m_bMoreFormats = kind == kHeic;
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
        const bool lossless = cutsLossless(window);
        state.ResumeTiming();
        if (lossless != (kind == kJpegLossless)) {
            state.SkipWithError("the click would not cut as the row says");
            break;
        }
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
    ->ArgNames({"dwell_ms", "prefetch", "toolbar", "kind"})
    ->Args({0, 0, 0, kJpeg})
    ->Args({0, 1, 0, kJpeg})
    ->Args({500, 1, 0, kJpeg})
    ->Args({500, 1, 1, kJpeg})
    ->Args({2000, 1, 0, kJpeg})
    ->Args({2000, 1, 1, kJpeg})
    // A person looking at each picture for a second: the JPEG row beside
    // the lossless cut's and the HEIC photos'. A HEIC photo as heif-enc
    // writes it (one coded image, no tiles to decode side by side) takes
    // about a second of one core to decode: the 2 s row shows what is left
    // once the decode ahead has finished.
    ->Args({1000, 1, 0, kJpeg})
    ->Args({1000, 1, 0, kJpegLossless})
    ->Args({1000, 1, 0, kHeic})
    ->Args({2000, 1, 0, kHeic})
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
