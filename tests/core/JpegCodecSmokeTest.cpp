#include <gtest/gtest.h>

#include <cstdlib>

#include "core/AtomicFile.h"
#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace pictavo;
using namespace pictavo::test;

TEST(JpegCodec, FixtureRoundTripsThroughDecoderAndEncoder) {
    TempDir dir;
    JpegFixtureOptions o;
    o.width = 40;
    o.height = 30;
    const std::string path = writeJpegFixture(dir.path(), "a.jpg", o);
    const Picture p = decodeJpegFile(path);
    ASSERT_EQ(p.width(), 40);
    ASSERT_EQ(p.height(), 30);
    const Rgb want = fixturePixel(20, 15, 40, 30);
    EXPECT_NEAR(p.scanLine(15)[20 * 3 + 2], want.red, 6);
    EXPECT_NEAR(p.scanLine(15)[20 * 3 + 1], want.green, 6);
    EXPECT_NEAR(p.scanLine(15)[20 * 3 + 0], want.blue, 6);

    writeJpegFile(p, Rect{0, 0, 40, 30}, 95, dir.file("b.jpg"));
    const Picture q = decodeJpegFile(dir.file("b.jpg"));
    EXPECT_EQ(q.width(), 40);
    EXPECT_NEAR(q.scanLine(15)[20 * 3 + 2], want.red, 8);
    EXPECT_THROW(decodeJpegFile(dir.file("missing.jpg")), JpegError);
}
