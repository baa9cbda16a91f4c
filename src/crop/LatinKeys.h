#pragma once

// Which Latin letter a physical key stands for, whatever layout is active,
// so that the letter commands sit on the same keys under Cyrillic or Greek.
// The keyboard is described as X keysyms: a Latin letter's keysym is its
// ASCII code.

#include <cstdint>
#include <span>
#include <string_view>

namespace pictavo::keys {

// 'a'..'z' or 'A'..'Z'.
bool isLatinLetter(std::uint32_t keysym);

// The US letter on the key at an XKB position name ("AB01" is the key right
// of the left Shift, Z on a US keyboard); 0 for any other key.
char usLetterAt(std::string_view keyName);

// The key's letter, upper case, or 0 when it carries none. `groupKeysyms`
// holds the key's unshifted keysym in each group of the keymap, in order.
// The active group wins when it is Latin there; otherwise the first group
// that gives the key a Latin letter. A keymap without any Latin group
// falls back to the key's US position.
char latinLetter(std::span<const std::uint32_t> groupKeysyms, int activeGroup,
                 bool keymapHasLatinGroup, std::string_view keyName);

}  // namespace pictavo::keys
