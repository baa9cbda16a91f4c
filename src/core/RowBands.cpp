#include "core/RowBands.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace pictavo {

namespace {
// Below this many pixels starting a thread costs more than it saves.
constexpr long long kPixelsPerThread = 1LL << 18;
constexpr unsigned kMaxThreads = 4;
}  // namespace

void ForEachRowBand(int rows, int width, const std::function<void(int, int)>& work) {
    if (rows <= 0 || width <= 0) {
        return;
    }
    const long long pixels = static_cast<long long>(rows) * width;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int bands = static_cast<int>(std::clamp<long long>(
        std::min<long long>(pixels / kPixelsPerThread, std::min(cores, kMaxThreads)), 1, rows));
    std::vector<std::thread> helpers;
    int first = 0;
    for (int band = 0; band < bands - 1; ++band) {
        const int end = static_cast<int>(static_cast<long long>(rows) * (band + 1) / bands);
        try {
            helpers.emplace_back(work, first, end);
        } catch (const std::system_error&) {
            break;  // no thread to be had: the rest runs here
        }
        first = end;
    }
    work(first, rows);
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

}  // namespace pictavo
