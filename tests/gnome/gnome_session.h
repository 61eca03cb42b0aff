#pragma once

// The GNOME desktop one test program shares among its cases: started once,
// before the first case, by the program's choice of shell.
#include "tests/support/headless_gnome.h"

#include <gtest/gtest.h>

namespace clickwisp::test {

class GnomeSession : public ::testing::Environment {
public:
    explicit GnomeSession(HeadlessGnome::Options options);
    void SetUp() override;
    void TearDown() override;

    // The desktop, or null when its programs are not installed (cases skip).
    static HeadlessGnome* desktop();
    static const HeadlessGnome::Options& options();
};

// Skips the case where the desktop's programs are not installed; fails it
// where the desktop did not start.
#define GNOME_DESKTOP_OR_SKIP()                                                                                        \
    do {                                                                                                               \
        if (!::clickwisp::test::HeadlessGnome::installed(::clickwisp::test::GnomeSession::options().shell))            \
            GTEST_SKIP() << "mutter, gnome-shell or the GNOME portal is not installed";                                \
        ASSERT_TRUE(::clickwisp::test::GnomeSession::desktop());                                                       \
        ASSERT_TRUE(::clickwisp::test::GnomeSession::desktop()->ok())                                                  \
            << ::clickwisp::test::GnomeSession::desktop()->error();                                                    \
    } while (false)

} // namespace clickwisp::test
