#include "desktop/key_binder_choice.h"

#include "platform/gnome/gnome_keys.h"
#include "platform/unix/sway_keys.h"
#ifdef CLICKWISP_HAVE_KDE_KEYS
#include "platform/unix/kde_global_keys.h"
#include "platform/unix/portal_global_keys.h"
#endif

#include <cstdlib>
#include <sstream>

namespace clickwisp {

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Whether the colon-separated list names desktop.
bool names(const std::string& list, const std::string& desktop)
{
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ':')) {
        if (item == desktop)
            return true;
    }
    return false;
}

} // namespace

KeyBinderEnvironment currentKeyBinderEnvironment()
{
    KeyBinderEnvironment environment { variable("WAYLAND_DISPLAY"), variable("SWAYSOCK"),
        variable("XDG_CURRENT_DESKTOP"), {}, {} };
#ifdef CLICKWISP_HAVE_KDE_KEYS
    environment.kdeShortcutsRunning = [] { return KdeGlobalKeysRunning(); };
    environment.globalShortcutsPortal = [] { return PortalGlobalKeysVersion(); };
#endif
    return environment;
}

KeyBinder chooseKeyBinder(const KeyBinderEnvironment& environment)
{
    if (!environment.swaySocket.empty())
        return KeyBinder::Sway;
    if (environment.waylandDisplay.empty())
        return KeyBinder::None;
    if (environment.kdeShortcutsRunning && environment.kdeShortcutsRunning())
        return KeyBinder::Kde;
    if (environment.globalShortcutsPortal && environment.globalShortcutsPortal() > 0)
        return KeyBinder::Portal;
    if (names(environment.currentDesktop, "GNOME"))
        return KeyBinder::Gnome;
    return KeyBinder::None;
}

Result<std::unique_ptr<CompositorKeys>> openKeyBinder(const std::string& cliBeside, const std::filesystem::path& controlSocket)
{
    const std::string onPath = "clickwisp-cli";
    const KeyBinderEnvironment environment = currentKeyBinderEnvironment();
    switch (chooseKeyBinder(environment)) {
    case KeyBinder::Sway:
        return makeSwayKeys(
            environment.swaySocket, cliBeside.empty() || cliBeside.find(' ') != std::string::npos ? onPath : cliBeside);
    case KeyBinder::Gnome: return makeGnomeKeys(cliBeside.empty() ? onPath : cliBeside);
#ifdef CLICKWISP_HAVE_KDE_KEYS
    case KeyBinder::Kde: return makeKdeGlobalKeys(controlSocket);
    case KeyBinder::Portal: return makePortalGlobalKeys(controlSocket);
#else
    case KeyBinder::Kde:
    case KeyBinder::Portal: break;
#endif
    case KeyBinder::None: break;
    }
    return std::unique_ptr<CompositorKeys>();
}

} // namespace clickwisp
