#pragma once

#include "core/error.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace clickwisp {

// The remote-control protocol: a client connects, sends one request line
// ("start-record\n") and reads one reply line: "ok <detail>" or
// "error <reason>". The desktop program answers; clickwisp-cli remote asks.

// What a client may ask. The names are the protocol: append only.
enum class ControlCommand { StartRecord, StopRecord, StartRun, StopRun, Status };
inline constexpr size_t kControlCommandCount = 5;

// The longest request or reply, line end included; a longer one is refused.
inline constexpr size_t kControlMessageLimit = 4096;

// "start-record", "stop-record", "start-run", "stop-run", "status".
const char* ControlCommandName(ControlCommand command);

// A request as received (up to and including its line end, or all bytes
// when none came). The error says what is wrong with it: no line end, too
// long, bytes that are not printable, or a command nobody knows.
Result<ControlCommand> ParseControlRequest(std::string_view request);

// The reply lines, "\n" included; a line end or control byte in the text
// becomes a blank, and the line is cut to the limit.
std::string OkReply(std::string_view detail);
std::string ErrorReply(std::string_view reason);

// A reply as received: ok and the text after "ok " or "error ". Anything
// else is an error naming what arrived.
struct ControlReply {
    bool ok = false;
    std::string text;
};
Result<ControlReply> ParseControlReply(std::string_view reply);

// How long a connection may take to send its request before it is dropped,
// so one silent client cannot block the others.
inline constexpr std::chrono::milliseconds kControlRequestLimit { 2000 };

} // namespace clickwisp
