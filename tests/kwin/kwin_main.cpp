// The KWin tests: one private KWin for the whole program (its start costs
// about a second), shared by the cases. Run as root, the program first
// becomes the compositor's user, clickwisp-test: KWin grants its hidden
// interfaces by reading a client's /proc/PID/exe, which it may do only for
// processes of its own user, and the portals refuse callers they cannot
// identify the same way.
#include "tests/kwin/kwin_session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <pwd.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const passwd* user = geteuid() == 0 ? getpwnam("clickwisp-test") : nullptr;
    clickwisp::test::KwinSession::preparePrograms(user ? user->pw_uid : geteuid(), user ? user->pw_gid : getegid());
    if (const std::string problem = clickwisp::test::HeadlessKwin::becomeSessionUser(); !problem.empty()) {
        std::fprintf(stderr, "test_kwin: %s\n", problem.c_str());
        return 1;
    }
    ::testing::AddGlobalTestEnvironment(new clickwisp::test::KwinSession);
    return RUN_ALL_TESTS();
}
