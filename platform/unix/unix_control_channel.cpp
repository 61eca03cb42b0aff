// The control channel on POSIX systems: a Unix socket in a private folder.
#include "platform/control_channel.h"

#include "platform/unix/unix_control_channel.h"
#include "platform/unix/unix_socket.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace clickwisp {

std::filesystem::path ControlFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::filesystem::path(runtime) / "clickwisp";
    return std::filesystem::path("/tmp") / ("clickwisp-" + std::to_string(::geteuid()));
}

std::filesystem::path ControlSocketPath(const std::filesystem::path& folder)
{
    return folder / "control";
}

std::filesystem::path ControlAddress()
{
    return ControlSocketPath(ControlFolder());
}

std::string ControlAddressText()
{
    return "$XDG_RUNTIME_DIR/clickwisp/control (/tmp/clickwisp-<uid>/control without XDG_RUNTIME_DIR)";
}

Result<void> PrepareControlFolder(const std::filesystem::path& folder)
{
    const std::string name = folder.string();
    std::error_code ignored;
    if (folder.has_parent_path())
        std::filesystem::create_directories(folder.parent_path(), ignored);
    if (::mkdir(name.c_str(), 0700) != 0 && errno != EEXIST)
        return fail("cannot create the folder " + name + ": " + std::strerror(errno));
    struct stat info { };
    if (::lstat(name.c_str(), &info) != 0)
        return fail("cannot read the folder " + name + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return fail(name + " is not a folder (a link or a file is not accepted)");
    if (info.st_uid != ::geteuid())
        return fail("the folder " + name + " belongs to user " + std::to_string(info.st_uid) + ", not to this user ("
            + std::to_string(::geteuid()) + ")");
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%03o", unsigned(info.st_mode & 0777));
        return fail("the folder " + name + " has mode " + mode + ": group and others must have no rights (700)");
    }
    return {};
}

namespace {

class PosixControlServer : public ControlServer {
public:
    PosixControlServer(std::filesystem::path socketPath, UniqueFd listener, Handler handler)
        : m_path(std::move(socketPath))
        , m_listener(std::move(listener))
        , m_handler(std::move(handler))
    {
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) == 0) {
            m_wakeRead = UniqueFd(pipeEnds[0]);
            m_wakeWrite = UniqueFd(pipeEnds[1]);
        }
        m_thread = std::thread([this] { serve(); });
    }
    ~PosixControlServer() override
    {
        m_stopping = true;
        if (m_wakeWrite)
            (void)!::write(m_wakeWrite.get(), "x", 1);
        m_thread.join();
        ::unlink(m_path.c_str());
    }
    const std::filesystem::path& address() const override { return m_path; }

private:
    void serve()
    {
        while (!m_stopping) {
            pollfd entries[2] = { { m_listener.get(), POLLIN, 0 }, { m_wakeRead.get(), POLLIN, 0 } };
            if (::poll(entries, m_wakeRead ? 2 : 1, m_wakeRead ? -1 : 200) < 0 && errno != EINTR)
                return;
            if (m_stopping)
                return;
            if (!(entries[0].revents & POLLIN))
                continue;
            UniqueFd client(::accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (client)
                answer(client.get());
        }
    }

    void answer(int client)
    {
        ucred peer {};
        socklen_t size = sizeof peer;
        if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
            (void)WriteAll(client, ErrorReply("refused: the caller's user cannot be checked"));
            return;
        }
        if (peer.uid != ::geteuid()) {
            (void)WriteAll(client,
                ErrorReply("refused: this program takes commands only from its own user (" + std::to_string(::geteuid())
                    + "), not from user " + std::to_string(peer.uid)));
            return;
        }
        const std::string request
            = ReadLine(client, kControlMessageLimit + 1, std::chrono::steady_clock::now() + kControlRequestLimit);
        if (request.empty())
            return; // a probe that sent nothing: no one to answer
        auto command = ParseControlRequest(request);
        // One request per connection: more bytes that came with it make the
        // whole request malformed, rather than a command and some leftovers.
        char extra;
        if (command && ::recv(client, &extra, 1, MSG_PEEK | MSG_DONTWAIT) == 1)
            command = std::unexpected(Error { "more than one line in the request" });
        (void)WriteAll(client, command ? m_handler(*command) : ErrorReply(command.error().message));
    }

    std::filesystem::path m_path;
    UniqueFd m_listener;
    Handler m_handler;
    UniqueFd m_wakeRead, m_wakeWrite;
    std::atomic<bool> m_stopping { false };
    std::thread m_thread;
};

} // namespace

Result<std::unique_ptr<ControlServer>> ListenForControl(
    const std::filesystem::path& path, ControlServer::Handler handler)
{
    if (auto prepared = PrepareControlFolder(path.parent_path()); !prepared)
        return std::unexpected(prepared.error());
    auto bound = ListenUnix(path);
    if (!bound && bound.error().code == EADDRINUSE) {
        // Someone left a socket here: a running program answers, a dead one's
        // socket refuses, and only that one may be replaced.
        auto probe = ConnectUnix(path);
        if (probe)
            return fail("another Clickwisp program already listens on " + path.string()
                + "; remote commands go to that program");
        if (probe.error().code != ECONNREFUSED && probe.error().code != ENOENT)
            return fail("cannot tell whether the socket " + path.string() + " is in use: " + probe.error().message);
        ::unlink(path.c_str());
        bound = ListenUnix(path);
    }
    if (!bound)
        return fail("remote control cannot listen: " + bound.error().message);
    return std::make_unique<PosixControlServer>(path, std::move(*bound), std::move(handler));
}

Result<std::string> SendControlRequest(
    const std::filesystem::path& socketPath, const std::string& request, std::chrono::milliseconds limit)
{
    auto connected = ConnectUnix(socketPath);
    if (!connected) {
        const int code = connected.error().code;
        if (code == ENOENT || code == ECONNREFUSED)
            return fail(
                "no Clickwisp program is listening on " + socketPath.string() + " (start the desktop program first)");
        return fail("cannot reach the Clickwisp program: " + connected.error().message);
    }
    // A program that refuses the caller replies without reading: its reply
    // still tells more than the failed send.
    auto sent = WriteAll(connected->get(), request + "\n");
    ::shutdown(connected->get(), SHUT_WR);
    std::string reply = ReadLine(connected->get(), kControlMessageLimit + 1, std::chrono::steady_clock::now() + limit);
    if (!reply.empty())
        return reply;
    if (!sent)
        return fail("cannot send the request to " + socketPath.string() + ": " + sent.error().message);
    return fail("the Clickwisp program on " + socketPath.string() + " gave no reply");
}

} // namespace clickwisp
