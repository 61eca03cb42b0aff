#pragma once

// A remote-control address of a test's own, so that tests meet neither the
// user's program nor each other: a socket in the test's folder, or a pipe
// named after that folder.
#include "tests/support/process.h"

#include <filesystem>

namespace clickwisp::test {

inline std::filesystem::path testControlAddress(const TempDir& dir)
{
#ifdef _WIN32
    return L"\\\\.\\pipe\\clickwisp-test-" + dir.path().filename().wstring();
#else
    return dir / "run" / "control";
#endif
}

} // namespace clickwisp::test
