#include "core/Picture.h"

#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

using pictavo::Picture;

// A raster written whole is resident for its own bytes only: the rest of the
// last 2 MiB it was given room for stays untouched, also where the system
// backs rasters with huge pages.
TEST(Picture, OnlyTheRastersBytesBecomeResident) {
    Picture picture(1000, 1750);  // 5.25 MB, past where rasters are mapped
    for (int y = 0; y < picture.height(); ++y) {
        std::memset(picture.scanLine(y), 1, static_cast<std::size_t>(picture.bytesPerLine()));
    }
    const long page = sysconf(_SC_PAGESIZE);
    const auto start = reinterpret_cast<std::uintptr_t>(picture.scanLine(0));
    const std::uintptr_t end = start + picture.byteCount();
    const std::uintptr_t used = (end + page - 1) / page * page;
    const std::uintptr_t room =
        start + (picture.byteCount() + (2 << 20) - 1) / (2 << 20) * (2 << 20);
    ASSERT_GT(room, used);
    std::vector<unsigned char> resident((room - used) / page);
    ASSERT_EQ(mincore(reinterpret_cast<void*>(used), room - used, resident.data()), 0);
    for (std::size_t i = 0; i < resident.size(); ++i) {
        EXPECT_EQ(resident[i] & 1, 0) << "page " << i << " past the raster is resident";
    }
}

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

TEST(Picture, CopiesShareTheRasterUntilOneIsWritten) {
    Picture a(4, 3);
    a.fill(1, 2, 3);
    const Picture b = a;
    Picture c;
    c = a;
    const auto bits = [](const Picture& p) { return p.scanLine(0); };
    EXPECT_EQ(bits(a), bits(b));
    EXPECT_EQ(bits(a), bits(c));
    EXPECT_FALSE(a.isDetached());

    c.scanLine(2)[5] = 77;  // c takes a raster of its own
    EXPECT_NE(bits(c), bits(a));
    EXPECT_EQ(bits(a), bits(b));
    EXPECT_TRUE(c.isDetached());
    EXPECT_EQ(b.scanLine(2)[5], 3);
    EXPECT_EQ(c.scanLine(2)[4], 2) << "the rest of the pixels came along";

    a.fill(9, 9, 9);
    EXPECT_EQ(b.scanLine(0)[0], 1);
    EXPECT_EQ(a.scanLine(2)[8], 9);
    EXPECT_TRUE(a.isDetached());
    EXPECT_TRUE(b.isDetached()) << "the last holder writes in place";
}

// Whether a picture may be written over as it is, and what reuseAs leaves
// for the pictures that shared its raster.
TEST(Picture, OnlyADetachedRasterOfTheSizeIsWrittenOver) {
    Picture a(4, 3);
    a.fill(1, 2, 3);
    EXPECT_TRUE(a.isWritableAs(4, 3));
    EXPECT_FALSE(a.isWritableAs(3, 4));
    EXPECT_FALSE(a.isWritableAs(4, 4));
    EXPECT_FALSE(a.isWritableAs(5, 3));
    EXPECT_TRUE(a.sharesRasterWith(a));
    EXPECT_FALSE(Picture().sharesRasterWith(Picture()));

    const std::uint8_t* own = a.scanLine(0);
    a.reuseAs(4, 3);  // detached and of the size: the same raster, as it was
    EXPECT_EQ(a.scanLine(0), own);
    EXPECT_EQ(a.scanLine(2)[11], 3);

    const Picture shared = a;
    EXPECT_TRUE(a.sharesRasterWith(shared));
    EXPECT_TRUE(shared.sharesRasterWith(a));
    EXPECT_FALSE(a.isWritableAs(4, 3));
    EXPECT_FALSE(shared.isWritableAs(4, 3));
    a.reuseAs(4, 3);  // shared: a raster of its own, the other keeps its pixels
    EXPECT_NE(std::as_const(a).scanLine(0), shared.scanLine(0));
    EXPECT_FALSE(a.sharesRasterWith(shared));
    EXPECT_TRUE(a.isWritableAs(4, 3));
    EXPECT_TRUE(shared.isWritableAs(4, 3));
    a.fill(7, 7, 7);
    EXPECT_EQ(shared.scanLine(2)[11], 3);

    a.reuseAs(2, 5);
    EXPECT_EQ(a.width(), 2);
    EXPECT_EQ(a.height(), 5);
    EXPECT_TRUE(a.isWritableAs(2, 5));
    EXPECT_FALSE(a.sharesRasterWith(shared));

    // Two copies of one empty picture show no raster.
    const Picture empty(7, 0);
    const Picture emptyCopy = empty;
    EXPECT_FALSE(empty.sharesRasterWith(emptyCopy));
}

TEST(Picture, CopiesOnOtherThreadsKeepTheirPixels) {
    Picture original(64, 64);
    original.fill(5, 5, 5);
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&original, &wrong, t] {
            for (int i = 0; i < 200; ++i) {
                Picture copy = std::as_const(original);
                copy.scanLine(i % 64)[0] = static_cast<std::uint8_t>(t);
                if (copy.scanLine((i + 1) % 64)[0] != 5 || copy.scanLine(i % 64)[0] != t) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(original.scanLine(0)[0], 5);
    EXPECT_TRUE(original.isDetached());
}
