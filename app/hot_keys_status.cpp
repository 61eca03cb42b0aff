#include "app/hot_keys_status.h"

namespace clickwisp {

std::string HotKeysStatus(const HotKeysWay& way)
{
    std::string text;
    if (!way.boundThrough.empty() && !way.chosenKeys.empty()) {
        text = "Hot keys (" + way.boundThrough + "):";
        for (size_t i = 0; i < way.chosenKeys.size(); ++i) {
            const CompositorKeys::Trigger& trigger = way.chosenKeys[i];
            text += (i ? ", " : " ") + trigger.description + " " + (trigger.keys.empty() ? "none" : trigger.keys);
        }
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
