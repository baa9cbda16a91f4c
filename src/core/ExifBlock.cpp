#include "core/ExifBlock.h"

#include <libexif/exif-data.h>
#include <libexif/exif-log.h>
#include <libexif/exif-mem.h>
#include <libexif/exif-utils.h>

#include <cstdarg>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

namespace pictavo {

namespace {

// The most an APP1 segment holds after its length field.
constexpr std::size_t kMaxSegment = 65533;

// libexif reports some damage it works around only as debug notes; these
// are the ones that mean part of the block was skipped or read twice.
constexpr std::string_view kSkippedParts[] = {
    "Tag starts past end", "Tag data goes past end", "Tag data past end", "Short data",
    "Recursive entry",     "Attempt to load IFD",    "Bogus thumbnail",   "Bogus offset",
};

bool startsWith(const char* text, std::string_view prefix) {
    return text && std::string_view(text).substr(0, prefix.size()) == prefix;
}

// What libexif said while it read or wrote the block.
struct Damage {
    bool block = false;
    bool makerNote = false;
};

void noteDamage(ExifLog*, ExifLogCode code, const char* domain, const char* format, va_list,
                void* data) {
    auto* damage = static_cast<Damage*>(data);
    bool bad = code == EXIF_LOG_CODE_CORRUPT_DATA || code == EXIF_LOG_CODE_NO_MEMORY;
    if (code == EXIF_LOG_CODE_DEBUG && startsWith(domain, "ExifData")) {
        for (std::string_view part : kSkippedParts) {
            bad = bad || startsWith(format, part);
        }
    }
    if (!bad) {
        return;
    }
    // The maker's own notes are an opaque blob to everyone else: damage there
    // costs only that blob.
    if (startsWith(domain, "ExifMnote")) {
        damage->makerNote = true;
    } else {
        damage->block = true;
    }
}

}  // namespace

struct ExifBlockState {
    ExifMem* mem = nullptr;
    ExifLog* log = nullptr;
    ExifData* data = nullptr;
    Damage damage;

    ExifBlockState() = default;
    ExifBlockState(const ExifBlockState&) = delete;
    ExifBlockState& operator=(const ExifBlockState&) = delete;
    ~ExifBlockState() {
        if (data) {
            exif_data_unref(data);
        }
        if (log) {
            exif_log_unref(log);
        }
        if (mem) {
            exif_mem_unref(mem);
        }
    }

    ExifByteOrder order() const { return exif_data_get_byte_order(data); }
    ExifContent* ifd(ExifIfd which) const { return data->ifd[which]; }
};

namespace {

void removeEntry(ExifContent* content, ExifTag tag) {
    if (ExifEntry* entry = exif_content_get_entry(content, tag)) {
        exif_content_remove_entry(content, entry);
    }
}

// Sets a SHORT or LONG count of pixels; an entry of another form, or a SHORT
// that cannot hold the value, is removed rather than left claiming a size.
void setPixels(ExifBlockState& s, ExifContent* content, ExifTag tag, int value) {
    ExifEntry* entry = exif_content_get_entry(content, tag);
    if (!entry) {
        return;
    }
    if (entry->components == 1 && entry->format == EXIF_FORMAT_SHORT && entry->size >= 2 &&
        value <= std::numeric_limits<ExifShort>::max()) {
        exif_set_short(entry->data, s.order(), static_cast<ExifShort>(value));
    } else if (entry->components == 1 && entry->format == EXIF_FORMAT_LONG && entry->size >= 4) {
        exif_set_long(entry->data, s.order(), static_cast<ExifLong>(value));
    } else {
        exif_content_remove_entry(content, entry);
    }
}

ExifEntry* orientationEntry(const ExifBlockState& s) {
    ExifEntry* entry = exif_content_get_entry(s.ifd(EXIF_IFD_0), EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components != 1 || entry->size < 2 ||
        !entry->data) {
        return nullptr;
    }
    return entry;
}

}  // namespace

ExifBlock::ExifBlock(std::unique_ptr<ExifBlockState> state) : m_state(std::move(state)) {}
ExifBlock::ExifBlock(ExifBlock&&) noexcept = default;
ExifBlock& ExifBlock::operator=(ExifBlock&&) noexcept = default;
ExifBlock::~ExifBlock() = default;

std::optional<ExifBlock> ExifBlock::parse(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 6 || size > kMaxSegment || std::memcmp(data, "Exif\0\0", 6) != 0) {
        return std::nullopt;
    }
    auto s = std::make_unique<ExifBlockState>();
    s->mem = exif_mem_new_default();
    s->log = s->mem ? exif_log_new_mem(s->mem) : nullptr;
    s->data = s->log ? exif_data_new_mem(s->mem) : nullptr;
    if (!s->data) {
        return std::nullopt;
    }
    exif_log_set_func(s->log, noteDamage, &s->damage);
    exif_data_log(s->data, s->log);
    // Read the block as it is: nothing added, fixed or left out.
    exif_data_unset_option(s->data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(s->data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_load_data(s->data, data, static_cast<unsigned int>(size));
    // A block whose first directory is missing or empty says nothing.
    if (s->damage.block || s->ifd(EXIF_IFD_0)->count == 0) {
        return std::nullopt;
    }
    if (s->damage.makerNote) {
        removeEntry(s->ifd(EXIF_IFD_EXIF), EXIF_TAG_MAKER_NOTE);
    }
    return ExifBlock(std::move(s));
}

Orientation ExifBlock::orientation() const {
    const ExifEntry* entry = orientationEntry(*m_state);
    return entry ? orientationFromTag(exif_get_short(entry->data, m_state->order()))
                 : Orientation::Normal;
}

std::vector<std::uint8_t> ExifBlock::forPicture(int width, int height, bool turned) {
    ExifBlockState& s = *m_state;
    if (turned) {
        if (ExifEntry* entry = orientationEntry(s)) {
            exif_set_short(entry->data, s.order(), 1);
        }
    }
    // The second directory describes the thumbnail only.
    ExifContent* thumbnail = s.ifd(EXIF_IFD_1);
    while (thumbnail->count > 0) {
        exif_content_remove_entry(thumbnail, thumbnail->entries[0]);
    }
    if (s.data->data) {
        exif_mem_free(s.mem, s.data->data);
        s.data->data = nullptr;
        s.data->size = 0;
    }
    setPixels(s, s.ifd(EXIF_IFD_EXIF), EXIF_TAG_PIXEL_X_DIMENSION, width);
    setPixels(s, s.ifd(EXIF_IFD_EXIF), EXIF_TAG_PIXEL_Y_DIMENSION, height);
    setPixels(s, s.ifd(EXIF_IFD_0), EXIF_TAG_IMAGE_WIDTH, width);
    setPixels(s, s.ifd(EXIF_IFD_0), EXIF_TAG_IMAGE_LENGTH, height);
    // A first directory left empty (it held only sizes that could not be
    // set) makes a block that says nothing and that no reader takes.
    if (s.ifd(EXIF_IFD_0)->count == 0) {
        return {};
    }

    s.damage = {};
    unsigned char* saved = nullptr;
    unsigned int savedSize = 0;
    exif_data_save_data(s.data, &saved, &savedSize);
    std::vector<std::uint8_t> bytes;
    if (saved && !s.damage.block && !s.damage.makerNote && savedSize <= kMaxSegment) {
        bytes.assign(saved, saved + savedSize);
    }
    if (saved) {
        exif_mem_free(s.mem, saved);
    }
    return bytes;
}

}  // namespace pictavo
