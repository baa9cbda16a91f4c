#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Writes a minimal ELF file: a header, the given sections' bytes, a section
// name table and the section header table, in either class and byte order.
namespace pictavo::test {

struct ElfLayout {
    bool b64 = true;
    bool bigEndian = false;
};

inline std::vector<std::uint8_t> MakeElf(
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& sections,
    ElfLayout layout = {}) {
    std::vector<std::uint8_t> out;
    const auto put = [&](std::size_t at, std::uint64_t value, int width) {
        if (out.size() < at + static_cast<std::size_t>(width)) {
            out.resize(at + static_cast<std::size_t>(width));
        }
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (layout.bigEndian ? width - 1 - i : i);
            out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> shift);
        }
    };
    const std::size_t headerSize = layout.b64 ? 64 : 52;
    const std::size_t entrySize = layout.b64 ? 64 : 40;
    out.assign(headerSize, 0);
    out[0] = 0x7f;
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = layout.b64 ? 2 : 1;
    out[5] = layout.bigEndian ? 2 : 1;
    out[6] = 1;

    struct Placed {
        std::size_t name, offset, size;
    };
    std::vector<Placed> placed;
    std::string names(1, '\0');
    for (const auto& [name, bytes] : sections) {
        placed.push_back({names.size(), out.size(), bytes.size()});
        names += name + '\0';
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    placed.push_back({names.size(), out.size(), 0});
    names += std::string(".shstrtab") + '\0';
    placed.back().size = names.size();
    out.insert(out.end(), names.begin(), names.end());
    while (out.size() % 8 != 0) {
        out.push_back(0);
    }
    const std::size_t table = out.size();
    out.resize(table + entrySize * (placed.size() + 1), 0);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const std::size_t at = table + entrySize * (i + 1);
        const std::uint64_t type = i + 1 == placed.size() ? 3 : 1;  // string table, or data
        put(at, placed[i].name, 4);
        put(at + 4, type, 4);
        put(at + (layout.b64 ? 24 : 16), placed[i].offset, layout.b64 ? 8 : 4);
        put(at + (layout.b64 ? 32 : 20), placed[i].size, layout.b64 ? 8 : 4);
    }
    put(layout.b64 ? 0x28 : 0x20, table, layout.b64 ? 8 : 4);
    put(layout.b64 ? 0x3a : 0x2e, entrySize, 2);
    put(layout.b64 ? 0x3c : 0x30, placed.size() + 1, 2);
    put(layout.b64 ? 0x3e : 0x32, placed.size(), 2);
    return out;
}

}  // namespace pictavo::test
