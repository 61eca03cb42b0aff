#include "core/control_protocol.h"

#include <array>

namespace clickwisp {

namespace {

constexpr std::array<const char*, kControlCommandCount> kNames { "start-record", "stop-record", "start-run", "stop-run",
    "status" };

// Shown back to the client: printable ASCII only, and short.
std::string quoted(std::string_view text)
{
    std::string out;
    for (char c : text.substr(0, 40))
        out += c >= 0x20 && c < 0x7f ? c : '?';
    return "'" + out + (text.size() > 40 ? "...'" : "'");
}

std::string oneLine(std::string_view prefix, std::string_view text)
{
    std::string line(prefix);
    for (char c : text)
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    if (line.size() > kControlMessageLimit - 1)
        line.resize(kControlMessageLimit - 1);
    return line + '\n';
}

} // namespace

const char* ControlCommandName(ControlCommand command)
{
    return kNames.at(size_t(command));
}

Result<ControlCommand> ParseControlRequest(std::string_view request)
{
    if (request.size() > kControlMessageLimit)
        return fail("request longer than " + std::to_string(kControlMessageLimit) + " bytes");
    const size_t end = request.find('\n');
    if (end == std::string_view::npos)
        return fail("request without a line end: " + quoted(request));
    if (end + 1 != request.size())
        return fail("more than one line in the request");
    std::string_view line = request.substr(0, end);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    for (char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            return fail("request with a byte that is not printable text: " + quoted(line));
    }
    for (size_t i = 0; i < kNames.size(); ++i) {
        if (line == kNames[i])
            return ControlCommand(i);
    }
    return fail("unknown command " + quoted(line) + "; known: start-record, stop-record, start-run, stop-run, status");
}

std::string OkReply(std::string_view detail)
{
    return oneLine("ok ", detail);
}

std::string ErrorReply(std::string_view reason)
{
    return oneLine("error ", reason);
}

Result<ControlReply> ParseControlReply(std::string_view reply)
{
    if (reply.size() > kControlMessageLimit)
        return fail("reply longer than " + std::to_string(kControlMessageLimit) + " bytes");
    if (reply.empty() || reply.back() != '\n')
        return fail("reply without a line end: " + quoted(reply));
    reply.remove_suffix(1);
    if (reply == "ok" || reply.starts_with("ok "))
        return ControlReply { true, std::string(reply.substr(reply.size() > 2 ? 3 : 2)) };
    if (reply.starts_with("error "))
        return ControlReply { false, std::string(reply.substr(6)) };
    return fail("reply that is neither ok nor error: " + quoted(reply));
}

} // namespace clickwisp
