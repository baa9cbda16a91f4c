#include "core/LosslessCut.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/JpegMarkers.h"

namespace pictavo {

namespace {

struct Transformer {
    tjhandle handle = tjInitTransform();
    Transformer() = default;
    Transformer(const Transformer&) = delete;
    Transformer& operator=(const Transformer&) = delete;
    ~Transformer() {
        if (handle) {
            tjDestroy(handle);
        }
    }
};

// The library's output buffer, freed on every path.
struct TjBuffer {
    unsigned char* data = nullptr;
    unsigned long size = 0;
    TjBuffer() = default;
    TjBuffer(const TjBuffer&) = delete;
    TjBuffer& operator=(const TjBuffer&) = delete;
    ~TjBuffer() { tjFree(data); }
};

// The transform that shows the stored blocks as the orientation says.
int transformFor(Orientation orientation) {
    switch (orientation) {
        case Orientation::MirrorHorizontal:
            return TJXOP_HFLIP;
        case Orientation::Rotate180:
            return TJXOP_ROT180;
        case Orientation::MirrorVertical:
            return TJXOP_VFLIP;
        case Orientation::Transpose:
            return TJXOP_TRANSPOSE;
        case Orientation::Rotate90:
            return TJXOP_ROT90;
        case Orientation::Transverse:
            return TJXOP_TRANSVERSE;
        case Orientation::Rotate270:
            return TJXOP_ROT270;
        case Orientation::Normal:
            break;
    }
    return TJXOP_NONE;
}

// A turn is perfect when no partial block at the right or bottom edge would
// end up at the left or top, where the grid starts.
bool perfect(int transform, int width, int height, int blockWidth, int blockHeight) {
    const bool wholeColumns = width % blockWidth == 0;
    const bool wholeRows = height % blockHeight == 0;
    switch (transform) {
        case TJXOP_HFLIP:
        case TJXOP_ROT270:
            return wholeColumns;
        case TJXOP_VFLIP:
        case TJXOP_ROT90:
            return wholeRows;
        case TJXOP_TRANSVERSE:
        case TJXOP_ROT180:
            return wholeColumns && wholeRows;
        default:
            return true;
    }
}

struct Plan {
    LosslessGrid grid;
    int transform = TJXOP_NONE;
    JpegHeaderFacts facts;
};

std::optional<Plan> planCut(const Transformer& tj, std::span<const std::uint8_t> jpeg,
                            const DecodeOptions& options) {
    int width = 0;
    int height = 0;
    int sampling = -1;
    int colours = -1;
    if (!tj.handle || jpeg.empty() ||
        tjDecompressHeader3(tj.handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &width,
                            &height, &sampling, &colours) != 0) {
        return std::nullopt;
    }
    // Colour and grey photos only: the others are written as colour photos
    // when re-encoded, which a copy of their blocks would not be.
    if ((colours != TJCS_YCbCr && colours != TJCS_GRAY) || sampling < 0 || sampling >= TJ_NUMSAMP) {
        return std::nullopt;
    }
    Plan plan;
    try {
        plan.facts = readJpegHeaderFacts(jpeg.data(), jpeg.size(), options);
    } catch (const JpegError&) {
        return std::nullopt;
    }
    plan.transform = transformFor(plan.facts.turned);
    const int blockWidth = tjMCUWidth[sampling];
    const int blockHeight = tjMCUHeight[sampling];
    if (!perfect(plan.transform, width, height, blockWidth, blockHeight)) {
        return std::nullopt;
    }
    plan.grid = {blockWidth, blockHeight, width, height};
    if (swapsSides(plan.facts.turned)) {
        // The library checks the corner against the stored blocks' size, the
        // turned picture needs it on the turned blocks' size: a corner on
        // both grids satisfies both (a 16 x 8 block asks for 16 x 16).
        const int block = std::max(blockWidth, blockHeight);
        plan.grid = {block, block, height, width};
    }
    return plan;
}

void appendSegment(std::vector<std::uint8_t>& out, int marker, const std::uint8_t* data,
                   std::size_t size) {
    const std::size_t length = size + 2;
    out.insert(out.end(),
               {0xFF, static_cast<std::uint8_t>(marker), static_cast<std::uint8_t>(length >> 8),
                static_cast<std::uint8_t>(length & 0xFF)});
    out.insert(out.end(), data, data + size);
}

// The longest payload a segment can hold.
constexpr std::size_t kMaxPayload = 65533;

// The segments writeMarkers writes through libjpeg for a re-encoded cut, in
// the same order and form; a part too long for a segment is left out, as a
// part that cannot be carried is.
std::vector<std::uint8_t> metadataSegments(const JpegMetadata& metadata) {
    std::vector<std::uint8_t> out;
    auto add = [&out](int marker, const std::vector<std::uint8_t>& payload) {
        if (payload.size() <= kMaxPayload) {
            appendSegment(out, marker, payload.data(), payload.size());
        }
    };
    if (!metadata.exif.empty()) {
        add(JPEG_APP0 + 1, metadata.exif);
    }
    for (const auto& packet : metadata.xmp) {
        add(JPEG_APP0 + 1, packet);
    }
    // The profile in numbered chunks, as jpeg_write_icc_profile splits it.
    constexpr std::size_t kIccOverhead = 14;
    constexpr std::size_t kIccChunk = kMaxPayload - kIccOverhead;
    const std::size_t chunks = (metadata.icc.size() + kIccChunk - 1) / kIccChunk;
    if (chunks > 0 && chunks <= 255) {
        for (std::size_t i = 0; i < chunks; ++i) {
            const std::size_t from = i * kIccChunk;
            const std::size_t size = std::min(kIccChunk, metadata.icc.size() - from);
            std::vector<std::uint8_t> payload = {'I',
                                                 'C',
                                                 'C',
                                                 '_',
                                                 'P',
                                                 'R',
                                                 'O',
                                                 'F',
                                                 'I',
                                                 'L',
                                                 'E',
                                                 0,
                                                 static_cast<std::uint8_t>(i + 1),
                                                 static_cast<std::uint8_t>(chunks)};
            payload.insert(payload.end(), metadata.icc.begin() + static_cast<std::ptrdiff_t>(from),
                           metadata.icc.begin() + static_cast<std::ptrdiff_t>(from + size));
            add(JPEG_APP0 + 2, payload);
        }
    }
    for (const auto& comment : metadata.comments) {
        add(JPEG_COM, comment);
    }
    return out;
}

// Where libjpeg would have written our segments: after the start of image
// and the JFIF and Adobe headers it writes itself.
std::size_t afterHeaders(const std::vector<std::uint8_t>& jpeg) {
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF &&
           (jpeg[at + 1] == JPEG_APP0 || jpeg[at + 1] == JPEG_APP0 + 14)) {
        at += 2 + (static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3]);
    }
    return std::min(at, jpeg.size());
}

}  // namespace

