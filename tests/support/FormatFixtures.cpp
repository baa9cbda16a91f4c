#include "support/FormatFixtures.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "core/Rect.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TiledHeic.h"

namespace pictavo::test {

namespace {

bool isHeifName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".heic" || ext == ".heif";
}

void run(const std::vector<std::string>& args) {
    // heif-enc and heif-convert talk on standard output.
    if (runProgram(args, "/dev/null") != 0) {
        std::string line;
        for (const std::string& a : args) {
            line += a + " ";
        }
        throw std::runtime_error("failed: " + line);
    }
}

void check(const heif_error& error) {
    if (error.code != heif_error_Ok) {
        throw std::runtime_error(std::string("libheif: ") + error.message);
    }
}

}  // namespace

std::string writeFormatFixture(const std::string& folder, const std::string& name, int width,
                               int height, const std::vector<std::string>& args) {
    const std::string path = folder + "/" + name;
    const std::string ppm = folder + "/.fixture-" + name + ".ppm";
    const Picture pattern = fixturePicture(width, height);
    writePpm(ppm, pattern, Rect{0, 0, width, height});
    if (isHeifName(name)) {
        // heif-enc reads PNG, not PPM.
        const std::string png = folder + "/.fixture-" + name + ".png";
        run({"convert", ppm, png});
        std::vector<std::string> command{"heif-enc"};
        command.insert(command.end(), args.begin(), args.end());
        command.insert(command.end(), {png, "-o", path});
        run(command);
        std::remove(png.c_str());
    } else {
        std::vector<std::string> command{"convert", ppm};
        command.insert(command.end(), args.begin(), args.end());
        command.push_back(path);
        run(command);
    }
    std::remove(ppm.c_str());
    return path;
}

void writeHeifWithLibrary(const std::string& path, const Picture& picture, int orientation,
                          const std::vector<std::uint8_t>& exif,
                          const std::vector<std::uint8_t>& icc) {
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                              &heif_context_free);
    const HeifImage image = heifImageOf(picture, 0, 0, picture.width(), picture.height());
    if (!icc.empty()) {
        check(heif_image_set_raw_color_profile(image.get(), "prof", icc.data(), icc.size()));
    }
    const std::unique_ptr<heif_encoding_options, decltype(&heif_encoding_options_free)> options(
        heif_encoding_options_alloc(), &heif_encoding_options_free);
    options->image_orientation = static_cast<heif_orientation>(orientation);
    const HeifHandle handle = encodeHevc(context.get(), image.get(), 90, options.get());
    if (!exif.empty()) {
        check(heif_context_add_exif_metadata(context.get(), handle.get(), exif.data(),
                                             static_cast<int>(exif.size())));
    }
    check(heif_context_write_to_file(context.get(), path.c_str()));
}

Picture toolDecode(const std::string& path, const std::string& scratch) {
    const std::string ppm = scratch + "/.tool-decoded.ppm";
    if (isHeifName(path)) {
        const std::string png = scratch + "/.tool-decoded.png";
        run({"heif-convert", path, png});
        run({"convert", png, "-depth", "8", ppm});
        std::remove(png.c_str());
    } else {
        run({"convert", path + "[0]", "-background", "white", "-alpha", "remove", "-alpha", "off",
             "-depth", "8", "-type", "TrueColor", ppm});
    }
    Picture picture = readPnm(ppm);
    std::remove(ppm.c_str());
    return picture;
}

std::vector<std::uint8_t> toolIccProfile(const std::string& path, const std::string& scratch) {
    const std::string icc = scratch + "/.tool-profile.icc";
    std::remove(icc.c_str());
    if (runProgram({"convert", path + "[0]", icc}, "/dev/null") != 0) {
        return {};
    }
    std::vector<std::uint8_t> bytes = readBytes(icc);
    std::remove(icc.c_str());
    return bytes;
}

int largestDifference(const Picture& a, const Picture& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return -1;
    }
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const std::uint8_t* p = a.scanLine(y);
        const std::uint8_t* q = b.scanLine(y);
        for (int i = 0; i < a.width() * 3; ++i) {
            largest = std::max(largest, std::abs(int{p[i]} - int{q[i]}));
        }
    }
    return largest;
}

}  // namespace pictavo::test
