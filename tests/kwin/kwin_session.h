#pragma once

#include "tests/support/headless_kwin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

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
};

// Skips the case when KWin is not installed, fails it when KWin did not start.
#define REQUIRE_KWIN()                                                                                                 \
    do {                                                                                                               \
        if (!::clickwisp::test::HeadlessKwin::installed())                                                             \
            GTEST_SKIP() << "kwin_wayland is not installed";                                                           \
        ASSERT_NE(::clickwisp::test::KwinSession::kwin(), nullptr) << ::clickwisp::test::KwinSession::problem();       \
    } while (false)

} // namespace clickwisp::test
