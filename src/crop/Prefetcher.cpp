#include "crop/Prefetcher.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/JpegDecoder.h"
#include "core/PictureFile.h"
#include "crop/PicturePyramid.h"

namespace pictavo {

namespace {

// Halvings are made down to this short side: the view of a picture fitted to
// any common screen draws from one of them.
constexpr int kSmallestHalving = 512;

// Output rows of the halving made per band: enough rows that each band's
// work is worth its threads, few enough that the band's rows are small.
constexpr int kBandRows = 32;

}  // namespace

Picture halvedToCover(const Picture& source, int width, int height) {
    // The level PicturePyramid::levelFor picks.
    int times = 0;
    int levelWidth = source.width();
    int levelHeight = source.height();
    while (!(levelWidth <= 1 && levelHeight <= 1) && levelWidth / 2 >= width &&
           levelHeight / 2 >= height) {
        levelWidth = std::max(1, levelWidth / 2);
        levelHeight = std::max(1, levelHeight / 2);
        ++times;
    }
    if (times == 0) {
        return source;
    }
    Picture level(levelWidth, levelHeight);
    // Each band's source rows are copied out and halved `times` times. Its
    // height is a multiple of 2^times, and every halving pairs rows 2y and
    // 2y + 1, so each row comes out as in a halving of the whole picture.
    // A source row or column less than a power of two goes (an odd last one
    // each time), and a side of 1 stays 1 as halveInto keeps it.
    Picture band;
    std::vector<Picture> steps(static_cast<std::size_t>(times));
    for (int first = 0; first < levelHeight; first += kBandRows) {
        const int rows = std::min(kBandRows, levelHeight - first);
        const int sourceFirst = source.height() > 1 ? first << times : 0;
        const int sourceRows = source.height() > 1 ? std::min(rows << times, source.height()) : 1;
        band.reuseAs(source.width(), sourceRows);
        const std::size_t rowBytes = static_cast<std::size_t>(source.width()) * 3;
        for (int y = 0; y < sourceRows; ++y) {
            std::memcpy(band.scanLine(y), source.scanLine(sourceFirst + y), rowBytes);
        }
        const Picture* from = &band;
        for (Picture& step : steps) {
            halveInto(*from, step);
            from = &step;
        }
        const std::size_t levelBytes = static_cast<std::size_t>(levelWidth) * 3;
        for (int y = 0; y < rows; ++y) {
            std::memcpy(level.scanLine(first + y), from->scanLine(y), levelBytes);
        }
    }
    return level;
}

Prefetcher::Prefetcher(std::size_t budgetBytes) : m_budget(budgetBytes) {
    m_thread = std::thread([this] { run(); });
}

Prefetcher::~Prefetcher() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

std::optional<Prefetcher::Stamp> Prefetcher::stampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return Stamp{
        static_cast<std::uintmax_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void Prefetcher::setFinish(Finish finish) {
    std::lock_guard lock(m_mutex);
    m_finish = std::move(finish);
}

void Prefetcher::setMakeHalvings(std::function<bool()> may) {
    std::lock_guard lock(m_mutex);
    m_makeHalvings = std::move(may);
}

void Prefetcher::prefetch(const std::string& path, const DecodeOptions& options,
                          const ShowPlace& place) {
    {
        std::lock_guard lock(m_mutex);
        m_wantedPlace = place;
        if (path == m_wanted && options == m_wantedOptions)
            return;
        m_wanted = path;
        m_wantedOptions = options;
        m_ready = false;
        m_picture.reset();
        m_stamp.reset();
    }
    m_wake.notify_all();
}

std::optional<Prefetched> Prefetcher::take(const std::string& path, const DecodeOptions& options) {
    std::unique_lock lock(m_mutex);
    if (path.empty() || path != m_wanted)
        return std::nullopt;
    if (options != m_wantedOptions) {
        // The options changed since it was asked for (turned or not, metadata
        // kept or not): the picture is not the one wanted now.
        m_wanted.clear();
        m_ready = false;
        m_picture.reset();
        m_stamp.reset();
        return std::nullopt;
    }
    if (!m_ready && m_working != path) {
        // Not started yet (the worker is still on an earlier file): loading
        // it directly is quicker than waiting for both.
        m_wanted.clear();
        return std::nullopt;
    }
    m_done.wait(lock, [this] { return m_ready; });
    std::optional<Prefetched> picture = std::move(m_picture);
    const std::optional<Stamp> stamp = m_stamp;
    m_wanted.clear();
    m_ready = false;
    m_picture.reset();
    m_stamp.reset();
    lock.unlock();
    if (!picture || !stamp || stampOf(path) != stamp)
        return std::nullopt;
    return picture;
}

void Prefetcher::clear() {
    std::lock_guard lock(m_mutex);
    m_wanted.clear();
    m_ready = false;
    m_picture.reset();
    m_stamp.reset();
}

std::string Prefetcher::decodingPath() const {
    std::lock_guard lock(m_mutex);
    return m_working;
}

void Prefetcher::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || (!m_wanted.empty() && !m_ready); });
        if (m_stop)
            return;
        const std::string path = m_wanted;
        const DecodeOptions options = m_wantedOptions;
        const Finish finish = m_finish;
        const std::function<bool()> makeHalvings = m_makeHalvings;
        m_working = path;
        lock.unlock();

        std::optional<Prefetched> picture;
        std::optional<Stamp> before = stampOf(path);
        if (before) {
            try {
                DecodedJpeg decoded = decodePicture(path, options, Picture(),
                                                    std::min(m_budget, defaultDecodeBudget()));
                picture =
                    Prefetched{std::move(decoded.picture), {}, std::move(decoded.metadata), {}};
                const Picture* level = &picture->picture;
                const bool halve = !makeHalvings || makeHalvings();
                while (halve && std::min(level->width(), level->height()) / 2 >= kSmallestHalving) {
                    picture->halvings.push_back(halved(*level));
                    level = &picture->halvings.back();
                }
            } catch (...) {
                // Left to the ordinary load, which reports it in the usual way.
                picture.reset();
            }
            // A file that changed while it was read is not trusted.
            if (stampOf(path) != before)
                picture.reset();
            if (picture && finish) {
                // The place as it is now: a later move of the window is
                // seen by the caller, which then does the step itself.
                lock.lock();
                const ShowPlace place = m_wantedPlace;
                lock.unlock();
                try {
                    picture->finished = finish(*picture, place);
                } catch (...) {
                    picture->finished.reset();
                }
            }
        }

        lock.lock();
        m_working.clear();
        if (m_wanted == path && m_wantedOptions == options && !m_ready) {
            m_picture = std::move(picture);
            m_stamp = before;
            m_ready = true;
            lock.unlock();
            m_done.notify_all();
            lock.lock();
        }
        // Otherwise the result is stale: dropped here, outside any wait.
        else {
            lock.unlock();
            picture.reset();
            lock.lock();
        }
    }
}

}  // namespace pictavo
