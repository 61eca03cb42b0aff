// Who binds the hot keys where the program cannot grab them.
#include "desktop/key_binder_choice.h"

#include <gtest/gtest.h>

using namespace clickwisp;

TEST(KeyBinderChoice, swayBindsWhereItRunsAndGnomeOnItsWaylandSessionsOnly)
{
    EXPECT_EQ(chooseKeyBinder({ "wayland-1", "/run/user/1000/sway-ipc.sock", "", {}, {} }), KeyBinder::Sway);
    EXPECT_EQ(chooseKeyBinder({ "wayland-1", "/run/user/1000/sway-ipc.sock", "GNOME", {}, {} }), KeyBinder::Sway);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "GNOME", {}, {} }), KeyBinder::Gnome);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "ubuntu:GNOME", {}, {} }), KeyBinder::Gnome);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "GNOME-Classic:GNOME", {}, {} }), KeyBinder::Gnome);
    // On X11 the program grabs the keys itself.
    EXPECT_EQ(chooseKeyBinder({ "", "", "GNOME", {}, {} }), KeyBinder::None);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "KDE", {}, {} }), KeyBinder::None);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "GNOME-Flashback", {}, {} }), KeyBinder::None);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "", {}, {} }), KeyBinder::None);
}

TEST(KeyBinderChoice, kdeShortcutsFirstThenTheGlobalShortcutsPortalThenGnomesCustomShortcuts)
{
    bool kde = true;
    uint32_t portal = 1;
    int asked = 0;
    auto session = [&](const std::string& wayland, const std::string& sway, const std::string& desktop) {
        KeyBinderEnvironment environment { wayland, sway, desktop, {}, {} };
        environment.kdeShortcutsRunning = [&] {
            ++asked;
            return kde;
        };
        environment.globalShortcutsPortal = [&] {
            ++asked;
            return portal;
        };
        return environment;
    };
    EXPECT_EQ(chooseKeyBinder(session("wayland-0", "", "KDE")), KeyBinder::Kde);
    kde = false;
    // GNOME 48: its portal binds global shortcuts.
    EXPECT_EQ(chooseKeyBinder(session("wayland-0", "", "GNOME")), KeyBinder::Portal);
    portal = 0;
    EXPECT_EQ(chooseKeyBinder(session("wayland-0", "", "GNOME")), KeyBinder::Gnome);
    EXPECT_EQ(chooseKeyBinder(session("wayland-0", "", "KDE")), KeyBinder::None);
    // sway and X11 sessions ask the session bus nothing.
    asked = 0;
    kde = true;
    EXPECT_EQ(chooseKeyBinder(session("wayland-1", "/run/user/1000/sway-ipc.sock", "")), KeyBinder::Sway);
    EXPECT_EQ(chooseKeyBinder(session("", "", "KDE")), KeyBinder::None);
    EXPECT_EQ(asked, 0);
}

namespace {

// Keys that bind what they are told to, or nothing.
class ScriptedKeys : public CompositorKeys {
public:
    ScriptedKeys(std::string name, bool binds, std::vector<std::string>& log)
        : m_name(std::move(name))
        , m_binds(binds)
        , m_log(log)
    {
    }
    std::string name() const override { return m_name; }
    Result<void> bindKeys(const std::vector<CommandKey>& keys) override
    {
        m_log.push_back(m_name + " bind");
        m_triggers.clear();
        for (const CommandKey& key : keys)
            m_triggers.push_back({ key.hotKeyText, "", m_binds ? key.hotKeyText : "" });
        if (m_binds)
            return {};
        return fail(m_name + " refused");
    }
    Result<void> unbindKeys() override
    {
        m_log.push_back(m_name + " unbind");
        m_triggers.clear();
        return {};
    }
    std::vector<Trigger> triggers() const override { return m_triggers; }

private:
    std::string m_name;
    bool m_binds;
    std::vector<std::string>& m_log;
    std::vector<Trigger> m_triggers;
};

} // namespace

TEST(KeyBinderChoice, aPortalThatBindsNothingGivesWayToTheFallbackForGood)
{
    std::vector<std::string> log;
    const auto keys = CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F2", "CTRL+F3" });
    int made = 0;
    auto fallback = [&]() -> Result<std::unique_ptr<CompositorKeys>> {
        ++made;
        return std::unique_ptr<CompositorKeys>(std::make_unique<ScriptedKeys>("gnome", true, log));
    };
    auto refused = FirstThatBinds(std::make_unique<ScriptedKeys>("portal", false, log), fallback);
    EXPECT_TRUE(refused->bindKeys(keys).has_value());
    EXPECT_EQ(refused->name(), "gnome");
    EXPECT_EQ(refused->triggers().size(), 4u);
    EXPECT_TRUE(refused->bindKeys(keys).has_value());
    EXPECT_EQ(made, 1);
    EXPECT_EQ(log, (std::vector<std::string> { "portal bind", "portal unbind", "gnome bind", "gnome bind" }));

    // A portal that binds stays, and no fallback is made.
    log.clear();
    auto bound = FirstThatBinds(std::make_unique<ScriptedKeys>("portal", true, log), fallback);
    EXPECT_TRUE(bound->bindKeys(keys).has_value());
    EXPECT_EQ(bound->name(), "portal");
    EXPECT_EQ(made, 1);

    // A fallback that cannot be made: both reasons.
    auto none = FirstThatBinds(std::make_unique<ScriptedKeys>("portal", false, log),
        []() -> Result<std::unique_ptr<CompositorKeys>> { return fail("no GNOME schemas"); });
    const auto result = none->bindKeys(keys);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().message, "portal refused; no GNOME schemas");
}
