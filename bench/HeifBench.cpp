// Decoding a 12-megapixel HEIC photo (4032 x 3024, as phones write them)
// into a picture, next to libheif's own heif-convert on the same file in the
// same run: to PNG (what a person would convert to) and to Y4M (decoding
// alone, no colour conversion: the least any decode can take).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "core/PictureFile.h"

extern char** environ;

namespace {

struct ProgramTimes {
    double wall = -1;  // seconds
    double cpu = -1;   // user + system seconds of the child
};

ProgramTimes timeProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return {};
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {took.count(), seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

// The phone photo, made once from a photograph: scaled to cover 4032 x 3024,
// cut around its centre, encoded by heif-enc at quality 90.
const std::string& heic12mp() {
    static const std::string path = [] {
        const pictavo::bench::BenchFiles files = pictavo::bench::prepareBenchFiles();
        const std::string folder = pictavo::bench::scratchFolder("heif");
        const std::string png = folder + "/phone.png";
        const std::string heic = folder + "/phone.heic";
        if (timeProgram({"convert", files.photo24, "-resize", "4032x3024^", "-gravity", "center",
                         "-extent", "4032x3024", png})
                    .wall < 0 ||
            timeProgram({"heif-enc", "-q", "90", png, "-o", heic}).wall < 0) {
            throw std::runtime_error("cannot make the HEIC photo with convert and heif-enc");
        }
        std::remove(png.c_str());
        return heic;
    }();
    return path;
}

void runProgram(benchmark::State& state, const std::vector<std::string>& args) {
    double cpu = 0;
    for (auto _ : state) {
        const ProgramTimes times = timeProgram(args);
        if (times.wall < 0) {
            state.SkipWithError(("cannot run " + args[0]).c_str());
            return;
        }
        state.SetIterationTime(times.wall);
        cpu += times.cpu;
    }
    state.counters["child_cpu_ms"] =
        benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
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
    runProgram(state, {"heif-convert", heic12mp(),
                       pictavo::bench::scratchFolder("heif-out") + "/out.png"});
}

void BM_DecodeHeic12mp_HeifConvertY4m(benchmark::State& state) {
    runProgram(state, {"heif-convert", heic12mp(),
                       pictavo::bench::scratchFolder("heif-out") + "/out.y4m"});
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

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name != "median") {
                continue;
            }
            const std::string& name = run.run_name.function_name;
            m_wall[name] = run.GetAdjustedRealTime();
            const auto cpu = run.counters.find("child_cpu_ms");
            m_cpu[name] = cpu != run.counters.end() ? cpu->second.value : -1;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatio(const char* what, const std::string& ours, const std::string& theirs) {
        if (!m_wall.count(ours) || !m_wall.count(theirs) || m_wall[theirs] <= 0 ||
            m_cpu[theirs] <= 0) {
            return;
        }
        std::printf(
            "%s: wall ours %.1f ms / theirs %.1f ms = %.3f; CPU ours %.1f ms / theirs %.1f ms "
            "= %.3f (target <= 1.1)\n",
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
        heic12mp();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_heif: %s\n", e.what());
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("decode HEIC 4032 x 3024 against heif-convert to PNG",
                        "BM_DecodeHeic12mp_Ours", "BM_DecodeHeic12mp_HeifConvertPng");
    reporter.printRatio("decode HEIC 4032 x 3024 against heif-convert to Y4M",
                        "BM_DecodeHeic12mp_Ours", "BM_DecodeHeic12mp_HeifConvertY4m");
    benchmark::Shutdown();
    return 0;
}
