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
    // The keys in effect where the user chooses them in the desktop's own
    // settings (the desktop's global shortcuts), as the desktop names them,
    // each with the commands it runs; empty: the keys bindKeys was given.
    virtual std::vector<CommandKey> keysInEffect() const { return {}; }
    // Replaces the bindings made before by these. Every key is tried; the
    // error names each one that could not be bound and why.
    virtual Result<void> bindKeys(const std::vector<CommandKey>& keys) = 0;
    // Removes every binding made by bindKeys.
    virtual Result<void> unbindKeys() = 0;
};

} // namespace clickwisp
