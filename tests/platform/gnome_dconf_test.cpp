// GNOME's custom shortcuts as the hot keys, written where GNOME keeps them:
// dconf, on a private session bus (dconf-service started on demand, its
// database in a folder of the test's own), by programs that end right
// after bindKeys or unbindKeys, and read by another one (gsettings) as
// GNOME's settings daemon would read them.
#include "platform/gnome/gnome_keys.h"
#include "tests/support/private_bus.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace clickwisp;

namespace {

const std::string kList = "org.gnome.settings-daemon.plugins.media-keys";
const std::string kFolder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

} // namespace

TEST(GnomeKeysInDconf, otherProgramsSeeTheShortcutsWhileBoundAndOnlyTheUsersAfter)
{
    if (!test::onPath("dbus-daemon") || !test::onPath("gsettings")
        || !std::filesystem::exists("/usr/share/dbus-1/services/ca.desrt.dconf.service"))
        GTEST_SKIP() << "dbus-daemon, gsettings or dconf is not installed";
    test::TempDir dir;
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("GSETTINGS_BACKEND", "dconf", 1);
    test::PrivateBus::Options options;
    options.folder = dir.path();
    options.user = test::DesktopUser::caller();
    options.activation = true;
    test::PrivateBus bus(options); // dconf-service inherits XDG_CONFIG_HOME
    ASSERT_TRUE(bus.ok()) << bus.error();
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    auto gsettings = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "gsettings");
        const auto done = test::runProcess(arguments);
        EXPECT_EQ(done.status, 0) << done.err;
        return done.out;
    };
    const std::string user = kFolder + "custom0/";
    gsettings({ "set", kList, "custom-keybindings", "['" + user + "']" });
    gsettings({ "set", kList + ".custom-keybinding:" + user, "binding", "<Super>t" });

    // Each program in a process of its own that ends right after its call,
    // as a program that is killed ends.
    auto inAProgram = [](const std::function<bool(CompositorKeys&)>& work) {
        const pid_t child = fork();
        if (child == 0) {
            auto keys = makeGnomeKeys("/usr/bin/clickwisp-cli");
            _exit(keys && work(**keys) ? 0 : 1);
        }
        int status = -1;
        return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    // One binds and ends without unbinding, the next binds again: one entry
    // per key all the same.
    for (int program = 0; program < 2; ++program) {
        EXPECT_TRUE(inAProgram([](CompositorKeys& keys) {
            return bool(keys.bindKeys(CommandKeysOf({ "ALT+F9", "ALT+F11", "CTRL+F5", "CTRL+F6" })));
        }));
    }
    EXPECT_EQ(gsettings({ "get", kList, "custom-keybindings" }),
        "['" + user + "', '" + kFolder + "clickwisp-start-record/', '" + kFolder + "clickwisp-stop-record/', '"
            + kFolder + "clickwisp-start-run/', '" + kFolder + "clickwisp-stop-run/']\n");
    const std::string startRun = kList + ".custom-keybinding:" + kFolder + "clickwisp-start-run/";
    EXPECT_EQ(gsettings({ "get", startRun, "command" }), "\"'/usr/bin/clickwisp-cli' remote start-run\"\n");
    EXPECT_EQ(gsettings({ "get", startRun, "binding" }), "'<Control>F5'\n");

    EXPECT_TRUE(inAProgram([](CompositorKeys& keys) { return bool(keys.unbindKeys()); }));
    EXPECT_EQ(gsettings({ "get", kList, "custom-keybindings" }), "['" + user + "']\n");
    EXPECT_EQ(gsettings({ "get", startRun, "binding" }), "''\n");
    EXPECT_EQ(gsettings({ "get", kList + ".custom-keybinding:" + user, "binding" }), "'<Super>t'\n");
}
