// The KWin tests: one private KWin for the whole program (its start costs
// about a second), shared by the cases. Run as root, the program first
// becomes the compositor's user, clickwisp-test: KWin grants its hidden
// interfaces by reading a client's /proc/PID/exe, which it may do only for
// processes of its own user, and the portals refuse callers they cannot
// identify the same way.
#include "tests/kwin/kwin_session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (geteuid() == 0) {
        const passwd* user = getpwnam("clickwisp-test");
        if (!user || initgroups(user->pw_name, user->pw_gid) != 0 || setgid(user->pw_gid) != 0
            || setuid(user->pw_uid) != 0) {
            std::fprintf(stderr, "test_kwin: cannot become clickwisp-test (scripts/install-deps.sh adds it)\n");
            return 1;
        }
        // A changed user makes the process undumpable, which hides its
        // /proc/PID/exe from KWin.
        prctl(PR_SET_DUMPABLE, 1);
    }
    ::testing::AddGlobalTestEnvironment(new clickwisp::test::KwinSession);
    return RUN_ALL_TESTS();
}
