#include "core/JpegEncoder.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/JpegDecoder.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

// Busy pixels: the pattern plus noise, so every coefficient and table entry
// matters.
Picture busyPicture(int width, int height) {
    Picture p = fixturePicture(width, height);
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = p.scanLine(y);
        for (int i = 0; i < width * 3; ++i) {
            seed = seed * 1103515245u + 12345u;
            row[i] = static_cast<std::uint8_t>(row[i] + ((seed >> 16) % 41) - 20);
        }
    }
    return p;
}

// What the library's own tool writes for the same pixels.
std::vector<std::uint8_t> cjpegBytes(const TempDir& dir, const Picture& picture, const Rect& area,
                                     int quality) {
    std::vector<std::uint8_t> bytes = cjpegReference(picture, area, quality, dir.path());
    EXPECT_FALSE(bytes.empty());
    return bytes;
}

class EncodeMatchesCjpeg : public testing::TestWithParam<int> {};

TEST_P(EncodeMatchesCjpeg, WholePicture) {
    TempDir dir;
    const Picture picture = busyPicture(67, 45);
    const Rect all{0, 0, 67, 45};
    EXPECT_EQ(encodeJpeg(picture, all, GetParam()), cjpegBytes(dir, picture, all, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Qualities, EncodeMatchesCjpeg, testing::Values(1, 37, 90, 100));

TEST(JpegEncoder, CutsMatchCjpegAndAreBlackOutsideThePicture) {
    TempDir dir;
    const Picture picture = busyPicture(80, 60);
    const Rect cuts[] = {
        {10, 5, 73, 50},      // inside
        {-7, 20, 50, 71},     // over the left and bottom edges
        {60, -9, 95, 30},     // over the right and top edges
        {-5, -5, 85, 65},     // around the whole picture
        {100, 100, 120, 110}  // beside it: all black
    };
    for (const Rect& cut : cuts) {
        EXPECT_EQ(encodeJpeg(picture, cut, 90), cjpegBytes(dir, picture, cut, 90))
            << cut.left << "," << cut.top << "," << cut.right << "," << cut.bottom;
    }
}

// A grey source still gives a three-component colour file.
TEST(JpegEncoder, GreyPicturesAreWrittenWithThreeComponents) {
    TempDir dir;
    JpegFixtureOptions o;
    o.colour = JpegFixtureOptions::Colour::Grey;
    const Picture grey = decodeJpegFile(writeJpegFixture(dir.path(), "g.jpg", o));
    const std::vector<std::uint8_t> out =
        encodeJpeg(grey, Rect{0, 0, grey.width(), grey.height()}, 80);
    const std::size_t sof = findStartOfFrame(out);
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ(out[sof + 1], 0xC0);  // baseline
    EXPECT_EQ(out[sof + 9], 3);
    EXPECT_EQ(std::string(out.begin() + 6, out.begin() + 11), std::string("JFIF\0", 5));
}

// Outputs of several hundred kilobytes are the same bytes in memory and on
// disk as the library's tool writes.
TEST(JpegEncoder, LargeOutputsMatchCjpeg) {
    TempDir dir;
    const Picture picture = busyPicture(640, 480);
    const Rect all{0, 0, 640, 480};
    const std::vector<std::uint8_t> expected = cjpegBytes(dir, picture, all, 100);
    ASSERT_GT(expected.size(), 300000u);
    EXPECT_EQ(encodeJpeg(picture, all, 100), expected);
    writeJpegFile(picture, all, 100, dir.file("big.jpg"));
    EXPECT_EQ(readBytes(dir.file("big.jpg")), expected);
}

// The peak resident memory of a child process that runs `work`, beyond that of
// one that does nothing; -1 when the work failed.
template <class Work>
long long extraPeakBytes(Work work) {
    const auto peakOf = [](const auto& job) -> long long {
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                job();
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        int status = 0;
        rusage usage{};
        if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            return -1;
        }
        return static_cast<long long>(usage.ru_maxrss) * 1024;
    };
    const long long idle = peakOf([] {});
    const long long busy = peakOf(work);
    return idle < 0 || busy < 0 ? -1 : busy - idle;
}

// A strip photograph turned upright and framed at the frame's ratio: a cut of
// 48 megapixels that is black but for one row. Its memory follows its few
// bytes, not its pixel count.
TEST(JpegEncoder, AHugeMostlyBlackCutTakesMemoryForItsBytesOnly) {
    TempDir dir;
    Picture strip(6000, 1);
    strip.fill(200, 120, 40);
    const Rect cut{0, -4000, 6000, 4000};
    constexpr long long kPixels = 6000LL * 8000;
    const long long inMemory = extraPeakBytes([&] {
        if (encodeJpeg(strip, cut, 90).size() > kPixels / 16) {
            throw std::runtime_error("unexpected size");
        }
    });
    const long long onDisk =
        extraPeakBytes([&] { writeJpegFile(strip, cut, 90, dir.file("cut.jpg")); });
    ASSERT_GE(inMemory, 0);
    ASSERT_GE(onDisk, 0);
    EXPECT_LT(inMemory, kPixels / 4);
    EXPECT_LT(onDisk, kPixels / 4);

    const std::vector<std::uint8_t> written = readBytes(dir.file("cut.jpg"));
    const std::size_t sof = findStartOfFrame(written);
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ((written[sof + 5] << 8) | written[sof + 6], 8000);  // height
    EXPECT_EQ((written[sof + 7] << 8) | written[sof + 8], 6000);  // width
}

// A file is written as it is encoded: the process never holds its bytes.
// The file is large beside what the encoder itself needs (a few megabytes
// under the address sanitizer), so holding it whole would show.
TEST(JpegEncoder, AWrittenFileIsNeverHeldInMemory) {
    TempDir dir;
    const Picture picture = busyPicture(3600, 2400);
    const Rect all{0, 0, 3600, 2400};
    const std::vector<std::uint8_t> expected = encodeJpeg(picture, all, 100);
    ASSERT_GT(expected.size(), std::size_t{8} << 20);
    const long long onDisk =
        extraPeakBytes([&] { writeJpegFile(picture, all, 100, dir.file("cut.jpg")); });
    ASSERT_GE(onDisk, 0);
    EXPECT_LT(onDisk, static_cast<long long>(expected.size() / 2));
    EXPECT_EQ(readBytes(dir.file("cut.jpg")), expected);
}

TEST(JpegEncoder, RefusesWhatCannotBeEncoded) {
    const Picture picture = busyPicture(8, 8);
    EXPECT_THROW(encodeJpeg(picture, Rect{0, 0, 8, 8}, 0), JpegError);
    EXPECT_THROW(encodeJpeg(picture, Rect{0, 0, 8, 8}, 101), JpegError);
    EXPECT_THROW(encodeJpeg(picture, Rect{4, 0, 4, 8}, 90), JpegError);
    EXPECT_THROW(encodeJpeg(picture, Rect{0, 8, 8, 0}, 90), JpegError);
    EXPECT_THROW(encodeJpeg(picture, Rect{-2147483647 - 1, 0, 2147483647, 8}, 90), JpegError);
    EXPECT_THROW(encodeJpeg(Picture(), Rect{0, 0, 0, 0}, 90), JpegError);
}

TEST(JpegEncoder, WritesTheFileAndReplacesAnOldOne) {
    TempDir dir;
    const Picture picture = busyPicture(30, 20);
    writeBytes(dir.file("out.jpg"), {'o', 'l', 'd'});
    writeJpegFile(picture, Rect{0, 0, 30, 20}, 75, dir.file("out.jpg"));
    EXPECT_EQ(readBytes(dir.file("out.jpg")), encodeJpeg(picture, Rect{0, 0, 30, 20}, 75));
}

}  // namespace
