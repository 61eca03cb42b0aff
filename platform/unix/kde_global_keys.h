#pragma once

#include "platform/compositor_keys.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace clickwisp {

// Hot keys held by KDE Plasma's global shortcut service (org.kde.kglobalaccel,
// inside KWin on Wayland), the one System Settings > Shortcuts edits: no
// dialog, and the user may change the keys there. Each binding is an action
// of the component "io.github.clickwisp.Clickwisp" whose default is the key
// asked for; a key the user changed in the desktop's settings stays as they
// set it. When a key is let go, the binding's commands go to the remote
// control at controlSocket, the first one, and the next only when the one
// before was refused, as the sway bindings do. unbindKeys makes the actions
// inactive: the keys are free again and the user's changes are kept.
std::unique_ptr<CompositorKeys> makeKdeGlobalKeys(std::filesystem::path controlSocket);

// Whether KDE's global shortcut service runs on the session bus (never
// starting it, which a KDE library on another desktop could do).
bool KdeGlobalKeysRunning();

// The key code KDE's service takes for a hot key ("CTRL+F2": Qt's Ctrl
// modifier and F2 key); 0 for a text it does not know.
int32_t KdeKeyCode(std::string_view hotKeyText);
// A key code as KDE shows it ("Ctrl+F2", "Meta+Shift+R"); "" for 0.
std::string KdeKeyText(int32_t code);

} // namespace clickwisp
