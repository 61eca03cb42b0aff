#pragma once

#include "tests/support/headless_gnome.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace clickwisp::test {

// How a test answers the desktop portal's consent dialog.
enum class ConsentAnswer { Share, Cancel };

// Answers every consent dialog of xdg-desktop-portal-gnome (screen sharing
// with remote interaction) that appears while it lives, from the test and
// never from the program under test, on a thread of its own: through the
// accessibility bus it selects every monitor, turns "Allow remote
// interaction" on and presses Share, or presses Cancel.
class ConsentAnswerer {
public:
    ConsentAnswerer(const HeadlessGnome& desktop, ConsentAnswer answer);
    ~ConsentAnswerer();
    ConsentAnswerer(const ConsentAnswerer&) = delete;
    ConsentAnswerer& operator=(const ConsentAnswerer&) = delete;

    // Dialogs answered so far.
    int answered() const { return m_answered.load(); }
    // What went wrong on the accessibility bus, if anything.
    std::string problem() const;

private:
    void watch(const std::string& sessionBus);
    void setProblem(const std::string& problem);

    ConsentAnswer m_answer;
    std::atomic<int> m_answered { 0 };
    std::atomic<bool> m_stop { false };
    mutable std::mutex m_mutex;
    std::string m_problem;
    std::thread m_thread;
};

} // namespace clickwisp::test
