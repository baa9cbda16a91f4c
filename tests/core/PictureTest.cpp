#include "core/Picture.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

using pictavo::Picture;

TEST(Picture, CopiesAreIndependent) {
    Picture a(5, 3);
    a.fill(1, 2, 3);
    Picture b = a;
    b.scanLine(1)[4] = 99;
    EXPECT_EQ(a.scanLine(1)[4], 2);
    EXPECT_EQ(b.scanLine(1)[4], 99);
    Picture c;
    c = b;
    EXPECT_EQ(c.scanLine(1)[4], 99);
    EXPECT_EQ(c.width(), 5);
    EXPECT_EQ(c.height(), 3);
}

TEST(Picture, PixelsAreBlueGreenRedWithPaddedRows) {
    Picture p(3, 2);
    EXPECT_EQ(p.bytesPerLine(), 12);
    p.fill(10, 20, 30);
    EXPECT_EQ(p.scanLine(1)[6], 10);
    EXPECT_EQ(p.scanLine(1)[7], 20);
    EXPECT_EQ(p.scanLine(1)[8], 30);
}

TEST(Picture, EmptyPicturesAreAllowed) {
    Picture empty(0, 0);
    EXPECT_TRUE(empty.isNull());
    Picture wide(7, 0);
    EXPECT_TRUE(wide.isNull());
    Picture copy = wide;
    EXPECT_EQ(copy.width(), 7);
}

TEST(Picture, SizesThatOverflowAreRefusedBeforeAllocating) {
    EXPECT_THROW(Picture(-1, 5), std::length_error);
    constexpr int big = std::numeric_limits<int>::max();
    if constexpr (sizeof(std::size_t) == 4) {
        EXPECT_THROW(Picture(big, big), std::length_error);
    }
    EXPECT_EQ(Picture::bytesNeeded(-1, 1), 0u);
    EXPECT_EQ(Picture::bytesNeeded(1LL << 40, 1), 0u);
    EXPECT_EQ(Picture::bytesNeeded(65500, 65500), 196500ull * 65500ull);
}

TEST(Picture, MovedFromPictureIsEmpty) {
    Picture a(4, 4);
    Picture b = std::move(a);
    EXPECT_EQ(b.width(), 4);
    EXPECT_EQ(a.width(), 0);  // NOLINT(bugprone-use-after-move)
    EXPECT_TRUE(a.isNull());
}
