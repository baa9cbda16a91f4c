// The Latin letter of a physical key under Latin, Cyrillic, Greek and mixed
// keymaps.

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "crop/LatinKeys.h"

namespace {

using pictavo::keys::latinLetter;
using pictavo::keys::usLetterAt;

// Unshifted keysyms of a few keys.
constexpr std::uint32_t kCyrillicYa = 0x6d1;  // the Russian layout's bottom-left letter
constexpr std::uint32_t kGreekZeta = 0x7f6;
constexpr std::uint32_t kSemicolon = 0x3b;

struct Case {
    const char* what;
    std::vector<std::uint32_t> groups;
    int activeGroup;
    bool keymapHasLatinGroup;
    std::string keyName;
    char letter;
};

class LatinLetterTest : public testing::TestWithParam<Case> {};

TEST_P(LatinLetterTest, PicksTheLatinMeaning) {
    const Case& c = GetParam();
    // A Latin letter lies just past the key's groups: reading it would show.
    std::vector<std::uint32_t> memory = c.groups;
    memory.push_back('k');
    const std::span<const std::uint32_t> groups(memory.data(), c.groups.size());
    EXPECT_EQ(latinLetter(groups, c.activeGroup, c.keymapHasLatinGroup, c.keyName), c.letter)
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Keymaps, LatinLetterTest,
    testing::Values(
        Case{"US alone", {'z'}, 0, true, "AB01", 'Z'},
        Case{"us,ru with Russian active", {'z', kCyrillicYa}, 1, true, "AB01", 'Z'},
        Case{"ru,us: the Latin group is the second", {kCyrillicYa, 'z'}, 0, true, "AB01", 'Z'},
        Case{"ru alone: the key's US position", {kCyrillicYa}, 0, false, "AB01", 'Z'},
        Case{"Greek alone", {kGreekZeta}, 0, false, "AB02", 'X'},
        Case{"us,de with German active: the active Latin group wins",
             {'z', 'y'},
             1,
             true,
             "AB01",
             'Y'},
        Case{"gr,us: Greek punctuation is no letter", {kSemicolon, 'q'}, 0, true, "AD01", 'Q'},
        Case{"Dvorak,ru: not Z though it sits where US has it",
             {kSemicolon, kCyrillicYa},
             1,
             true,
             "AB01",
             0},
        Case{"ru alone, a key outside the letter rows", {kSemicolon}, 0, false, "AE01", 0},
        Case{"active group beyond the key's groups", {'r'}, 3, true, "AD04", 'R'},
        Case{"active group just beyond the key's one group", {'r'}, 1, true, "AD04", 'R'},
        Case{"the first letter of the alphabet", {'a'}, 0, true, "AC01", 'A'}));

TEST(UsLetterAtTest, NamesTheThreeLetterRows) {
    EXPECT_EQ(usLetterAt("AD01"), 'Q');
    EXPECT_EQ(usLetterAt("AD10"), 'P');
    EXPECT_EQ(usLetterAt("AC01"), 'A');
    EXPECT_EQ(usLetterAt("AC02"), 'S');
    EXPECT_EQ(usLetterAt("AB07"), 'M');
    for (const char* none : {"AD11", "AC10", "AB08", "AB00", "AE01", "FK01", "AB1", "", "AB0x"}) {
        EXPECT_EQ(usLetterAt(none), 0) << none;
    }
}

}  // namespace
