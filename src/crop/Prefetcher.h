#pragma once

// Decodes the next picture of a run ahead of time on a worker thread, so the
// next image comes up without waiting for the decoder. One picture at most is
// held ahead; it is handed over only when the file is still the one that was
// decoded (same size and modification time). A decode that fails ahead of
// time hands nothing over, so the caller's own load reports the failure
// exactly as it would without the prefetch.

#include <any>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/Picture.h"
#include "crop/ViewGeometry.h"

namespace pictavo {

// A picture decoded ahead of time, with its first halvings for drawing it
// small (each half the size of the one before, while the short side stays at
// 512 pixels or more), so showing it costs the window as little as possible.
struct Prefetched {
    Picture picture;
    std::vector<Picture> halvings;
    JpegMetadata metadata;
    // What the finishing step made of it for the place it is to be shown
    // (the window's copy at its size on screen), if anything.
    std::any finished;
};

// The smallest of `source`'s successive halvings (see PicturePyramid) that is
// still at least width x height, or the source itself. Made a band of rows
// at a time, so no larger halving is ever held whole; byte for byte the
// pyramid's level.
Picture halvedToCover(const Picture& source, int width, int height);

// Where a picture decoded ahead is going to be shown: the monitor's size and
// the window's, both in logical pixels, and the monitor's device pixels per
// logical pixel. All zero when unknown.
struct ShowPlace {
    Extent screen;
    Extent client;
    double ratio = 0;
    friend bool operator==(const ShowPlace&, const ShowPlace&) = default;
};

class Prefetcher {
public:
    // The most bytes a picture decoded ahead of time may take; larger ones
    // are left to the ordinary load, so memory stays bounded.
    static constexpr std::size_t kDefaultBudget = std::size_t{160} << 20;

    explicit Prefetcher(std::size_t budgetBytes = kDefaultBudget);
    ~Prefetcher();
    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;

    // A last step the worker runs on each picture it decoded without error,
    // for the place it will be shown; its result goes with the picture. Set
    // before the first prefetch. A step that throws leaves nothing finished.
    using Finish = std::function<std::any(const Prefetched&, const ShowPlace&)>;
    void setFinish(Finish finish);

    // Asked on the worker after each decode: whether the picture comes with
    // its halvings (always, while none is set). Without them the finishing
    // step makes what it needs and keeps none: they are a third of a picture
    // more, held all the while the picture before is up.
    void setMakeHalvings(std::function<bool()> may);

    // Starts decoding `path` in the background with `options`. A picture
    // held for another path or other options is dropped; a decode in
    // progress for them is finished by the worker and then dropped. A new
    // `place` for the same path and options is only used if the finishing
    // step has not run yet.
    void prefetch(const std::string& path, const DecodeOptions& options = {},
                  const ShowPlace& place = {});

    // The picture of `path` if it was asked for ahead of time with the same
    // options, decoded without error and the file is unchanged since; waits
    // for a decode still in progress. Otherwise nothing, and the caller loads
    // the file itself. Either way the held picture is given up.
    std::optional<Prefetched> take(const std::string& path, const DecodeOptions& options = {});

    // Drops whatever is held or wanted.
    void clear();

    // For tests: the path the worker is decoding right now, if any.
    std::string decodingPath() const;

private:
    struct Stamp {
        std::uintmax_t size = 0;
        std::int64_t mtimeNs = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    static std::optional<Stamp> stampOf(const std::string& path);
    void run();

    const std::size_t m_budget;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    // The path wanted next; empty when nothing is.
    std::string m_wanted;
    DecodeOptions m_wantedOptions;
    ShowPlace m_wantedPlace;
    Finish m_finish;
    std::function<bool()> m_makeHalvings;
    // The path of the decode in progress (empty when idle).
    std::string m_working;
    // The result for m_wanted once decoded: the picture and the file's stamp
    // taken before the decode, or nothing when it failed.
    bool m_ready = false;
    std::optional<Prefetched> m_picture;
    std::optional<Stamp> m_stamp;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace pictavo
