#include "core/JpegDecoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/CmykToBgr.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace pictavo;
using namespace pictavo::test;
using Colour = JpegFixtureOptions::Colour;

namespace {

struct DjpegCase {
    const char* name;
    JpegFixtureOptions options;
};

JpegFixtureOptions fixture(int w, int h, int hs, int vs, bool progressive = false,
                           Colour colour = Colour::Rgb) {
    JpegFixtureOptions o;
    o.width = w;
    o.height = h;
    o.hSampling = hs;
    o.vSampling = vs;
    o.progressive = progressive;
    o.colour = colour;
    return o;
}

JpegFixtureOptions withRestarts(JpegFixtureOptions o, int interval) {
    o.restartInterval = interval;
    return o;
}

JpegFixtureOptions arithmetic(JpegFixtureOptions o) {
    o.arithmetic = true;
    return o;
}

void PrintTo(const DjpegCase& c, std::ostream* os) {
    *os << c.name;
}

class DecodeMatchesDjpeg : public testing::TestWithParam<DjpegCase> {};

// Our pixels must be exactly what the library's own tool writes: same library
// defaults, only the output layout differs.
TEST_P(DecodeMatchesDjpeg, ByteForByte) {
    TempDir dir;
    const std::string jpeg = writeJpegFixture(dir.path(), "in.jpg", GetParam().options);
    const std::string pnm = dir.file("out.pnm");
    ASSERT_EQ(runProgram({"djpeg", "-pnm", "-outfile", pnm, jpeg}), 0);
    const Picture expected = readPnm(pnm);
    const Picture fromFile = decodeJpegFile(jpeg);
    EXPECT_TRUE(samePixels(fromFile, expected));
    const std::vector<std::uint8_t> bytes = readBytes(jpeg);
    EXPECT_TRUE(samePixels(decodeJpegMemory(bytes.data(), bytes.size()), expected));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DecodeMatchesDjpeg,
    testing::Values(
        DjpegCase{"s444", fixture(40, 30, 1, 1)}, DjpegCase{"s422", fixture(40, 30, 2, 1)},
        DjpegCase{"s420", fixture(40, 30, 2, 2)}, DjpegCase{"s440", fixture(40, 30, 1, 2)},
        DjpegCase{"s420OddSize", fixture(37, 29, 2, 2)}, DjpegCase{"s411", fixture(61, 17, 4, 1)},
        DjpegCase{"progressive444", fixture(40, 30, 1, 1, true)},
        DjpegCase{"progressive420", fixture(53, 41, 2, 2, true)},
        DjpegCase{"grey", fixture(33, 21, 1, 1, false, Colour::Grey)},
        DjpegCase{"greyProgressive", fixture(33, 21, 1, 1, true, Colour::Grey)},
        DjpegCase{"restarts", withRestarts(fixture(64, 48, 2, 2), 3)},
        DjpegCase{"arithmetic420", arithmetic(fixture(45, 35, 2, 2))},
        DjpegCase{"arithmeticProgressive", arithmetic(fixture(45, 35, 2, 1, true))},
        DjpegCase{"onePixel", fixture(1, 1, 2, 2)}, DjpegCase{"wide", fixture(700, 3, 2, 2)}),
    [](const testing::TestParamInfo<DjpegCase>& param) { return std::string(param.param.name); });

// The fixture's pattern survives a decode: the picture is upright, not
// mirrored, and in blue-green-red order.
TEST(JpegDecoder, ColourAndGreyPicturesShowThePattern) {
    TempDir dir;
    JpegFixtureOptions o = fixture(48, 32, 1, 1);
    o.quality = 98;
    const Picture colour = decodeJpegFile(writeJpegFixture(dir.path(), "c.jpg", o));
    o.colour = Colour::Grey;
    const Picture grey = decodeJpegFile(writeJpegFixture(dir.path(), "g.jpg", o));
    for (int y = 2; y < 32; y += 7) {
        for (int x = 2; x < 48; x += 9) {
            const Rgb want = fixturePixel(x, y, 48, 32);
            const std::uint8_t* p = colour.scanLine(y) + 3 * x;
            EXPECT_NEAR(p[0], want.blue, 4) << x << "," << y;
            EXPECT_NEAR(p[1], want.green, 4) << x << "," << y;
            EXPECT_NEAR(p[2], want.red, 4) << x << "," << y;
            const std::uint8_t* g = grey.scanLine(y) + 3 * x;
            EXPECT_NEAR(g[0], fixtureGrey(x, y, 48, 32), 3);
            EXPECT_EQ(g[0], g[1]);
            EXPECT_EQ(g[1], g[2]);
        }
    }
}

// Decoding into the previous picture of the same size reuses its memory and
// overwrites every pixel of it.
TEST(JpegDecoder, ReusingAPictureGivesTheSamePixels) {
    TempDir dir;
    const std::string path = writeJpegFixture(dir.path(), "a.jpg", fixture(45, 31, 2, 2));
    const Picture fresh = decodeJpegFile(path);
    Picture old(45, 31);
    old.fill(1, 2, 3);
    const std::uint8_t* memory = old.scanLine(0);
    const Picture reused = decodeJpegFileReusing(path, std::move(old));
    EXPECT_EQ(reused.scanLine(0), memory);
    EXPECT_TRUE(samePixels(reused, fresh));
    EXPECT_TRUE(samePixels(decodeJpegFileReusing(path, Picture(45, 30)), fresh));
    EXPECT_TRUE(samePixels(decodeJpegFileReusing(path, Picture()), fresh));
}

class CmykDecode : public testing::TestWithParam<Colour> {};

// Print files come as CMYK or YCCK; Adobe's store inverted inks, others
// plain ones. Either way the colours must come out as the inks mean.
TEST_P(CmykDecode, ColoursMatchThePattern) {
    TempDir dir;
    JpegFixtureOptions o = fixture(40, 40, 1, 1, false, GetParam());
    o.quality = 98;
    const Picture p = decodeJpegFile(writeJpegFixture(dir.path(), "k.jpg", o));
    ASSERT_EQ(p.width(), 40);
    for (int y = 1; y < 40; y += 6) {
        for (int x = 1; x < 40; x += 6) {
            const Rgb want = fixturePixel(x, y, 40, 40);
            const std::uint8_t* q = p.scanLine(y) + 3 * x;
            EXPECT_NEAR(q[0], want.blue, 6) << x << "," << y;
            EXPECT_NEAR(q[1], want.green, 6) << x << "," << y;
            EXPECT_NEAR(q[2], want.red, 6) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CmykDecode,
                         testing::Values(Colour::AdobeCmyk, Colour::PlainCmyk, Colour::AdobeYcck));

TEST(CmykToBgr, KnownInks) {
    // Pure cyan, half black, paper white, full black; Adobe stores 255 - ink.
    const std::uint8_t adobe[16] = {0,   255, 255, 255, 255, 255, 255, 127,
                                    255, 255, 255, 255, 255, 255, 255, 0};
    const std::uint8_t plain[16] = {255, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0, 0, 0, 0, 0, 255};
    const std::uint8_t expected[12] = {255, 255, 0, 127, 127, 127, 255, 255, 255, 0, 0, 0};
    std::uint8_t out[12];
    cmykToBgr(adobe, out, 4, true);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 12),
              std::vector<std::uint8_t>(expected, expected + 12));
    cmykToBgr(plain, out, 4, false);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 12),
              std::vector<std::uint8_t>(expected, expected + 12));
}

// An Exif block saying "rotate by 90 degrees" changes nothing: the picture
// comes as stored.
TEST(JpegDecoder, OrientationIsNotApplied) {
    const std::vector<std::uint8_t> plain = makeJpegFixture(fixture(40, 24, 2, 2));
    const std::uint8_t exif[] = {
        0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M',
        0,    42,   0,    0,    0,   8,                            // TIFF header
        0,    1,                                                   // one entry
        0x01, 0x12, 0,    3,    0,   0,   0,   1,   0, 6, 0,   0,  // Orientation = 6
        0,    0,    0,    0};
    std::vector<std::uint8_t> rotated(plain.begin(), plain.begin() + 2);
    rotated.insert(rotated.end(), std::begin(exif), std::end(exif));
    rotated.insert(rotated.end(), plain.begin() + 2, plain.end());
    const Picture a = decodeJpegMemory(plain.data(), plain.size());
    const Picture b = decodeJpegMemory(rotated.data(), rotated.size());
    EXPECT_EQ(b.width(), 40);
    EXPECT_EQ(b.height(), 24);
    EXPECT_TRUE(samePixels(a, b));
}

}  // namespace
