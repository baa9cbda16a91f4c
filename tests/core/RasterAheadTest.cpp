#include "core/RasterAhead.h"

#include <gtest/gtest.h>

using pictavo::Picture;
using pictavo::RasterAhead;

TEST(RasterAhead, GivesARasterOfTheAskedSizeOnce) {
    RasterAhead ahead;
    EXPECT_TRUE(ahead.take(30, 20).isNull());  // nothing prepared

    ahead.prepare(30, 20);
    ahead.prepare(30, 20);  // already on its way
    Picture raster = ahead.take(30, 20);
    EXPECT_EQ(raster.width(), 30);
    EXPECT_EQ(raster.height(), 20);
    EXPECT_TRUE(raster.isDetached());
    EXPECT_TRUE(ahead.take(30, 20).isNull());  // given away

    ahead.prepare(30, 20);
    EXPECT_TRUE(ahead.take(20, 30).isNull());  // another size: dropped
    EXPECT_TRUE(ahead.take(30, 20).isNull());

    ahead.prepare(30, 20);
    ahead.prepare(40, 20);  // another size while the first is on its way
    raster = ahead.take(40, 20);
    EXPECT_EQ(raster.width(), 40);
    EXPECT_EQ(raster.height(), 20);
    EXPECT_TRUE(ahead.take(30, 20).isNull());

    ahead.prepare(8, 8);
    ahead.drop();
    EXPECT_TRUE(ahead.take(8, 8).isNull());

    ahead.prepare(-1, 5);  // cannot be made
    EXPECT_TRUE(ahead.take(-1, 5).isNull());
}
