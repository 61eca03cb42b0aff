#pragma once

// Keyboard input records for SendInput, shared by keys and typing.
#include "platform/win32/win32_platform.h"

#include <windows.h>

namespace clickwisp {

// One key event of a virtual key with its scan code (and the extended flag
// for the keys that need it), marked as ours.
inline INPUT KeyInput(uint8_t vk, bool up)
{
    INPUT input {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    switch (vk) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE:
    case VK_NUMLOCK:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_SNAPSHOT: input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY; break;
    default: break;
    }
    if (up)
        input.ki.dwFlags |= KEYEVENTF_KEYUP;
    input.ki.dwExtraInfo = kInjectedByClickwisp;
    return input;
}

} // namespace clickwisp
