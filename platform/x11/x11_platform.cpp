#include "platform/x11/x11_platform.h"

namespace clickwisp {

Result<Platform> openX11Playback(const std::string& display)
{
    return MakePlaybackPlatform([&] { return makeX11Input(display); }, [&] { return makeX11Text(display); },
        [&] { return makeX11Screen(display); });
}

} // namespace clickwisp
