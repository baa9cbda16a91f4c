// Peak resident memory over a run of 24-megapixel pictures through the real
// crop window offscreen: each picture is shown with the next one decoded
// ahead, the frame is moved, and the cut is written at quality 100.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCursor>
#include <QTest>

#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchPhotos.h"
#include "WindowBenchSupport.h"
#include "adjust/EffectSlider.h"
#include "adjust/TfrmToolBar.h"
#include "core/JpegDecoder.h"
#include "crop/CutWriter.h"
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

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Peak resident memory over 8 pictures, each adjusted with the toolbar and
// then cut, on a disk slow enough that two cuts are always waiting.
void BM_PeakMemoryAdjustedWithPendingCuts(benchmark::State& state) {
    const auto photos = photos24mp(4);
    if (photos.size() < 2) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    const QString out = QString::fromStdString(scratchFolder("pending"));
    TfrmImage window;
    auto toolBar = std::make_unique<TfrmToolBar>(window, &window);
    window.setToolBar(toolBar.get());
    window.SetQuality(100);
    window.setCutWork([](const pictavo::CutJob& job) {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        pictavo::CutWriter::write(job);
    });
    if (!pictavo::bench::showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    auto* brightness = toolBar->findChild<EffectSlider*>(QStringLiteral("m_slBrightness"));
    std::size_t mostPending = 0;
    resetPeakResident();
    for (auto _ : state) {
        for (std::size_t i = 0; i < 8; ++i) {
            const std::size_t k = i % photos.size();
            window.ShowImage(QString::fromStdString(photos[k]),
                             out + QStringLiteral("/cut%1.jpg").arg(i));
            window.Prefetch(QString::fromStdString(photos[(k + 1) % photos.size()]));
            QTest::keyClick(brightness, Qt::Key_Right);
            idle(100);
            mostPending = std::max(mostPending, window.pendingWrites());
            QTest::mouseClick(viewOf(window), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
            mostPending = std::max(mostPending, window.pendingWrites());
        }
        window.FinishWrites();
    }
    window.setToolBar(nullptr);
    state.counters["peak_MB"] = static_cast<double>(peakResidentBytes()) / 1e6;
    state.counters["most_pending"] = static_cast<double>(mostPending);
}
BENCHMARK(BM_PeakMemoryAdjustedWithPendingCuts)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A person's pace, faster than the writer: 20 clicks 300 ms apart. Every
// cut must be the one the writer makes on its own, byte for byte.
void BM_TwentyClicksAPersonsPace(benchmark::State& state) {
    const auto photos = photos24mp(4);
    if (photos.size() < 2) {
        state.SkipWithError("no photographs: run tools/fetch-photos.sh");
        return;
    }
    const QString out = QString::fromStdString(scratchFolder("pace"));
    const std::string reference = scratchFolder("pace-reference");
    TfrmImage window;
    window.SetQuality(100);
    if (!pictavo::bench::showExposed(window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    struct Cut {
        std::size_t photo;
        pictavo::Rect area;
    };
    std::vector<Cut> cuts;
    resetPeakResident();
    for (auto _ : state) {
        for (std::size_t i = 0; i < 20; ++i) {
            const std::size_t k = i % photos.size();
            window.ShowImage(QString::fromStdString(photos[k]),
                             out + QStringLiteral("/cut%1.jpg").arg(i));
            window.Prefetch(QString::fromStdString(photos[(k + 1) % photos.size()]));
            QCursor::setPos(640, 300 + 10 * static_cast<int>(i % 5));
            idle(300);
            cuts.push_back({k, window.cropRect()});
            QTest::mouseClick(viewOf(window), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
        }
        window.FinishWrites();
    }
    state.counters["peak_MB"] = static_cast<double>(peakResidentBytes()) / 1e6;
    // Checked after the run, outside its memory.
    std::map<std::size_t, pictavo::Picture> decoded;
    int exact = 0;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        auto& picture = decoded[cuts[i].photo];
        if (picture.isNull())
            picture = pictavo::decodeJpegFile(photos[cuts[i].photo]);
        pictavo::CutJob job;
        job.picture = picture;
        job.area = cuts[i].area;
        job.quality = 100;
        job.source = photos[cuts[i].photo];
        job.dest = reference + "/ref.jpg";
        job.cut = true;
        pictavo::CutWriter::write(job);
        const std::string written =
            bytesOf(out.toStdString() + "/cut" + std::to_string(i) + ".jpg");
        exact += !written.empty() && written == bytesOf(job.dest) ? 1 : 0;
    }
    state.counters["files_exact"] = exact;
    if (exact != static_cast<int>(cuts.size()))
        state.SkipWithError("a cut differs from the writer's own");
}
BENCHMARK(BM_TwentyClicksAPersonsPace)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
