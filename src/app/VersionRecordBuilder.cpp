#include "app/VersionRecordBuilder.h"

#include <cstdio>
#include <stdexcept>

namespace pictavo::VersionRecordBuilder {

namespace {

void putWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putDword(std::vector<std::uint8_t>& out, std::uint32_t value) {
    putWord(out, static_cast<std::uint16_t>(value & 0xffff));
    putWord(out, static_cast<std::uint16_t>(value >> 16));
}

void pad4(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

}  // namespace

Block TextBlock(const std::string& key, const std::string& text) {
    Block b;
    b.key = key;
    b.text = true;
    for (const char c : text) {
        putWord(b.value, static_cast<std::uint8_t>(c));
    }
    putWord(b.value, 0);
    b.valueLength = static_cast<std::uint16_t>(text.size() + 1);
    return b;
}

Block ProgramRecord(const std::array<std::uint16_t, 4>& version, const std::string& fileVersion,
                    std::uint16_t language, std::uint16_t codePage) {
    Block root;
    root.key = "VS_VERSION_INFO";
    const std::uint32_t high = (std::uint32_t{version[0]} << 16) | version[1];
    const std::uint32_t low = (std::uint32_t{version[2]} << 16) | version[3];
    putDword(root.value, 0xfeef04bd);  // signature
    putDword(root.value, 0x00010000);  // structure version
    putDword(root.value, high);        // file version
    putDword(root.value, low);
    putDword(root.value, high);  // product version
    putDword(root.value, low);
    putDword(root.value, 0x3f);        // flags mask
    putDword(root.value, 0);           // flags
    putDword(root.value, 0x00040004);  // operating system: 32-bit Windows NT
    putDword(root.value, 1);           // file type: application
    putDword(root.value, 0);           // subtype
    putDword(root.value, 0);           // date
    putDword(root.value, 0);
    root.valueLength = static_cast<std::uint16_t>(root.value.size());

    char tableName[9];
    std::snprintf(tableName, sizeof tableName, "%04X%04X", unsigned{language}, unsigned{codePage});
    Block table;
    table.key = tableName;
    table.text = true;
    table.children.push_back(TextBlock("FileVersion", fileVersion));
    Block strings;
    strings.key = "StringFileInfo";
    strings.text = true;
    strings.children.push_back(table);

    Block translation;
    translation.key = "Translation";
    putWord(translation.value, language);
    putWord(translation.value, codePage);
    translation.valueLength = 4;
    Block vars;
    vars.key = "VarFileInfo";
    vars.text = true;
    vars.children.push_back(translation);

    root.children.push_back(strings);
    root.children.push_back(vars);
    return root;
}

std::vector<std::uint8_t> Serialize(const Block& block) {
    std::vector<std::uint8_t> out;
    putWord(out, 0);  // length, filled in below
    putWord(out, block.valueLength);
    putWord(out, block.text ? 1 : 0);
    for (const char c : block.key) {
        putWord(out, static_cast<std::uint8_t>(c));
    }
    putWord(out, 0);
    pad4(out);
    out.insert(out.end(), block.value.begin(), block.value.end());
    for (const Block& child : block.children) {
        pad4(out);
        const std::vector<std::uint8_t> bytes = Serialize(child);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    if (out.size() > 0xffff) {
        throw std::length_error("version record over 64 KiB");
    }
    out[0] = static_cast<std::uint8_t>(out.size() & 0xff);
    out[1] = static_cast<std::uint8_t>(out.size() >> 8);
    return out;
}

}  // namespace pictavo::VersionRecordBuilder
