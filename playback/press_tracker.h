#pragma once

#include "platform/input_injector.h"

#include <cstdint>
#include <vector>

namespace clickwisp {

// Passes input through to another injector and remembers which keys and
// mouse buttons it left pressed, so a run that is cut short can let go of
// them instead of leaving them held for the whole desktop.
class PressTracker final : public InputInjector {
public:
    explicit PressTracker(InputInjector& target)
        : m_target(target)
    {
    }

    ScreenPoint GetCursorPos() override { return m_target.GetCursorPos(); }
    void SetCursorPos(int32_t x, int32_t y) override { m_target.SetCursorPos(x, y); }
    void mouse_event(uint32_t flags, int32_t data) override;
    void keybd_event(uint8_t vk, uint32_t flags) override;

    // Sends the key-up or button-up of everything still pressed, the most
    // recently pressed first, and forgets it.
    void releaseAll();
    bool anyPressed() const { return !m_pressed.empty(); }

private:
    // A pressed key is its code; a pressed button is its up flag + 0x100.
    void press(uint32_t what);
    void release(uint32_t what);

    InputInjector& m_target;
    std::vector<uint32_t> m_pressed; // in press order, each at most once
};

} // namespace clickwisp
