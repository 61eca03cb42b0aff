#include "platform/fake/fake_platform.h"

namespace clickwisp {

Platform makeFakePlatform(FakeOptions options)
{
    if (!options.trace)
        options.trace = std::make_shared<FakeTrace>();
    Platform platform;
    platform.input = makeFakeInput(options.trace, options.pointer);
    platform.text = makeFakeText(options.trace, options.focusWindow);
    platform.screen = makeFakeScreen(options.trace, std::move(options.screen));
    platform.recorder = makeFakeRecorder(options.trace);
    platform.hotKeys = makeFakeHotKeys(options.trace);
    return platform;
}

} // namespace clickwisp
