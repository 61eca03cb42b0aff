#include "app/hot_keys_status.h"

#include <algorithm>

namespace clickwisp {

namespace {

// "start run", "start run or stop run".
std::string commandsOf(const CommandKey& key)
{
    std::string text;
    for (ControlCommand command : key.commands) {
        std::string name = ControlCommandName(command);
        std::ranges::replace(name, '-', ' ');
        text += (text.empty() ? "" : " or ") + name;
    }
    return text;
}

} // namespace

std::string HotKeysStatus(const HotKeysWay& way)
{
    std::string text;
    if (!way.boundThrough.empty() && !way.chosenKeys.empty()) {
        text = "Hot keys (" + way.boundThrough + "):";
        for (size_t i = 0; i < way.chosenKeys.size(); ++i)
            text += (i ? ", " : " ") + commandsOf(way.chosenKeys[i]) + " " + way.chosenKeys[i].hotKeyText;
    } else if (!way.boundThrough.empty()) {
        text = "Hot keys: bound through " + way.boundThrough;
    } else if (!way.grabbedThrough.empty()) {
        text = "Hot keys: grabbed through " + way.grabbedThrough;
    } else {
        return "Hot keys: not available";
    }
    return way.problem.empty() ? text : text + "; some keys were refused";
}

std::string DesktopStatus(const std::string& limits, const HotKeysWay& way)
{
    return (limits.empty() ? "" : limits + ". ") + HotKeysStatus(way);
}

} // namespace clickwisp
