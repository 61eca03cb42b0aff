#include "platform/gnome/gnome_shortcut_text.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace clickwisp {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    std::ranges::transform(out, out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

// An accelerator's modifiers under one name each, and its key in lower case.
struct Keys {
    std::set<std::string> modifiers;
    std::string key;
};

Keys parsed(std::string_view accelerator)
{
    Keys keys;
    while (accelerator.starts_with('<')) {
        const size_t close = accelerator.find('>');
        if (close == std::string_view::npos)
            break;
        std::string name = lower(accelerator.substr(1, close - 1));
        if (name == "primary" || name == "ctrl" || name == "control" || name == "ctl")
            name = "control";
        else if (name == "mod1")
            name = "alt";
        else if (name == "mod4")
            name = "super";
        else if (name == "shft")
            name = "shift";
        keys.modifiers.insert(name);
        accelerator.remove_prefix(close + 1);
    }
    keys.key = lower(accelerator);
    return keys;
}

} // namespace

std::string GnomeAccelerator(std::string_view hotKeyText)
{
    return HotKeyInSyntax(hotKeyText, "<Control>", "<Alt>");
}

bool SameAccelerator(std::string_view a, std::string_view b)
{
    const Keys first = parsed(a);
    const Keys second = parsed(b);
    if (first.key.empty() || first.key == "disabled")
        return false;
    return first.key == second.key && first.modifiers == second.modifiers;
}

std::string ShellQuoted(std::string_view text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string GnomeCommandLine(const std::string& cliProgram, const CommandKey& key)
{
    const std::string program = ShellQuoted(cliProgram);
    if (key.commands.size() == 1)
        return program + " remote " + ControlCommandName(key.commands.front());
    return "sh -c " + ShellQuoted(BindingCommandLine(program, key));
}

std::string GnomeShortcutName(const CommandKey& key)
{
    std::string name = "Clickwisp:";
    for (size_t i = 0; i < key.commands.size(); ++i) {
        std::string command = ControlCommandName(key.commands[i]);
        std::ranges::replace(command, '-', ' ');
        name += (i ? " or " : " ") + command;
    }
    return name;
}

} // namespace clickwisp
