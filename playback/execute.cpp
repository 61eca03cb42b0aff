#include "playback/execute.h"

#include "core/base64.h"
#include "core/colour_text.h"
#include "playback/type_text.h"
#include "screen/best_match.h"
#include "screen/screen_search.h"

#include <optional>
#include <spanstream>

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

// What the search of a colour or picture click found on one capture, with
// the best match when explain is true. A failed capture finds nothing, as a
// search that finds nothing.
Result<ExplainedSearch> searchTarget(const TMouseObj& action, Desktop& desktop, PictureCache& pictures, bool explain)
{
    const ScreenSize size = desktop.screen.screenSize();
    const auto seen = [](ScreenPoint point) {
        return ExplainedSearch { point.x == -1 ? std::nullopt : std::optional(point), -1, {} };
    };
    if (action.mousePoint == cpColor) {
        if (auto value = ConvertColorText(action.fColor); !value)
            return std::unexpected(value.error());
        if (!explain)
            return seen(
                *FindColorOnScreen(desktop.screen, action.fColor, 0, 0, size.width, size.height, action.fColorSimplar));
        return ExplainColorOnScreen(desktop.screen, action.fColor, 0, 0, size.width, size.height, action.fColorSimplar)
            .value_or(ExplainedSearch {});
    }
    const TBDBitmapData& picture = *pictures.Get(action);
    if (!explain)
        return seen(FindPictureOnScreen(desktop.screen, picture, 0, 0, size.width, size.height, action.fBMPSimplar));
    return ExplainPictureOnScreen(desktop.screen, picture, 0, 0, size.width, size.height, action.fBMPSimplar)
        .value_or(ExplainedSearch {});
}

// The action's picture when there is one that decoded to at least a pixel.
const TBDBitmapData* decodedPicture(const TMouseObj& action, PictureCache& pictures)
{
    const TBDBitmapData* picture = pictures.Get(action);
    return picture && picture->Width() > 0 && picture->Height() > 0 ? picture : nullptr;
}

std::string targetName(const TMouseObj& action, PictureCache& pictures)
{
    if (action.mousePoint == cpColor)
        return "colour " + action.fColor;
    const TBDBitmapData* picture = decodedPicture(action, pictures);
    if (!picture)
        return "picture (none)";
    return "picture " + std::to_string(picture->Width()) + " x " + std::to_string(picture->Height());
}

// Where a click lands, or nothing when its target is not on the screen (or
// the click point kind is unknown).
Result<std::optional<ScreenPoint>> clickPoint(
    const TMouseObj& action, Desktop& desktop, PictureCache& pictures, TargetMiss* miss, bool findBest)
{
    switch (action.mousePoint) {
    case cpCurrent: return desktop.input.GetCursorPos();
    case cpFixed: return ScreenPoint { action.mouseClickPosX, action.mouseClickPosY };
    case cpColor:
    case cpPicture: {
        // No picture, or one that cannot be decoded: the click has no
        // target, so no capture and no click at a place nobody chose.
        if (action.mousePoint == cpPicture && !decodedPicture(action, pictures)) {
            if (miss)
                *miss = TargetMiss { 0, targetName(action, pictures), BestMatch {} };
            return std::nullopt;
        }
        auto search = searchTarget(action, desktop, pictures, miss && findBest);
        if (!search)
            return std::unexpected(search.error());
        if (search->found)
            return *search->found;
        if (miss)
            *miss = TargetMiss { 0, targetName(action, pictures), search->best };
        return std::nullopt;
    }
    default: return std::nullopt;
    }
}

Result<void> click(const TMouseObj& action, Desktop& desktop, PictureCache& pictures, TargetMiss* miss, bool findBest)
{
    auto point = clickPoint(action, desktop, pictures, miss, findBest);
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

std::unique_ptr<TBDBitmapData> DecodePicture(std::string_view pictureText)
{
    auto picture = std::make_unique<TBDBitmapData>();
    // A rejected BMP or Base64 stays an empty 0 x 0 buffer; a BMP cut short
    // keeps its header's size with black for what is missing.
    if (auto bytes = Base64Decode(pictureText)) {
        std::ispanstream stream(std::span<const char>(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
        picture->LoadFromStream(stream);
    }
    return picture;
}

const TBDBitmapData* PictureCache::Get(const TMouseObj& action)
{
    if (action.fBMP.empty())
        return nullptr;
    auto& picture = m_pictures[&action];
    if (!picture)
        picture = DecodePicture(action.fBMP);
    return picture.get();
}

std::string TargetMiss::describe() const
{
    std::string text = target + " not found";
    if (!best.place)
        return text + " (found at no similarity)";
    return text + " (best " + std::to_string(best.similarity) + " % at " + std::to_string(best.place->x) + " "
        + std::to_string(best.place->y) + ")";
}

bool ClicksOnTarget(const TMouseObj& action)
{
    return action.actionType == atClick && (action.mousePoint == cpColor || action.mousePoint == cpPicture);
}

Result<void> Execute(const TMouseObj& action, Desktop& desktop, PictureCache& pictures, TargetMiss* miss, bool findBest)
{
    switch (action.actionType) {
    case atClick: return click(action, desktop, pictures, miss, findBest);
    case atMove: desktop.input.SetCursorPos(action.mouseMovePosX, action.mouseMovePosY); return {};
    case atKey: keystroke(action, desktop.input); return {};
    case atText: TypeText(desktop.text, action.typeText); return {};
    default: return {}; // delays are waited by the run engine; unknown kinds do nothing
    }
}

Result<void> Execute(const TMouseObj& action, Desktop& desktop)
{
    PictureCache pictures;
    return Execute(action, desktop, pictures);
}

} // namespace clickwisp
