// The pictures of other formats than JPEG: decoded as Debian's own tools
// decode them, cut as cjpeg writes those pixels, refused when damaged or
// too large, turned as a HEIF file says, and their metadata kept.

#include "core/PictureFile.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/ExifBlock.h"
#include "core/JpegEncoder.h"
#include "support/ExifFixtures.h"
#include "support/ExternalTools.h"
#include "support/FormatFixtures.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"
#include "support/TiledHeic.h"

using pictavo::DecodeOptions;
using pictavo::decodePicture;
using pictavo::JpegError;
using pictavo::Picture;
using pictavo::Rect;
namespace test = pictavo::test;

namespace {

struct FormatCase {
    const char* name;
    std::vector<std::string> toolArgs;
    // Channel values may differ by this much from the tools' decode: only
    // where two roundings meet (alpha laid over white, 10 bits to 8).
    int tolerance;
};

const std::vector<FormatCase>& formatCases() {
    static const std::vector<FormatCase> cases{
        {"phone.heic", {"-q", "90"}, 0},
        {"odd.HEIF", {"-q", "70"}, 0},
        {"deep.heic", {"-b", "10", "-q", "90"}, 1},
        {"plain.png", {}, 0},
        {"deep.PNG", {"-depth", "16"}, 0},
        {"palette.png", {"-colors", "64", "-type", "Palette"}, 0},
        {"alpha.png", {"-alpha", "set", "-channel", "A", "-evaluate", "set", "60%", "+channel"}, 1},
        {"scan.tif", {"-compress", "lzw"}, 0},
        {"deep.TIFF", {"-depth", "16", "-compress", "zip"}, 0},
        {"web.webp", {"-define", "webp:lossless=true"}, 0},
    };
    return cases;
}

// The sizes are odd on purpose: chroma halving and row padding show there,
// and heif-enc stores such a picture as a grid item over a larger coded
// tile, the way phones store theirs as grids of tiles.
constexpr int kWidth = 67;
constexpr int kHeight = 45;

}  // namespace

TEST(PictureFile, EachFormatDecodesAsTheToolsDoAndCutsAsCjpegWritesIt) {
    test::TempDir tmp;
    for (const FormatCase& c : formatCases()) {
        SCOPED_TRACE(c.name);
        const std::string path =
            test::writeFormatFixture(tmp.path(), c.name, kWidth, kHeight, c.toolArgs);
        const Picture expected = test::toolDecode(path, tmp.path());
        const Picture decoded = decodePicture(path, DecodeOptions{}).picture;
        ASSERT_EQ(decoded.width(), kWidth);
        ASSERT_EQ(decoded.height(), kHeight);
        EXPECT_LE(test::largestDifference(decoded, expected), c.tolerance);
        if (c.tolerance != 0) {
            continue;
        }
        // The cut: the same encoder, the same bytes as cjpeg of those pixels.
        const Rect area{3, 0, 61, 45};
        const std::string cut = tmp.file("cut.jpg");
        pictavo::writeJpegFile(decoded, area, 80, cut);
        const std::vector<std::uint8_t> want = test::cjpegReference(expected, area, 80, tmp.path());
        ASSERT_FALSE(want.empty());
        EXPECT_TRUE(test::readBytes(cut) == want);
    }
}

