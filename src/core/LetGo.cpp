#include "core/LetGo.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace pictavo {

namespace {

class Releaser {
public:
    ~Releaser() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void add(std::function<void()> release) {
        std::unique_lock lock(m_mutex);
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { run(); });
            } catch (const std::system_error&) {
                lock.unlock();
                release();
                return;
            }
        }
        m_queue.push_back(std::move(release));
        ++m_added;
        lock.unlock();
        m_wake.notify_all();
    }

    void wait() {
        std::unique_lock lock(m_mutex);
        const unsigned long long until = m_added;
        m_done.wait(lock, [&] { return m_released >= until; });
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return;  // stopping, nothing left
            std::function<void()> release = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            release();
            release = nullptr;
            lock.lock();
            ++m_released;
            m_done.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<std::function<void()>> m_queue;
    unsigned long long m_added = 0;
    unsigned long long m_released = 0;
    bool m_stop = false;
    std::thread m_thread;
};

Releaser& releaser() {
    static Releaser instance;
    return instance;
}

}  // namespace

void releaseElsewhere(std::function<void()> release) {
    releaser().add(std::move(release));
}

void waitForReleases() {
    releaser().wait();
}

}  // namespace pictavo
