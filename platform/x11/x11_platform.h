#pragma once

#include "core/error.h"
#include "platform/desktop.h"

#include <memory>
#include <string>

namespace clickwisp {

// The X11 desktop. Each capability opens its own connection to the display
// (empty name: $DISPLAY), so each can live on its own thread. A failure names
// the display and what is missing.
Result<std::unique_ptr<InputInjector>> makeX11Input(const std::string& display = {});
Result<std::unique_ptr<TextTarget>> makeX11Text(const std::string& display = {});
Result<std::unique_ptr<ScreenSource>> makeX11Screen(const std::string& display = {});
Result<std::unique_ptr<InputRecorder>> makeX11Recorder(const std::string& display = {});
Result<std::unique_ptr<HotKeySource>> makeX11HotKeys(const std::string& display = {});

// Gives every spare keycode that typing or keys of this process bound
// back its first mapping at once, on connections of its own, and binds none
// from then on: for a program that must end without closing its backends.
void restoreX11SpareKeycodes();

// Input, text and screen, which playback needs; fails when any is missing.
// Recorder and hot keys are left empty: their owners open them separately.
Result<Platform> openX11Playback(const std::string& display = {});

} // namespace clickwisp
