#pragma once

#include "core/error.h"
#include "platform/hot_key_source.h"
#include "platform/input_injector.h"
#include "platform/input_recorder.h"
#include "platform/screen_source.h"
#include "platform/text_target.h"

#include <memory>

namespace clickwisp {

// Everything playback needs from the desktop, borrowed for one call or run.
struct Desktop {
    InputInjector& input;
    TextTarget& text;
    ScreenSource& screen;
};

// One backend's set of capabilities. A member may be empty when the backend
// could not provide it; the owner reports that to the user.
struct Platform {
    std::unique_ptr<InputInjector> input;
    std::unique_ptr<TextTarget> text;
    std::unique_ptr<ScreenSource> screen;
    std::unique_ptr<InputRecorder> recorder;
    std::unique_ptr<HotKeySource> hotKeys;
};

// The playback part of a backend's Platform (input, text, screen) from the
// functions that make each part, called in that order; the first part that
// cannot be made gives the error.
template <class MakeInput, class MakeText, class MakeScreen>
Result<Platform> MakePlaybackPlatform(MakeInput makeInput, MakeText makeText, MakeScreen makeScreen)
{
    Platform platform;
    auto input = makeInput();
    if (!input)
        return std::unexpected(input.error());
    platform.input = std::move(*input);
    auto text = makeText();
    if (!text)
        return std::unexpected(text.error());
    platform.text = std::move(*text);
    auto screen = makeScreen();
    if (!screen)
        return std::unexpected(screen.error());
    platform.screen = std::move(*screen);
    return platform;
}

} // namespace clickwisp
