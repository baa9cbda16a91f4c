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

#include <vector>

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

// The crop window showing a 6000 x 4000 photograph, with the toolbar up.
class Scene {
public:
    explicit Scene(benchmark::State& state) : m_toolBar(m_window, &m_window) {
        const auto photos = photos24mp(1);
        if (photos.empty()) {
            state.SkipWithError("no photographs: run tools/fetch-photos.sh");
            return;
        }
        m_window.setToolBar(&m_toolBar);
        if (!showExposed(m_window)) {
            state.SkipWithError("window not exposed");
            return;
        }
        m_photo = QString::fromStdString(photos[0]);
        m_window.ShowImage(m_photo, QString());
        m_toolBar.showOnScreen(m_window.geometry());
        viewOf(m_window)->installEventFilter(&m_counter);
        m_ready = true;
    }
    ~Scene() { m_window.setToolBar(nullptr); }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    bool ready() const { return m_ready; }
    // The photograph again, as the next picture of a run.
    void showAgain() { m_window.ShowImage(m_photo, QString()); }
    TfrmImage& window() { return m_window; }
    TfrmToolBar& toolBar() { return m_toolBar; }

    // Seconds from `act` until the view has painted.
    template <typename Act>
    double untilPainted(Act act) {
        QElapsedTimer timer;
        timer.start();
        const int before = m_counter.paints;
        act();
        waitForPaint(m_counter, before);
        return static_cast<double>(timer.nsecsElapsed()) / 1e9;
    }

private:
    TfrmImage m_window;
    TfrmToolBar m_toolBar;
    PaintCounter m_counter;
    QString m_photo;
    bool m_ready = false;
};

// range(0): 1 for brightness alone, 4 for brightness, contrast, saturation
// and Antialias. Each iteration is one key step of the brightness slider.
// As in a run, the picture before was adjusted too: the first change writes
// into that picture's result, the second takes a new raster (the first
// result is still shown while it is built), later ones write over the one
// before last. first_ms and second_ms report those two on their own.
void BM_SliderChangeUntilPainted(benchmark::State& state) {
    Scene scene(state);
    if (!scene.ready()) {
        return;
    }
    TfrmToolBar& toolBar = scene.toolBar();
    EffectSlider* brightness = sliderOf(toolBar, "m_slBrightness");
    // The picture before, adjusted once.
    QTest::keyClick(brightness, Qt::Key_Right);
    scene.showAgain();
    // Set as the program sets them: nothing is rebuilt before the first step.
    brightness->setValue(5);
    if (state.range(0) == 4) {
        sliderOf(toolBar, "m_slContrast")->setValue(20);
        sliderOf(toolBar, "m_slSaturation")->setValue(200);
        toolBar.findChild<QCheckBox*>()->setChecked(true);
    }
    bool up = true;
    std::vector<double> times;
    for (auto _ : state) {
        const double seconds = scene.untilPainted(
            [&] { QTest::keyClick(brightness, up ? Qt::Key_Right : Qt::Key_Left); });
        up = !up;
        state.SetIterationTime(seconds);
        times.push_back(seconds);
        // A user looks at a change before making the next one.
        state.PauseTiming();
        idle(150);
        state.ResumeTiming();
    }
    state.counters["first_ms"] = times.at(0) * 1e3;
    state.counters["second_ms"] = times.at(1) * 1e3;
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
    Scene scene(state);
    if (!scene.ready()) {
        return;
    }
    TfrmImage& window = scene.window();
    TfrmToolBar& toolBar = scene.toolBar();
    toolBar.pressRedEyeTool();
    // 200 picture pixels across at the fit's scale.
    const QPoint at = window.GetImagePos() + QPoint(400, 300);
    const int span = 200 * window.GetImageSize().width() / 6000;
    toolBar.SetRedEyeSelection({at.x(), at.y(), at.x() + span, at.y() + span});
    const pictavo::Rect picked = toolBar.redEyeRect();
    for (auto _ : state) {
        state.SetIterationTime(scene.untilPainted([&] { toolBar.clickApplyRedEye(); }));
    }
    state.counters["rect_w"] = picked.right - picked.left + 1;
    state.counters["rect_h"] = picked.bottom - picked.top + 1;
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
    TfrmToolBar toolBar(window, &window);
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
