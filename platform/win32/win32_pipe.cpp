#include "platform/win32/win32_pipe.h"

#include <algorithm>

namespace clickwisp {

namespace {

DWORD millisecondsUntil(std::optional<PipeDeadline> deadline)
{
    if (!deadline)
        return INFINITE;
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now()).count();
    return DWORD(std::clamp<long long>(left, 0, INFINITE - 1));
}

} // namespace

UniqueHandle::~UniqueHandle()
{
    if (m_handle)
        CloseHandle(m_handle);
}

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept
{
    if (this != &other) {
        if (m_handle)
            CloseHandle(m_handle);
        m_handle = other.release();
    }
    return *this;
}

OverlappedPipe::OverlappedPipe(HANDLE pipe, HANDLE stop)
    : m_pipe(pipe)
    , m_stop(stop)
    , m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

PipeIo OverlappedPipe::finish(BOOL started, std::optional<PipeDeadline> deadline)
{
    if (!started) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING)
            return { error, 0 };
        const HANDLE events[2] = { m_event.get(), m_stop };
        const DWORD woken = WaitForMultipleObjects(m_stop ? 2 : 1, events, FALSE, millisecondsUntil(deadline));
        if (woken != WAIT_OBJECT_0) {
            // Cancelled or not, the operation is over once its result is in.
            CancelIo(m_pipe);
            DWORD bytes = 0;
            if (GetOverlappedResult(m_pipe, &m_io, &bytes, TRUE))
                return { ERROR_SUCCESS, bytes };
            return { woken == WAIT_OBJECT_0 + 1 ? DWORD(ERROR_OPERATION_ABORTED) : DWORD(WAIT_TIMEOUT), 0 };
        }
    }
    DWORD bytes = 0;
    if (!GetOverlappedResult(m_pipe, &m_io, &bytes, FALSE))
        return { GetLastError(), bytes };
    return { ERROR_SUCCESS, bytes };
}

PipeIo OverlappedPipe::connect()
{
    if (!m_event)
        return { ERROR_NOT_ENOUGH_MEMORY, 0 };
    m_io = OVERLAPPED {};
    m_io.hEvent = m_event.get();
    const BOOL started = ConnectNamedPipe(m_pipe, &m_io);
    if (!started && GetLastError() == ERROR_PIPE_CONNECTED)
        return { ERROR_SUCCESS, 0 };
    return finish(started, std::nullopt);
}

PipeIo OverlappedPipe::read(char* buffer, size_t size, PipeDeadline deadline)
{
    if (!m_event)
        return { ERROR_NOT_ENOUGH_MEMORY, 0 };
    m_io = OVERLAPPED {};
    m_io.hEvent = m_event.get();
    return finish(ReadFile(m_pipe, buffer, DWORD(std::min<size_t>(size, 1 << 20)), nullptr, &m_io), deadline);
}

PipeIo OverlappedPipe::write(std::string_view data, PipeDeadline deadline)
{
    DWORD total = 0;
    while (!data.empty()) {
        if (!m_event)
            return { ERROR_NOT_ENOUGH_MEMORY, total };
        m_io = OVERLAPPED {};
        m_io.hEvent = m_event.get();
        const PipeIo done = finish(
            WriteFile(m_pipe, data.data(), DWORD(std::min<size_t>(data.size(), 1 << 20)), nullptr, &m_io), deadline);
        total += done.bytes;
        if (done.error != ERROR_SUCCESS)
            return { done.error, total };
        if (done.bytes == 0)
            return { ERROR_NO_DATA, total }; // no progress: never loop on it
        data.remove_prefix(done.bytes);
    }
    return { ERROR_SUCCESS, total };
}

size_t OverlappedPipe::peek(char* buffer, size_t size) const
{
    DWORD copied = 0;
    if (!PeekNamedPipe(m_pipe, buffer, DWORD(std::min<size_t>(size, 1 << 20)), &copied, nullptr, nullptr))
        return 0;
    return copied;
}

size_t OverlappedPipe::waiting() const
{
    DWORD available = 0;
    if (!PeekNamedPipe(m_pipe, nullptr, 0, nullptr, &available, nullptr))
        return 0;
    return available;
}

std::string ReadPipeLine(OverlappedPipe& pipe, size_t limit, PipeDeadline deadline)
{
    std::string line;
    char buffer[512];
    while (line.size() < limit && (line.empty() || line.back() != '\n')) {
        // What has come, up to the line end; with nothing there, one byte
        // is waited for.
        const size_t seen = pipe.peek(buffer, std::min(sizeof buffer, limit - line.size()));
        const char* end = std::find(buffer, buffer + seen, '\n');
        const size_t take = seen == 0 ? 1 : end == buffer + seen ? seen : size_t(end - buffer) + 1;
        const PipeIo got = pipe.read(buffer, take, deadline);
        line.append(buffer, got.bytes);
        if (got.error != ERROR_SUCCESS)
            break;
    }
    return line;
}

} // namespace clickwisp
