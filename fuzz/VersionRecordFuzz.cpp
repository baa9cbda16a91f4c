// libFuzzer target: any bytes, read as an ELF file that may carry a version
// record and as a record on their own, give a version text or none, never a
// read outside the bytes, a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/ElfSection.h"
#include "app/VersionRecord.h"

namespace {

void readRecord(std::span<const std::uint8_t> bytes) {
    using namespace pictavo::VersionRecord;
    const std::uint32_t size = RecordSize(bytes);
    const auto record = bytes.first(size);
    FileVersionText(record, size != 0);
    if (size != 0) {
        QueryValue(record, "\\StringFileInfo\\041904E3\\ProductName");
        QueryValue(record, "\\\\");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const pictavo::MemoryByteSource file(bytes);
    if (const auto section = pictavo::ReadElfSection(file, pictavo::VersionRecord::kSectionName,
                                                     pictavo::VersionRecord::kMaxSize)) {
        readRecord(*section);
    }
    readRecord(bytes);
    return 0;
}
