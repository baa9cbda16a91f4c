// Decoding a 12-megapixel HEIC photo (4032 x 3024, as phones write them)
// into a picture, next to libheif's own heif-convert on the same file in the
// same run: to PNG (what a person would convert to) and to Y4M (decoding
// alone, no colour conversion: the least any decode can take).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "RatioReporter.h"
#include "core/PictureFile.h"

namespace {

// The phone photo, made once from a photograph (see BenchPhotos.h).
const std::string& heic12mp() {
    static const std::string path = [] {
        const std::vector<std::string> made = pictavo::bench::heicPhotos12mp(1);
        if (made.empty()) {
            throw std::runtime_error("No photograph to benchmark with (run tools/fetch-photos.sh)");
        }
        return made[0];
    }();
    return path;
}

void BM_DecodeHeic12mp_Ours(benchmark::State& state) {
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (auto _ : state) {
        pictavo::DecodedJpeg decoded = pictavo::decodePicture(heic12mp(), {});
        benchmark::DoNotOptimize(decoded.picture.scanLine(0));
    }
    // libheif decodes on threads of its own: the process's CPU time counts them.
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    const double cpu = seconds(after.ru_utime) + seconds(after.ru_stime) -
                       seconds(before.ru_utime) - seconds(before.ru_stime);
    state.counters["child_cpu_ms"] =
        benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

void BM_DecodeHeic12mp_HeifConvertPng(benchmark::State& state) {
    pictavo::bench::timeProgramRuns(
        state,
        {"heif-convert", heic12mp(), pictavo::bench::scratchFolder("heif-out") + "/out.png"});
}

void BM_DecodeHeic12mp_HeifConvertY4m(benchmark::State& state) {
    pictavo::bench::timeProgramRuns(
        state,
        {"heif-convert", heic12mp(), pictavo::bench::scratchFolder("heif-out") + "/out.y4m"});
}

constexpr int kRepetitions = 5;

BENCHMARK(BM_DecodeHeic12mp_Ours)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeHeic12mp_HeifConvertPng)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeHeic12mp_HeifConvertY4m)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    return pictavo::bench::runComparing(
        argc, argv, "bench_heif", [] { heic12mp(); },
        [](pictavo::bench::RatioReporter& reporter) {
            reporter.printRatio("decode HEIC 4032 x 3024 against heif-convert to PNG",
                                "BM_DecodeHeic12mp_Ours", "BM_DecodeHeic12mp_HeifConvertPng", 1.1);
            reporter.printRatio("decode HEIC 4032 x 3024 against heif-convert to Y4M",
                                "BM_DecodeHeic12mp_Ours", "BM_DecodeHeic12mp_HeifConvertY4m", 1.1);
        });
}
