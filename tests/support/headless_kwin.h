#pragma once

#include "tests/support/process.h"

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace clickwisp::test {

// A program KWin lets use interfaces it hides from ordinary clients, as an
// installed .desktop file with these keys grants them: KWin compares the
// client's /proc/PID/exe with the file's Exec= path, so the program must run
// as the compositor's user (asSessionUser) for KWin to read that link.
struct KwinGrant {
    std::filesystem::path executable;
    std::vector<std::string> waylandInterfaces { "org_kde_kwin_fake_input" }; // X-KDE-Wayland-Interfaces
    std::vector<std::string> dbusInterfaces { "org.kde.KWin.ScreenShot2" }; // X-KDE-DBUS-Restricted-Interfaces
};

struct HeadlessKwinOptions {
    int width = 1280;
    int height = 800;
    // The XKB layout (and variant) KWin's keyboard uses, written to kxkbrc.
    std::string layout = "us";
    std::string variant;
    // Grants in place before KWin starts (no wait for them to take effect).
    std::vector<KwinGrant> grants;
    // Every normal window opens at (0, 0), so surface-local coordinates are
    // screen coordinates (a window rule in kwinrulesrc).
    bool windowsAtOrigin = true;
    // pipewire and wireplumber, for the screen-cast streams of the portal.
    bool pipewire = false;
};

// A private KWin 5.27 for one test process: `kwin_wayland --virtual` with
// software rendering, run from a copy of the binary without its file
// capability (which an unprivileged start cannot take), under a session bus
// of its own (dbus-daemon) on which xdg-desktop-portal and
// xdg-desktop-portal-kde start on demand. A test run as root starts it all as
// the user clickwisp-test (scripts/install-deps.sh adds it), like
// HeadlessSway; the bus also lets root connect. Every process it starts
// shares one process group, ended at destruction.
class HeadlessKwin {
public:
    // Whether kwin_wayland is installed: tests skip only when it is not.
    static bool installed();
    // Makes this process, when it runs as root, the user the session runs
    // as, and keeps it dumpable so that KWin may read its /proc/PID/exe:
    // for test programs that use KWin's grants themselves. Call before any
    // thread starts. The error, or "".
    static std::string becomeSessionUser();

    // Starts the session and waits until KWin serves its Wayland socket and
    // its D-Bus name; exports WAYLAND_DISPLAY, XDG_RUNTIME_DIR,
    // DBUS_SESSION_BUS_ADDRESS and XDG_CURRENT_DESKTOP=KDE and removes DISPLAY
    // and SWAYSOCK, so clients started by the test reach this session only.
    // Check ok().
    explicit HeadlessKwin(HeadlessKwinOptions options = {});
    ~HeadlessKwin();
    HeadlessKwin(const HeadlessKwin&) = delete;
    HeadlessKwin& operator=(const HeadlessKwin&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    const std::string& waylandDisplay() const { return m_waylandDisplay; }
    const std::string& busAddress() const { return m_busAddress; }
    // The session's runtime folder (also its HOME), owned by the session's user.
    const std::filesystem::path& runtimeDir() const { return m_runtimeDir; }
    // KWin's output, for failure messages.
    std::string log() const;

    // argv run as the session's user when the test runs as root (setpriv),
    // else argv itself; the environment is kept.
    std::vector<std::string> asSessionUser(std::vector<std::string> argv) const;

    // Installs grant while KWin runs; KWin honours it only about 1.5 s later,
    // which this waits out. Two grants naming one program make KWin pick one
    // at random: revoke the first.
    void grant(const KwinGrant& grant);
    void revoke(const std::filesystem::path& executable);

    // Switches KWin's keyboard to another XKB layout (kxkbrc, then KWin's
    // reloadConfig signal); true once a new client sees that layout is a
    // matter of the client's own keymap event.
    bool setLayout(const std::string& layout, const std::string& variant = {});

    // dbus-send against the session's bus, run as its user
    // (dbus-send --bus=ADDRESS ARGUMENTS...).
    ProcessResult dbusSend(const std::vector<std::string>& arguments) const;

private:
    std::string start(const HeadlessKwinOptions& options);
    std::string writeConfiguration(const HeadlessKwinOptions& options);
    pid_t launch(const std::vector<std::string>& argv, const std::string& logName);
    bool waitForBusName(const std::string& name, pid_t owner) const;
    std::filesystem::path grantFile(const std::filesystem::path& executable) const;
    void writeGrant(const KwinGrant& grant) const;
    void handOver(const std::filesystem::path& path) const;

    uid_t m_uid = 0;
    gid_t m_gid = 0;
    bool m_switchUser = false;
    pid_t m_group = -1; // the process group of everything started
    pid_t m_kwin = -1;
    std::vector<pid_t> m_children;
    std::filesystem::path m_runtimeDir;
    std::string m_waylandDisplay;
    std::string m_busAddress;
    std::vector<std::string> m_environment;
    std::string m_error;
};

} // namespace clickwisp::test
