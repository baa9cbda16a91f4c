// The time and memory a cut of an extreme shape takes: a 1 x 60000 strip
// photograph turned upright and framed at 3:2 is a 60000 x 40000 cut, black
// but for one row. The cut is written in a child process, so the peak
// resident memory reported is that of the write alone.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <chrono>

#include "core/JpegEncoder.h"
#include "core/Picture.h"
#include "core/Rect.h"

namespace {

void BM_ExtremeCut(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("cut.jpg")).toStdString();
    pictavo::Picture strip(60000, 1);
    strip.fill(40, 90, 160);
    const pictavo::Rect cut{0, -20000, 60000, 20000};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                pictavo::writeJpegFile(strip, cut, 90, path);
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        int status = 0;
        rusage usage{};
        if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("the cut was not written");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        struct stat st {};
        ::stat(path.c_str(), &st);
        state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
        state.counters["file_MB"] = static_cast<double>(st.st_size) / (1 << 20);
    }
}
BENCHMARK(BM_ExtremeCut)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
