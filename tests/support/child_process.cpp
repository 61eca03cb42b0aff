#include "tests/support/child_process.h"

#include "tests/support/process.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace clickwisp::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv)
{
    // The child reads end of file from its standard input.
    const SpawnedProcess child = spawnProcess(argv);
    close(child.in);
    m_pid = child.pid;
    m_outFd = child.out;
    m_errFd = child.err;
}

ChildProcess::~ChildProcess()
{
    if (!m_exited && m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    for (int fd : { m_outFd, m_errFd }) {
        if (fd >= 0)
            close(fd);
    }
}

void ChildProcess::readFor(std::chrono::milliseconds timeout)
{
    pollfd fds[2] = { { m_outFd, POLLIN, 0 }, { m_errFd, POLLIN, 0 } };
    if (poll(fds, 2, int(timeout.count())) <= 0)
        return;
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
            continue;
        char buffer[4096];
        ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n <= 0) {
            close(fds[i].fd);
            (i == 0 ? m_outFd : m_errFd) = -1;
        } else {
            (i == 0 ? m_out : m_err).append(buffer, size_t(n));
        }
    }
}

bool ChildProcess::waitForStderr(const std::string& text, std::chrono::milliseconds timeout)
{
    return waitFor(m_err, m_errFd, text, timeout);
}

bool ChildProcess::waitForStdout(const std::string& text, std::chrono::milliseconds timeout)
{
    return waitFor(m_out, m_outFd, text, timeout);
}

bool ChildProcess::waitFor(
    const std::string& stream, const int& fd, const std::string& text, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (stream.find(text) == std::string::npos) {
        if (fd < 0 || std::chrono::steady_clock::now() >= deadline)
            return false;
        readFor(std::chrono::milliseconds(50));
    }
    return true;
}

bool ChildProcess::waitForStdout(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done(m_out)) {
        if (m_outFd < 0 || std::chrono::steady_clock::now() >= deadline)
            return false;
        readFor(std::chrono::milliseconds(50));
    }
    return true;
}

void ChildProcess::signal(int number)
{
    if (!m_exited)
        kill(m_pid, number);
}

bool ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!m_exited) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_exited = true;
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (m_outFd >= 0 || m_errFd >= 0)
            readFor(std::chrono::milliseconds(20));
        else
            usleep(20000);
    }
    while (m_outFd >= 0 || m_errFd >= 0)
        readFor(std::chrono::milliseconds(100));
    return true;
}

} // namespace clickwisp::test
