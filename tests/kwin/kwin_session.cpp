#include "tests/kwin/kwin_session.h"

#include "tests/support/process.h"

#include <cstdlib>

namespace clickwisp::test {

namespace {
std::unique_ptr<HeadlessKwin> g_kwin;
std::string g_problem = "KWin was not started";
} // namespace

void KwinSession::SetUp()
{
    if (!HeadlessKwin::installed())
        return;
    HeadlessKwinOptions options;
    options.layout = "fr";
    options.grants = { KwinGrant { std::filesystem::read_symlink("/proc/self/exe") }, KwinGrant { cliPath() } };
    auto kwin = std::make_unique<HeadlessKwin>(options);
    if (!kwin->ok()) {
        g_problem = kwin->error();
        return;
    }
    // Settings the programs under test write go to the session's folder.
    setenv("HOME", kwin->runtimeDir().c_str(), 1);
    g_kwin = std::move(kwin);
}

void KwinSession::TearDown()
{
    g_kwin.reset();
}

HeadlessKwin* KwinSession::kwin()
{
    return g_kwin.get();
}

const std::string& KwinSession::problem()
{
    return g_problem;
}

} // namespace clickwisp::test
