#pragma once

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

} // namespace clickwisp
