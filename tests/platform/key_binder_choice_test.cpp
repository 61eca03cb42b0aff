// Who binds the hot keys where the program cannot grab them.
#include "desktop/key_binder_choice.h"

#include <gtest/gtest.h>

using namespace clickwisp;

TEST(KeyBinderChoice, swayBindsWhereItRunsAndGnomeOnItsWaylandSessionsOnly)
{
    EXPECT_EQ(chooseKeyBinder({ "wayland-1", "/run/user/1000/sway-ipc.sock", "" }), KeyBinder::Sway);
    EXPECT_EQ(chooseKeyBinder({ "wayland-1", "/run/user/1000/sway-ipc.sock", "GNOME" }), KeyBinder::Sway);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "GNOME" }), KeyBinder::Gnome);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "ubuntu:GNOME" }), KeyBinder::Gnome);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "GNOME-Classic:GNOME" }), KeyBinder::Gnome);
    // On X11 the program grabs the keys itself.
    EXPECT_EQ(chooseKeyBinder({ "", "", "GNOME" }), KeyBinder::None);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "KDE" }), KeyBinder::None);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "GNOME-Flashback" }), KeyBinder::None);
    EXPECT_EQ(chooseKeyBinder({ "wayland-0", "", "" }), KeyBinder::None);
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
