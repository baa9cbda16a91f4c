// libFuzzer target for the settings files' parser: whatever it accepts, it
// writes back in a form that reads as the same document, so a save never
// changes or loses what another program or a translator put in the file.
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "settings/RegDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<pictavo::RegDocument> first = pictavo::RegDocument::parse(bytes);
    if (!first) {
        return 0;
    }
    const QByteArray written = first->serialize();
    const std::optional<pictavo::RegDocument> second = pictavo::RegDocument::parse(written);
    if (!second || !(*second == *first) || second->serialize() != written) {
        std::fprintf(stderr, "round trip changed the document; written:\n%s\n",
                     written.constData());
        std::abort();
    }
    return 0;
}
