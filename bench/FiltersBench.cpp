// One pass of each adjustment over a 24-megapixel photograph, and a red-eye
// correction of a 200 x 200 selection, with the medians set against the
// targets at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "adjust/ProEffectImage.h"
#include "core/JpegDecoder.h"
#include "core/Picture.h"
#include "core/Rect.h"

namespace {

pictavo::Picture& photo() {
    static pictavo::Picture picture = pictavo::decodeJpegFile(pictavo::bench::photos24mp(1).at(0));
    return picture;
}

// Amounts from the toolbar's ranges, alternating so the photograph does not
// drift to one colour.
template <void (*Filter)(pictavo::Picture&, int), int kAmount, int kOtherAmount>
void BM_Pass(benchmark::State& state) {
    pictavo::Picture picture = photo();
    picture.detach();
    bool first = true;
    for (auto _ : state) {
        Filter(picture, first ? kAmount : kOtherAmount);
        first = !first;
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

void BM_Brightness(benchmark::State& state) {
    BM_Pass<pictavo::BrightnessFilter, 40, -40>(state);
}
void BM_Contrast(benchmark::State& state) {
    BM_Pass<pictavo::ContrastFilter, 40, -40>(state);
}
void BM_Saturation(benchmark::State& state) {
    BM_Pass<pictavo::SaturationFilter, 100, 250>(state);
}

void BM_AntiAlias(benchmark::State& state) {
    pictavo::Picture picture = photo();
    picture.detach();
    for (auto _ : state) {
        pictavo::AntiAliasFilter(picture);
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

// Every pixel qualifies and is rewritten (saturation 255 keeps it), so each
// pass does the most work there is.
void BM_RedEye200(benchmark::State& state) {
    pictavo::Picture picture(200, 200);
    picture.fill(40, 60, 220);
    const pictavo::RedEyeTuning tuning{255, 1.0f};
    for (auto _ : state) {
        pictavo::RedEyeFilter(picture, {0, 0, 199, 199}, tuning);
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

constexpr int kRepetitions = 7;

#define FILTER_BENCHMARK(f, unit) \
    BENCHMARK(f)->Unit(unit)->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly(true)

FILTER_BENCHMARK(BM_Brightness, benchmark::kMillisecond);
FILTER_BENCHMARK(BM_Contrast, benchmark::kMillisecond);
FILTER_BENCHMARK(BM_Saturation, benchmark::kMillisecond);
FILTER_BENCHMARK(BM_AntiAlias, benchmark::kMillisecond);
FILTER_BENCHMARK(BM_RedEye200, benchmark::kMicrosecond);

class TargetReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                m_ms[run.run_name.function_name] =
                    run.GetAdjustedRealTime() *
                    (run.time_unit == benchmark::kMicrosecond ? 1e-3 : 1);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void print(const char* what, const std::string& name, double targetMs) {
        if (m_ms.count(name)) {
            std::printf("%s: median %.2f ms (target <= %.0f ms)\n", what, m_ms[name], targetMs);
        }
    }

private:
    std::map<std::string, double> m_ms;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    try {
        photo();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_filters: %s\n", e.what());
        return 1;
    }
    TargetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print("brightness 6000 x 4000", "BM_Brightness", 25);
    reporter.print("contrast 6000 x 4000", "BM_Contrast", 25);
    reporter.print("saturation 6000 x 4000", "BM_Saturation", 25);
    reporter.print("antialias 6000 x 4000", "BM_AntiAlias", 40);
    reporter.print("red-eye 200 x 200, the filter alone", "BM_RedEye200", 30);
    benchmark::Shutdown();
    return 0;
}
