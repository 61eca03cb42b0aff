// Hot keys through KDE's global shortcut service (in KWin): bound without a
// dialog, held back where KWin has the key already, kept as the user changed
// them in the desktop's settings, sent to the remote control when let go,
// and released at the end.
#include "core/command_keys.h"
#include "platform/dbus_connection.h"
#include "platform/unix/kde_global_keys.h"
#include "platform/unix/portal_global_keys.h"
#include "platform/wayland/kwin_fake_input.h"
#include "tests/kwin/kwin_session.h"
#include "tests/support/command_log.h"
#include "tests/support/process.h"
#include "tests/support/wev.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;

// Presses a combination on KWin's seat and lets go of it (evdev codes).
void press(std::initializer_list<uint32_t> codes)
{
    auto device = KwinFakeInput::open("", "test keys");
    ASSERT_TRUE(device.has_value()) << device.error().message;
    for (uint32_t code : codes)
        (*device)->key(code, true);
    (*device)->sync();
    for (auto it = std::rbegin(codes); it != std::rend(codes); ++it)
        (*device)->key(*it, false);
    (*device)->sync();
}

// What KDE's own settings page would do: the user gives an action other keys.
void changeInTheDesktopsSettings(const std::string& action, int32_t code)
{
    auto bus = DbusConnection::openSession();
    ASSERT_TRUE(bus.has_value());
    const DbusValue id = DbusValue::array("s", { "io.github.clickwisp.Clickwisp", action, "", "" });
    const DbusValue keys
        = DbusValue::array("(ai)", { DbusValue::structure({ DbusValue::array("i", { code, 0, 0, 0 }) }) });
    auto set = (*bus)->call(
        { "org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel", "setForeignShortcutKeys", { id, keys } });
    ASSERT_TRUE(set.has_value()) << set.error().message;
}

TEST(KdeGlobalKeys, BindsWithoutADialogKeepsTheUsersChoiceAndLetsGo)
{
    REQUIRE_KWIN();
    ASSERT_TRUE(KdeGlobalKeysRunning());
    test::forgetTheProgramsShortcuts();
    test::CommandLog log;
    auto keys = makeKdeGlobalKeys(log.socket());
    EXPECT_EQ(keys->name(), "KDE's global shortcuts");

    // The program's default keys: KWin has CTRL+F2, CTRL+F3 and ALT+F3.
    auto bound = keys->bindKeys(CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F2", "CTRL+F3" }));
    ASSERT_FALSE(bound.has_value());
    EXPECT_NE(
        bound.error().message.find("CTRL+F2: KDE Plasma uses it for 'Switch to Desktop 2' (KWin)"), std::string::npos)
        << bound.error().message;
    EXPECT_NE(bound.error().message.find("ALT+F3: KDE Plasma uses it for 'Window Operations Menu' (KWin)"),
        std::string::npos);
    EXPECT_EQ(bound.error().message.find("ALT+F2"), std::string::npos);
    EXPECT_TRUE(bound.error().message.ends_with(". Choose other keys in Options, or in System Settings > Shortcuts"))
        << bound.error().message;
    auto triggers = keys->triggers();
    ASSERT_EQ(triggers.size(), 4u);
    EXPECT_EQ(triggers[0].keys, "Alt+F2");
    EXPECT_EQ(triggers[0].description, "Start recording");
    EXPECT_EQ(triggers[2].keys, "");

    // Free keys, start and stop of recording on one: one binding for both.
    ASSERT_TRUE(keys->bindKeys(CommandKeysOf({ "ALT+F6", "ALT+F6", "CTRL+F5", "CTRL+F6" })));
    triggers = keys->triggers();
    ASSERT_EQ(triggers.size(), 3u);
    EXPECT_EQ(triggers[0].description, "Start recording, or stop recording");
    EXPECT_EQ(triggers[1].keys, "Ctrl+F5");
    press({ 29, 63 }); // Ctrl+F5
    ASSERT_TRUE(log.waitFor(1));
    press({ 29, 64 }); // Ctrl+F6
    ASSERT_TRUE(log.waitFor(2));
    EXPECT_EQ(log.commands(), (std::vector<ControlCommand> { ControlCommand::StartRun, ControlCommand::StopRun }));

    // The user gives "start playback" Meta+R in System Settings: binding
    // again (the next start of the program) keeps it.
    changeInTheDesktopsSettings("start-run", 0x10000000 | 'R');
    ASSERT_TRUE(keys->bindKeys(CommandKeysOf({ "ALT+F6", "ALT+F6", "CTRL+F5", "CTRL+F6" })));
    EXPECT_EQ(keys->triggers()[1].keys, "Meta+R");
    press({ 125, 19 }); // Meta+R
    ASSERT_TRUE(log.waitFor(3));
    EXPECT_EQ(log.commands().back(), ControlCommand::StartRun);

    // Unbound: the keys reach the focused window again, nothing of ours.
    ASSERT_TRUE(keys->unbindKeys());
    EXPECT_TRUE(keys->triggers().empty());
    auto wev = test::startWev();
    press({ 125, 19 });
    press({ 29, 64 });
    EXPECT_TRUE(wev->waitForStdout("sym: F6", 10s)) << wev->out();
    EXPECT_NE(wev->out().find("sym: r "), std::string::npos) << wev->out();
    EXPECT_EQ(log.commands().size(), 3u);
    test::forgetTheProgramsShortcuts();
}

// Why the desktop program does not use the GlobalShortcuts portal on
// Plasma 5.27: its portal answers without binding any shortcut.
TEST(KdeGlobalKeys, ThePortalOfPlasma527BindsNone)
{
    REQUIRE_KWIN();
    ASSERT_GT(PortalGlobalKeysVersion(), 0u);
    test::CommandLog log;
    auto keys = makePortalGlobalKeys(log.socket());
    auto bound = keys->bindKeys(CommandKeysOf({ "ALT+F6", "ALT+F7", "CTRL+F5", "CTRL+F6" }));
    ASSERT_FALSE(bound.has_value());
    EXPECT_NE(bound.error().message.find("the desktop portal bound none of the hot keys"), std::string::npos)
        << bound.error().message;
}

TEST(KdeGlobalKeys, KeyCodesAndTheirTexts)
{
    EXPECT_EQ(KdeKeyCode("CTRL+F2"), 0x04000000 | 0x01000031);
    EXPECT_EQ(KdeKeyCode("ALT+F12"), 0x08000000 | 0x0100003B);
    EXPECT_EQ(KdeKeyCode("F24"), 0x01000047);
    EXPECT_EQ(KdeKeyCode("CTRL+ALT+a"), 0x04000000 | 0x08000000 | 'A');
    EXPECT_EQ(KdeKeyCode("CTRL+F36"), 0);
    EXPECT_EQ(KdeKeyCode("CTRL+key 0x07"), 0);
    EXPECT_EQ(KdeKeyText(0x04000000 | 0x01000031), "Ctrl+F2");
    EXPECT_EQ(KdeKeyText(0x10000000 | 0x02000000 | 'R'), "Meta+Shift+R");
    EXPECT_EQ(KdeKeyText(0x08000000 | 0x01000000), "Alt+Esc");
    EXPECT_EQ(KdeKeyText(0), "");
}

} // namespace
} // namespace clickwisp
