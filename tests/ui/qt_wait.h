#pragma once

// Waiting in a Qt test while the test's own windows keep handling events.
#include <QTest>

#include <functional>

namespace clickwisp::test {

// Checks condition every 50 ms, handling events meanwhile, until it holds,
// at most milliseconds; whether it held.
inline bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000)
{
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (condition())
            return true;
        QTest::qWait(50);
    }
    return condition();
}

} // namespace clickwisp::test
