// The desktop program's hot keys on gnome-shell 43, which has no global
// shortcuts portal: the program writes GNOME custom shortcuts, GNOME's
// settings daemon (gsd-media-keys) grabs their keys through the shell, and
// a key pressed on the desktop runs "clickwisp-cli remote start-run", which
// starts the program's run. Keys are pressed through mutter's own remote
// desktop interface, from the test; the settings are read with gsettings.
#include "platform/dbus_connection.h"
#include "tests/gnome/gnome_session.h"
#include "tests/support/child_process.h"
#include "tests/support/consent_answerer.h"
#include "tests/support/desktop_program.h"
#include "tests/support/process.h"

#include <linux/input-event-codes.h>

#include <csignal>
#include <thread>

namespace clickwisp::test {
namespace {

using namespace std::chrono_literals;

const std::string kList = "org.gnome.settings-daemon.plugins.media-keys";
const std::string kFolder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

// Keys typed through org.gnome.Mutter.RemoteDesktop: no consent dialog, and
// nothing of the program under test.
class MutterKeyboard {
public:
    explicit MutterKeyboard(const HeadlessGnome& desktop)
    {
        auto bus = DbusConnection::open(desktop.sessionBus());
        if (!bus) {
            m_error = bus.error().message;
            return;
        }
        m_bus = std::move(*bus);
        auto created = m_bus->call({ "org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
            "org.gnome.Mutter.RemoteDesktop", "CreateSession", {} });
        const DbusObjectPath* path = created && !created->empty() ? created->front().get<DbusObjectPath>() : nullptr;
        if (!path) {
            m_error = created ? "CreateSession gave no session" : created.error().message;
            return;
        }
        m_session = path->path;
        if (auto started = call("Start", {}); !started)
            m_error = started.error().message;
        // The virtual keyboard appears with its first event, which mutter loses.
        tap({ KEY_LEFTSHIFT });
    }
    ~MutterKeyboard()
    {
        if (!m_session.empty())
            (void)call("Stop", {});
    }
    const std::string& error() const { return m_error; }

    // Presses the keys in order and lets them go in reverse.
    void tap(const std::vector<uint32_t>& keys)
    {
        for (uint32_t key : keys)
            (void)call("NotifyKeyboardKeycode", { key, true });
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            (void)call("NotifyKeyboardKeycode", { *key, false });
    }

private:
    Result<std::vector<DbusValue>> call(const std::string& method, std::vector<DbusValue> arguments)
    {
        return m_bus->call({ "org.gnome.Mutter.RemoteDesktop", m_session, "org.gnome.Mutter.RemoteDesktop.Session",
            method, std::move(arguments) });
    }

    std::unique_ptr<DbusConnection> m_bus;
    std::string m_session;
    std::string m_error;
};

TEST(GnomeHotKeys, ACustomShortcutStartsTheProgramsRunAndTheEndOfTheSessionRemovesOnlyOurs)
{
    GNOME_DESKTOP_OR_SKIP();
    if (GnomeSession::options().shell != HeadlessGnome::Shell::GnomeShell)
        GTEST_SKIP() << "custom shortcuts need gnome-shell and GNOME's settings daemon";
    if (std::string(CLICKWISP_GUI_PATH).empty())
        GTEST_SKIP() << "the desktop program is not built";
    if (!onPath("gsettings") || !std::filesystem::exists("/usr/libexec/gsd-media-keys"))
        GTEST_SKIP() << "gsettings or gnome-settings-daemon is not installed";
    HeadlessGnome& desktop = *GnomeSession::desktop();
    auto gsettings = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "gsettings");
        const auto done = desktop.run(arguments);
        EXPECT_EQ(done.status, 0) << done.err;
        return done.out;
    };
    // The user's own shortcut, which must stay.
    const std::string user = kFolder + "custom0/";
    gsettings({ "set", kList, "custom-keybindings", "['" + user + "']" });
    gsettings({ "set", kList + ".custom-keybinding:" + user, "binding", "<Super>t" });
    gsettings({ "set", kList + ".custom-keybinding:" + user, "command", "gnome-terminal" });
    auto mediaKeys = desktop.spawn({ "/usr/libexec/gsd-media-keys" });

