#include "crop/Prefetcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

#include "core/JpegDecoder.h"
#include "crop/PicturePyramid.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

bool samePixels(const Picture& a, const Picture& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.scanLine(y), b.scanLine(y), static_cast<std::size_t>(a.width()) * 3) != 0)
            return false;
    return true;
}

void setMtime(const std::string& path, long seconds) {
    struct utimbuf times {
        seconds, seconds
    };
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

}  // namespace

TEST(Prefetcher, HandsOverTheDecodedPictureOnce) {
    TempDir dir;
    JpegFixtureOptions o;
    o.width = 300;
    o.height = 200;
    const std::string path = writeJpegFixture(dir.path(), "next.jpg", o);
    Prefetcher prefetcher;
    prefetcher.prefetch(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto picture = prefetcher.take(path);
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(samePixels(picture->picture, decodeJpegFile(path)));
    EXPECT_FALSE(prefetcher.take(path).has_value());
}

TEST(Prefetcher, TakeWaitsForADecodeInProgress) {
    TempDir dir;
    JpegFixtureOptions o;
    o.width = 3000;
    o.height = 2000;
    o.progressive = true;
    const std::string path = writeJpegFixture(dir.path(), "large.jpg", o);
    Prefetcher prefetcher;
    prefetcher.prefetch(path);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (prefetcher.decodingPath() != path && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    ASSERT_EQ(prefetcher.decodingPath(), path);
    const auto picture = prefetcher.take(path);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->picture.width(), 3000);
    EXPECT_EQ(picture->picture.height(), 2000);
    // Halved while the short side stays at 512 or more: 1500 x 1000 only.
    ASSERT_EQ(picture->halvings.size(), 1u);
    EXPECT_TRUE(samePixels(picture->halvings[0], halved(picture->picture)));
}

TEST(Prefetcher, NoHalvingsWhileTheyAreNotWanted) {
    TempDir dir;
    JpegFixtureOptions o;
    o.width = 3000;
    o.height = 2000;
    const std::string path = writeJpegFixture(dir.path(), "large.jpg", o);
    Prefetcher prefetcher;
    std::atomic<bool> wanted{false};
    prefetcher.setMakeHalvings([&] { return wanted.load(); });
    // Taken once the worker has started on it.
    prefetcher.prefetch(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto picture = prefetcher.take(path);
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(picture->halvings.empty());
    // Asked again for the next picture.
    wanted = true;
    prefetcher.prefetch(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    picture = prefetcher.take(path);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->halvings.size(), 1u);
}

// Made a band at a time, the level is the pyramid's own, whatever the number
// of halvings, odd sides and bands cut short at the bottom.
TEST(Prefetcher, HalvedToCoverIsThePyramidsLevel) {
    struct Row {
        int width, height, coverWidth, coverHeight, levelWidth;
    };
    const Row rows[] = {
        {1030, 523, 100, 60, 128},   // three halvings, bands of the last one short
        {1031, 777, 515, 300, 515},  // one, odd sides
        {2049, 1031, 600, 200, 1024}, {640, 480, 640, 480, 640},  // none: the picture itself
        {640, 480, 900, 900, 640},                                // larger than the picture
    };
    for (const Row& row : rows) {
        Picture picture(row.width, row.height);
        unsigned seed = 7;
        for (int y = 0; y < row.height; ++y) {
            std::uint8_t* p = picture.scanLine(y);
            for (int i = 0; i < row.width * 3; ++i) {
                seed = seed * 1103515245u + 12345u;
                p[i] = static_cast<std::uint8_t>(seed >> 16);
            }
        }
        PicturePyramid pyramid;
        pyramid.reset(&picture);
        const Picture& expected = pyramid.levelFor(row.coverWidth, row.coverHeight);
        const Picture level = halvedToCover(picture, row.coverWidth, row.coverHeight);
        EXPECT_EQ(level.width(), row.levelWidth) << row.width << " x " << row.height;
        EXPECT_TRUE(samePixels(level, expected)) << row.width << " x " << row.height;
    }
}

TEST(Prefetcher, OnlyThePathAskedForIsHandedOver) {
    TempDir dir;
    const std::string a = writeJpegFixture(dir.path(), "a.jpg", {});
    const std::string b = writeJpegFixture(dir.path(), "b.jpg", {});
    Prefetcher prefetcher;
    prefetcher.prefetch(a);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(prefetcher.take(b).has_value());
    // Asking for another file drops the first.
    prefetcher.prefetch(b);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(prefetcher.take(a).has_value());
    EXPECT_TRUE(prefetcher.take(b).has_value());
}

TEST(Prefetcher, ChangedFileIsNotHandedOver) {
    TempDir dir;
    JpegFixtureOptions o;
    const std::string path = writeJpegFixture(dir.path(), "a.jpg", o);
    setMtime(path, 1'600'000'000);
    Prefetcher prefetcher;

    // Same size, other modification time.
    prefetcher.prefetch(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    setMtime(path, 1'600'000'100);
    EXPECT_FALSE(prefetcher.take(path).has_value());

    // Other size (rewritten with another picture), same modification time.
    prefetcher.prefetch(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    o.width = 64;
    writeJpegFixture(dir.path(), "a.jpg", o);
    setMtime(path, 1'600'000'100);
    EXPECT_FALSE(prefetcher.take(path).has_value());

    // Unchanged since: handed over.
    prefetcher.prefetch(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto picture = prefetcher.take(path);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->picture.width(), 64);
    EXPECT_TRUE(picture->halvings.empty());
}

TEST(Prefetcher, FailureAheadOfTimeLeavesTheLoadToTheCaller) {
    TempDir dir;
    const std::string broken = dir.file("broken.jpg");
    writeBytes(broken, {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'x', 'y'});
    Prefetcher prefetcher;
    prefetcher.prefetch(broken);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(prefetcher.take(broken).has_value());
    prefetcher.prefetch(dir.file("missing.jpg"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(prefetcher.take(dir.file("missing.jpg")).has_value());
}

TEST(Prefetcher, PictureOverTheBudgetIsLeftToTheCaller) {
    TempDir dir;
    JpegFixtureOptions o;
    o.width = 400;
    o.height = 300;
    const std::string path = writeJpegFixture(dir.path(), "big.jpg", o);
    Prefetcher prefetcher(100 * 1000);  // less than 400 x 300 x 3
    prefetcher.prefetch(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(prefetcher.take(path).has_value());
}

TEST(Prefetcher, DestroyedWhileDecoding) {
    TempDir dir;
    JpegFixtureOptions o;
    o.width = 2000;
    o.height = 1500;
    const std::string path = writeJpegFixture(dir.path(), "a.jpg", o);
    for (int i = 0; i < 3; ++i) {
        Prefetcher prefetcher;
        prefetcher.prefetch(path);
    }
    SUCCEED();
}

TEST(Prefetcher, FinishingStepRunsForTheLatestPlace) {
    // The step sees the decoded picture and the place given last before it
    // ran; a step that throws still hands the picture over, unfinished.
    TempDir dir;
    JpegFixtureOptions o;
    o.width = 2400;
    o.height = 1600;
    o.progressive = true;
    const std::string path = writeJpegFixture(dir.path(), "placed.jpg", o);
    const ShowPlace first{{1280, 800}, {1280, 800}, 1};
    const ShowPlace moved{{1024, 768}, {1024, 768}, 2};
    struct Row {
        const char* what;
        bool throws;
        bool movedBeforeDecode;
    } const rows[] = {
        {"place as named", false, false},
        {"place changed before the decode", false, true},
        {"step throws", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Prefetcher prefetcher;
        prefetcher.setFinish([&row](const Prefetched& ahead, const ShowPlace& place) -> std::any {
            if (row.throws)
                throw std::runtime_error("no memory");
            return std::pair<int, ShowPlace>(ahead.picture.width(), place);
        });
        // Named again for the same file at once, while it is decoded: the
        // step takes the newer place.
        prefetcher.prefetch(path, {}, first);
        if (row.movedBeforeDecode)
            prefetcher.prefetch(path, {}, moved);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto picture = prefetcher.take(path);
        ASSERT_TRUE(picture.has_value());
        EXPECT_TRUE(samePixels(picture->picture, decodeJpegFile(path)));
        const auto* finished = std::any_cast<std::pair<int, ShowPlace>>(&picture->finished);
        if (row.throws) {
            EXPECT_EQ(finished, nullptr);
            continue;
        }
        ASSERT_NE(finished, nullptr);
        EXPECT_EQ(finished->first, 2400);
        EXPECT_TRUE(finished->second == (row.movedBeforeDecode ? moved : first));
    }
}
