#pragma once

#include "core/error.h"
#include "core/win_codes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace clickwisp {

// System-wide hot keys: modifier set plus virtual-key code.
class HotKeySource {
public:
    // Called on the source's own thread; the receiver queues it for the UI thread.
    using Handler = std::function<void(uint32_t modifiers, uint32_t vk)>;

    virtual ~HotKeySource() = default;

    // Through what the keys are grabbed, for the user ("X11", "Windows").
    virtual std::string name() const = 0;

    // Sets the receiver of key presses; call before registering keys.
    virtual void setHandler(Handler handler) = 0;
    // Grabs modifiers + vk for the whole desktop under the identifier id.
    // Fails, naming the combination, when another program holds it.
    virtual Result<void> registerHotKey(int id, uint32_t modifiers, uint32_t vk) = 0;
    // Releases the key registered under id; unknown ids are ignored.
    virtual void unregisterHotKey(int id) = 0;
    // Waits until the given modifiers and key are no longer held, at most
    // timeout. False when they were still held at the end.
    virtual bool waitForRelease(uint32_t modifiers, uint32_t vk, std::chrono::milliseconds timeout) = 0;
};

} // namespace clickwisp
