#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace clickwisp {

// The stop request of one run. Any thread may set it; the worker polls it
// between actions and sleeps on it during long waits, so a request wakes a
// waiting worker at once instead of after a polling turn.
class StopRequest {
public:
    // Sets the request and wakes a worker blocked in waitUntil. Idempotent.
    void request()
    {
        {
            std::lock_guard lock(m_mutex);
            m_requested.store(true);
        }
        m_wake.notify_all();
    }

    bool requested() const { return m_requested.load(); }

    // Blocks until the steady clock reaches deadline or the request is set,
    // whichever comes first. True when the request is set.
    bool waitUntil(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock lock(m_mutex);
        return m_wake.wait_until(lock, deadline, [this] { return m_requested.load(); });
    }

private:
    std::atomic<bool> m_requested { false };
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

} // namespace clickwisp
