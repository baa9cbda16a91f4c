// Cutting a photo by copying its coded blocks: the same bytes as jpegtran,
// the grid the frame snaps to, and the files that must be re-encoded instead.
#include "core/LosslessCut.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "crop/FrameGeometry.h"
#include "support/ExifFixtures.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The fixture pattern of width x height encoded by cjpeg with `switches`.
Bytes cjpegPhoto(const TempDir& dir, int width, int height,
                 const std::vector<std::string>& switches) {
    const std::string ppm = dir.file("photo.ppm");
    writePpm(ppm, fixturePicture(width, height), {0, 0, width, height});
    std::vector<std::string> args = {"cjpeg", "-quality", "85"};
    args.insert(args.end(), switches.begin(), switches.end());
    args.push_back(ppm);
    const std::string out = dir.file("photo.jpg");
    if (runProgram(args, out) != 0) {
        return {};
    }
    return readBytes(out);
}

Bytes withOrientation(const Bytes& photo, int orientation) {
    ExifFixture exif;
    exif.orientation = orientation;
    return withSegments(photo, {{0xE1, makeExifBlock(exif)}});
}

struct SameAsJpegtranCase {
    const char* name;
    std::vector<std::string> cjpeg;
    int orientation;  // 0: no EXIF block
    std::vector<std::string> jpegtran;
    Rect area;  // in the upright picture
};

class SameAsJpegtranTest : public ::testing::TestWithParam<SameAsJpegtranCase> {};

TEST_P(SameAsJpegtranTest, BytesAreJpegtrans) {
    const SameAsJpegtranCase& c = GetParam();
    TempDir dir;
    Bytes photo = cjpegPhoto(dir, 96, 64, c.cjpeg);
    ASSERT_FALSE(photo.empty());
    if (c.orientation) {
        photo = withOrientation(photo, c.orientation);
    }
    const Bytes expected = jpegtranReference(photo, c.area, dir.path(), c.jpegtran);
    ASSERT_FALSE(expected.empty());
    const std::optional<Bytes> cut = losslessCut(photo, c.area, {.upright = c.orientation != 0});
    ASSERT_TRUE(cut);
    EXPECT_EQ(*cut, expected);
    // And it shows the frame's part of the picture as the program shows it
    // (to the rounding of a turned inverse DCT).
    const Picture shown =
        decodeJpegMemory(photo.data(), photo.size(), {.upright = c.orientation != 0}).picture;
    const Picture written = decodeJpegMemory(cut->data(), cut->size());
    const int x = c.area.width() / 2;
    const int y = c.area.height() / 2;
    EXPECT_NEAR(written.scanLine(y)[x * 3], shown.scanLine(c.area.top + y)[(c.area.left + x) * 3],
                4);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SameAsJpegtranTest,
    ::testing::Values(
        SameAsJpegtranCase{"Baseline420", {"-sample", "2x2"}, 0, {}, {16, 16, 96, 64}},
        SameAsJpegtranCase{
            "Progressive422", {"-sample", "2x1", "-progressive"}, 0, {}, {32, 8, 80, 40}},
        SameAsJpegtranCase{
            "Restart444", {"-sample", "1x1", "-restart", "1"}, 0, {}, {8, 56, 88, 64}},
        SameAsJpegtranCase{"Grey", {"-grayscale"}, 0, {}, {40, 0, 96, 48}},
        SameAsJpegtranCase{
            "Rotate180", {"-sample", "2x2"}, 3, {"-rotate", "180"}, {16, 16, 96, 64}},
        SameAsJpegtranCase{"Rotate90", {"-sample", "2x2"}, 6, {"-rotate", "90"}, {16, 32, 64, 80}},
        SameAsJpegtranCase{
            "Rotate270", {"-sample", "2x1"}, 8, {"-rotate", "270"}, {16, 16, 64, 96}},
        SameAsJpegtranCase{"Transpose", {"-sample", "2x2"}, 5, {"-transpose"}, {0, 16, 48, 96}},
        SameAsJpegtranCase{
            "MirrorHorizontal", {"-sample", "2x2"}, 2, {"-flip", "horizontal"}, {16, 0, 96, 48}}),
    [](const auto& row) { return std::string(row.param.name); });

