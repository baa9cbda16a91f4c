// A batch run through a folder where the photographs are few among many other
// files (a camera's raw files, videos and side files): the time from the start
// of the run to the first picture, and from the last picture to the end of the
// run. Nothing is decoded; the crop window is a stand-in that is done with
// each picture at once.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "app/CropWindowLink.h"
#include "app/FolderWalk.h"

namespace {

using Clock = std::chrono::steady_clock;

// Done with every picture as soon as it is shown; notes when that was.
class InstantCropWindow : public CropWindowLink {
public:
    void show() override { m_visible = true; }
    void hide() override { m_visible = false; }
    bool isVisible() const override { return m_visible; }
    void ShowImage(const QByteArray& /*sourcePath*/, const QByteArray& /*destPath*/) override {
        ++shownCount;
        lastShown = Clock::now();
        if (shownCount == 1) {
            firstShown = lastShown;
        }
        if (escapeOnFirst) {
            m_visible = false;
        }
    }
    int state() const override { return 2; }
    bool recurse() const override { return false; }
    void resetCounters() override {}
    int processed() const override { return shownCount; }
    int cropped() const override { return 0; }

    int shownCount = 0;
    bool escapeOnFirst = false;
    Clock::time_point firstShown;
    Clock::time_point lastShown;

private:
    bool m_visible = false;
};

bool touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

// A folder of `others` raw files sorted before or after `pictures` JPEG files,
// made once per shape and kept for the whole benchmark process.
const QTemporaryDir* folderOf(int others, int pictures, bool othersFirst) {
    static std::map<std::string, std::unique_ptr<QTemporaryDir>> made;
    const std::string key = std::to_string(others) + (othersFirst ? "+" : "-");
    auto& dir = made[key];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        const std::string base = dir->path().toStdString();
        if (!dir->isValid() || !QDir().mkpath(dir->filePath(QStringLiteral("src")))) {
            return nullptr;
        }
        char name[64];
        for (int i = 0; i < others; ++i) {
            std::snprintf(name, sizeof name, "/src/%s%06d.CR2", othersFirst ? "A" : "Z", i);
            if (!touch(base + name)) {
                return nullptr;
            }
        }
        for (int i = 0; i < pictures; ++i) {
            std::snprintf(name, sizeof name, "/src/M%04d.jpg", i);
            if (!touch(base + name)) {
                return nullptr;
            }
        }
    }
    return dir.get();
}

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Other files before the first picture: the run is left with Esc on it.
void BM_WalkToFirstPicture(benchmark::State& state) {
    const QTemporaryDir* dir = folderOf(static_cast<int>(state.range(0)), 1, true);
    if (!dir) {
        state.SkipWithError("cannot make the folder");
        return;
    }
    for (auto _ : state) {
        InstantCropWindow crop;
        crop.escapeOnFirst = true;
        FolderWalk* running = nullptr;
        FolderWalk walk([&running] { running->TimerTick(); });
        running = &walk;
        walk.setCropWindow(&crop);
        const Clock::time_point start = Clock::now();
        walk.Run(dir->filePath(QStringLiteral("src")), dir->filePath(QStringLiteral("out")));
        if (crop.shownCount != 1) {
            state.SkipWithError("the picture was not shown");
            return;
        }
        state.SetIterationTime(secondsBetween(start, crop.firstShown));
    }
}
BENCHMARK(BM_WalkToFirstPicture)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Other files after the last of a few pictures: the time the run takes to end
// once the user is done with that picture.
void BM_WalkEndAfterLastPicture(benchmark::State& state) {
    constexpr int kPictures = 3;
    const QTemporaryDir* dir = folderOf(static_cast<int>(state.range(0)), kPictures, false);
    if (!dir) {
        state.SkipWithError("cannot make the folder");
        return;
    }
    for (auto _ : state) {
        InstantCropWindow crop;
        FolderWalk* running = nullptr;
        FolderWalk walk([&running] { running->TimerTick(); });
        running = &walk;
        walk.setCropWindow(&crop);
        walk.Run(dir->filePath(QStringLiteral("src")), dir->filePath(QStringLiteral("out")));
        const Clock::time_point end = Clock::now();
        if (crop.shownCount != kPictures) {
            state.SkipWithError("the pictures were not all shown");
            return;
        }
        state.SetIterationTime(secondsBetween(crop.lastShown, end));
    }
}
BENCHMARK(BM_WalkEndAfterLastPicture)->Arg(20000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
