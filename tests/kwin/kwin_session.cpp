#include "tests/kwin/kwin_session.h"

#include "platform/dbus/dbus_connection.h"
#include "platform/wayland/kwin_platform.h"
#include "tests/support/process.h"

#include <cstdlib>

namespace clickwisp::test {

namespace {
std::unique_ptr<HeadlessKwin> g_kwin;
std::unique_ptr<InputInjector> g_residentInput;
std::string g_problem = "KWin was not started";
std::string g_cli;
std::unique_ptr<TempDir> g_programs;

// A copy of clickwisp-cli without its debug information, or the build's own.
std::string strippedCli(const TempDir& folder)
{
    const std::string copy = (folder / "clickwisp-cli").string();
    return runProcess({ "strip", "--strip-debug", "-o", copy, cliPath() }).status == 0 ? copy : cliPath();
}
} // namespace

void KwinSession::SetUp()
{
    if (!HeadlessKwin::installed())
        return;
    g_programs = std::make_unique<TempDir>();
    g_cli = strippedCli(*g_programs);
    HeadlessKwinOptions options;
    options.layout = "fr";
    options.grants = { KwinGrant { std::filesystem::read_symlink("/proc/self/exe") }, KwinGrant { g_cli } };
    auto kwin = std::make_unique<HeadlessKwin>(options);
    if (!kwin->ok()) {
        g_problem = kwin->error();
        return;
    }
    // Settings the programs under test write go to the session's folder.
    setenv("HOME", kwin->runtimeDir().c_str(), 1);
    // KWin's seat has a pointer only while some device is there, and a
    // window binds one only when the seat gains it: this device stands for
    // the user's mouse, so windows are ready for the devices under test.
    auto resident = makeKwinInput();
    if (!resident) {
        g_problem = resident.error().message;
        return;
    }
    g_residentInput = std::move(*resident);
    g_kwin = std::move(kwin);
}

void KwinSession::TearDown()
{
    g_residentInput.reset();
    g_kwin.reset();
    g_programs.reset();
}

HeadlessKwin* KwinSession::kwin()
{
    return g_kwin.get();
}

const std::string& KwinSession::problem()
{
    return g_problem;
}

void forgetTheProgramsShortcuts()
{
    auto bus = DbusConnection::openSession();
    if (!bus)
        return;
    for (const char* action : { "start-record", "stop-record", "start-run", "stop-run" })
        (void)(*bus)->call({ "org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel", "unregister",
            { "io.github.clickwisp.Clickwisp", action } });
}

const std::string& KwinSession::cli()
{
    return g_cli;
}

} // namespace clickwisp::test
