#pragma once

#include "platform/input_injector.h"
#include "tests/support/child_process.h"

#include <memory>
#include <string>
#include <vector>

namespace clickwisp::test {

// What wev printed, once per event: wev reports each key on every keyboard
// object it has, so events are told apart by their serial.
struct WevLog {
    explicit WevLog(const std::string& text);
    std::vector<std::string> keys; // keysym names of the presses
    std::string typed; // what the presses typed
    std::vector<std::string> buttons; // "left down", ...
    std::vector<int> motions; // x * 10000 + y, surface-local
    std::vector<std::string> axes;
    bool movedAfterButton = false;
};

// The pointer steps every Wayland backend is checked with: a move to
// (300, 200), where GetCursorPos must then be, a left and a right click and
// one wheel notch toward the user.
void playPointerSteps(InputInjector& input);
// What wev, its window at (0, 0), must have seen of them: the move, the
// four button events in order, one notch down.
void expectPointerSteps(const WevLog& log);

// wev with the keyboard focus (it has its window and keyboard), its output
// read as it comes; the test fails when it does not get there in time.
std::unique_ptr<ChildProcess> startWev(const std::vector<std::string>& arguments = {});

} // namespace clickwisp::test
