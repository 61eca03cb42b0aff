#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace clickwisp::test {

// A program running beside the test, with its output collected, for verbs
// that run until they are told to stop.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess(); // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads output until stderr holds text; false at the timeout or exit.
    bool waitForStderr(const std::string& text, std::chrono::milliseconds timeout);
    // Reads output until stdout holds text; false at the timeout or exit.
    bool waitForStdout(const std::string& text, std::chrono::milliseconds timeout);
    // Reads standard output until done says it holds for all read so far,
    // at most timeout; whether it came to hold.
    bool waitForStdout(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds timeout);
    void signal(int number);
    // Waits for the exit, reading output; false at the timeout.
    bool waitForExit(std::chrono::milliseconds timeout);

    int status() const { return m_status; } // exit status, -1 if none
    const std::string& out() const { return m_out; }
    const std::string& err() const { return m_err; }

private:
    void readFor(std::chrono::milliseconds timeout);
    bool waitFor(const std::string& stream, const int& fd, const std::string& text, std::chrono::milliseconds timeout);

    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    int m_status = -1;
    bool m_exited = false;
    std::string m_out;
    std::string m_err;
};

} // namespace clickwisp::test
