#include "platform/win32/win32_platform.h"

namespace clickwisp {

Result<Platform> openWin32Playback()
{
    auto input = makeWin32Input();
    if (!input)
        return std::unexpected(input.error());
    auto text = makeWin32Text();
    if (!text)
        return std::unexpected(text.error());
    auto screen = makeWin32Screen();
    if (!screen)
        return std::unexpected(screen.error());
    Platform platform;
    platform.input = std::move(*input);
    platform.text = std::move(*text);
    platform.screen = std::move(*screen);
    return platform;
}

} // namespace clickwisp
