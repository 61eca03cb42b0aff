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
