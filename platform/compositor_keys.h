#pragma once

#include "core/command_keys.h"
#include "core/error.h"

#include <string>
#include <vector>

namespace clickwisp {

// Hot keys that the compositor holds on the program's behalf, where a
// program cannot grab keys itself (Wayland).
class CompositorKeys {
public:
    virtual ~CompositorKeys() = default;
    // Who binds the keys, for the user ("sway").
    virtual std::string name() const = 0;
    // Replaces the bindings made before by these. Every key is tried; the
    // error names each one that could not be bound and why.
    virtual Result<void> bindKeys(const std::vector<CommandKey>& keys) = 0;
    // Removes every binding made by bindKeys.
    virtual Result<void> unbindKeys() = 0;

    // One binding as the desktop holds it after bindKeys.
    struct Trigger {
        std::string hotKeyText; // as asked for: "CTRL+F2"
        std::string description; // "Start playback"
        std::string keys; // in effect, as the desktop names them ("Ctrl+F2", "Meta+R"); "" when none
    };
    // The keys in effect, where the desktop lets the user change them in
    // its own settings (KDE Plasma); empty where it takes the keys as given.
    virtual std::vector<Trigger> triggers() const { return {}; }
};

} // namespace clickwisp
