// The control channel on Windows: a named pipe per user and logon session,
// which only that user may open and other computers cannot reach.
#include "platform/control_channel.h"

#include "platform/win32/win32_pipe.h"
#include "platform/win32/win32_pipe_security.h"
#include "platform/win32/win32_strings.h"

#include <windows.h>

#include <algorithm>
#include <thread>

namespace clickwisp {

namespace {

using Clock = std::chrono::steady_clock;

// Why a pipe could not be opened as a client.
struct OpenFailure {
    enum class Kind { Nobody, Busy, OtherUser, Denied, Failed };
    Kind kind;
    std::string detail; // the owner for OtherUser, the system's words for Failed
};

// Opens the pipe name as a client, waiting for a busy one until deadline,
// and checks that it belongs to user: a pipe another user made under this
// name is told nothing.
std::expected<UniqueHandle, OpenFailure> openOwnPipe(const std::wstring& name, const Sid& user, PipeDeadline deadline)
{
    for (;;) {
        // Identification only: the program may learn who asks, not act as them.
        UniqueHandle pipe(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        if (pipe) {
            auto owner = OwnerOf(pipe.get());
            if (!owner)
                return std::unexpected(OpenFailure { OpenFailure::Kind::Failed, owner.error().message });
            if (!(*owner == user))
                return std::unexpected(OpenFailure { OpenFailure::Kind::OtherUser, owner->text() });
            return pipe;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return std::unexpected(OpenFailure { OpenFailure::Kind::Nobody, {} });
        if (error == ERROR_ACCESS_DENIED) // its security descriptor keeps this user out
            return std::unexpected(OpenFailure { OpenFailure::Kind::Denied, {} });
        if (error != ERROR_PIPE_BUSY)
            return std::unexpected(OpenFailure { OpenFailure::Kind::Failed, SystemErrorText(error) });
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::unexpected(OpenFailure { OpenFailure::Kind::Busy, {} });
        // Another client is being answered: wait for the pipe to be free.
        WaitNamedPipeW(name.c_str(), DWORD(std::clamp<long long>(left, 1, 1000)));
    }
}

std::string otherUsersPipe(const std::filesystem::path& address, const OpenFailure& failure, const Sid& user)
{
    return "the pipe " + address.string() + " belongs to another user"
        + (failure.detail.empty() ? "" : " (" + failure.detail + ")") + ", not to this one (" + user.text() + ")";
}

class PipeControlServer : public ControlServer {
public:
    PipeControlServer(std::filesystem::path address, UniqueHandle pipe, UniqueHandle stop, Handler handler)
        : m_address(std::move(address))
        , m_pipe(std::move(pipe))
        , m_stop(std::move(stop))
        , m_handler(std::move(handler))
    {
        m_thread = std::thread([this] { serve(); });
    }
    ~PipeControlServer() override
    {
        SetEvent(m_stop.get());
        m_thread.join();
        // Closing the only instance removes the pipe's name.
    }
    const std::filesystem::path& address() const override { return m_address; }

private:
    bool stopping() const { return WaitForSingleObject(m_stop.get(), 0) == WAIT_OBJECT_0; }

    void serve()
    {
        OverlappedPipe pipe(m_pipe.get(), m_stop.get());
        while (!stopping()) {
            const PipeIo connected = pipe.connect();
            if (connected.error == ERROR_SUCCESS)
                answer(pipe);
            else if (connected.error != ERROR_NO_DATA) // not a client that came and went
                WaitForSingleObject(m_stop.get(), 100); // no busy loop on a failing pipe
            DisconnectNamedPipe(m_pipe.get());
        }
    }

    void answer(OverlappedPipe& pipe)
    {
        const std::string request = ReadPipeLine(pipe, kControlMessageLimit + 1, Clock::now() + kControlRequestLimit);
        if (request.empty() || stopping())
            return; // a probe that sent nothing, or the program is closing
        auto command = ParseControlRequest(request);
        // One request per connection: more bytes that came with it make the
        // whole request malformed, rather than a command and some leftovers.
        if (command && pipe.waiting() > 0)
            command = std::unexpected(Error { "more than one line in the request" });
        const std::string reply = command ? m_handler(*command) : ErrorReply(command.error().message);
        // The reply is written and waited for without the stop event: a
        // program that is closing still answers ("error the program is
        // closing"), and only the deadline bounds the wait.
        OverlappedPipe replying(m_pipe.get());
        const auto deadline = Clock::now() + kControlRequestLimit;
        if (replying.write(reply, deadline).error != ERROR_SUCCESS)
            return;
        // Disconnecting drops what the client has not read yet: the reply
        // waits until the client closes its end (or the deadline).
        char ignored[512];
        while (replying.read(ignored, sizeof ignored, deadline).error == ERROR_SUCCESS) { }
    }

    std::filesystem::path m_address;
    UniqueHandle m_pipe;
    UniqueHandle m_stop;
    Handler m_handler;
    std::thread m_thread;
};

// Makes the first and only instance of the pipe, open to user alone; the
// error is the system's code.
std::expected<UniqueHandle, DWORD> makePipe(const std::filesystem::path& address, const Sid& user)
{
    UserOnlySecurity security(user);
    if (!security.attributes())
        return std::unexpected(GetLastError());
    // One instance: the program answers one connection at a time, and the
    // first instance keeps the name from anyone else's program.
    UniqueHandle pipe(CreateNamedPipeW(address.wstring().c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, DWORD(kControlMessageLimit),
        DWORD(kControlMessageLimit), 0, security.attributes()));
    if (!pipe)
        return std::unexpected(GetLastError());
    return pipe;
}

} // namespace

std::filesystem::path ControlAddress()
{
    const auto user = CurrentUserSid();
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return WideFromUtf8("\\\\.\\pipe\\clickwisp-" + (user ? user->text() : std::string("unknown-user")) + "-"
        + std::to_string(session) + "-control");
}

std::string ControlAddressText()
{
    return "\\\\.\\pipe\\clickwisp-<user SID>-<session id>-control";
}

Result<std::unique_ptr<ControlServer>> ListenForControl(
    const std::filesystem::path& address, ControlServer::Handler handler)
{
    auto user = CurrentUserSid();
    if (!user)
        return fail("remote control cannot listen: " + user.error().message);
    UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop)
        return fail("remote control cannot listen: " + SystemErrorText(GetLastError()));
    // A second try when the pipe's holder ends between the two steps.
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto pipe = makePipe(address, *user);
        if (pipe)
            return std::make_unique<PipeControlServer>(address, std::move(*pipe), std::move(stop), std::move(handler));
        const DWORD error = pipe.error();
        // Windows says "access denied" when the name is taken, Wine "pipe busy".
        if (error != ERROR_ACCESS_DENIED && error != ERROR_PIPE_BUSY)
            return fail("remote control cannot listen on " + address.string() + ": " + SystemErrorText(error));
        auto holder = openOwnPipe(address.wstring(), *user, Clock::now() + std::chrono::seconds(1));
        // A pipe of this user's program would let this user in.
        if (!holder
            && (holder.error().kind == OpenFailure::Kind::OtherUser
                || holder.error().kind == OpenFailure::Kind::Denied))
            return fail(otherUsersPipe(address, holder.error(), *user) + ": this program cannot listen there");
        if (!holder && holder.error().kind == OpenFailure::Kind::Nobody)
            continue;
        return fail("another Clickwisp program already listens on " + address.string()
            + "; remote commands go to that program");
    }
    return fail("remote control cannot listen on " + address.string() + ": the pipe's name stays taken");
}

Result<std::string> SendControlRequest(
    const std::filesystem::path& address, const std::string& request, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    auto user = CurrentUserSid();
    if (!user)
        return fail("cannot reach the Clickwisp program: " + user.error().message);
    auto opened = openOwnPipe(address.wstring(), *user, deadline);
    if (!opened) {
        switch (opened.error().kind) {
        case OpenFailure::Kind::Nobody:
            return fail(
                "no Clickwisp program is listening on " + address.string() + " (start the desktop program first)");
        case OpenFailure::Kind::OtherUser:
            return fail(otherUsersPipe(address, opened.error(), *user) + ": the request was not sent");
        case OpenFailure::Kind::Denied:
            return fail("cannot reach the Clickwisp program on " + address.string()
                + ": access is denied (the pipe admits only the user who started the program)");
        case OpenFailure::Kind::Busy:
            return fail("the Clickwisp program on " + address.string() + " stayed busy with other requests");
        case OpenFailure::Kind::Failed:
            return fail("cannot reach the Clickwisp program on " + address.string() + ": " + opened.error().detail);
        }
    }
    OverlappedPipe pipe(opened->get());
    const PipeIo sent = pipe.write(request + "\n", deadline);
    const std::string reply = ReadPipeLine(pipe, kControlMessageLimit + 1, deadline);
    if (!reply.empty())
        return reply;
    if (sent.error != ERROR_SUCCESS)
        return fail("cannot send the request to " + address.string() + ": " + SystemErrorText(sent.error));
    return fail("the Clickwisp program on " + address.string() + " gave no reply");
}

} // namespace clickwisp
