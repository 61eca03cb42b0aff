#pragma once

#include "tests/support/headless_kwin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <sys/types.h>

namespace clickwisp::test {

// The one KWin of the test program, on a French layout, with grants for
// this program and for clickwisp-cli, started before the first case and
// ended after the last.
class KwinSession : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

    // The running session, or null (the reason in problem()).
    static HeadlessKwin* kwin();
    static const std::string& problem();
    // Copies of clickwisp-cli and clickwisp as a package installs them:
    // without debug information, which KWin reads through for every
    // connection, in a folder the session's user may read (the build folder
    // may be closed to it). Called before the program becomes that user.
    static void preparePrograms(uid_t owner, gid_t group);
    // The copy of clickwisp-cli, granted; of clickwisp ("" without it).
    static const std::string& cli();
    static const std::string& gui();
};

// Removes every action of the program from KDE's global shortcut service,
// with the keys the user or an earlier case gave them: a case starts as on
// a desktop where the program never ran.
void forgetTheProgramsShortcuts();

// Skips the case when KWin is not installed, fails it when KWin did not start.
#define REQUIRE_KWIN()                                                                                                 \
    do {                                                                                                               \
        if (!::clickwisp::test::HeadlessKwin::installed())                                                             \
            GTEST_SKIP() << "kwin_wayland is not installed";                                                           \
        ASSERT_NE(::clickwisp::test::KwinSession::kwin(), nullptr) << ::clickwisp::test::KwinSession::problem();       \
    } while (false)

} // namespace clickwisp::test