// Each of these is re-encoded by the caller, as every cut used to be.
TEST(LosslessCut, RefusedWhereItCannotBeExact) {
    TempDir dir;
    const Bytes photo = cjpegPhoto(dir, 96, 64, {"-sample", "2x2"});
    ASSERT_FALSE(photo.empty());
    const Bytes cutShort(photo.begin(),
                         photo.begin() + static_cast<std::ptrdiff_t>(photo.size() * 2 / 3));
    using Colour = JpegFixtureOptions::Colour;
    const Bytes cmyk = makeJpegFixture({.width = 96, .height = 64, .colour = Colour::AdobeCmyk});
    const Bytes ycck = makeJpegFixture({.width = 96, .height = 64, .colour = Colour::AdobeYcck});
    const Bytes garbage(500, 0x55);
    const struct {
        const char* name;
        const Bytes& jpeg;
        Rect area;
    } cases[] = {
        {"left off the grid", photo, {8, 0, 88, 48}},
        {"top off the grid", photo, {0, 24, 96, 64}},
        {"past the bottom", photo, {0, 16, 96, 80}},
        {"above the top", photo, {0, -16, 96, 48}},
        {"empty", photo, {16, 16, 16, 48}},
        {"CMYK", cmyk, {0, 0, 64, 64}},
        {"YCCK", ycck, {0, 0, 64, 64}},
        {"cut short", cutShort, {0, 0, 64, 32}},
        {"not a JPEG file", garbage, {0, 0, 16, 16}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(losslessCut(c.jpeg, c.area, {.upright = true})) << c.name;
    }
    EXPECT_TRUE(losslessCut(photo, {16, 16, 96, 64}, {.upright = true}));
}

// A turn by a quarter of a 4:2:0 photo 60 rows high would bring the partial
// blocks of its bottom to the left edge.
TEST(LosslessCut, ImperfectTurnIsOneJpegtranRefusesToo) {
    TempDir dir;
    const Bytes photo = withOrientation(cjpegPhoto(dir, 96, 60, {"-sample", "2x2"}), 6);
    EXPECT_TRUE(jpegtranReference(photo, {0, 0, 48, 96}, dir.path(), {"-perfect", "-rotate", "90"})
                    .empty());
    EXPECT_FALSE(losslessGrid(photo, {.upright = true}));
    EXPECT_FALSE(losslessCut(photo, {0, 0, 48, 96}, {.upright = true}));
    // Not turned, the same photo is cut losslessly.
    EXPECT_TRUE(losslessGrid(photo, {}));
}

// The frame snapped to the grid of each kind of file, at the start, in the
// middle and at the far edge of its way: its left and top go back to the
// grid, its size stays, and the snapped frame is cut losslessly.
struct SnapCase {
    const char* name;
    const char* sampling;
    frame::Size block;
    frame::Size image;
    frame::Size crop;
    int dx;  // how far the centred frame is moved
    int dy;
    Point snapped;
};

class SnappedFrameTest : public ::testing::TestWithParam<SnapCase> {};

TEST_P(SnappedFrameTest, OnTheGridAndCut) {
    const SnapCase& c = GetParam();
    TempDir dir;
    const Bytes photo = cjpegPhoto(dir, c.image.width, c.image.height, {"-sample", c.sampling});
    ASSERT_FALSE(photo.empty());
    const std::optional<LosslessGrid> grid = losslessGrid(photo, {});
    ASSERT_TRUE(grid);
    EXPECT_EQ(frame::Size(grid->blockWidth, grid->blockHeight), c.block);
    EXPECT_EQ(frame::Size(grid->width, grid->height), c.image);
    const Rect moved = frame::moveFrame(frame::centredFrame(c.image, c.crop), c.dx, c.dy, c.image);
    const Rect snapped = frame::snapToGrid(moved, c.block);
    EXPECT_EQ(Point(snapped.left, snapped.top), c.snapped);
    EXPECT_EQ(frame::Size(snapped.width(), snapped.height()), c.crop);
    const std::optional<Bytes> cut = losslessCut(photo, snapped, {});
    ASSERT_TRUE(cut);
    EXPECT_EQ(*cut, jpegtranReference(photo, snapped, dir.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Samplings, SnappedFrameTest,
    ::testing::Values(
        // A landscape photo of 203 x 150: the frame spans its width and
        // slides down to 150 - 136 = 14.
        SnapCase{"Sub420Start", "2x2", {16, 16}, {203, 150}, {203, 136}, 0, -99, {0, 0}},
        SnapCase{"Sub420FarEdge", "2x2", {16, 16}, {203, 150}, {203, 136}, 0, 99, {0, 0}},
        SnapCase{"Sub422FarEdge", "2x1", {16, 8}, {203, 150}, {203, 136}, 0, 99, {0, 8}},
        SnapCase{"Sub444FarEdge", "1x1", {8, 8}, {203, 150}, {203, 136}, 0, 99, {0, 8}},
        // A portrait photo of 150 x 203: the frame slides right to 14.
        SnapCase{"Sub422Portrait", "2x1", {16, 8}, {150, 203}, {136, 203}, 99, 0, {0, 0}},
        SnapCase{"Sub444Portrait", "1x1", {8, 8}, {150, 203}, {136, 203}, 99, 0, {8, 0}},
        // A long way for the frame: 150 x 400 with a 2:1 frame sliding to 100.
        SnapCase{"Sub420LongFar", "2x2", {16, 16}, {150, 400}, {150, 300}, 0, 99, {0, 96}},
        SnapCase{"Sub444Long", "1x1", {8, 8}, {150, 400}, {150, 300}, 0, 37, {0, 80}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(LosslessCut, TurnedPhotoHasItsGridTurned) {
    TempDir dir;
    const Bytes photo = withOrientation(cjpegPhoto(dir, 96, 64, {"-sample", "2x1"}), 6);
    const std::optional<LosslessGrid> upright = losslessGrid(photo, {.upright = true});
    ASSERT_TRUE(upright);
    // The 16 x 8 blocks turned are 8 x 16; the library checks the corner
    // against 16 x 8, so only a corner on both grids is offered.
    EXPECT_EQ(*upright, (LosslessGrid{16, 16, 64, 96}));
    EXPECT_FALSE(losslessCut(photo, {8, 16, 64, 96}, {.upright = true}));
    EXPECT_TRUE(losslessCut(photo, {16, 16, 64, 96}, {.upright = true}));
    EXPECT_EQ(losslessGrid(photo, {}), (LosslessGrid{16, 8, 96, 64}));
}

// With the metadata kept, a lossless cut carries exactly the segments a
// re-encoded cut of the same frame carries, and jpegtran's coded picture.
TEST(LosslessCut, KeepsTheMetadataAReencodedCutKeeps) {
    TempDir dir;
    const Bytes coded = cjpegPhoto(dir, 96, 64, {"-sample", "2x2"});
    ASSERT_FALSE(coded.empty());
    ExifFixture exif;
    exif.orientation = 6;
    exif.pixelWidth = 96;
    exif.pixelHeight = 64;
    exif.thumbnail = Bytes(300, 0x42);
    std::vector<Segment> segments = {
        {0xE1, makeExifBlock(exif)},
        xmpSegment(R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF )"
                   R"(xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">)"
                   R"(<rdf:Description xmlns:tiff="http://ns.adobe.com/tiff/1.0/" )"
                   R"(tiff:Orientation="6"/></rdf:RDF></x:xmpmeta>)"),
        {0xFE, {'h', 'e', 'l', 'l', 'o'}}};
    // A profile too large for one segment.
    for (Segment& s : iccSegments(makeIccProfile("RGB ", 70000))) {
        segments.push_back(std::move(s));
    }
    const Bytes photo = withSegments(coded, segments);
    const DecodeOptions both{.upright = true, .keepMetadata = true};
    const Rect area{16, 32, 64, 80};

    const std::optional<Bytes> cut = losslessCut(photo, area, both);
    ASSERT_TRUE(cut);
    DecodedJpeg decoded = decodeJpegMemory(photo.data(), photo.size(), both);
    const Bytes reencoded = encodeJpeg(decoded.picture, area, 90, &decoded.metadata);
    for (int marker : {0xE1, 0xE2, 0xFE}) {
        const auto kept = segmentsOf(*cut, marker);
        EXPECT_FALSE(kept.empty()) << marker;
        EXPECT_EQ(kept, segmentsOf(reencoded, marker)) << marker;
    }
    // jpegtran's file with the segments after its JFIF header (SOI and APP0,
    // 20 bytes).
    const Bytes coded90 = jpegtranReference(photo, area, dir.path(), {"-rotate", "90"});
    ASSERT_GT(coded90.size(), 20u);
    EXPECT_TRUE(std::equal(coded90.begin(), coded90.begin() + 20, cut->begin()));
    EXPECT_TRUE(std::equal(coded90.rbegin(), coded90.rend() - 20, cut->rbegin()));
    // Read back, the cut is upright as it stands and has the frame's size.
    const DecodedJpeg again = decodeJpegMemory(cut->data(), cut->size(), both);
    EXPECT_EQ(again.turned, Orientation::Normal);
    EXPECT_EQ(again.picture.width(), 48);
    EXPECT_EQ(again.metadata.icc.size(), 70000u);
}

}  // namespace
