#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "app/ByteSource.h"

namespace pictavo {

// The contents of the section called `name` of an ELF file (32 or 64 bits,
// either byte order), found through the section headers. Every offset and
// length taken from the file is checked against the file's size first.
// Nothing when the file is no ELF file, has no such section, the section has
// no bytes in the file or holds more than `maxSize` bytes.
std::optional<std::vector<std::uint8_t>> ReadElfSection(const ByteSource& file,
                                                        std::string_view name, std::size_t maxSize);

}  // namespace pictavo
