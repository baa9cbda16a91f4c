#pragma once

// Decodes the next picture of a run ahead of time on a worker thread, so the
// next image comes up without waiting for the decoder. One picture at most is
// held ahead; it is handed over only when the file is still the one that was
// decoded (same size and modification time). A decode that fails ahead of
// time hands nothing over, so the caller's own load reports the failure
// exactly as it would without the prefetch.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/Picture.h"

namespace pictavo {

// A picture decoded ahead of time, with its first halvings for drawing it
// small (each half the size of the one before, while the short side stays at
// 512 pixels or more), so showing it costs the window as little as possible.
struct Prefetched {
    Picture picture;
    std::vector<Picture> halvings;
    JpegMetadata metadata;
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

    // Starts decoding `path` in the background with `options`. A picture
    // held for another path or other options is dropped; a decode in
    // progress for them is finished by the worker and then dropped.
    void prefetch(const std::string& path, const DecodeOptions& options = {});

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
