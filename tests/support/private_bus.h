#pragma once

#include "tests/support/desktop_user.h"

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace clickwisp::test {

// A private D-Bus message bus (dbus-daemon) for one test process, so tests
// never reach the caller's buses. It admits connections from any user (a
// test run as root talks to a desktop run as clickwisp-test).
class PrivateBus {
public:
    struct Options {
        std::filesystem::path folder; // where the socket goes; must exist
        DesktopUser user = DesktopUser::forDesktop();
        // The environment of the daemon and of the services it starts; empty: this process's.
        std::vector<std::string> environment;
        // Starts the installed session services (the portals, dconf) on demand.
        bool activation = false;
    };

    explicit PrivateBus(const Options& options);
    // A bus of the caller's, without activation, in folder.
    explicit PrivateBus(const std::filesystem::path& folder);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // "unix:path=..." for DBUS_SESSION_BUS_ADDRESS and the like.
    const std::string& address() const { return m_address; }

private:
    std::string start(const Options& options);

    pid_t m_pid = -1;
    std::string m_address;
    std::string m_error;
};

} // namespace clickwisp::test
