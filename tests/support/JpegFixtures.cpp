#include "support/JpegFixtures.h"

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pictavo::test {

namespace {

struct FixtureErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void jumpOut(j_common_ptr info) {
    std::longjmp(reinterpret_cast<FixtureErrors*>(info->err)->jump, 1);
}

using Options = JpegFixtureOptions;

// The sample values of one pixel in the file's input colour space.
void inputPixel(const Options& o, int x, int y, JSAMPLE* out) {
    const Rgb p = fixturePixel(x, y, o.width, o.height);
    switch (o.colour) {
        case Options::Colour::Rgb:
            out[0] = p.red;
            out[1] = p.green;
            out[2] = p.blue;
            return;
        case Options::Colour::Grey:
            out[0] = fixtureGrey(x, y, o.width, o.height);
            return;
        case Options::Colour::AdobeCmyk:
        case Options::Colour::PlainCmyk:
        case Options::Colour::AdobeYcck: {
            // Inks with black taken out, as a print workflow makes them.
            const int k = 255 - std::max({p.red, p.green, p.blue});
            const int rest = 255 - k;
            auto ink = [&](int v) { return rest == 0 ? 0 : (rest - v) * 255 / rest; };
            const int inks[4] = {ink(p.red), ink(p.green), ink(p.blue), k};
            const bool inverted = o.colour != Options::Colour::PlainCmyk;
            for (int i = 0; i < 4; ++i) {
                out[i] = static_cast<JSAMPLE>(inverted ? 255 - inks[i] : inks[i]);
            }
            return;
        }
    }
}

// A C-style frame for setjmp: only pointers and integers in it.
bool encode(jpeg_compress_struct* info, FixtureErrors* errors, const Options* o, JSAMPLE* row,
            unsigned char** buffer, unsigned long* size) {
    if (setjmp(errors->jump)) {
        return false;
    }
    jpeg_create_compress(info);
    jpeg_mem_dest(info, buffer, size);
    info->image_width = static_cast<JDIMENSION>(o->width);
    info->image_height = static_cast<JDIMENSION>(o->height);
    switch (o->colour) {
        case Options::Colour::Rgb:
            info->input_components = 3;
            info->in_color_space = JCS_RGB;
            break;
        case Options::Colour::Grey:
            info->input_components = 1;
            info->in_color_space = JCS_GRAYSCALE;
            break;
        default:
            info->input_components = 4;
            info->in_color_space = JCS_CMYK;
            break;
    }
    jpeg_set_defaults(info);
    if (o->colour == Options::Colour::AdobeYcck) {
        jpeg_set_colorspace(info, JCS_YCCK);
    }
    if (o->colour == Options::Colour::PlainCmyk) {
        info->write_Adobe_marker = FALSE;
    }
    jpeg_set_quality(info, o->quality, TRUE);
    if (info->num_components >= 3) {
        info->comp_info[0].h_samp_factor = o->hSampling;
        info->comp_info[0].v_samp_factor = o->vSampling;
    }
    info->arith_code = o->arithmetic ? TRUE : FALSE;
    info->restart_interval = static_cast<unsigned>(o->restartInterval);
    if (o->progressive) {
        jpeg_simple_progression(info);
    }
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        const int y = static_cast<int>(info->next_scanline);
        for (int x = 0; x < o->width; ++x) {
            inputPixel(*o, x, y, row + x * info->input_components);
        }
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

}  // namespace

Rgb fixturePixel(int x, int y, int width, int height) {
    const int red = width > 1 ? x * 255 / (width - 1) : 128;
    const int green = height > 1 ? y * 255 / (height - 1) : 128;
    const int blue = 255 - (red + green) / 2;
    return {static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
            static_cast<std::uint8_t>(blue)};
}

std::uint8_t fixtureGrey(int x, int y, int width, int height) {
    const Rgb p = fixturePixel(x, y, width, height);
    return static_cast<std::uint8_t>((p.red + p.green) / 2);
}

Picture fixturePicture(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const Rgb p = fixturePixel(x, y, width, height);
            row[3 * x] = p.blue;
            row[3 * x + 1] = p.green;
            row[3 * x + 2] = p.red;
        }
    }
    return picture;
}

std::vector<std::uint8_t> makeJpegFixture(const JpegFixtureOptions& options) {
    jpeg_compress_struct info{};
    FixtureErrors errors{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = jumpOut;
    std::vector<JSAMPLE> row(static_cast<std::size_t>(options.width) * 4);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = encode(&info, &errors, &options, row.data(), &buffer, &size);
    char message[JMSG_LENGTH_MAX] = "";
    if (!ok) {
        (*errors.pub.format_message)(reinterpret_cast<j_common_ptr>(&info), message);
    }
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> bytes(buffer, buffer + (ok ? size : 0));
    std::free(buffer);
    if (!ok) {
        throw std::runtime_error(std::string("Cannot make the JPEG fixture: ") + message);
    }
    return bytes;
}

std::string writeJpegFixture(const std::string& folder, const std::string& name,
                             const JpegFixtureOptions& options) {
    const std::string path = folder + "/" + name;
    writeBytes(path, makeJpegFixture(options));
    return path;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("Cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("Cannot write " + path);
    }
}

std::size_t findStartOfFrame(const std::vector<std::uint8_t>& jpeg) {
    // Walk the marker segments after SOI; table contents may hold FF bytes.
    std::size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
        const std::uint8_t m = jpeg[i + 1];
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            return i;
        }
        i += 2 + (static_cast<std::size_t>(jpeg[i + 2]) << 8 | jpeg[i + 3]);
    }
    return std::string::npos;
}

}  // namespace pictavo::test
