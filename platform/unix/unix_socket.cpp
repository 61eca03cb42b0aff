#include "platform/unix/unix_socket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace clickwisp {

namespace {

// Waits until fd is readable; false at the deadline.
bool waitReadable(int fd, Deadline deadline)
{
    for (;;) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd entry { fd, POLLIN, 0 };
        const int ready = ::poll(&entry, 1, int(left.count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

// A new stream socket and the address of path.
struct UnixEndpoint {
    UniqueFd fd;
    sockaddr_un address {};
};

std::expected<UnixEndpoint, ConnectError> unixEndpoint(const std::string& name)
{
    UnixEndpoint endpoint;
    endpoint.address.sun_family = AF_UNIX;
    if (name.size() >= sizeof endpoint.address.sun_path)
        return std::unexpected(ConnectError { ENAMETOOLONG, name + ": the path is too long for a socket" });
    std::memcpy(endpoint.address.sun_path, name.c_str(), name.size() + 1);
    endpoint.fd = UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!endpoint.fd)
        return std::unexpected(ConnectError { errno, std::string("cannot make a socket: ") + std::strerror(errno) });
    return endpoint;
}

} // namespace

UniqueFd::~UniqueFd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

std::expected<UniqueFd, ConnectError> ConnectUnix(const std::filesystem::path& path)
{
    const std::string name = path.string();
    auto endpoint = unixEndpoint(name);
    if (!endpoint)
        return std::unexpected(endpoint.error());
    UniqueFd fd = std::move(endpoint->fd);
    const sockaddr_un& address = endpoint->address;
    while (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINTR)
            return std::unexpected(ConnectError { errno, name + ": " + std::strerror(errno) });
    }
    return fd;
}

std::expected<UniqueFd, ConnectError> ListenUnix(const std::filesystem::path& path)
{
    const std::string name = path.string();
    auto endpoint = unixEndpoint(name);
    if (!endpoint)
        return std::unexpected(endpoint.error());
    UniqueFd fd = std::move(endpoint->fd);
    const sockaddr_un& address = endpoint->address;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return std::unexpected(ConnectError { errno, name + ": " + std::strerror(errno) });
    if (::listen(fd.get(), 8) != 0)
        return std::unexpected(ConnectError { errno, name + ": cannot listen: " + std::strerror(errno) });
    return fd;
}

Result<void> WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return fail(std::string("cannot send: ") + std::strerror(errno));
        }
        data.remove_prefix(size_t(sent));
    }
    return {};
}

Result<std::string> ReadExactly(int fd, size_t size, Deadline deadline)
{
    std::string data(size, '\0');
    size_t done = 0;
    while (done < size) {
        if (!waitReadable(fd, deadline))
            return fail("no answer in time");
        const ssize_t got = ::recv(fd, data.data() + done, size - done, 0);
        if (got == 0)
            return fail("the connection closed early");
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(std::string("cannot receive: ") + std::strerror(errno));
        }
        done += size_t(got);
    }
    return data;
}

std::string ReadLine(int fd, size_t limit, Deadline deadline)
{
    std::string line;
    char buffer[512];
    while (line.size() < limit && line.find('\n') == std::string::npos) {
        if (!waitReadable(fd, deadline))
            break;
        // Never past the line end: what follows is not ours to take.
        const ssize_t got = ::recv(fd, buffer, std::min(sizeof buffer, limit - line.size()), MSG_PEEK);
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            break;
        }
        const auto* end = static_cast<const char*>(std::memchr(buffer, '\n', size_t(got)));
        const size_t take = end ? size_t(end - buffer) + 1 : size_t(got);
        const ssize_t taken = ::recv(fd, buffer, take, 0);
        if (taken <= 0)
            break;
        line.append(buffer, size_t(taken));
    }
    return line;
}

} // namespace clickwisp
