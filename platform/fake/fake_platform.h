#pragma once

#include "platform/desktop.h"
#include "platform/fake/fake_trace.h"

#include <memory>
#include <optional>
#include <vector>

namespace clickwisp {

// A fake desktop: every call becomes a trace line, the pointer position is
// kept, and the screen is a still image (or plain black 1920 x 1080).
struct FakeOptions {
    std::shared_ptr<FakeTrace> trace; // created when null
    std::optional<ScreenImage> screen; // none: a black 1920 x 1080 screen
    ScreenPoint pointer { 0, 0 };
    bool focusWindow = true; // whether typed text has a window to go to
};

// The capabilities, each usable on its own (tests build just the ones they need).
std::unique_ptr<InputInjector> makeFakeInput(std::shared_ptr<FakeTrace> trace, ScreenPoint pointer);
// untypable: characters the fake keyboard has no key for, left out of the
// text and reported, as on a desktop that types by key code.
std::unique_ptr<TextTarget> makeFakeText(
    std::shared_ptr<FakeTrace> trace, bool focusWindow, std::u32string untypable = {});
std::unique_ptr<ScreenSource> makeFakeScreen(std::shared_ptr<FakeTrace> trace, std::optional<ScreenImage> image);
// A screen showing images[0] for capturesEach captures, then images[1], ...;
// the last image stays. No images: black 1920 x 1080.
std::unique_ptr<ScreenSource> makeFakeScreens(
    std::shared_ptr<FakeTrace> trace, std::vector<ScreenImage> images, int32_t capturesEach);
std::unique_ptr<InputRecorder> makeFakeRecorder(std::shared_ptr<FakeTrace> trace);
std::unique_ptr<HotKeySource> makeFakeHotKeys(std::shared_ptr<FakeTrace> trace);

// All of the above over one trace.
Platform makeFakePlatform(FakeOptions options);

} // namespace clickwisp