std::optional<LosslessGrid> losslessGrid(std::span<const std::uint8_t> jpeg,
                                         const DecodeOptions& options) {
    const Transformer tj;
    const std::optional<Plan> plan = planCut(tj, jpeg, options);
    if (!plan) {
        return std::nullopt;
    }
    return plan->grid;
}

std::optional<std::vector<std::uint8_t>> losslessCut(std::span<const std::uint8_t> jpeg,
                                                     const Rect& area,
                                                     const DecodeOptions& options) {
    const Transformer tj;
    std::optional<Plan> plan = planCut(tj, jpeg, options);
    if (!plan) {
        return std::nullopt;
    }
    const LosslessGrid& grid = plan->grid;
    if (area.isEmpty() || area.left < 0 || area.top < 0 || area.right > grid.width ||
        area.bottom > grid.height || area.left % grid.blockWidth != 0 ||
        area.top % grid.blockHeight != 0) {
        return std::nullopt;
    }
    tjtransform transform{};
    transform.r = {area.left, area.top, area.width(), area.height()};
    transform.op = plan->transform;
    transform.options = TJXOPT_CROP | TJXOPT_COPYNONE;
    if (transform.op != TJXOP_NONE) {
        transform.options |= TJXOPT_PERFECT;
    }
    TjBuffer out;
    // A warning (a damaged file) counts as a failure: such a file is decoded
    // and re-encoded, as it always was.
    if (tjTransform(tj.handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), 1, &out.data,
                    &out.size, &transform, TJFLAG_STOPONWARNING) != 0 ||
        out.size < 4) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(out.data, out.data + out.size);
    if (options.keepMetadata && !plan->facts.metadata.empty()) {
        const std::vector<std::uint8_t> segments =
            metadataSegments(metadataForPicture(plan->facts.metadata, area.width(), area.height()));
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(afterHeaders(bytes)),
                     segments.begin(), segments.end());
    }
    return bytes;
}

}  // namespace pictavo
