#include "desktop/key_binder_choice.h"

#include "desktop/desktop_choice.h"

#include "platform/gnome/gnome_keys.h"
#include "platform/unix/sway_keys.h"
#ifdef CLICKWISP_HAVE_KDE_KEYS
#include "platform/unix/kde_global_keys.h"
#include "platform/unix/portal_global_keys.h"
#endif

#include <sstream>

namespace clickwisp {

namespace {

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

class FirstThatBindsKeys : public CompositorKeys {
public:
    FirstThatBindsKeys(
        std::unique_ptr<CompositorKeys> primary, std::function<Result<std::unique_ptr<CompositorKeys>>()> fallback)
        : m_active(std::move(primary))
        , m_fallback(std::move(fallback))
    {
    }

    std::string name() const override { return m_active->name(); }

    Result<void> bindKeys(const std::vector<CommandKey>& keys) override
    {
        Result<void> bound = m_active->bindKeys(keys);
        if (bound || !m_fallback || boundAny(m_active->triggers()))
            return bound;
        (void)m_active->unbindKeys();
        auto fallback = m_fallback();
        m_fallback = nullptr;
        if (!fallback)
            return fail(bound.error().message + "; " + fallback.error().message);
        m_active = std::move(*fallback);
        return m_active->bindKeys(keys);
    }

    Result<void> unbindKeys() override { return m_active->unbindKeys(); }

    std::vector<Trigger> triggers() const override { return m_active->triggers(); }

private:
    static bool boundAny(const std::vector<Trigger>& triggers)
    {
        for (const Trigger& trigger : triggers) {
            if (!trigger.keys.empty())
                return true;
        }
        return false;
    }

    std::unique_ptr<CompositorKeys> m_active;
    std::function<Result<std::unique_ptr<CompositorKeys>>()> m_fallback;
};

} // namespace

std::unique_ptr<CompositorKeys> FirstThatBinds(
    std::unique_ptr<CompositorKeys> primary, std::function<Result<std::unique_ptr<CompositorKeys>>()> fallback)
{
    return std::make_unique<FirstThatBindsKeys>(std::move(primary), std::move(fallback));
}

KeyBinderEnvironment currentKeyBinderEnvironment()
{
    KeyBinderEnvironment environment { environmentVariable("WAYLAND_DISPLAY"), environmentVariable("SWAYSOCK"),
        environmentVariable("XDG_CURRENT_DESKTOP"), {}, {} };
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

Result<std::unique_ptr<CompositorKeys>> openKeyBinder(
    const std::string& cliBeside, const std::filesystem::path& controlSocket)
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
    case KeyBinder::Portal:
        if (names(environment.currentDesktop, "GNOME")) {
            const std::string cli = cliBeside.empty() ? onPath : cliBeside;
            return FirstThatBinds(makePortalGlobalKeys(controlSocket), [cli] { return makeGnomeKeys(cli); });
        }
        return makePortalGlobalKeys(controlSocket);
#else
    case KeyBinder::Kde:
    case KeyBinder::Portal: break;
#endif
    case KeyBinder::None: break;
    }
    return std::unique_ptr<CompositorKeys>();
}

} // namespace clickwisp
