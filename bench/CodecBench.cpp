// Decoding a 24-megapixel photograph and encoding a 4000 x 2667 cut at
// quality 100, each next to the library's own tools on the same files, and
// our time over theirs (the same library does the work, so the ratio shows
// our overhead). Then what the photo options add: turning a phone's portrait
// photo upright as it is decoded, and carrying its metadata into a cut.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "support/ExifFixtures.h"
#include "support/JpegFixtures.h"

extern char** environ;

namespace {

using pictavo::bench::BenchFiles;

const BenchFiles& files() {
    static const BenchFiles f = pictavo::bench::prepareBenchFiles();
    return f;
}

struct ProgramTimes {
    double wall = -1;  // seconds
    double cpu = -1;   // user + system seconds of the child
};

// One run of a program. The machine is shared, so the child's CPU time is
// kept beside the wall time: it hardly depends on the other load.
ProgramTimes timeProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
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

void BM_Decode24mp_Ours(benchmark::State& state) {
    const std::string path = files().photo24;
    for (auto _ : state) {
        pictavo::Picture p = pictavo::decodeJpegFile(path);
        benchmark::DoNotOptimize(p.scanLine(0));
    }
}

// The photos of one camera share a size: each decode reuses the raster of
// the one before instead of a fresh one from the kernel.
void BM_Decode24mp_OursReusing(benchmark::State& state) {
    const std::string path = files().photo24;
    pictavo::Picture picture;
    for (auto _ : state) {
        picture = pictavo::decodeJpegFileReusing(path, std::move(picture));
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

void BM_Decode24mp_Djpeg(benchmark::State& state) {
    runProgram(state, {"djpeg", "-outfile", "/dev/null", files().photo24});
}

void BM_EncodeCut_Ours(benchmark::State& state) {
    const pictavo::Picture picture = pictavo::decodeJpegFile(files().photo24);
    const pictavo::Rect cut{1000, 667, 5000, 3334};
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes = pictavo::encodeJpeg(picture, cut, 100);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_EncodeCut_Cjpeg(benchmark::State& state) {
    runProgram(state, {"cjpeg", "-quality", "100", "-dct", "float", "-outfile", files().scratch,
                       files().cutPpm});
}

// The 24-megapixel photo as a phone stores a portrait: orientation 6, a
// thumbnail, a colour profile of the usual size.
const std::string& phonePhoto() {
    static const std::string path = [] {
        using namespace pictavo::test;
        ExifFixture exif;
        exif.orientation = 6;
        exif.pixelWidth = 6000;
        exif.pixelHeight = 4000;
        JpegFixtureOptions thumbnail;
        thumbnail.width = 160;
        thumbnail.height = 120;
        exif.thumbnail = makeJpegFixture(thumbnail);
        std::vector<Segment> segments{{0xE1, makeExifBlock(exif)}};
        for (Segment& s : iccSegments(makeIccProfile("RGB ", 3144))) {
            segments.push_back(std::move(s));
        }
        const std::string tagged = files().scratch + ".phone.jpg";
        writeBytes(tagged, withSegments(readBytes(files().photo24), segments));
        return tagged;
    }();
    return path;
}

// The same file decoded as stored and decoded upright: the difference is
// what turning costs.
void BM_DecodePhone_AsStored(benchmark::State& state) {
    pictavo::Picture picture;
    for (auto _ : state) {
        picture = pictavo::decodeJpeg(phonePhoto(), {}, std::move(picture)).picture;
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

void BM_DecodePhone_Upright(benchmark::State& state) {
    pictavo::Picture picture;
    for (auto _ : state) {
        picture = pictavo::decodeJpeg(phonePhoto(), {true, false}, std::move(picture)).picture;
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

// A small cut with and without the phone photo's metadata: the difference is
// what keeping it adds to a save (reading the EXIF block again, making it
// true for the cut, writing the segments).
void encodeSmallCut(benchmark::State& state, bool keep) {
    const pictavo::DecodedJpeg source = pictavo::decodeJpeg(phonePhoto(), {true, true});
    const pictavo::Rect cut{100, 100, 164, 164};
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes =
            pictavo::encodeJpeg(source.picture, cut, 100, keep ? &source.metadata : nullptr);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_EncodeSmallCut_Plain(benchmark::State& state) {
    encodeSmallCut(state, false);
}

void BM_EncodeSmallCut_KeepingMetadata(benchmark::State& state) {
    encodeSmallCut(state, true);
}

constexpr int kRepetitions = 7;

BENCHMARK(BM_Decode24mp_Ours)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Decode24mp_OursReusing)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Decode24mp_Djpeg)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeCut_Ours)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeCut_Cjpeg)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodePhone_AsStored)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodePhone_Upright)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeSmallCut_Plain)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeSmallCut_KeepingMetadata)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

// Keeps the medians of wall and CPU time so the ratios can be printed after
// the run.
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
            "%s: wall ours %.1f ms / theirs %.1f ms = %.3f; CPU ours %.1f ms / theirs %.1f ms "
            "= %.3f (target <= 1.05)\n",
            what, m_wall[ours], m_wall[theirs], m_wall[ours] / m_wall[theirs], m_cpu[ours],
            m_cpu[theirs], m_cpu[ours] / m_cpu[theirs]);
    }

    // What `with` takes beyond `without`, against the most it may add.
    void printExtra(const char* what, const std::string& with, const std::string& without,
                    const char* unit, double target) {
        if (!m_wall.count(with) || !m_wall.count(without)) {
            return;
        }
        std::printf("%s: %.3f %s - %.3f %s = %.3f %s extra (target <= %.0f %s)\n", what,
                    m_wall[with], unit, m_wall[without], unit, m_wall[with] - m_wall[without], unit,
                    target, unit);
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
        std::fprintf(stderr, "bench_codec: %s\n", e.what());
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("decode 6000 x 4000, fresh raster", "BM_Decode24mp_Ours",
                        "BM_Decode24mp_Djpeg");
    reporter.printRatio("decode 6000 x 4000, reused raster", "BM_Decode24mp_OursReusing",
                        "BM_Decode24mp_Djpeg");
    reporter.printRatio("encode 4000 x 2667 q100", "BM_EncodeCut_Ours", "BM_EncodeCut_Cjpeg");
    reporter.printExtra("turning a 6000 x 4000 phone photo upright", "BM_DecodePhone_Upright",
                        "BM_DecodePhone_AsStored", "ms", 40);
    reporter.printExtra("keeping the phone photo's metadata in a cut",
                        "BM_EncodeSmallCut_KeepingMetadata", "BM_EncodeSmallCut_Plain", "us", 2000);
    benchmark::Shutdown();
    return 0;
}
