// The work done ahead for the next picture, stage by stage, on a
// 24-megapixel photograph: the decode, the halvings, the view's copy at the
// fitted size of common screens, and the cut's encode that competes with
// them on the writer thread.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QSize>

#include <vector>

#include "BenchPhotos.h"
#include "core/JpegEncoder.h"
#include "core/PictureFile.h"
#include "crop/PicturePyramid.h"
#include "crop/TNOEraseBackgroundImage.h"

namespace {

using namespace pictavo;

constexpr int kSmallestHalving = 512;

Picture decoded() {
    static const Picture picture = decodePicture(bench::photos24mp(1).at(0), {}).picture;
    return picture;
}

std::vector<Picture> halvingsOf(const Picture& picture) {
    std::vector<Picture> levels;
    const Picture* level = &picture;
    while (std::min(level->width(), level->height()) / 2 >= kSmallestHalving) {
        levels.push_back(halved(*level));
        level = &levels.back();
    }
    return levels;
}

void BM_Decode(benchmark::State& state) {
    const std::string path = bench::photos24mp(1).at(0);
    for (auto _ : state)
        benchmark::DoNotOptimize(decodePicture(path, {}).picture);
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_Halvings(benchmark::State& state) {
    const Picture picture = decoded();
    for (auto _ : state)
        benchmark::DoNotOptimize(halvingsOf(picture));
}
BENCHMARK(BM_Halvings)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// range: the view's logical size at scale factor 2 (a 3:2 picture fitted to
// 1280 x 800 and to 1920 x 1080).
void BM_DisplayCopy(benchmark::State& state) {
    const Picture picture = decoded();
    const std::vector<Picture> levels = halvingsOf(picture);
    const QSize view(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        PicturePyramid pyramid;
        pyramid.reset(&picture, levels);
        benchmark::DoNotOptimize(TNOEraseBackgroundImage::displayCopy(
            pyramid, view, 2, QSize(view.width(), view.height())));
    }
}
BENCHMARK(BM_DisplayCopy)
    ->Args({1200, 800})
    ->Args({1620, 1080})
    ->Args({640, 427})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_EncodeCut(benchmark::State& state) {
    const Picture picture = decoded();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            encodeJpeg(picture, {0, 0, picture.width(), picture.height()}, 100));
}
BENCHMARK(BM_EncodeCut)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
