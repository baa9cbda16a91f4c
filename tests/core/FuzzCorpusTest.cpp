#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "core/ExifBlock.h"
#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "core/PictureFile.h"
#include "support/JpegFixtures.h"

using namespace pictavo;

// Every input the fuzzer was seeded with (made by core_make_fuzz_corpus) or
// found (found-*, minimised with -merge=1) stays handled: it decodes or fails
// with a JpegError, under the sanitizers in the test command too.
TEST(FuzzCorpus, EveryFileDecodesOrFailsCleanly) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PICTAVO_FUZZ_CORPUS)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        ++files;
        const std::string path = entry.path().string();
        const std::vector<std::uint8_t> bytes = test::readBytes(path);
        for (const bool fromFile : {true, false}) {
            try {
                const Picture p =
                    fromFile ? decodeJpegFile(path, std::size_t{64} << 20)
                             : decodeJpegMemory(bytes.data(), bytes.size(), std::size_t{64} << 20);
                EXPECT_GE(p.width(), 1) << path;
            } catch (const JpegError& e) {
                EXPECT_STRNE(e.what(), "") << path;
            }
        }
    }
    EXPECT_GE(files, 50);
}

// The same inputs as the fuzz target takes them: turned, with metadata kept
// and carried into a written cut, and read as an EXIF block on their own.
TEST(FuzzCorpus, MetadataPathsHandleEveryFile) {
    for (const auto& entry : std::filesystem::directory_iterator(PICTAVO_FUZZ_CORPUS)) {
        const std::vector<std::uint8_t> bytes = test::readBytes(entry.path().string());
        if (auto block = ExifBlock::parse(bytes.data(), bytes.size())) {
            EXPECT_FALSE(block->forPicture(10, 10, true).empty()) << entry.path();
        }
        try {
            const DecodedJpeg d =
                decodeJpegMemory(bytes.data(), bytes.size(), {true, true}, std::size_t{64} << 20);
            if (d.picture.width() <= 512 && d.picture.height() <= 512) {
                encodeJpeg(d.picture, {0, 0, d.picture.width(), d.picture.height()}, 90,
                           &d.metadata);
            }
        } catch (const JpegError& e) {
            EXPECT_STRNE(e.what(), "") << entry.path();
        }
    }
}

// The EXIF fuzzer's inputs (blocks taken from the decoder's corpus, and what
// it found) as it takes them: a block or none, and a block written for a
// picture reads back whole, upright when the pixels were turned.
TEST(FuzzCorpus, EveryExifBlockWrittenReadsBack) {
    int blocks = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PICTAVO_EXIF_CORPUS)) {
        const std::vector<std::uint8_t> bytes = test::readBytes(entry.path().string());
        for (const bool turned : {false, true}) {
            std::optional<ExifBlock> block = ExifBlock::parse(bytes.data(), bytes.size());
            if (!block) {
                continue;
            }
            blocks += turned ? 1 : 0;
            const Orientation stated = block->orientation();
            const std::vector<std::uint8_t> written = block->forPicture(33, 65536, turned);
            if (written.empty()) {
                continue;
            }
            const std::optional<ExifBlock> again = ExifBlock::parse(written.data(), written.size());
            ASSERT_TRUE(again) << entry.path();
            EXPECT_EQ(again->orientation(), turned ? Orientation::Normal : stated) << entry.path();
        }
    }
    EXPECT_GE(blocks, 20);
}

// The seeds and findings of the HEIF and Qt reader fuzzers, both ways each
// path takes them: a 24-bit picture or a JpegError. The seeds are pictures
// heif-enc and ImageMagick made, so each format decodes at least once.
TEST(FuzzCorpus, EveryPictureOfAnotherFormatDecodesOrFailsCleanly) {
    int heif = 0;
    int others = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PICTAVO_FORMATS_CORPUS)) {
        const std::vector<std::uint8_t> bytes = test::readBytes(entry.path().string());
        for (const DecodeOptions options :
             {DecodeOptions{false, false}, DecodeOptions{true, true}}) {
            try {
                heif += decodeHeifMemory(bytes.data(), bytes.size(), options, std::size_t{64} << 20)
                                .picture.isNull()
                            ? 0
                            : 1;
            } catch (const JpegError& e) {
                EXPECT_STRNE(e.what(), "") << entry.path();
            }
            try {
                others += decodeImageReaderMemory(bytes.data(), bytes.size(), options,
                                                  std::size_t{64} << 20)
                                  .picture.isNull()
                              ? 0
                              : 1;
            } catch (const JpegError& e) {
                EXPECT_STRNE(e.what(), "") << entry.path();
            }
        }
    }
    EXPECT_GE(heif, 2 * 3);
    EXPECT_GE(others, 2 * 8);
}
