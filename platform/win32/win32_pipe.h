#pragma once

// One end of a named pipe opened for overlapped I/O, for the remote control.
// Every operation ends when it is done, at its deadline or when the stop
// event is set, and cancels what is still pending before it returns, so no
// buffer of the caller is written after. Not built on Linux.
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace clickwisp {

// Owns a kernel handle; closes it at destruction.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle)
        : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle)
    {
    }
    ~UniqueHandle();
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(other.release())
    {
    }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept;
    HANDLE get() const { return m_handle; }
    HANDLE release()
    {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HANDLE m_handle = nullptr;
};

using PipeDeadline = std::chrono::steady_clock::time_point;

// How an operation ended: error is ERROR_SUCCESS, a system error code,
// WAIT_TIMEOUT at the deadline or ERROR_OPERATION_ABORTED at stop.
struct PipeIo {
    DWORD error = ERROR_SUCCESS;
    DWORD bytes = 0;
};

class OverlappedPipe {
public:
    // pipe must be opened with FILE_FLAG_OVERLAPPED; stop may be null.
    explicit OverlappedPipe(HANDLE pipe, HANDLE stop = nullptr);

    // Server end: waits for a client, with no deadline. A client that came
    // before the call counts as connected (ERROR_PIPE_CONNECTED becomes success).
    PipeIo connect();
    // Reads what has come, at most size bytes.
    PipeIo read(char* buffer, size_t size, PipeDeadline deadline);
    // Writes all of data.
    PipeIo write(std::string_view data, PipeDeadline deadline);
    // Copies up to size bytes that have come without taking them; no wait.
    size_t peek(char* buffer, size_t size) const;
    // Bytes that have come and are not read yet.
    size_t waiting() const;

private:
    PipeIo finish(BOOL started, std::optional<PipeDeadline> deadline);

    HANDLE m_pipe;
    HANDLE m_stop;
    UniqueHandle m_event;
    OVERLAPPED m_io {};
};

// Reads up to and including the first "\n", at most limit bytes, and never
// past the line end; without a line end what came before the end of the
// stream, the limit, the deadline or stop, and the caller judges it.
std::string ReadPipeLine(OverlappedPipe& pipe, size_t limit, PipeDeadline deadline);

} // namespace clickwisp
