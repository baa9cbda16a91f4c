#include <gtest/gtest.h>

#include <filesystem>

#include "core/JpegDecoder.h"
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
