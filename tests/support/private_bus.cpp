#include "tests/support/private_bus.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace clickwisp::test {

namespace {

std::string configText(const std::filesystem::path& socket, bool activation)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:path="
        + socket.string()
        + "</listen>\n"
          "  <auth>EXTERNAL</auth>\n"
        + (activation ? "  <standard_session_servicedirs/>\n" : "")
        + "  <policy context=\"default\">\n"
          "    <allow user=\"*\"/>\n"
          "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
          "    <allow eavesdrop=\"true\"/>\n"
          "    <allow own=\"*\"/>\n"
          "  </policy>\n"
          "</busconfig>\n";
}

bool accepts(const std::filesystem::path& socket)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string path = socket.string();
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::copy(path.begin(), path.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

std::vector<std::string> currentEnvironment()
{
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e)
        out.emplace_back(*e);
    return out;
}

} // namespace

PrivateBus::PrivateBus(const Options& options)
    : m_error(start(options))
{
}

PrivateBus::PrivateBus(const std::filesystem::path& folder)
{
    Options options;
    options.folder = folder;
    options.user = DesktopUser::caller();
    m_error = start(options);
}

std::string PrivateBus::start(const Options& options)
{
    if (!options.user.error.empty())
        return options.user.error;
    const auto socket = options.folder / (options.activation ? "bus" : "private-bus");
    const auto config = options.folder / (socket.filename().string() + ".conf");
    std::ofstream(config) << configText(socket, options.activation);
    const auto log = options.folder / (socket.filename().string() + ".log");
    const auto environment = options.environment.empty() ? currentEnvironment() : options.environment;
    m_pid = startProcessAs(
        options.user, { "dbus-daemon", "--config-file=" + config.string(), "--nofork" }, environment, log);
    if (m_pid < 0)
        return "cannot start dbus-daemon";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    // Ready once it accepts: the socket file is there from bind(), before
    // the daemon listens.
    while (!accepts(socket)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            std::ifstream in(log);
            std::stringstream text;
            text << in.rdbuf();
            return "dbus-daemon made no socket " + socket.string() + " within 10 s: " + text.str();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_address = "unix:path=" + socket.string();
    return {};
}

PrivateBus::~PrivateBus()
{
    endProcessGroup(m_pid);
}

} // namespace clickwisp::test
