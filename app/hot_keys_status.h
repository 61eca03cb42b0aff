#pragma once

#include "platform/compositor_keys.h"

#include <string>
#include <vector>

namespace clickwisp {

// How the four hot keys reach the program on this desktop, told in the
// status bar: who grabs or binds them, the keys in effect where the
// desktop lets the user choose them, or why they are not bound.
struct HotKeysWay {
    // The program grabs the keys itself through this ("X11", "Windows");
    // empty: it cannot.
    std::string grabbedThrough;
    // The desktop binds them to remote commands ("sway", "GNOME's keyboard
    // shortcuts"); empty: nobody does. Named before a grab.
    std::string boundThrough;
    // The keys in effect where the user chooses them in the desktop's own
    // settings (KDE Plasma's global shortcuts); empty: the configured ones.
    std::vector<CompositorKeys::Trigger> chosenKeys;
    // Why some or all keys are not bound; empty: every key is.
    std::string problem;
};

// The status text: "Hot keys: bound through sway", "Hot keys: grabbed
// through X11", "Hot keys (KDE's global shortcuts): Start playback Ctrl+F5,
// Stop playback none, ...", "Hot keys: not available"; "; some keys were
// refused" when some are not.
std::string HotKeysStatus(const HotKeysWay& way);

// The status bar's third panel: what the desktop does not allow (limits,
// may be empty), then how the hot keys are bound.
std::string DesktopStatus(const std::string& limits, const HotKeysWay& way);

} // namespace clickwisp
