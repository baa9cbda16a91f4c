#include <algorithm>
#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "adjust/ProEffectImage.h"
#include "core/Picture.h"

namespace pictavo {

namespace {

constexpr int kPx = Picture::kBytesPerPixel;
// Below this many pixels starting threads costs more than it saves, and a
// band narrower than this spends its time waiting on its neighbour.
constexpr long long kPixelsForThreads = 1LL << 18;
constexpr int kMinBandWidth = 256;
constexpr unsigned kMaxBands = 4;

// Where the rows are and which part of them a band smooths.
struct Rows {
    std::uint8_t* base;
    std::ptrdiff_t stride;
    int top;
    int bottom;
    std::uint8_t* row(int y) const { return base + y * stride; }
};

// Smooths the bytes [first, first + count) of rows top..bottom in order.
// When `left` is given (the band to the left), a row is started only once
// that band has finished it: the first pixel's left neighbour must be
// smoothed already. The band to the right lags behind this one, so the last
// pixel's right neighbour is still as it was. `done` tells the band to the
// right how many rows are finished.
void smoothBand(const Rows& rows, int first, int count, const std::atomic<int>* left,
                std::atomic<int>* done) {
    // Per row, the upper (already smoothed), lower and right (both still
    // input) neighbours are summed ahead in one pass the compiler can
    // vectorise; what remains in order is adding the left neighbour, which
    // is the value just computed.
    std::vector<std::uint16_t> sums(static_cast<std::size_t>(count));
    for (int y = rows.top; y <= rows.bottom; ++y) {
        if (left) {
            for (int seen = left->load(std::memory_order_acquire); seen <= y;
                 seen = left->load(std::memory_order_acquire)) {
                left->wait(seen, std::memory_order_acquire);
            }
        }
        const std::uint8_t* up = rows.row(y - 1) + first;
        const std::uint8_t* down = rows.row(y + 1) + first;
        std::uint8_t* row = rows.row(y) + first;
        std::uint16_t* s = sums.data();
        for (int i = 0; i < count; ++i) {
            s[i] = static_cast<std::uint16_t>(up[i] + down[i] + row[i + kPx]);
        }
        unsigned blue = row[-3];
        unsigned green = row[-2];
        unsigned red = row[-1];
        for (int i = 0; i < count; i += kPx) {
            blue = (s[i] + blue) >> 2;
            green = (s[i + 1] + green) >> 2;
            red = (s[i + 2] + red) >> 2;
            row[i] = static_cast<std::uint8_t>(blue);
            row[i + 1] = static_cast<std::uint8_t>(green);
            row[i + 2] = static_cast<std::uint8_t>(red);
        }
        if (done) {
            done->store(y + 1, std::memory_order_release);
            done->notify_one();
        }
    }
}

int bandsFor(int columns, int rows) {
    if (static_cast<long long>(columns) * rows < kPixelsForThreads) {
        return 1;
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp(columns / kMinBandWidth, 1, static_cast<int>(std::min(cores, kMaxBands)));
}

}  // namespace

void AntiAliasRect(Picture& picture, int left, int top, int right, int bottom) {
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    left = std::max(1, left);
    top = std::max(1, top);
    right = std::min(picture.width() - 2, right);
    bottom = std::min(picture.height() - 2, bottom);
    if (right < left || bottom < top) {
        return;
    }
    picture.detach();
    const Rows rows{picture.scanLine(0), picture.bytesPerLine(), top, bottom};
    const int columns = right - left + 1;
    const int bands = bandsFor(columns, bottom - top + 1);
    // Each pixel needs its upper and left neighbours smoothed and the others
    // not yet: side-by-side bands of columns, each a row behind the one to
    // its left, keep that order on several cores at once.
    const auto edge = [&](int band) { return left + columns * band / bands; };
    std::vector<std::atomic<int>> finished(static_cast<std::size_t>(bands));
    for (std::atomic<int>& rowsDone : finished) {
        rowsDone.store(0, std::memory_order_relaxed);
    }
    const auto run = [&](int band) {
        smoothBand(rows, edge(band) * kPx, (edge(band + 1) - edge(band)) * kPx,
                   band > 0 ? &finished[band - 1] : nullptr,
                   band + 1 < bands ? &finished[band] : nullptr);
    };
    std::vector<std::thread> helpers;
    int started = 1;
    for (; started < bands; ++started) {
        try {
            helpers.emplace_back(run, started);
        } catch (const std::system_error&) {
            break;  // no thread to be had: the remaining bands run here, in order
        }
    }
    run(0);
    for (int band = started; band < bands; ++band) {
        run(band);
    }
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

void AntiAliasFilter(Picture& picture) {
    AntiAliasRect(picture, 0, 0, picture.width(), picture.height());
}

}  // namespace pictavo
