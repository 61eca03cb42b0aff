#pragma once

#include "platform/compositor_keys.h"

#include <cstdint>
#include <filesystem>
#include <memory>

namespace clickwisp {

// Hot keys bound through the desktop portal's GlobalShortcuts
// (org.freedesktop.portal.GlobalShortcuts: GNOME 48 and later, the portals of
// Hyprland and other desktops). Each binding is a shortcut named after its
// first command ("start-run") with the key asked for as its preferred
// trigger; the desktop decides the keys, may ask the user once, and lets the
// user change them in its settings. When a key is let go, the binding's
// commands go to the remote control at controlSocket, as the other desktop
// bindings do. Binding again replaces the portal session; unbindKeys closes
// it, which releases the keys. A desktop that answers without binding any
// of the shortcuts (Plasma 5.27's portal) is reported as such.
std::unique_ptr<CompositorKeys> makePortalGlobalKeys(std::filesystem::path controlSocket);

// The version of the GlobalShortcuts portal on the session bus; 0 without
// one (or without a session bus).
uint32_t PortalGlobalKeysVersion();

} // namespace clickwisp
