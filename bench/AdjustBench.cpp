// The adjustment toolbar through the real windows, offscreen, on 6000 x 4000
// photographs: a completed slider change until the adjusted picture is
// painted (one filter, all four), a red-eye Apply until painted, and the
// peak memory of a run with adjustments on every picture.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QTest>

#include "BenchPhotos.h"
#include "WindowBenchSupport.h"
#include "adjust/EffectSlider.h"
#include "adjust/TfrmToolBar.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

namespace {

using namespace pictavo::bench;

EffectSlider* sliderOf(TfrmToolBar& toolBar, const char* name) {
    return toolBar.findChild<EffectSlider*>(QLatin1String(name));
}

// range(0): 1 for brightness alone, 4 for brightness, contrast, saturation
// and Antialias. Each iteration is one key step of the brightness slider.
void BM_SliderChangeUntilPainted(benchmark::State& state) {
    const auto photos = photos24mp(1);
    if (photos.empty()) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    TfrmImage window;
    TfrmToolBar toolBar(window);
    window.setToolBar(&toolBar);
    if (!showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    window.ShowImage(QString::fromStdString(photos[0]), QString());
    toolBar.showOnScreen(window.geometry());
    EffectSlider* brightness = sliderOf(toolBar, "m_slBrightness");
    brightness->setValue(5);
    if (state.range(0) == 4) {
        sliderOf(toolBar, "m_slContrast")->setValue(20);
        sliderOf(toolBar, "m_slSaturation")->setValue(200);
        toolBar.findChild<QCheckBox*>()->setChecked(true);
    }
    PaintCounter counter;
    viewOf(window)->installEventFilter(&counter);
    bool up = true;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const int before = counter.paints;
        QTest::keyClick(brightness, up ? Qt::Key_Right : Qt::Key_Left);
        up = !up;
        waitForPaint(counter, before);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    window.setToolBar(nullptr);
}
BENCHMARK(BM_SliderChangeUntilPainted)
    ->ArgName("filters")
    ->Arg(1)
    ->Arg(4)
    ->Iterations(10)
    ->UseManualTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// A red-eye Apply on a 200 x 200 rectangle until painted.
void BM_RedEyeApplyUntilPainted(benchmark::State& state) {
    const auto photos = photos24mp(1);
    if (photos.empty()) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    TfrmImage window;
    TfrmToolBar toolBar(window);
    window.setToolBar(&toolBar);
    if (!showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    window.ShowImage(QString::fromStdString(photos[0]), QString());
    toolBar.showOnScreen(window.geometry());
    toolBar.pressRedEyeTool();
    // 200 picture pixels across at the fit's scale.
    const QPoint at = window.GetImagePos() + QPoint(400, 300);
    const int span = 200 * window.GetImageSize().width() / 6000;
    toolBar.SetRedEyeSelection({at.x(), at.y(), at.x() + span, at.y() + span});
    const pictavo::Rect picked = toolBar.redEyeRect();
    PaintCounter counter;
    viewOf(window)->installEventFilter(&counter);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const int before = counter.paints;
        toolBar.clickApplyRedEye();
        waitForPaint(counter, before);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    state.counters["rect_w"] = picked.right - picked.left + 1;
    state.counters["rect_h"] = picked.bottom - picked.top + 1;
    window.setToolBar(nullptr);
}
BENCHMARK(BM_RedEyeApplyUntilPainted)
    ->Iterations(10)
    ->UseManualTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Peak resident memory over a run of 8 pictures, each decoded ahead,
// brightened and smoothed through the toolbar, then cut.
void BM_PeakMemoryWithAdjustments(benchmark::State& state) {
    const auto photos = photos24mp(4);
    if (photos.size() < 2) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    const QString out = QString::fromStdString(scratchFolder("adjust-memory"));
    TfrmImage window;
    TfrmToolBar toolBar(window);
    window.setToolBar(&toolBar);
    window.SetQuality(100);
    if (!showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    toolBar.showOnScreen(window.geometry());
    EffectSlider* brightness = sliderOf(toolBar, "m_slBrightness");
    auto* antialias = toolBar.findChild<QCheckBox*>();
    const std::size_t atStart = peakResidentBytes();
    int shown = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < 8; ++i) {
            const std::size_t k = i % photos.size();
            window.ShowImage(QString::fromStdString(photos[k]),
                             out + QStringLiteral("/cut%1.jpg").arg(k));
            window.Prefetch(QString::fromStdString(photos[(k + 1) % photos.size()]));
            ++shown;
            QTest::keyClick(brightness, Qt::Key_Right);
            QTest::mouseClick(antialias, Qt::LeftButton, {}, QPoint(4, 8));
            idle(150);
            QTest::mouseClick(viewOf(window), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
        }
    }
    state.counters["pictures"] = shown;
    state.counters["peak_MB"] = static_cast<double>(peakResidentBytes()) / 1e6;
    state.counters["before_run_MB"] = static_cast<double>(atStart) / 1e6;
    window.setToolBar(nullptr);
}
BENCHMARK(BM_PeakMemoryWithAdjustments)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
