#pragma once

#include "core/error.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace clickwisp {

// sway's IPC (the i3 framing): "i3-ipc", the payload's length and the
// message type as 32-bit numbers in the machine's byte order, then the
// payload: for RUN_COMMAND the command text itself, for replies JSON.
// Replies carry the type of their request.

inline constexpr std::string_view kIpcMagic = "i3-ipc";
inline constexpr size_t kIpcHeaderSize = 14;
inline constexpr uint32_t kIpcRunCommand = 0;
// Longest reply accepted; sway's answers to commands are a few hundred bytes.
inline constexpr uint32_t kIpcReplyLimit = 1 << 20;

std::string EncodeIpcMessage(uint32_t type, std::string_view payload);

struct IpcHeader {
    uint32_t length = 0;
    uint32_t type = 0;
};
// The error names what is wrong: a wrong magic, or a length over the limit.
Result<IpcHeader> DecodeIpcHeader(std::string_view header);

// What sway answers to RUN_COMMAND: one entry per command, in order.
struct IpcCommandOutcome {
    bool success = false;
    std::string error; // sway's own words when success is false
};
// Reads the JSON array of {"success": bool, "error": "..."} objects (other
// members are skipped); the error names what does not parse.
Result<std::vector<IpcCommandOutcome>> ParseIpcCommandReply(std::string_view json);

// A hot-key text as the program writes it ("CTRL+F2", "ALT+F3") in sway's
// key syntax ("Ctrl+F2", "Alt+F3").
std::string SwayKeyCombo(std::string_view hotKeyText);

// One connection to sway's IPC socket.
class SwayIpc {
public:
    // Connects to the socket (the SWAYSOCK path).
    static Result<SwayIpc> connect(const std::filesystem::path& socket);
    SwayIpc(SwayIpc&&) noexcept;
    SwayIpc& operator=(SwayIpc&&) noexcept;
    ~SwayIpc();

    // Sends commands (sway's command syntax, several separated by ";") and
    // returns sway's outcome of each. Fails when sway does not answer in time.
    Result<std::vector<IpcCommandOutcome>> runCommand(
        std::string_view commands, std::chrono::milliseconds limit = std::chrono::seconds(5));

private:
    explicit SwayIpc(int fd);
    int m_fd = -1;
};

} // namespace clickwisp