    // The program and the tool its shortcuts run, in a folder of the
    // desktop's user, with its settings beside it.
    TempDir dir;
    std::filesystem::copy_file(CLICKWISP_GUI_PATH, dir / "clickwisp");
    std::filesystem::copy_file(cliPath(), dir / "clickwisp-cli");
    // Start and stop recording on ALT+F2 (GNOME's run dialog) and ALT+F3, a
    // run on CTRL+F5 and CTRL+F6; the notice of what Wayland lacks given.
    writeFile(dir / "config.xml", PreparedConfigXml({ .runStart = 4, .runStop = 5, .limitsNoticed = true }));
    writeFile(dir / "status.log", "");
    const std::string leakOptions = QtWaylandLeakOptions(dir.path());
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ASSERT_TRUE(desktop.user().own(entry.path()));
    ASSERT_TRUE(desktop.user().own(dir.path()));
    // As a user starts it: no QT_QPA_PLATFORM, no DISPLAY. It opens its
    // portal session at start, which the user confirms.
    ConsentAnswerer answerer(desktop, ConsentAnswer::Share);
    auto program = desktop.spawn(
        { (dir / "clickwisp").string() }, { "CLICKWISP_STATUS_LOG=" + (dir / "status.log").string(), leakOptions });
    auto statusHas
        = [&](const std::string& line) { return readFile(dir / "status.log").find(line + "\n") != std::string::npos; };
    ASSERT_TRUE(waitUntil([&] { return statusHas("0: Ready"); }))
        << readFile(dir / "status.log") << program->err() << desktop.logs();
    // ALT+F2 belongs to GNOME; the other three are bound.
    EXPECT_NE(readFile(dir / "status.log")
                  .find("2: Playback, the screen searches and the hot keys work; recording does not. Hot keys: "
                        "bound through GNOME's keyboard shortcuts; some keys were refused"),
        std::string::npos)
        << readFile(dir / "status.log");
    EXPECT_EQ(gsettings({ "get", kList, "custom-keybindings" }),
        "['" + user + "', '" + kFolder + "clickwisp-stop-record/', '" + kFolder + "clickwisp-start-run/', '" + kFolder
            + "clickwisp-stop-run/']\n");

    // CTRL+F5 on the desktop: GNOME runs the command, the program its run.
    MutterKeyboard keyboard(desktop);
    ASSERT_EQ(keyboard.error(), "");
    bool ran = false;
    for (int attempt = 0; attempt < 20 && !ran; ++attempt) {
        // gsd-media-keys grabs the keys a moment after the settings change.
        keyboard.tap({ KEY_LEFTCTRL, KEY_F5 });
        ran = waitUntil([&] { return statusHas("0: Running..."); }, 1s);
    }
    ASSERT_TRUE(ran) << readFile(dir / "status.log") << mediaKeys->err();
    EXPECT_TRUE(waitUntil([&] { return statusHas("0: Finished"); })) << readFile(dir / "status.log");

    // The session ends the program (SIGTERM): it closes as through its close
    // box, which removes our shortcuts and leaves the user's.
    program->signal(SIGTERM);
    ASSERT_TRUE(program->waitForExit(15s)) << readFile(dir / "status.log") << program->out() << program->err();
    EXPECT_EQ(program->status(), 0);
    EXPECT_EQ(gsettings({ "get", kList, "custom-keybindings" }), "['" + user + "']\n");
    EXPECT_EQ(gsettings({ "get", kList + ".custom-keybinding:" + user, "command" }), "'gnome-terminal'\n");
    EXPECT_EQ(
        gsettings({ "get", kList + ".custom-keybinding:" + kFolder + "clickwisp-start-run/", "binding" }), "''\n");
}

} // namespace
} // namespace clickwisp::test
