#include "crop/CutWriter.h"

#include <exception>
#include <utility>

#include "crop/CutSaving.h"

namespace pictavo {

CutWriter::CutWriter(std::size_t maxPending, Work work)
    : m_maxPending(maxPending < 1 ? 1 : maxPending),
      m_work(work ? std::move(work) : Work(&CutWriter::write)),
      m_thread([this] { run(); }) {}

CutWriter::~CutWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CutWriter::setOnFinished(std::function<void()> onFinished) {
    const std::lock_guard lock(m_mutex);
    m_onFinished = std::move(onFinished);
}

std::uint64_t CutWriter::submit(CutJob job) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < m_maxPending; });
    const std::uint64_t ticket = m_nextTicket++;
    m_queue.emplace_back(ticket, std::move(job));
    m_pendingCount->store(m_queue.size());
    lock.unlock();
    m_changed.notify_all();
    return ticket;
}

bool CutWriter::waitIdle(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    const auto idle = [this] { return m_queue.empty(); };
    if (timeoutMs < 0) {
        m_changed.wait(lock, idle);
        return true;
    }
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle);
}

std::size_t CutWriter::pending() const {
    const std::lock_guard lock(m_mutex);
    return m_queue.size();
}

bool CutWriter::pendingFor(const std::string& dest) const {
    const std::lock_guard lock(m_mutex);
    for (const auto& [ticket, job] : m_queue) {
        if (job.dest == dest) {
            return true;
        }
    }
    return false;
}

std::vector<CutOutcome> CutWriter::takeFinished() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_finished, {});
}

void CutWriter::write(const CutJob& job) {
    if (job.kind == CutJob::Kind::CopyFile) {
        saving::copyUncut(job.source, job.dest, job.messages);
    } else {
        std::optional<std::vector<std::uint8_t>> jpeg;
        if (job.lossless)
            jpeg = saving::readUnchanged(job.source, *job.lossless);
        saving::writeCut(job.picture, job.area, job.quality, job.source, job.dest,
                         job.metadata ? &*job.metadata : nullptr, jpeg ? &*jpeg : nullptr,
                         job.decoded);
    }
}

void CutWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty()) {
            return;  // stopping, and everything handed over is written
        }
        // The job stays at the front, and so counts as pending, until its
        // outcome is there to be taken.
        const std::uint64_t ticket = m_queue.front().first;
        const CutJob& job = m_queue.front().second;
        lock.unlock();
        CutOutcome outcome{ticket, job.source, job.dest, true, {}, std::nullopt};
        try {
            m_work(job);
        } catch (const std::exception& error) {
            outcome.written = false;
            outcome.error = error.what();
        } catch (...) {
            outcome.written = false;
            outcome.error = "The file " + job.dest + " could not be written";
        }
        lock.lock();
        if (!outcome.written) {
            outcome.failedJob = std::move(m_queue.front().second);
        }
        m_queue.pop_front();
        m_pendingCount->store(m_queue.size());
        m_finished.push_back(std::move(outcome));
        const std::function<void()> onFinished = m_onFinished;
        lock.unlock();
        m_changed.notify_all();
        if (onFinished) {
            onFinished();
        }
        lock.lock();
    }
}

}  // namespace pictavo
