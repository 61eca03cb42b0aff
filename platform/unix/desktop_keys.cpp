#include "platform/unix/desktop_keys.h"

#include "platform/control_channel.h"

#include <cctype>
#include <thread>

namespace clickwisp {

std::string CommandKeyId(const CommandKey& key)
{
    return key.commands.empty() ? std::string() : ControlCommandName(key.commands.front());
}

std::string CommandKeyDescription(const CommandKey& key)
{
    std::string text;
    for (ControlCommand command : key.commands) {
        std::string part;
        switch (command) {
        case ControlCommand::StartRecord: part = "Start recording"; break;
        case ControlCommand::StopRecord: part = "Stop recording"; break;
        case ControlCommand::StartRun: part = "Start playback"; break;
        case ControlCommand::StopRun: part = "Stop playback"; break;
        case ControlCommand::Status: part = "Status"; break;
        }
        if (!text.empty())
            part = ", or " + std::string(1, char(std::tolower(static_cast<unsigned char>(part[0])))) + part.substr(1);
        text += part;
    }
    return text;
}

void SendKeyCommands(std::filesystem::path socket, std::vector<ControlCommand> commands)
{
    std::thread([socket = std::move(socket), commands = std::move(commands)] {
        for (ControlCommand command : commands) {
            auto reply = SendControlRequest(socket, ControlCommandName(command));
            if (!reply)
                return; // nobody listens: the program is closing
            if (auto parsed = ParseControlReply(*reply); parsed && parsed->ok)
                return;
        }
    }).detach();
}

Result<void> JoinedProblems(const std::string& lead, const std::vector<std::string>& problems)
{
    if (problems.empty())
        return {};
    std::string message = lead;
    for (size_t i = 0; i < problems.size(); ++i)
        message += (i ? "; " : "") + problems[i];
    return fail(message);
}

} // namespace clickwisp