TEST(PictureFile, DamagedOrTooLargePicturesAreRefused) {
    test::TempDir tmp;
    for (const FormatCase& c : formatCases()) {
        SCOPED_TRACE(c.name);
        const std::string path =
            test::writeFormatFixture(tmp.path(), c.name, kWidth, kHeight, c.toolArgs);
        const std::size_t exact = Picture::bytesNeeded(kWidth, kHeight);
        // Refused from the header, exactly above the budget.
        EXPECT_THROW(decodePicture(path, DecodeOptions{}, Picture(), exact - 1), JpegError);
        EXPECT_EQ(decodePicture(path, DecodeOptions{}, Picture(), exact).picture.width(), kWidth);

        std::vector<std::uint8_t> bytes = test::readBytes(path);
        const std::string cutShort = tmp.file("short-" + std::string(c.name));
        test::writeBytes(cutShort, {bytes.begin(), bytes.begin() + bytes.size() / 3});
        EXPECT_THROW(decodePicture(cutShort, DecodeOptions{}), JpegError);
        const std::string scrambled = tmp.file("scrambled-" + std::string(c.name));
        for (std::size_t i = 0; i < 64 && i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(bytes[i] ^ 0x5a);
        }
        test::writeBytes(scrambled, bytes);
        EXPECT_THROW(decodePicture(scrambled, DecodeOptions{}), JpegError);
    }
    // A chunk that claims more bytes than the file has is refused before
    // libpng sets out to allocate them.
    std::vector<std::uint8_t> png =
        test::readBytes(test::writeFormatFixture(tmp.path(), "text.png", kWidth, kHeight));
    const std::string lying("\x73\x74\x78\x25tEXtdate:modify");
    png.insert(png.end() - 12, lying.begin(), lying.end());
    test::writeBytes(tmp.file("lying.png"), png);
    try {
        decodePicture(tmp.file("lying.png"), DecodeOptions{});
        ADD_FAILURE() << "a PNG chunk running past the end was read";
    } catch (const JpegError& e) {
        EXPECT_NE(std::string(e.what()).find("runs past"), std::string::npos) << e.what();
    }
    // A TIFF file stating thousands of samples a pixel: libtiff would hold
    // them all while the picture is converted.
    std::vector<std::uint8_t> tiff{'I', 'I', 42, 0, 8, 0, 0, 0};
    const std::vector<std::pair<int, int>> tags{{256, 4000}, {257, 3}, {258, 8},    {259, 1},
                                                {262, 2},    {273, 0}, {277, 8197}, {279, 96}};
    tiff.push_back(static_cast<std::uint8_t>(tags.size()));
    tiff.push_back(0);
    for (const auto& [tag, value] : tags) {
        const std::uint8_t entry[12] = {static_cast<std::uint8_t>(tag),
                                        static_cast<std::uint8_t>(tag >> 8),
                                        3,
                                        0,
                                        1,
                                        0,
                                        0,
                                        0,
                                        static_cast<std::uint8_t>(value),
                                        static_cast<std::uint8_t>(value >> 8),
                                        0,
                                        0};
        tiff.insert(tiff.end(), entry, entry + 12);
    }
    tiff.resize(tiff.size() + 4 + 96);
    test::writeBytes(tmp.file("samples.tif"), tiff);
    try {
        decodePicture(tmp.file("samples.tif"), DecodeOptions{});
        ADD_FAILURE() << "a TIFF file of 8197 samples a pixel was read";
    } catch (const JpegError& e) {
        EXPECT_NE(std::string(e.what()).find("samples"), std::string::npos) << e.what();
    }
    // An image sequence alone (a movie box and no still picture), which
    // libheif does not read: refused like a damaged file.
    test::writeBytes(tmp.file("sequence.heic"), {0,   0,   0, 24, 'f', 't', 'y', 'p', 'm', 's', 'f',
                                                 '1', 0,   0, 0,  0,   'm', 's', 'f', '1', 'h', 'e',
                                                 'v', 'c', 0, 0,  0,   8,   'm', 'o', 'o', 'v'});
    EXPECT_THROW(decodePicture(tmp.file("sequence.heic"), DecodeOptions{}), JpegError);
    EXPECT_THROW(decodePicture(tmp.file("missing.heic"), DecodeOptions{}), JpegError);
    EXPECT_THROW(decodePicture(tmp.path() + "/.", DecodeOptions{}), JpegError);
}

