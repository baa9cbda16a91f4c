#include "app/VersionRecord.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pictavo::VersionRecord {

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kFixedInfoSize = 52;
constexpr std::uint32_t kFixedInfoSignature = 0xfeef04bd;
// Deeper trees than this are not version records; it also bounds the recursion.
constexpr int kMaxDepth = 8;

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t dword(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(word(bytes, at)) |
           (static_cast<std::uint32_t>(word(bytes, at + 2)) << 16);
}

std::size_t align4(std::size_t at) {
    return (at + 3) & ~std::size_t{3};
}

// One block, its parts as offsets into the record.
struct Block {
    std::size_t begin = 0;
    std::size_t end = 0;  // begin + the block's length
    std::size_t keyBegin = 0;
    std::size_t keyEnd = 0;  // the terminating zero
    std::size_t valueBegin = 0;
    std::size_t valueSize = 0;
    std::size_t childrenBegin = 0;
};

// Reads the block at `begin`, which must lie inside [begin, limit).
std::optional<Block> readBlock(std::span<const std::uint8_t> record, std::size_t begin,
                               std::size_t limit) {
    if (limit > record.size() || begin > limit || limit - begin < kHeaderSize) {
        return std::nullopt;
    }
    Block b;
    b.begin = begin;
    const std::size_t length = word(record, begin);
    if (length < kHeaderSize || length > limit - begin) {
        return std::nullopt;
    }
    b.end = begin + length;
    const std::size_t valueLength = word(record, begin + 2);
    const std::uint16_t type = word(record, begin + 4);
    if (type > 1) {
        return std::nullopt;
    }
    b.keyBegin = begin + kHeaderSize;
    b.keyEnd = b.keyBegin;
    while (true) {
        if (b.end - b.keyEnd < 2) {
            return std::nullopt;  // the key runs past the block
        }
        if (word(record, b.keyEnd) == 0) {
            break;
        }
        b.keyEnd += 2;
    }
    b.valueBegin = std::min(align4(b.keyEnd + 2), b.end);
    // Text values count UTF-16 units, binary ones bytes.
    b.valueSize = type == 1 ? valueLength * std::size_t{2} : valueLength;
    if (b.valueSize > b.end - b.valueBegin) {
        return std::nullopt;
    }
    b.childrenBegin = std::min(align4(b.valueBegin + b.valueSize), b.end);
    return b;
}

// Calls `visit` for each child of `parent` until it returns true; false when
// a child does not fit.
template <typename Visit>
bool forEachChild(std::span<const std::uint8_t> record, const Block& parent, Visit visit) {
    std::size_t at = parent.childrenBegin;
    while (at < parent.end) {
        const std::optional<Block> child = readBlock(record, at, parent.end);
        if (!child) {
            return false;
        }
        if (visit(*child)) {
            return true;
        }
        at = align4(child->end);
    }
    return true;
}

bool checkTree(std::span<const std::uint8_t> record, const Block& block, int depth) {
    if (depth > kMaxDepth) {
        return false;
    }
    bool sound = true;
    const bool fits = forEachChild(record, block, [&](const Block& child) {
        sound = checkTree(record, child, depth + 1);
        return !sound;
    });
    return fits && sound;
}

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool keyIs(std::span<const std::uint8_t> record, const Block& block, std::string_view name) {
    if ((block.keyEnd - block.keyBegin) / 2 != name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::uint16_t unit = word(record, block.keyBegin + 2 * i);
        const auto c = static_cast<unsigned char>(name[i]);
        if (unit > 0x7f ||
            asciiUpper(static_cast<char>(unit)) != asciiUpper(static_cast<char>(c))) {
            return false;
        }
    }
    return true;
}

// The path "\" names the root, "\A\B" the block B under A; an empty name
// (as in "\A\\B") names nothing.
std::vector<std::string_view> splitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    if (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
    }
    while (!path.empty()) {
        const std::size_t next = path.find('\\');
        parts.push_back(path.substr(0, next));
        if (next == std::string_view::npos) {
            break;
        }
        path.remove_prefix(next + 1);
        if (path.empty()) {
            parts.emplace_back();
        }
    }
    return parts;
}

}  // namespace

std::uint32_t RecordSize(std::span<const std::uint8_t> bytes) {
    const std::optional<Block> root = readBlock(bytes, 0, std::min(bytes.size(), kMaxSize));
    if (!root || !keyIs(bytes, *root, "VS_VERSION_INFO") || !checkTree(bytes, *root, 0)) {
        return 0;
    }
    return static_cast<std::uint32_t>(root->end);
}

std::optional<std::span<const std::uint8_t>> QueryValue(std::span<const std::uint8_t> record,
                                                        std::string_view subBlock) {
    std::optional<Block> block = readBlock(record, 0, std::min(record.size(), kMaxSize));
    if (!block) {
        return std::nullopt;
    }
    for (const std::string_view name : splitPath(subBlock)) {
        if (name.empty()) {
            return std::nullopt;
        }
        std::optional<Block> found;
        forEachChild(record, *block, [&](const Block& child) {
            if (keyIs(record, child, name)) {
                found = child;
            }
            return found.has_value();
        });
        if (!found) {
            return std::nullopt;
        }
        block = found;
    }
    return record.subspan(block->valueBegin, block->valueSize);
}

std::u16string FileVersionText(std::span<const std::uint8_t> record, bool valid) {
    if (!valid) {
        return {};
    }
    std::string translation;
    if (const auto value = QueryValue(record, "\\VarFileInfo\\Translation");
        value && value->size() >= 4) {
        const std::uint32_t languageAndCodePage =
            (static_cast<std::uint32_t>(word(*value, 0)) << 16) | word(*value, 2);
        char text[9];
        std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(languageAndCodePage));
        translation = text;
    }
    std::u16string result;
    if (const auto value =
            QueryValue(record, "\\StringFileInfo\\" + translation + "\\FileVersion")) {
        for (std::size_t at = 0; at + 1 < value->size(); at += 2) {
            const char16_t unit = word(*value, at);
            if (unit == 0) {
                break;
            }
            result.push_back(unit);
        }
    }
    if (result.empty()) {
        if (const auto fixed = QueryValue(record, "\\");
            fixed && fixed->size() >= kFixedInfoSize && dword(*fixed, 0) == kFixedInfoSignature) {
            const std::uint32_t high = dword(*fixed, 8);
            const std::uint32_t low = dword(*fixed, 12);
            char text[48];
            std::snprintf(text, sizeof text, "%u.%u.%u.%u", high >> 16, high & 0xffff, low >> 16,
                          low & 0xffff);
            for (const char* c = text; *c != '\0'; ++c) {
                result.push_back(static_cast<char16_t>(*c));
            }
        }
    }
    return result;
}

}  // namespace pictavo::VersionRecord
