#include "core/command_keys.h"

#include <algorithm>

namespace clickwisp {

std::vector<CommandKey> CommandKeysOf(const std::array<std::string, 4>& hotKeyTexts)
{
    std::vector<CommandKey> keys;
    for (size_t i = 0; i < hotKeyTexts.size(); ++i) {
        auto same = std::find_if(
            keys.begin(), keys.end(), [&](const CommandKey& key) { return key.hotKeyText == hotKeyTexts[i]; });
        if (same == keys.end())
            keys.push_back({ hotKeyTexts[i], { ControlCommand(i) } });
        else
            same->commands.push_back(ControlCommand(i));
    }
    return keys;
}

std::string HotKeyInSyntax(std::string_view hotKeyText, std::string_view control, std::string_view alt)
{
    std::string text;
    for (;;) {
        if (hotKeyText.starts_with("CTRL+")) {
            text += control;
            hotKeyText.remove_prefix(5);
        } else if (hotKeyText.starts_with("ALT+")) {
            text += alt;
            hotKeyText.remove_prefix(4);
        } else {
            return text + std::string(hotKeyText);
        }
    }
}

std::string BindingCommandLine(const std::string& cliProgram, const CommandKey& key)
{
    std::string line;
    for (ControlCommand command : key.commands)
        line += (line.empty() ? "" : " || ") + cliProgram + " remote " + ControlCommandName(command);
    return line;
}

} // namespace clickwisp