TEST(PictureFile, AHeifFileComesUpTurnedAsItSaysWhateverTheOptions) {
    test::TempDir tmp;
    const Picture pattern = test::fixturePicture(40, 24);
    // libheif's orientations: 1 as stored, 3 half a turn, 6 and 8 quarter
    // turns, 2 mirrored.
    for (int orientation : {1, 2, 3, 6, 8}) {
        SCOPED_TRACE(orientation);
        const std::string path = tmp.file("turned" + std::to_string(orientation) + ".heic");
        test::writeHeifWithLibrary(path, pattern, orientation);
        const Picture expected = test::toolDecode(path, tmp.path());
        const bool swaps = orientation >= 5;
        EXPECT_EQ(expected.width(), swaps ? 24 : 40);
        for (const DecodeOptions options :
             {DecodeOptions{false, false}, DecodeOptions{true, true}}) {
            const Picture decoded = decodePicture(path, options).picture;
            EXPECT_EQ(test::largestDifference(decoded, expected), 0);
        }
    }
}

TEST(PictureFile, APhonesGridOfTilesDecodesAsHeifConvertDecodesIt) {
    test::TempDir tmp;
    // Three by two tiles of 64; the grid crops the right column and the
    // bottom row, as a phone's 4032 x 3024 grid of 512 crops its last tiles.
    const Picture pattern = test::fixturePicture(151, 101);
    const std::string path = tmp.file("grid.heic");
    test::writeTiledHeic(path, pattern, 64);
    const Picture expected = test::toolDecode(path, tmp.path());
    const Picture decoded = decodePicture(path, DecodeOptions{}).picture;
    ASSERT_EQ(decoded.width(), 151);
    ASSERT_EQ(decoded.height(), 101);
    EXPECT_EQ(test::largestDifference(decoded, expected), 0);
    // Each tile in its place: near the pattern everywhere (HEVC is lossy).
    long long total = 0;
    for (int y = 0; y < 101; ++y) {
        for (int x = 0; x < 3 * 151; ++x) {
            total += std::abs(decoded.scanLine(y)[x] - pattern.scanLine(y)[x]);
        }
    }
    EXPECT_LT(total / (3 * 151 * 101), 4);
}

TEST(PictureFile, KeptMetadataGoesIntoTheCut) {
    test::TempDir tmp;
    const std::vector<std::uint8_t> icc = test::makeIccProfile("RGB ", 700);
    test::ExifFixture exifFixture;
    exifFixture.orientation = 6;
    std::vector<std::uint8_t> exif = test::makeExifBlock(exifFixture);
    const std::string heic = tmp.file("meta.heic");
    test::writeHeifWithLibrary(heic, test::fixturePicture(40, 24), 6, exif, icc);

    // A PNG and a TIFF with a profile, as other programs write them.
    QImage image(40, 24, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    image.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    const std::string png = tmp.file("profiled.png");
    ASSERT_TRUE(image.save(QString::fromStdString(png)));
    const std::string tiff = tmp.file("profiled.tif");
    ASSERT_EQ(test::runProgram({"convert", png, tiff}, "/dev/null"), 0);

    const struct {
        std::string path;
        std::vector<std::uint8_t> icc;
        bool exif;
    } cases[] = {
        {heic, icc, true},
        {png, test::toolIccProfile(png, tmp.path()), false},
        {tiff, test::toolIccProfile(tiff, tmp.path()), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_FALSE(c.icc.empty());
        EXPECT_TRUE(decodePicture(c.path, DecodeOptions{false, false}).metadata.empty());
        const pictavo::DecodedJpeg decoded = decodePicture(c.path, DecodeOptions{false, true});
        const std::string cut = tmp.file("cut.jpg");
        pictavo::writeJpegFile(decoded.picture, {0, 0, 20, 20}, 90, cut, &decoded.metadata);
        const pictavo::DecodedJpeg written = pictavo::decodeJpeg(cut, DecodeOptions{false, true});
        EXPECT_TRUE(written.metadata.icc == c.icc);
        ASSERT_EQ(written.metadata.exif.empty(), !c.exif);
        if (c.exif) {
            // The pixels are already upright: the cut must not be turned again.
            auto block = pictavo::ExifBlock::parse(written.metadata.exif.data(),
                                                   written.metadata.exif.size());
            ASSERT_TRUE(block);
            EXPECT_EQ(block->orientation(), pictavo::Orientation::Normal);
            const std::string bytes(written.metadata.exif.begin(), written.metadata.exif.end());
            EXPECT_NE(bytes.find(exifFixture.model), std::string::npos);
        }
    }
}
