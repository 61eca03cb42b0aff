#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace clickwisp {

// The calls a fake backend received, one readable line each
// ("SetCursorPos 700 400", "mouse_event 0x0008 0"). Shared by the fake
// capabilities of one desktop; safe to use from several threads.
class FakeTrace {
public:
    void add(std::string line)
    {
        std::lock_guard lock(m_mutex);
        if (m_sink)
            m_sink(line);
        else
            m_lines.push_back(std::move(line));
    }
    // From now on hands each line to sink, in order and under the trace's
    // lock, instead of keeping it (a long --dry-run streams its output).
    void setSink(std::function<void(const std::string&)> sink)
    {
        std::lock_guard lock(m_mutex);
        m_sink = std::move(sink);
    }
    std::vector<std::string> lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_lines.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::function<void(const std::string&)> m_sink;
};

} // namespace clickwisp
