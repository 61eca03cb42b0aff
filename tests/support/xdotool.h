#pragma once

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace clickwisp::test {

// Runs xdotool, an independent X client, with the given commands; use as
// ASSERT_TRUE(xdotool({...})).
inline ::testing::AssertionResult xdotool(const std::vector<std::string>& commands)
{
    std::vector<std::string> argv { "xdotool" };
    argv.insert(argv.end(), commands.begin(), commands.end());
    const ProcessResult result = runProcess(argv);
    if (result.status == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "xdotool exited with " << result.status << ": " << result.err;
}

} // namespace clickwisp::test
