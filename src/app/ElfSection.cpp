#include "app/ElfSection.h"

#include <array>

namespace pictavo {

namespace {

constexpr std::uint32_t kNoBits = 8;              // section type without bytes in the file
constexpr std::uint16_t kExtendedIndex = 0xffff;  // name table index kept in section 0

// Reads the header fields of one ELF file, honouring its class and byte order.
class ElfReader {
public:
    explicit ElfReader(const ByteSource& file) : m_file(file) {}

    bool readIdent() {
        std::array<std::uint8_t, 16> ident{};
        if (!m_file.read(0, ident.data(), ident.size())) {
            return false;
        }
        if (ident[0] != 0x7f || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F') {
            return false;
        }
        if (ident[4] != 1 && ident[4] != 2) {
            return false;
        }
        if (ident[5] != 1 && ident[5] != 2) {
            return false;
        }
        m_b64 = ident[4] == 2;
        m_bigEndian = ident[5] == 2;
        return true;
    }

    bool is64() const { return m_b64; }

    // An unsigned field of `width` bytes at `offset`.
    bool field(std::uint64_t offset, int width, std::uint64_t& value) const {
        std::array<std::uint8_t, 8> bytes{};
        if (!m_file.read(offset, bytes.data(), static_cast<std::size_t>(width))) {
            return false;
        }
        value = 0;
        for (int i = 0; i < width; ++i) {
            const int index = m_bigEndian ? i : width - 1 - i;
            value = (value << 8) | bytes[static_cast<std::size_t>(index)];
        }
        return true;
    }
    // A field that is 4 bytes wide in 32-bit files and 8 in 64-bit ones.
    bool word(std::uint64_t offset, std::uint64_t& value) const {
        return field(offset, m_b64 ? 8 : 4, value);
    }

private:
    const ByteSource& m_file;
    bool m_b64 = false;
    bool m_bigEndian = false;
};

struct SectionHeader {
    std::uint64_t name = 0;
    std::uint64_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t link = 0;
};

class SectionTable {
public:
    SectionTable(const ElfReader& elf, std::uint64_t offset, std::uint64_t entrySize)
        : m_elf(elf), m_offset(offset), m_entrySize(entrySize) {}

    bool header(std::uint64_t index, SectionHeader& out) const {
        // index < count, and the whole table was checked to lie in the file,
        // but each read is checked again by the source.
        const std::uint64_t at = m_offset + index * m_entrySize;
        if (m_elf.is64()) {
            return m_elf.field(at, 4, out.name) && m_elf.field(at + 4, 4, out.type) &&
                   m_elf.field(at + 24, 8, out.offset) && m_elf.field(at + 32, 8, out.size) &&
                   m_elf.field(at + 40, 4, out.link);
        }
        return m_elf.field(at, 4, out.name) && m_elf.field(at + 4, 4, out.type) &&
               m_elf.field(at + 16, 4, out.offset) && m_elf.field(at + 20, 4, out.size) &&
               m_elf.field(at + 24, 4, out.link);
    }

private:
    const ElfReader& m_elf;
    std::uint64_t m_offset;
    std::uint64_t m_entrySize;
};

// True when the name at `nameOffset` of the name table is exactly `name`.
bool nameMatches(const ByteSource& file, const SectionHeader& names, std::uint64_t nameOffset,
                 std::string_view name) {
    // The name and its terminating zero must lie inside the name table.
    if (nameOffset >= names.size || name.size() + 1 > names.size - nameOffset) {
        return false;
    }
    std::vector<char> stored(name.size() + 1);
    if (!file.read(names.offset + nameOffset, stored.data(), stored.size())) {
        return false;
    }
    return stored.back() == '\0' && std::string_view(stored.data(), name.size()) == name;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadElfSection(const ByteSource& file,
                                                        std::string_view name,
                                                        std::size_t maxSize) {
    ElfReader elf(file);
    if (!elf.readIdent()) {
        return std::nullopt;
    }
    const bool b64 = elf.is64();
    std::uint64_t tableOffset = 0;
    std::uint64_t entrySize = 0;
    std::uint64_t count = 0;
    std::uint64_t namesIndex = 0;
    if (!elf.word(b64 ? 0x28 : 0x20, tableOffset) || !elf.field(b64 ? 0x3a : 0x2e, 2, entrySize) ||
        !elf.field(b64 ? 0x3c : 0x30, 2, count) || !elf.field(b64 ? 0x3e : 0x32, 2, namesIndex)) {
        return std::nullopt;
    }
    const std::uint64_t minEntrySize = b64 ? 64 : 40;
    if (tableOffset == 0 || entrySize < minEntrySize) {
        return std::nullopt;
    }
    const SectionTable table(elf, tableOffset, entrySize);
    // With many sections the count and the name table's index move into
    // section 0.
    if (count == 0 || namesIndex == kExtendedIndex) {
        SectionHeader first;
        if (!table.header(0, first)) {
            return std::nullopt;
        }
        if (count == 0) {
            count = first.size;
        }
        if (namesIndex == kExtendedIndex) {
            namesIndex = first.link;
        }
    }
    // The whole table must lie inside the file; this also bounds the loop.
    if (count == 0 || count > file.size() / entrySize ||
        !ByteSource::within(tableOffset, count * entrySize, file.size())) {
        return std::nullopt;
    }
    SectionHeader names;
    if (namesIndex >= count || !table.header(namesIndex, names) || names.type == kNoBits ||
        !ByteSource::within(names.offset, names.size, file.size())) {
        return std::nullopt;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        SectionHeader section;
        if (!table.header(i, section) || !nameMatches(file, names, section.name, name)) {
            continue;
        }
        if (section.type == kNoBits || section.size > maxSize ||
            !ByteSource::within(section.offset, section.size, file.size())) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(section.size));
        if (!file.read(section.offset, bytes.data(), bytes.size())) {
            return std::nullopt;
        }
        return bytes;
    }
    return std::nullopt;
}

}  // namespace pictavo
