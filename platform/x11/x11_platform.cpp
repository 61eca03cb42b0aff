#include "platform/x11/x11_platform.h"

namespace clickwisp {

Result<Platform> openX11Playback(const std::string& display)
{
    auto input = makeX11Input(display);
    if (!input)
        return std::unexpected(input.error());
    auto text = makeX11Text(display);
    if (!text)
        return std::unexpected(text.error());
    auto screen = makeX11Screen(display);
    if (!screen)
        return std::unexpected(screen.error());
    Platform platform;
    platform.input = std::move(*input);
    platform.text = std::move(*text);
    platform.screen = std::move(*screen);
    return platform;
}

} // namespace clickwisp
