#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/JpegDecoder.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

// The message of the JpegError that decoding `path` throws ("" if none).
std::string decodeError(const std::string& path, std::size_t budget = defaultDecodeBudget()) {
    try {
        decodeJpegFile(path, budget);
    } catch (const JpegError& e) {
        return e.what();
    }
    return "";
}

std::string memoryError(const std::vector<std::uint8_t>& bytes,
                        std::size_t budget = defaultDecodeBudget()) {
    try {
        decodeJpegMemory(bytes.data(), bytes.size(), budget);
    } catch (const JpegError& e) {
        return e.what();
    }
    return "";
}

JpegFixtureOptions small(bool progressive = false) {
    JpegFixtureOptions o;
    o.width = 64;
    o.height = 48;
    o.progressive = progressive;
    return o;
}

std::vector<std::uint8_t> withFrameSize(std::vector<std::uint8_t> jpeg, int width, int height) {
    const std::size_t sof = findStartOfFrame(jpeg);
    jpeg.at(sof + 5) = static_cast<std::uint8_t>(height >> 8);
    jpeg.at(sof + 6) = static_cast<std::uint8_t>(height);
    jpeg.at(sof + 7) = static_cast<std::uint8_t>(width >> 8);
    jpeg.at(sof + 8) = static_cast<std::uint8_t>(width);
    return jpeg;
}

TEST(JpegBadInput, FilesThatAreNoJpegGiveTheLibrarysText) {
    TempDir dir;
    writeBytes(dir.file("empty.jpg"), {});
    EXPECT_EQ(decodeError(dir.file("empty.jpg")), "Empty input file");
    EXPECT_EQ(memoryError({}), "Empty input file");

    writeBytes(dir.file("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(decodeError(dir.file("text.jpg")), "Not a JPEG file: starts with 0x68 0x65");

    const std::vector<std::uint8_t> jpeg = makeJpegFixture(small());
    const std::size_t sof = findStartOfFrame(jpeg);
    for (const std::size_t cut : {std::size_t{2}, std::size_t{20}, sof + 4, sof + 12}) {
        const std::vector<std::uint8_t> head(jpeg.begin(), jpeg.begin() + cut);
        writeBytes(dir.file("head.jpg"), head);
        EXPECT_NE(decodeError(dir.file("head.jpg")), "") << cut;
        EXPECT_NE(memoryError(head), "") << cut;
    }

    std::vector<std::uint8_t> twelveBit = jpeg;
    twelveBit.at(sof + 4) = 12;
    EXPECT_EQ(memoryError(twelveBit), "Unsupported JPEG data precision 12");
    EXPECT_EQ(memoryError(withFrameSize(jpeg, 0, 48)), "Empty JPEG image (DNL not supported)");
}

TEST(JpegBadInput, PathsThatAreNoFileGiveTheSystemsText) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("x.jpg"));
    EXPECT_EQ(decodeError(dir.file("x.jpg")),
              "Cannot open " + dir.file("x.jpg") + ": Is a directory");
    std::filesystem::create_symlink(dir.file("gone.jpg"), dir.file("link.jpg"));
    EXPECT_EQ(decodeError(dir.file("link.jpg")),
              "Cannot open " + dir.file("link.jpg") + ": No such file or directory");
    // A pipe must not block the load.
    ASSERT_EQ(mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(decodeError(dir.file("pipe.jpg")),
              "Cannot open " + dir.file("pipe.jpg") + ": Invalid argument");
}

// The header alone decides: a huge announced size is refused before any
// raster is allocated, whatever the data behind it.
TEST(JpegBadInput, PicturesOverTheBudgetAreRefusedFromTheHeader) {
    const std::vector<std::uint8_t> jpeg = makeJpegFixture(small());
    for (const bool progressive : {false, true}) {
        const std::vector<std::uint8_t> huge =
            withFrameSize(makeJpegFixture(small(progressive)), 65500, 65500);
        EXPECT_EQ(memoryError(huge), "The picture is too large to load (65500 x 65500 pixels)");
    }
    // 64 x 48 needs 64 * 3 * 48 bytes.
    EXPECT_EQ(memoryError(jpeg, 64 * 3 * 48 - 1),
              "The picture is too large to load (64 x 48 pixels)");
    EXPECT_EQ(memoryError(jpeg, 64 * 3 * 48), "");
    // A progressive file also needs its coefficients (2 bytes each, 1.5 per
    // pixel at 4:2:0) until the last scan: they count against the budget.
    const std::vector<std::uint8_t> progressive =
        withFrameSize(makeJpegFixture(small(true)), 2000, 2000);
    EXPECT_EQ(memoryError(progressive, std::size_t{13} << 20),
              "The picture is too large to load (2000 x 2000 pixels)");
    EXPECT_EQ(memoryError(progressive, std::size_t{40} << 20), "");
    EXPECT_GT(defaultDecodeBudget(), std::size_t{256} << 20);
    EXPECT_LE(defaultDecodeBudget(), std::size_t{2} << 30);
}

// A size within budget whose data is missing decodes to the end (libjpeg
// fills the gap) without hanging.
TEST(JpegBadInput, LargeHeaderWithoutDataLoads) {
    const std::vector<std::uint8_t> jpeg = withFrameSize(makeJpegFixture(small()), 3000, 2000);
    const Picture p = decodeJpegMemory(jpeg.data(), jpeg.size());
    EXPECT_EQ(p.width(), 3000);
    EXPECT_EQ(p.height(), 2000);
}

// Repeating a scan is only a warning to libjpeg, but every scan is another
// pass over the whole picture: thousands of them would keep the load busy for
// minutes, so such files are refused.
TEST(JpegBadInput, EndlessScansAreRefused) {
    const std::vector<std::uint8_t> jpeg = makeJpegFixture(small(true));
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
            lastScan = i;
        }
    }
    auto repeatLastScan = [&](int times) {
        std::vector<std::uint8_t> out(jpeg.begin(), jpeg.end() - 2);
        for (int i = 0; i < times; ++i) {
            out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(lastScan),
                       jpeg.end() - 2);
        }
        out.insert(out.end(), {0xFF, 0xD9});
        return out;
    };
    EXPECT_EQ(memoryError(repeatLastScan(100)), "");
    EXPECT_EQ(memoryError(repeatLastScan(600)), "The JPEG file has too many scans");
}

