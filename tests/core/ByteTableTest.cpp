#include "core/ByteTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/WideVectors.h"

TEST(MapBytes, EveryByteGoesThroughTheTableAtAnyLengthAndOffset) {
    pictavo::ByteTable table;
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<std::uint8_t>(c * 37 + 11);  // no two entries alike
    }
    std::vector<std::uint8_t> in(300);
    for (std::size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<std::uint8_t>(i * 89 + (i >> 3));
    }
    // Lengths around the 64-byte steps of the wide path, from unaligned starts.
    for (const std::size_t offset : {0u, 1u, 5u}) {
        for (const std::size_t count : {0u, 1u, 63u, 64u, 65u, 129u, 200u}) {
            std::vector<std::uint8_t> out(in.size(), 0xEE);
            pictavo::MapBytes(in.data() + offset, out.data() + offset, count, table);
            for (std::size_t i = 0; i < out.size(); ++i) {
                const bool inside = i >= offset && i < offset + count;
                ASSERT_EQ(out[i], inside ? table[in[i]] : 0xEE)
                    << offset << "+" << count << " @" << i;
            }
        }
    }
    // In place.
    std::vector<std::uint8_t> same = in;
    pictavo::MapBytes(same.data(), same.data(), same.size(), table);
    for (std::size_t i = 0; i < same.size(); ++i) {
        ASSERT_EQ(same[i], table[in[i]]);
    }
}

// The test command runs the pixel loop tests again with PICTAVO_PLAIN_LOOPS
// set; they then test the plain loops only if no vector path is taken.
TEST(WideVectors, PlainLoopsAreForcedFromTheEnvironment) {
    const char* value = std::getenv("PICTAVO_PLAIN_LOOPS");
    const bool asked = value && *value && std::string_view(value) != "0";
    EXPECT_EQ(pictavo::plainLoopsForced(), asked);
    if (asked) {
        EXPECT_FALSE(pictavo::haveWideVectors());
        EXPECT_FALSE(pictavo::haveWideByteLookup());
    }
}
