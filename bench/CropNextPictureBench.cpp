// "Space pressed -> next 24-megapixel picture painted" through the real crop
// window, offscreen, and the parts of that time: decoding, the view's display
// copy, the paint.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPaintEvent>
#include <QTest>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "WindowBenchSupport.h"
#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "crop/PicturePyramid.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

namespace {

// 6000 x 4000 camera-like JPEG files made from the real photographs.
const std::vector<QString>& bigPictures() {
    static const std::vector<QString> files = [] {
        std::vector<QString> result;
        for (const std::string& path : pictavo::bench::photos24mp(3)) {
            result.push_back(QString::fromStdString(path));
        }
        return result;
    }();
    return files;
}

// Collects what the view painted.
struct PaintCounter : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

// Space released on one 24-megapixel picture until the next one is painted.
// With range(0) = 1 the run has named the next file ahead (Prefetch) and the
// user looked at the picture for half a second first (not timed). With
// range(1) = 1 the lossless cut is on: each picture's file is also read for
// its block grid.
void BM_SpaceToNextPicturePainted(benchmark::State& state) {
    const auto& files = bigPictures();
    if (files.size() < 2) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    const bool ahead = state.range(0) != 0;
    TfrmImage window;
    window.m_bLosslessCut = state.range(1) != 0;
    if (!pictavo::bench::showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    auto* view = window.findChild<TNOEraseBackgroundImage*>();
    PaintCounter counter;
    view->installEventFilter(&counter);
    window.ShowImage(files[0], QStringLiteral("/nowhere/cut.jpg"));
    std::size_t next = 1;
    for (auto _ : state) {
        if (ahead) {
            state.PauseTiming();
            window.Prefetch(files[next]);
            QTest::qWait(500);
            state.ResumeTiming();
        }
        counter.painted = QRegion();
        // The window acts on the release of a key whose press it saw.
        QTest::keyClick(&window, Qt::Key_Space);
        if (window.m_nState != 2) {
            state.SkipWithError("Space did not finish the picture");
            break;
        }
        // What the batch run does as soon as it sees the state.
        window.ShowImage(files[next], QStringLiteral("/nowhere/cut.jpg"));
        next = (next + 1) % files.size();
        // Painted, partly at once with the frame, the rest at the next
        // update: done when all of the view that lies in the window is.
        // Lines shown over the picture (the status line says which kind of
        // cut a click makes) are painted by themselves, never by the view.
        QRegion visible(view->rect().intersected(QRect(-view->pos(), window.size())));
        for (QWidget* over : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (over != view && over->isVisible()) {
                visible -= QRect(over->pos() - view->pos(), over->size());
            }
        }
        const QDeadlineTimer deadline(10000);
        while (!(visible - counter.painted).isEmpty() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        if (!(visible - counter.painted).isEmpty()) {
            state.SkipWithError("the view was never painted whole");
            break;
        }
    }
    state.counters["processed"] = window.m_nProcessed;
}
BENCHMARK(BM_SpaceToNextPicturePainted)
    ->ArgNames({"ahead", "lossless"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(3.0);

void BM_Decode24Megapixels(benchmark::State& state) {
    const auto& files = bigPictures();
    if (files.empty()) {
        state.SkipWithError("no photographs");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(pictavo::decodeJpegFile(files[0].toStdString()));
    }
}
BENCHMARK(BM_Decode24Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HalveTwice24Megapixels(benchmark::State& state) {
    pictavo::Picture picture(6000, 4000);
    picture.fill(10, 120, 200);
    for (auto _ : state) {
        benchmark::DoNotOptimize(pictavo::halved(pictavo::halved(picture)));
    }
}
BENCHMARK(BM_HalveTwice24Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();

// A repaint of the whole view after `range(0)` zoom steps in. At the fit (0)
// it paints from the display copy, which is what every frame movement costs;
// past four times the window's area the view scales the exposed part on each
// paint.
void BM_RepaintZoomedView(benchmark::State& state) {
    const auto& files = bigPictures();
    if (files.empty()) {
        state.SkipWithError("no photographs");
        return;
    }
    TfrmImage window;
    if (!pictavo::bench::showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    window.ShowImage(files[0], QString());
    for (int i = 0; i < state.range(0); ++i) {
        QTest::keyClick(&window, Qt::Key_Z);
    }
    auto* view = window.findChild<TNOEraseBackgroundImage*>();
    view->repaint();
    for (auto _ : state) {
        view->repaint();
    }
}
BENCHMARK(BM_RepaintZoomedView)
    ->Arg(0)
    ->Arg(1)
    ->Arg(3)
    ->Arg(10)
    ->Arg(40)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
