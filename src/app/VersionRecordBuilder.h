#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Writes version records in the layout that VersionRecord reads: the build
// makes the program's own record with it, and tests make damaged ones.
namespace pictavo::VersionRecordBuilder {

struct Block {
    std::string key;  // ASCII
    bool text = false;
    std::vector<std::uint8_t> value;
    // The stored value length: UTF-16 units for text, bytes otherwise.
    std::uint16_t valueLength = 0;
    std::vector<Block> children;
};

// A text value: UTF-16 from ASCII, with its terminating zero.
Block TextBlock(const std::string& key, const std::string& text);

// The program's record: fixed file version `version`, one translation and
// under it the string "FileVersion" = `fileVersion`.
Block ProgramRecord(const std::array<std::uint16_t, 4>& version, const std::string& fileVersion,
                    std::uint16_t language, std::uint16_t codePage);

std::vector<std::uint8_t> Serialize(const Block& block);

}  // namespace pictavo::VersionRecordBuilder