// What a photo viewer shows, we show: warnings are not failures.
TEST(JpegBadInput, DamagedButDecodableFilesLoadWithTheirData) {
    for (const bool progressive : {false, true}) {
        const std::vector<std::uint8_t> jpeg = makeJpegFixture(small(progressive));
        const Picture intact = decodeJpegMemory(jpeg.data(), jpeg.size());

        std::vector<std::uint8_t> trailing = jpeg;
        trailing.insert(trailing.end(), 500, 0x5A);
        EXPECT_TRUE(samePixels(decodeJpegMemory(trailing.data(), trailing.size()), intact));

        // Junk between two marker segments.
        std::vector<std::uint8_t> junk = jpeg;
        const std::size_t sof = findStartOfFrame(jpeg);
        junk.insert(junk.begin() + static_cast<std::ptrdiff_t>(sof), {1, 2, 3, 4});
        EXPECT_TRUE(samePixels(decodeJpegMemory(junk.data(), junk.size()), intact));

        // Cut in the middle of the last scan's data.
        std::size_t lastScan = 0;
        for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
            if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
                lastScan = i;
            }
        }
        const std::size_t scanData = lastScan + 2 + (jpeg[lastScan + 2] << 8 | jpeg[lastScan + 3]);
        ASSERT_LT(scanData + 20, jpeg.size());
        const std::vector<std::uint8_t> truncated(
            jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>((scanData + jpeg.size()) / 2));
        const Picture cut = decodeJpegMemory(truncated.data(), truncated.size());
        ASSERT_EQ(cut.width(), 64);
        ASSERT_EQ(cut.height(), 48);
        if (!progressive) {
            // The first MCU row was in the file and comes out whole.
            for (int y = 0; y < 8; ++y) {
                EXPECT_EQ(std::memcmp(cut.scanLine(y), intact.scanLine(y), 64 * 3), 0) << y;
            }
        }
    }
}

// Run the probe as nobody: root reads everything, so the permission check
// must come from the kernel for an ordinary user.
TEST(JpegBadInput, UnreadableFileAsUnprivilegedUser) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to switch to an unprivileged user";
    }
    char pattern[] = "/tmp/pictavo-perm.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    chmod(folder.c_str(), 0755);
    const std::string readable = writeJpegFixture(folder, "ok.jpg", small());
    const std::string locked = writeJpegFixture(folder, "locked.jpg", small());
    chmod(readable.c_str(), 0644);
    chmod(locked.c_str(), 0200);
    const std::string out = folder + "/out.txt";
    const SharedReadOnlyDir world;  // the build folder may be private
    const std::string probe = world.copyIn(QString::fromUtf8(PICTAVO_JPEG_PROBE)).toStdString();
    const std::vector<std::string> asNobody = {
        "setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", probe, "decode"};
    auto run = [&](const std::string& file) {
        std::vector<std::string> args = asNobody;
        args.push_back(file);
        const int status = runProgram(args, out);
        std::ifstream in(out);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return std::to_string(status) + ":" + text;
    };
    EXPECT_EQ(run(readable), "0:64 x 48\n");
    EXPECT_EQ(run(locked), "1:Cannot open " + locked + ": Permission denied\n");
    std::filesystem::remove_all(folder);
}

}  // namespace
