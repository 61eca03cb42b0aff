#pragma once

#include "core/error.h"
#include "platform/desktop.h"

#include <memory>

namespace clickwisp {

// The Windows desktop. Every coordinate is a physical pixel of the virtual
// screen, whose primary monitor starts at (0, 0); call enableDpiAwareness
// first so the system does not scale them. A failure says what is missing.
Result<std::unique_ptr<InputInjector>> makeWin32Input();
Result<std::unique_ptr<TextTarget>> makeWin32Text();
Result<std::unique_ptr<ScreenSource>> makeWin32Screen();
Result<std::unique_ptr<InputRecorder>> makeWin32Recorder();
Result<std::unique_ptr<HotKeySource>> makeWin32HotKeys();

// Input, text and screen, which playback needs; fails when any is missing.
// Recorder and hot keys are left empty: their owners open them separately.
Result<Platform> openWin32Playback();

// How the process sees the display's scale, strongest first.
enum class DpiAwareness { PerMonitorV2, PerMonitor, System, Unaware };

// Makes the process DPI-aware, the strongest way this Windows offers
// (per-monitor V2, per-monitor, system-wide), and says which took effect.
DpiAwareness enableDpiAwareness();

// The mark in dwExtraInfo of every event this backend injects; the recorder
// leaves such events out, so a playback is not recorded as the user's input.
inline constexpr uintptr_t kInjectedByClickwisp = 0x434C5750; // "CLWP"

} // namespace clickwisp
