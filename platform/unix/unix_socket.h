#pragma once

// Small helpers over POSIX stream sockets, for the control channel and
// sway's IPC. Not built on Windows.
#include "core/error.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace clickwisp {

// Owns a file descriptor; closes it at destruction.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd)
    {
    }
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept
        : m_fd(other.release())
    {
    }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    int get() const { return m_fd; }
    int release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

using Deadline = std::chrono::steady_clock::time_point;

// A stream socket connected to path; the error carries errno's text and code.
struct ConnectError {
    int code = 0;
    std::string message;
};
std::expected<UniqueFd, ConnectError> ConnectUnix(const std::filesystem::path& path);
// A stream socket bound to path and listening; the same errors.
std::expected<UniqueFd, ConnectError> ListenUnix(const std::filesystem::path& path);

// Writes all of data (no SIGPIPE).
Result<void> WriteAll(int fd, std::string_view data);
// Reads exactly size bytes, or fails at end of stream or at deadline.
Result<std::string> ReadExactly(int fd, size_t size, Deadline deadline);
// Reads up to and including the first "\n", at most limit bytes; without a
// line end it returns what came before end of stream, the limit or the
// deadline, and the caller judges it.
std::string ReadLine(int fd, size_t limit, Deadline deadline);

} // namespace clickwisp
