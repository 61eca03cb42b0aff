// The control channel on Windows: not there yet (a named pipe with the
// user's security descriptor will take the socket's place).
#include "platform/control_channel.h"

#include <cstdlib>

namespace clickwisp {

namespace {
constexpr const char* kNotYet = "remote control is not available on Windows yet";
}

std::filesystem::path ControlFolder()
{
    const char* appData = std::getenv("APPDATA");
    return std::filesystem::path(appData ? appData : ".") / "Clickwisp";
}

std::filesystem::path ControlSocketPath(const std::filesystem::path& folder)
{
    return folder / "control";
}

Result<void> PrepareControlFolder(const std::filesystem::path&)
{
    return fail(kNotYet);
}

Result<std::unique_ptr<ControlServer>> ListenForControl(const std::filesystem::path&, ControlServer::Handler)
{
    return fail(kNotYet);
}

Result<std::string> SendControlRequest(const std::filesystem::path&, const std::string&, std::chrono::milliseconds)
{
    return fail(kNotYet);
}

} // namespace clickwisp
