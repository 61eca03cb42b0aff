#pragma once

// What the end-to-end tests of the desktop program share: its settings as
// a test prepares them, and waiting for what it does.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace clickwisp::test {

// A config.xml for the desktop program: a 640 x 480 window at (left, top),
// recording on ALT with the function keys shadeStart / shadeStop and runs on
// CTRL with runStart / runStop (0 = F1), repeat once; limitsNoticed: the box
// telling what the desktop lacks was already shown.
struct PreparedConfig {
    int left = 5;
    int top = 5;
    int shadeStart = 1;
    int shadeStop = 2;
    int runStart = 1;
    int runStop = 2;
    bool limitsNoticed = false;
};
std::string PreparedConfigXml(const PreparedConfig& config = {});

// The LSAN_OPTIONS=... variable for the desktop program run natively on
// Wayland in a sanitizer build, its suppressions written into folder: Qt's
// Wayland client library and its xdg-shell plugin leave their protocol
// objects to the end of the process, and QtDBus keeps buffers until exit;
// none of it is ours to judge. The full
// unwinding lets the suppressions see Qt's frames.
std::string QtWaylandLeakOptions(const std::filesystem::path& folder);

// Checks condition every 50 ms until it holds, at most limit; whether it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(15));

} // namespace clickwisp::test
