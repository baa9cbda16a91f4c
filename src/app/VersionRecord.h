#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// A version record in the Windows version-resource layout: a tree of blocks,
// each a 16-bit length (the whole block with its children), a 16-bit value
// length, a 16-bit type (1 text, 0 binary), a zero-terminated UTF-16 key,
// then, each aligned to 4 bytes, the value and the child blocks. All numbers
// are little-endian. The root ("VS_VERSION_INFO") holds the fixed file
// information; "StringFileInfo" holds string tables named by translation,
// "VarFileInfo" the translations.
namespace pictavo::VersionRecord {

// The section of our executable that carries the record.
inline constexpr std::string_view kSectionName = ".pictavo.version";
// A record never exceeds what its 16-bit length can say.
inline constexpr std::size_t kMaxSize = 0xffff;

// The size of the record that `bytes` starts with when the whole record is
// there and every block lies inside its parent; 0 otherwise.
std::uint32_t RecordSize(std::span<const std::uint8_t> bytes);

// The value of the block named by `subBlock` in a record that RecordSize
// accepted: "\" for the root's fixed file information, otherwise key names
// after backslashes, compared without regard to ASCII case. For text blocks
// the value's UTF-16 bytes. Nothing when there is no such block.
std::optional<std::span<const std::uint8_t>> QueryValue(std::span<const std::uint8_t> record,
                                                        std::string_view subBlock);

// The file version as text: the string "FileVersion" under the first
// translation, or, when that is missing or empty, the fixed file version as
// "a.b.c.d". Empty when `valid` is false or neither is there.
std::u16string FileVersionText(std::span<const std::uint8_t> record, bool valid);

}  // namespace pictavo::VersionRecord
