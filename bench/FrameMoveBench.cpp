// One processed mouse movement over a 24-megapixel picture on a 1280 x 800
// screen, through the real crop window offscreen: the cursor moves, the
// window's handler moves the frame and redraws it, the view repaints at once.

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

// range(0): zoom steps in (0 is the fit).
void BM_FrameMouseMove(benchmark::State& state) {
    const auto photos = photos24mp(1);
    if (photos.empty()) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    TfrmImage window;
    if (!pictavo::bench::showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    // A 16:9 print frame on a 3:2 picture: it slides vertically.
    window.SetRatio(16.0L / 9.0L);
    window.ShowImage(QString::fromStdString(photos[0]), QString());
    for (int i = 0; i < state.range(0); ++i)
        QTest::keyClick(&window, Qt::Key_Z);
    // Zoomed in, pan down until the frame's upper edge is on screen.
    for (int i = 0; i < state.range(0) / 2 + (state.range(0) > 0 ? 1 : 0); ++i)
        QTest::keyClick(&window, Qt::Key_Down);
    PaintCounter counter;
    viewOf(window)->installEventFilter(&counter);
    // The window's first movement only records where the cursor is.
    QCursor::setPos(640, 300);
    QCoreApplication::processEvents();
    QCursor::setPos(640, 380);
    QCoreApplication::processEvents();
    const int framesBefore = counter.paints;
    for (auto _ : state) {
        // Up and down by 40 screen pixels: 8 source pixels at this scale,
        // never reaching an edge, so every movement moves the frame.
        QCursor::setPos(640, QCursor::pos().y() == 380 ? 420 : 380);
        QCoreApplication::processEvents();
    }
    const int moved = counter.paints - framesBefore;
    if (moved < static_cast<int>(state.iterations()))
        state.SkipWithError("a movement did not repaint the frame");
    state.counters["repaints"] = moved;
}
BENCHMARK(BM_FrameMouseMove)
    ->Arg(0)
    ->Arg(3)
    ->Unit(benchmark::kMicrosecond)
    // Every thread's time: the view's smooth scaling may use Qt's workers.
    ->MeasureProcessCPUTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
