#include "platform/unix/sway_ipc.h"

#include "core/command_keys.h"
#include "platform/unix/unix_socket.h"

#include <cctype>
#include <cstring>
#include <unistd.h>

namespace clickwisp {

std::string EncodeIpcMessage(uint32_t type, std::string_view payload)
{
    std::string message(kIpcMagic);
    const uint32_t length = uint32_t(payload.size());
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    message.append(payload);
    return message;
}

Result<IpcHeader> DecodeIpcHeader(std::string_view header)
{
    if (header.size() != kIpcHeaderSize || !header.starts_with(kIpcMagic))
        return fail("the IPC reply does not start with \"i3-ipc\"");
    IpcHeader decoded;
    std::memcpy(&decoded.length, header.data() + 6, 4);
    std::memcpy(&decoded.type, header.data() + 10, 4);
    if (decoded.length > kIpcReplyLimit)
        return fail("the IPC reply announces " + std::to_string(decoded.length) + " bytes, more than "
            + std::to_string(kIpcReplyLimit));
    return decoded;
}

namespace {

// Just enough JSON for sway's command replies: values are read, and those
// not asked for are skipped.
class JsonReader {
public:
    explicit JsonReader(std::string_view text)
        : m_text(text)
    {
    }

    Result<std::vector<IpcCommandOutcome>> outcomes()
    {
        std::vector<IpcCommandOutcome> list;
        if (!take('['))
            return failure("an array");
        if (take(']'))
            return end(std::move(list));
        do {
            auto outcome = object();
            if (!outcome)
                return std::unexpected(outcome.error());
            list.push_back(std::move(*outcome));
        } while (take(','));
        if (!take(']'))
            return failure("',' or ']'");
        return end(std::move(list));
    }

private:
    Result<IpcCommandOutcome> object()
    {
        IpcCommandOutcome outcome;
        bool sawSuccess = false;
        if (!take('{'))
            return failure("an object");
        if (!take('}')) {
            do {
                auto key = string();
                if (!key)
                    return std::unexpected(key.error());
                if (!take(':'))
                    return failure("':'");
                if (*key == "success") {
                    skipBlanks();
                    if (m_text.substr(m_at).starts_with("true")) {
                        outcome.success = true;
                        m_at += 4;
                    } else if (m_text.substr(m_at).starts_with("false")) {
                        m_at += 5;
                    } else {
                        return failure("true or false after \"success\"");
                    }
                    sawSuccess = true;
                } else if (*key == "error" && peek() == '"') {
                    auto text = string();
                    if (!text)
                        return std::unexpected(text.error());
                    outcome.error = *text;
                } else if (auto skipped = skipValue(0); !skipped) {
                    return std::unexpected(skipped.error());
                }
            } while (take(','));
            if (!take('}'))
                return failure("',' or '}'");
        }
        if (!sawSuccess)
            return fail("sway's reply has an entry without \"success\"");
        return outcome;
    }

    Result<std::string> string()
    {
        if (!take('"'))
            return failure("a string");
        std::string out;
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            char c = m_text[m_at++];
            if (c == '\\' && m_at < m_text.size()) {
                const char escaped = m_text[m_at++];
                switch (escaped) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u':
                    // Kept as written: only shown to the user.
                    out += "\\u";
                    break;
                default: out += escaped;
                }
            } else {
                out += c;
            }
        }
        if (!take('"', false))
            return failure("the end of a string");
        return out;
    }

    Result<void> skipValue(int depth)
    {
        if (depth > 32)
            return fail("sway's reply is nested too deeply");
        const char c = peek();
        if (c == '"') {
            if (auto text = string(); !text)
                return std::unexpected(text.error());
            return {};
        }
        if (c == '[' || c == '{') {
            const char close = c == '[' ? ']' : '}';
            ++m_at;
            if (take(close))
                return {};
            do {
                if (c == '{') {
                    if (auto key = string(); !key)
                        return std::unexpected(key.error());
                    if (!take(':'))
                        return failure("':'");
                }
                if (auto inner = skipValue(depth + 1); !inner)
                    return inner;
            } while (take(','));
            if (!take(close))
                return failure(close == ']' ? "',' or ']'" : "',' or '}'");
            return {};
        }
        const size_t start = m_at;
        while (m_at < m_text.size()
            && (std::isalnum(static_cast<unsigned char>(m_text[m_at])) || std::strchr("+-.", m_text[m_at])))
            ++m_at;
        if (m_at == start)
            return failure("a value");
        return {};
    }

    void skipBlanks()
    {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
    }
    char peek()
    {
        skipBlanks();
        return m_at < m_text.size() ? m_text[m_at] : '\0';
    }
    bool take(char c, bool blanks = true)
    {
        if (blanks)
            skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    std::unexpected<Error> failure(const char* expected) const
    {
        return fail("sway's reply is not the expected JSON: " + std::string(expected) + " expected at byte "
            + std::to_string(m_at));
    }
    Result<std::vector<IpcCommandOutcome>> end(std::vector<IpcCommandOutcome> list)
    {
        skipBlanks();
        if (m_at != m_text.size())
            return failure("the end");
        return list;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

} // namespace

Result<std::vector<IpcCommandOutcome>> ParseIpcCommandReply(std::string_view json)
{
    return JsonReader(json).outcomes();
}

std::string SwayKeyCombo(std::string_view hotKeyText)
{
    return HotKeyInSyntax(hotKeyText, "Ctrl+", "Alt+");
}

SwayIpc::SwayIpc(int fd)
    : m_fd(fd)
{
}

SwayIpc::SwayIpc(SwayIpc&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

SwayIpc& SwayIpc::operator=(SwayIpc&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

SwayIpc::~SwayIpc()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Result<SwayIpc> SwayIpc::connect(const std::filesystem::path& socket)
{
    auto fd = ConnectUnix(socket);
    if (!fd)
        return fail("cannot reach sway's IPC socket " + fd.error().message);
    return SwayIpc(fd->release());
}

Result<std::vector<IpcCommandOutcome>> SwayIpc::runCommand(std::string_view commands, std::chrono::milliseconds limit)
{
    if (auto sent = WriteAll(m_fd, EncodeIpcMessage(kIpcRunCommand, commands)); !sent)
        return fail("sway's IPC: " + sent.error().message);
    const Deadline deadline = std::chrono::steady_clock::now() + limit;
    auto header = ReadExactly(m_fd, kIpcHeaderSize, deadline);
    if (!header)
        return fail("sway's IPC: " + header.error().message);
    auto decoded = DecodeIpcHeader(*header);
    if (!decoded)
        return std::unexpected(decoded.error());
    if (decoded->type != kIpcRunCommand)
        return fail("sway's IPC answered with message type " + std::to_string(decoded->type) + ", not "
            + std::to_string(kIpcRunCommand));
    auto payload = ReadExactly(m_fd, decoded->length, deadline);
    if (!payload)
        return fail("sway's IPC: " + payload.error().message);
    return ParseIpcCommandReply(*payload);
}

} // namespace clickwisp
