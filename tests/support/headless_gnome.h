#pragma once

#include "tests/support/child_process.h"
#include "tests/support/desktop_user.h"
#include "tests/support/private_bus.h"
#include "tests/support/process.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace clickwisp::test {

// A private GNOME desktop for one test program: mutter (--headless
// --virtual-monitor) or gnome-shell (headless, with logind mocked by
// python3-dbusmock on a private system bus), each with its own session bus,
// PipeWire, WirePlumber and the desktop portal with its GNOME backend, all
// run as the desktop user (clickwisp-test when the tests run as root) in a
// runtime folder of their own. Start it once per test program: gnome-shell
// takes 2 to 4 s.
class HeadlessGnome {
public:
    enum class Shell { Mutter, GnomeShell };
    struct Options {
        Shell shell = Shell::Mutter;
        // The XKB layout of the session's keyboard ("fr"), set through
        // GSettings (input-sources) for gnome-shell. Mutter alone always
        // has the US layout (gnome-shell is what applies input-sources).
        std::string layout = "us";
        int width = 1920;
        int height = 1080;
    };

    // Whether the programs this shell needs are installed: tests skip only
    // when they are not.
    static bool installed(Shell shell);

    explicit HeadlessGnome(const Options& options);
    ~HeadlessGnome();
    HeadlessGnome(const HeadlessGnome&) = delete;
    HeadlessGnome& operator=(const HeadlessGnome&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    const DesktopUser& user() const { return m_user; }
    const std::string& waylandDisplay() const { return m_waylandDisplay; }
    const std::filesystem::path& runtimeDir() const { return m_runtimeDir; }
    // DBUS_SESSION_BUS_ADDRESS of the session.
    const std::string& sessionBus() const { return m_sessionBus ? m_sessionBus->address() : m_none; }
    // The variables of a program of this session (no DISPLAY).
    std::vector<std::string> environment() const;
    // argv as the desktop user with exactly the session's environment plus
    // extra ("NAME=value"): the programs under test run so, because the
    // portal refuses callers it cannot inspect.
    std::vector<std::string> command(
        const std::vector<std::string>& argv, const std::vector<std::string>& extra = {}) const;
    ProcessResult run(const std::vector<std::string>& argv, const std::vector<std::string>& extra = {}) const;
    std::unique_ptr<ChildProcess> spawn(
        const std::vector<std::string>& argv, const std::vector<std::string>& extra = {}) const;
    // The desktop's log files (compositor, buses, PipeWire), for failures.
    std::string logs() const;

private:
    std::string start(const Options& options);
    std::string startShell(const Options& options);
    pid_t startLogged(
        const std::vector<std::string>& argv, const std::string& log, const std::vector<std::string>& extra = {});
    bool waitForName(const std::string& name, std::chrono::milliseconds timeout) const;
    std::string hideOverview() const;

    DesktopUser m_user = DesktopUser::forDesktop();
    std::filesystem::path m_runtimeDir;
    std::string m_waylandDisplay;
    std::unique_ptr<PrivateBus> m_systemBus;
    std::unique_ptr<PrivateBus> m_sessionBus;
    std::vector<pid_t> m_processes; // started here, ended in reverse order
    std::string m_error;
    std::string m_none;
};

} // namespace clickwisp::test
