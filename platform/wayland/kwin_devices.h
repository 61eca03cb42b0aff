#pragma once

#include "core/error.h"
#include "platform/desktop.h"
#include "platform/session_layout.h"
#include "platform/wayland/kwin_fake_input.h"

#include <memory>
#include <string>

namespace clickwisp {

// What KWin's input and text share during a run: one fake input device, so
// the modifier keys a key action holds are known to the text, which lets
// them go for its characters, and the session's keyboard layout, whose keys
// both press.
struct KwinDevices {
    std::unique_ptr<KwinFakeInput> input;
    std::unique_ptr<SessionLayout> layout;

    // purpose starts an error message ("input").
    static Result<std::shared_ptr<KwinDevices>> open(const std::string& display, const std::string& purpose);
};

std::unique_ptr<InputInjector> makeKwinInputOn(std::shared_ptr<KwinDevices> devices);
std::unique_ptr<TextTarget> makeKwinTextOn(std::shared_ptr<KwinDevices> devices);

} // namespace clickwisp
