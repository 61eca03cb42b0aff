#pragma once

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
        m_lines.push_back(std::move(line));
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
};

} // namespace clickwisp
