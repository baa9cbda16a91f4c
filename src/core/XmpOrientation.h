#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pictavo {

// An XMP packet (UTF-8 XML) for pixels that were turned upright: every
// orientation it states (tiff:Orientation, as an attribute or an element) set
// to 1, everything else as it was, byte for byte. A packet without an
// orientation comes back unchanged. std::nullopt when the packet states an
// orientation that cannot be changed safely (the packet is not well-formed,
// or the value is written in a form other than plain text); the caller then
// leaves the packet out rather than let it say how to turn upright pixels.
std::optional<std::string> xmpForUprightPixels(std::string_view packet);

}  // namespace pictavo
