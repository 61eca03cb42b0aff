#include "playback/press_tracker.h"

#include <algorithm>

namespace clickwisp {

namespace {

constexpr uint32_t kButtonTag = 0x100;

// The up flag that releases the button a down flag presses; 0 for others.
uint32_t upFlagFor(uint32_t downFlag)
{
    switch (downFlag) {
    case MOUSEEVENTF_LEFTDOWN: return MOUSEEVENTF_LEFTUP;
    case MOUSEEVENTF_RIGHTDOWN: return MOUSEEVENTF_RIGHTUP;
    case MOUSEEVENTF_MIDDLEDOWN: return MOUSEEVENTF_MIDDLEUP;
    default: return 0;
    }
}

bool isUpFlag(uint32_t flag)
{
    return flag == MOUSEEVENTF_LEFTUP || flag == MOUSEEVENTF_RIGHTUP || flag == MOUSEEVENTF_MIDDLEUP;
}

} // namespace

void PressTracker::mouse_event(uint32_t flags, int32_t data)
{
    m_target.mouse_event(flags, data);
    if (uint32_t up = upFlagFor(flags))
        press(up + kButtonTag);
    else if (isUpFlag(flags))
        release(flags + kButtonTag);
}

void PressTracker::keybd_event(uint8_t vk, uint32_t flags)
{
    m_target.keybd_event(vk, flags);
    if (flags & KEYEVENTF_KEYUP)
        release(vk);
    else
        press(vk);
}

void PressTracker::press(uint32_t what)
{
    if (std::find(m_pressed.begin(), m_pressed.end(), what) == m_pressed.end())
        m_pressed.push_back(what);
}

void PressTracker::release(uint32_t what)
{
    std::erase(m_pressed, what);
}

void PressTracker::releaseAll()
{
    while (!m_pressed.empty()) {
        uint32_t what = m_pressed.back();
        m_pressed.pop_back();
        if (what >= kButtonTag)
            m_target.mouse_event(what - kButtonTag, 0);
        else
            m_target.keybd_event(uint8_t(what), KEYEVENTF_KEYUP);
    }
}

} // namespace clickwisp
