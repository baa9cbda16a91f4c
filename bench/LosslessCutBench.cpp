// A lossless cut of a 24-megapixel photograph (6000 x 4000, baseline 4:2:0):
// ours from the file's bytes in memory (as the writer has them at the click)
// to the file durable on disk, the same without the syncs (as jpegtran
// writes) and in memory only, next to `jpegtran -crop` of the same file in
// the same run, and our time over jpegtran's.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "core/AtomicFile.h"
#include "core/LosslessCut.h"
#include "crop/CutSaving.h"

extern char** environ;

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

std::string cutSpec() {
    return std::to_string(kCut.width()) + "x" + std::to_string(kCut.height()) + "+" +
           std::to_string(kCut.left) + "+" + std::to_string(kCut.top);
}

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

// One run of jpegtran, its wall time; the child's CPU time is kept beside it
// because the machine is shared.
void BM_LosslessCut_Jpegtran(benchmark::State& state) {
    std::vector<std::string> args = {"jpegtran", "-copy",    "none",          "-crop",
                                     cutSpec(),  "-outfile", files().scratch, files().photo24};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    double cpu = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
            wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("cannot run jpegtran");
            return;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        auto seconds = [](const timeval& t) {
            return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
        };
        cpu += seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    state.counters["child_cpu_ms"] =
        benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
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

// Keeps the medians so the ratio can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name != "median") {
                continue;
            }
            const std::string& name = run.run_name.function_name;
            m_wall[name] = run.GetAdjustedRealTime();
            const auto child = run.counters.find("child_cpu_ms");
            m_cpu[name] =
                child != run.counters.end() ? child->second.value : run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatio(const char* what, const std::string& ours, const std::string& theirs) {
        if (!m_wall.count(ours) || !m_wall.count(theirs) || m_wall[theirs] <= 0 ||
            m_cpu[theirs] <= 0) {
            return;
        }
        std::printf(
            "%s: wall ours %.1f ms / jpegtran %.1f ms = %.3f; CPU ours %.1f ms / jpegtran "
            "%.1f ms = %.3f (target <= 1.1)\n",
            what, m_wall[ours], m_wall[theirs], m_wall[ours] / m_wall[theirs], m_cpu[ours],
            m_cpu[theirs], m_cpu[ours] / m_cpu[theirs]);
    }

private:
    std::map<std::string, double> m_wall;
    std::map<std::string, double> m_cpu;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    try {
        files();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_lossless_cut: %s\n", e.what());
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("lossless cut 4000 x 2667 of 6000 x 4000, to disk",
                        "BM_LosslessCut_OursToDisk", "BM_LosslessCut_Jpegtran");
    reporter.printRatio("lossless cut 4000 x 2667 of 6000 x 4000, written without syncs",
                        "BM_LosslessCut_OursUnsynced", "BM_LosslessCut_Jpegtran");
    reporter.printRatio("lossless cut 4000 x 2667 of 6000 x 4000, in memory",
                        "BM_LosslessCut_OursInMemory", "BM_LosslessCut_Jpegtran");
    benchmark::Shutdown();
    return 0;
}
