#include "platform/win32/win32_platform.h"

namespace clickwisp {

Result<Platform> openWin32Playback()
{
    return MakePlaybackPlatform(makeWin32Input, makeWin32Text, makeWin32Screen);
}

} // namespace clickwisp
