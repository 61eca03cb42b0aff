#pragma once

// Cases that talk to services of their own on a private bus, started once
// for each suite.
#include "tests/support/private_bus.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace clickwisp::test {

class PrivateBusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_folder = new TempDir;
        s_bus = new PrivateBus(s_folder->path());
    }
    static void TearDownTestSuite()
    {
        delete s_bus;
        delete s_folder;
    }

    inline static TempDir* s_folder = nullptr;
    inline static PrivateBus* s_bus = nullptr;
};

} // namespace clickwisp::test
