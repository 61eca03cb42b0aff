#pragma once

#include "platform/screen_source.h"

namespace clickwisp {

// The primary screen read through Qt's screen grab, for a window given no
// screen source of the backend. Points are Qt's screen coordinates.
class QtScreenSource final : public ScreenSource {
public:
    ScreenSize screenSize() override;
    bool capture(int32_t left, int32_t top, const PixelView& target) override;
};

} // namespace clickwisp
