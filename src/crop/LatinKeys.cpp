#include "crop/LatinKeys.h"

#include <array>
#include <cstddef>

namespace pictavo::keys {

namespace {

char upper(std::uint32_t keysym) {
    const char c = static_cast<char>(keysym);
    return c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The letter rows of a US keyboard, as XKB names their keys: row D is the
// top letter row, row B the bottom one; keys count from the left.
struct Row {
    char name;
    std::string_view letters;
};
constexpr std::array<Row, 3> kUsRows{{{'D', "QWERTYUIOP"}, {'C', "ASDFGHJKL"}, {'B', "ZXCVBNM"}}};

}  // namespace

bool isLatinLetter(std::uint32_t keysym) {
    return (keysym >= 'a' && keysym <= 'z') || (keysym >= 'A' && keysym <= 'Z');
}

char usLetterAt(std::string_view keyName) {
    if (keyName.size() != 4 || keyName[0] != 'A' || keyName[2] < '0' || keyName[2] > '9' ||
        keyName[3] < '0' || keyName[3] > '9') {
        return 0;
    }
    const std::size_t column = static_cast<std::size_t>((keyName[2] - '0') * 10 + keyName[3] - '0');
    for (const Row& row : kUsRows) {
        if (row.name == keyName[1] && column >= 1 && column <= row.letters.size()) {
            return row.letters[column - 1];
        }
    }
    return 0;
}

char latinLetter(std::span<const std::uint32_t> groupKeysyms, int activeGroup,
                 bool keymapHasLatinGroup, std::string_view keyName) {
    if (activeGroup >= 0 && static_cast<std::size_t>(activeGroup) < groupKeysyms.size() &&
        isLatinLetter(groupKeysyms[static_cast<std::size_t>(activeGroup)])) {
        return upper(groupKeysyms[static_cast<std::size_t>(activeGroup)]);
    }
    for (const std::uint32_t keysym : groupKeysyms) {
        if (isLatinLetter(keysym)) {
            return upper(keysym);
        }
    }
    return keymapHasLatinGroup ? 0 : usLetterAt(keyName);
}

}  // namespace pictavo::keys
