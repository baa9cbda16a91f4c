// Kills a run of cuts at random moments: every cut is then either absent or
// exactly the one an undisturbed run writes, and the cuts on disk are the
// first ones of the run (the writer finishes each before the next), which is
// what lets a resume point that counts them never pass a missing cut.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/JpegFixtures.h"
#include "support/TempDir.h"

extern char** environ;

using namespace pictavo::test;

namespace {

constexpr int kPictures = 6;
constexpr int kKills = 30;

pid_t start(const std::string& dest, const std::vector<std::string>& pictures) {
    std::vector<std::string> args{PICTAVO_CUT_KILL_DRIVER, dest};
    args.insert(args.end(), pictures.begin(), pictures.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// Built up in steps: GCC 12 warns wrongly about the one-line sum.
std::string named(const char* prefix, int i, const char* suffix) {
    std::string name(prefix);
    name += std::to_string(i);
    name += suffix;
    return name;
}

std::string cutName(int i) {
    return named("cut", i, ".jpg");
}

}  // namespace

TEST(CutKill, EveryCutIsAbsentOrCompleteAndTheWrittenOnesComeFirst) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TempDir dir;
    std::vector<std::string> pictures;
    for (int i = 0; i < kPictures; ++i) {
        JpegFixtureOptions o;
        o.width = 2400 - 100 * i;
        o.height = 1600;
        pictures.push_back(writeJpegFixture(dir.path(), named("p", i, ".jpg"), o));
    }

    // An undisturbed run: the cuts every other one must match.
    const std::string reference = dir.file("reference");
    std::filesystem::create_directory(reference);
    const auto began = std::chrono::steady_clock::now();
    const pid_t whole = start(reference, pictures);
    ASSERT_GT(whole, 0);
    const int status = waitFor(whole);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const auto runTime = std::chrono::steady_clock::now() - began;
    std::vector<std::vector<std::uint8_t>> expected;
    for (int i = 0; i < kPictures; ++i) {
        expected.push_back(readBytes(reference + "/" + cutName(i)));
        ASSERT_FALSE(expected.back().empty()) << i;
    }

    // Kills spread over the whole run, from start-up to the last sync.
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> within(0, 1);
    int killedWithSomeWritten = 0;
    for (int k = 0; k < kKills; ++k) {
        SCOPED_TRACE(k);
        const std::string dest = dir.file(named("run", k, ""));
        std::filesystem::create_directory(dest);
        const pid_t pid = start(dest, pictures);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(runTime * ((k + within(random)) / kKills));
        ::kill(pid, SIGKILL);
        waitFor(pid);

        int present = 0;
        bool gap = false;
        for (int i = 0; i < kPictures; ++i) {
            const std::string path = dest + "/" + cutName(i);
            if (!std::filesystem::exists(path)) {
                gap = true;
                continue;
            }
            EXPECT_FALSE(gap) << cutName(i) << " is on disk after a missing one";
            EXPECT_TRUE(readBytes(path) == expected[i]) << cutName(i) << " is not complete";
            ++present;
        }
        killedWithSomeWritten += present > 0 && present < kPictures ? 1 : 0;
    }
    // The kills did land inside the writing, not only before or after it.
    EXPECT_GT(killedWithSomeWritten, 0);
}
