#include "platform/fake/fake_platform.h"

namespace clickwisp {

Result<Platform> makeFakePlatform(FakeOptions options)
{
    if (!options.trace)
        options.trace = std::make_shared<FakeTrace>();
    auto screen = makeFakeScreen(options.trace, options.screenImage);
    if (!screen)
        return std::unexpected(screen.error());
    Platform platform;
    platform.input = makeFakeInput(options.trace, options.pointer);
    platform.text = makeFakeText(options.trace, options.focusWindow);
    platform.screen = std::move(*screen);
    platform.recorder = makeFakeRecorder(options.trace);
    platform.hotKeys = makeFakeHotKeys(options.trace);
    return platform;
}

} // namespace clickwisp
