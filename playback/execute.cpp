#include "core/action.h"
#include "platform/desktop.h"
#include "playback/type_text.h"
#include "screen/screen_search.h"

#include <optional>

namespace clickwisp {

namespace {

struct ButtonFlags {
    uint32_t down;
    uint32_t up;
};

ButtonFlags buttonFlags(uint8_t mouseButton)
{
    switch (mouseButton) {
    case abLeft: return { MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP };
    case abRight: return { MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP };
    default: return { MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP };
    }
}

// Where a click lands, or nothing when its target is not on the screen (or
// the click point kind is unknown).
Result<std::optional<ScreenPoint>> clickPoint(TMouseObj& action, Desktop& desktop)
{
    switch (action.mousePoint) {
    case cpCurrent: return desktop.input.GetCursorPos();
    case cpFixed: return ScreenPoint { action.mouseClickPosX, action.mouseClickPosY };
    case cpColor: {
        const ScreenSize size = desktop.screen.screenSize();
        auto found
            = FindColorOnScreen(desktop.screen, action.fColor, 0, 0, size.width, size.height, action.fColorSimplar);
        if (!found)
            return std::unexpected(found.error());
        if (found->x == -1)
            return std::nullopt;
        return *found;
    }
    case cpPicture: {
        // No picture, or one that cannot be decoded: the click has no
        // target, so no capture and no click at a place nobody chose.
        if (action.fBMP.empty())
            return std::nullopt;
        const TBDBitmapData* picture = action.GetPictureData();
        if (!picture || picture->Width() == 0 || picture->Height() == 0)
            return std::nullopt;
        const ScreenSize size = desktop.screen.screenSize();
        ScreenPoint found
            = FindPictureOnScreen(desktop.screen, *picture, 0, 0, size.width, size.height, action.fBMPSimplar);
        if (found.x == -1)
            return std::nullopt;
        return found;
    }
    default: return std::nullopt;
    }
}

Result<void> click(TMouseObj& action, Desktop& desktop)
{
    auto point = clickPoint(action, desktop);
    if (!point)
        return std::unexpected(point.error());
    if (!*point)
        return {};
    InputInjector& input = desktop.input;
    input.SetCursorPos((*point)->x, (*point)->y);
    const ButtonFlags flags = buttonFlags(action.mouseButton);
    switch (action.mouseAction) {
    case maSingleClick:
        input.mouse_event(flags.down, 0);
        input.mouse_event(flags.up, 0);
        break;
    case maDoubleClick:
        input.mouse_event(flags.down, 0);
        input.mouse_event(flags.up, 0);
        input.mouse_event(flags.down, 0);
        input.mouse_event(flags.up, 0);
        break;
    case maButtonUp: input.mouse_event(flags.up, 0); break;
    case maWheel:
        // A quarter notch toward the user, whatever the button.
        input.mouse_event(MOUSEEVENTF_WHEEL, -30);
        break;
    default: // maButtonDown and unknown kinds press the button
        input.mouse_event(flags.down, 0);
        break;
    }
    return {};
}

void keystroke(const TMouseObj& action, InputInjector& input)
{
    const auto vk = static_cast<uint8_t>(action.key & 0xFF);
    switch (action.keyAction) {
    case kaDown: input.keybd_event(vk, 0); break;
    case kaUp: input.keybd_event(vk, KEYEVENTF_KEYUP); break;
    case kaPress:
        input.keybd_event(vk, 0);
        input.keybd_event(vk, KEYEVENTF_KEYUP);
        break;
    default: break;
    }
}

} // namespace

Result<void> TMouseObj::Execute(Desktop& desktop)
{
    switch (actionType) {
    case atClick: return click(*this, desktop);
    case atMove: desktop.input.SetCursorPos(mouseMovePosX, mouseMovePosY); return {};
    case atKey: keystroke(*this, desktop.input); return {};
    case atText: TypeText(desktop.text, typeText); return {};
    default: return {}; // delays are waited by the run engine; unknown kinds do nothing
    }
}

} // namespace clickwisp
