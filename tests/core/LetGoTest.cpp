#include "core/LetGo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "core/Picture.h"

using namespace pictavo;

namespace {

// Notes the thread it is destroyed on.
struct Marker {
    std::atomic<std::thread::id>* destroyedOn = nullptr;
    Marker() = default;
    explicit Marker(std::atomic<std::thread::id>* on) : destroyedOn(on) {}
    Marker(Marker&& other) noexcept : destroyedOn(std::exchange(other.destroyedOn, nullptr)) {}
    ~Marker() {
        if (destroyedOn)
            destroyedOn->store(std::this_thread::get_id());
    }
};

}  // namespace

TEST(LetGo, DestroysOnAnotherThreadAndSharersKeepTheirData) {
    std::atomic<std::thread::id> destroyedOn{};
    letGo(Marker(&destroyedOn));
    waitForReleases();
    EXPECT_NE(destroyedOn.load(), std::thread::id{});
    EXPECT_NE(destroyedOn.load(), std::this_thread::get_id());

    // A picture let go while another shares its raster: the sharer's pixels
    // stay as they were, and it alone holds them afterwards.
    Picture kept(64, 32);
    kept.fill(0x5a, 0x5a, 0x5a);
    {
        Picture shared = kept;
        std::vector<Picture> levels{shared, Picture(8, 8)};
        letGo(std::move(shared));
        letGo(std::move(levels));
    }
    waitForReleases();
    EXPECT_TRUE(kept.isWritableAs(64, 32));
    for (int y = 0; y < kept.height(); ++y) {
        const std::uint8_t* row = std::as_const(kept).scanLine(y);
        for (int x = 0; x < 3 * kept.width(); ++x)
            ASSERT_EQ(row[x], 0x5a);
    }
}
