#pragma once

// Writes the cuts of a run on a thread of its own, so the next picture comes
// up while the last one is still being encoded and synced. Jobs are written
// one at a time in the order they were handed over; each one is reported back
// once its file is durable on disk (or has failed), in that same order.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/JpegMetadata.h"
#include "core/Picture.h"
#include "core/Rect.h"
#include "crop/CutSaving.h"
#include "settings/MessageList.h"

namespace pictavo {

// Everything one write needs, taken at the click: the picture shares its
// raster with the window's, so handing it over copies no pixels.
struct CutJob {
    enum class Kind { Encode, CopyFile };
    Kind kind = Kind::Encode;
    Picture picture;
    Rect area;
    int quality = 100;
    std::string source;
    std::string dest;
    std::optional<JpegMetadata> metadata;
    // The source file as it was decoded (with `decoded`), when the cut is to
    // copy its coded blocks if it can. The writer reads it; a file changed
    // since, or one that cannot be cut so, is encoded from the picture.
    std::optional<saving::FileStamp> lossless;
    DecodeOptions decoded;
    // The texts a failed copy is reported with.
    MessageList messages;
    // How the picture was at the click, to show it again so if the write
    // fails: a cut (frame frozen) or the whole picture, changed or not.
    bool cut = false;
    bool modified = false;
};

// What became of one job.
struct CutOutcome {
    std::uint64_t ticket = 0;
    std::string source;
    std::string dest;
    bool written = false;
    std::string error;  // the failure's text, naming the file
    // The job itself while it failed, so the picture can be shown again as
    // it was; empty once written.
    std::optional<CutJob> failedJob;
};

class CutWriter {
public:
    // Does one job; throws on failure. The default is the program's own
    // atomic writer (encode or copy, sync, rename, sync the folder).
    using Work = std::function<void(const CutJob&)>;

    // The most jobs that may wait, the one being written included.
    static constexpr std::size_t kDefaultMaxPending = 2;

    explicit CutWriter(std::size_t maxPending = kDefaultMaxPending, Work work = {});
    // Writes whatever is still pending, then ends the thread.
    ~CutWriter();
    CutWriter(const CutWriter&) = delete;
    CutWriter& operator=(const CutWriter&) = delete;

    // Called on the writer thread each time a job has ended; it must only
    // pass the news on (e.g. post an event), never take the outcomes itself.
    void setOnFinished(std::function<void()> onFinished);

    // Queues `job` and returns its ticket. While `maxPending` jobs are
    // pending it first waits for the oldest to end: nothing is ever dropped.
    std::uint64_t submit(CutJob job);

    // Waits until nothing is pending or `timeoutMs` (negative: no limit)
    // has passed; true when nothing is pending.
    bool waitIdle(int timeoutMs = -1);

    std::size_t pending() const;
    // The number of pending jobs, readable from any thread for as long as
    // the holder keeps it, also after the writer has ended.
    std::shared_ptr<const std::atomic<std::size_t>> pendingCount() const { return m_pendingCount; }
    // Whether a job for `dest` is queued or being written.
    bool pendingFor(const std::string& dest) const;

    // The outcomes of the jobs ended since the last call, oldest first.
    std::vector<CutOutcome> takeFinished();

    // The write the program does for one job.
    static void write(const CutJob& job);

private:
    void run();

    const std::size_t m_maxPending;
    const Work m_work;
    std::function<void()> m_onFinished;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<std::uint64_t, CutJob>> m_queue;  // the front one is being written
    std::vector<CutOutcome> m_finished;
    std::uint64_t m_nextTicket = 1;
    // m_queue's size, stored with each change of it.
    std::shared_ptr<std::atomic<std::size_t>> m_pendingCount =
        std::make_shared<std::atomic<std::size_t>>(0);
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace pictavo
