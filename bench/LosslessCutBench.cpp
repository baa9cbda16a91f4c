// A lossless cut of a 24-megapixel photograph (6000 x 4000, baseline 4:2:0):
// ours from the file's bytes in memory (as the writer has them at the click)
// to the file durable on disk, the same without the syncs (as jpegtran
// writes) and in memory only, next to `jpegtran -crop` of the same file in
// the same run, and our time over jpegtran's.
#include <benchmark/benchmark.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "RatioReporter.h"
#include "core/AtomicFile.h"
#include "core/LosslessCut.h"
#include "crop/CutSaving.h"
#include "support/ExternalTools.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const pictavo::bench::BenchFiles& files() {
    static const pictavo::bench::BenchFiles f = pictavo::bench::prepareBenchFiles();
    return f;
}

const Bytes& photoBytes() {
    static const Bytes bytes = [] {
        std::ifstream in(files().photo24, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }();
    return bytes;
}

// A 3:2 cut of two thirds of the photo, its corner on the 16-pixel grid.
constexpr pictavo::Rect kCut{992, 656, 4992, 3323};

void BM_LosslessCut_OursToDisk(benchmark::State& state) {
    const std::string dest = files().scratch + ".lossless.jpg";
    const pictavo::Picture unused;
    for (auto _ : state) {
        if (!pictavo::saving::writeCut(unused, kCut, 100, files().photo24, dest, nullptr,
                                       &photoBytes(), {})) {
            state.SkipWithError("the cut was not lossless");
            return;
        }
    }
}

// The same write without the syncs, as jpegtran writes: what the copying of
// the blocks costs, apart from the disk.
class NoSync : public pictavo::FileCalls {
public:
    int fsync(int) const override { return 0; }
};

void BM_LosslessCut_OursUnsynced(benchmark::State& state) {
    const std::string dest = files().scratch + ".lossless.jpg";
    const NoSync calls;
    for (auto _ : state) {
        const auto bytes = pictavo::losslessCut(photoBytes(), kCut, {});
        if (!bytes) {
            state.SkipWithError("the cut was not lossless");
            return;
        }
        pictavo::writeFileAtomic(dest, bytes->data(), bytes->size(), calls);
    }
}

void BM_LosslessCut_OursInMemory(benchmark::State& state) {
    for (auto _ : state) {
        auto bytes = pictavo::losslessCut(photoBytes(), kCut, {});
        if (!bytes) {
            state.SkipWithError("the cut was not lossless");
            return;
        }
        benchmark::DoNotOptimize(bytes->data());
    }
}

void BM_LosslessCut_Jpegtran(benchmark::State& state) {
    pictavo::bench::timeProgramRuns(
        state, {"jpegtran", "-copy", "none", "-crop", pictavo::test::cropGeometry(kCut), "-outfile",
                files().scratch, files().photo24});
}

constexpr int kRepetitions = 7;

BENCHMARK(BM_LosslessCut_OursToDisk)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LosslessCut_OursUnsynced)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LosslessCut_OursInMemory)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LosslessCut_Jpegtran)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    return pictavo::bench::runComparing(
        argc, argv, "bench_lossless_cut", [] { files(); },
        [](pictavo::bench::RatioReporter& reporter) {
            reporter.printRatio("lossless cut 4000 x 2667 of 6000 x 4000, to disk",
                                "BM_LosslessCut_OursToDisk", "BM_LosslessCut_Jpegtran", 1.1,
                                "jpegtran");
            reporter.printRatio("lossless cut 4000 x 2667 of 6000 x 4000, written without syncs",
                                "BM_LosslessCut_OursUnsynced", "BM_LosslessCut_Jpegtran", 1.1,
                                "jpegtran");
            reporter.printRatio("lossless cut 4000 x 2667 of 6000 x 4000, in memory",
                                "BM_LosslessCut_OursInMemory", "BM_LosslessCut_Jpegtran", 1.1,
                                "jpegtran");
        });
}
