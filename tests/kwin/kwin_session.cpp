#include "tests/kwin/kwin_session.h"

#include "platform/dbus_connection.h"
#include "platform/wayland/kwin_platform.h"
#include "tests/support/process.h"

#include <cstdlib>
#include <unistd.h>

namespace clickwisp::test {

namespace {
std::unique_ptr<HeadlessKwin> g_kwin;
std::unique_ptr<InputInjector> g_residentInput;
std::string g_problem = "KWin was not started";
std::unique_ptr<TempDir> g_programs;
std::string g_cli, g_gui;

// A copy of program without its debug information in the programs' folder,
// or the program itself when it cannot be made.
std::string stripped(const std::string& program, const std::string& name)
{
    const std::string copy = (*g_programs / name).string();
    return runProcess({ "strip", "--strip-debug", "-o", copy, program }).status == 0 ? copy : program;
}
} // namespace

void KwinSession::preparePrograms(uid_t owner, gid_t group)
{
    g_programs = std::make_unique<TempDir>();
    g_cli = stripped(cliPath(), "clickwisp-cli");
#ifdef CLICKWISP_GUI_PATH
    g_gui = stripped(CLICKWISP_GUI_PATH, "clickwisp");
#endif
    // The folder and its programs become the session user's, who removes them.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(g_programs->path(), error))
        (void)chown(entry.path().c_str(), owner, group);
    (void)chown(g_programs->path().c_str(), owner, group);
}

void KwinSession::SetUp()
{
    if (!HeadlessKwin::installed())
        return;
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    if (access(self.c_str(), R_OK | X_OK) != 0) {
        g_problem = self.string()
            + " is not readable by its own user, so KWin cannot grant it: build the tests in "
              "a folder every user may read";
        return;
    }
    HeadlessKwinOptions options;
    options.layout = "fr";
    options.grants = { KwinGrant { self }, KwinGrant { g_cli } };
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

const std::string& KwinSession::gui()
{
    return g_gui;
}

} // namespace clickwisp::test
