#include "app/action_editor_presenter.h"

#include "core/base64.h"
#include "core/colour_text.h"
#include "core/key_names.h"
#include "core/number_text.h"
#include "platform/screen_source.h"
#include "playback/execute.h"

#include <cstring>
#include <filesystem>
#include <limits>
#include <span>
#include <spanstream>
#include <sstream>
#include <string_view>

namespace clickwisp {

namespace {

// The length of the blank (any Unicode space, tab or line break) that ends or
// starts text, in UTF-8 bytes; 0 when there is none.
size_t blankAt(std::string_view text, bool atEnd)
{
    static constexpr std::string_view kBlanks[] = { " ", "\t", "\n", "\v", "\f", "\r", "\u0085", "\u00A0", "\u1680",
        "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006", "\u2007", "\u2008", "\u2009", "\u200A",
        "\u2028", "\u2029", "\u202F", "\u205F", "\u3000" };
    for (std::string_view blank : kBlanks)
        if (atEnd ? text.ends_with(blank) : text.starts_with(blank))
            return blank.size();
    return 0;
}

std::string_view trimmed(std::string_view text)
{
    while (size_t n = blankAt(text, false))
        text.remove_prefix(n);
    while (size_t n = blankAt(text, true))
        text.remove_suffix(n);
    return text;
}

std::optional<int32_t> numberIn(const ActionEditorFields& fields, EditorText which)
{
    return ParseInt32(trimmed(fields.text(which)));
}

// The delay the six fields give together; the fields must be numbers.
int64_t delayOf(const ActionEditorFields& fields)
{
    static constexpr int64_t kScale[] = { 3600000, 60000, 1000, 100, 10, 1 };
    int64_t delay = 0;
    for (size_t i = 0; i < std::size(kScale); ++i)
        delay += int64_t(*numberIn(fields, EditorText(size_t(EditorText::DelayHours) + i))) * kScale[i];
    return delay;
}

int indexIfListed(int value, int count)
{
    return value < count ? value : -1;
}

} // namespace

const std::vector<KeyChoice>& EditorKeyList()
{
    static const std::vector<KeyChoice> keys = [] {
        std::vector<KeyChoice> list;
        auto add = [&list](int code) {
            if (std::string name = KeyName(code); !name.empty())
                list.push_back({ code, std::move(name) });
        };
        for (int code = 48; code <= 256; ++code)
            add(code);
        for (int code = 1; code <= 47; ++code)
            add(code);
        return list;
    }();
    return keys;
}

EditorLayout LayoutFor(const ActionEditorFields& fields)
{
    EditorLayout layout;
    for (size_t i = 0; i < layout.panels.size(); ++i)
        layout.panels[i] = fields.type == int(i);
    for (size_t i = 0; i < layout.targets.size(); ++i)
        layout.targets[i] = fields.clickPoint == int(i) + 1;
    return layout;
}

EditorFieldRule FieldRuleOf(EditorText which)
{
    static constexpr NumberRange kSimilarity { 60, 100, 5 };
    switch (which) {
    case EditorText::ClickX:
    case EditorText::ClickY:
    case EditorText::MoveX:
    case EditorText::MoveY: return { true, 4, std::nullopt };
    case EditorText::ColourSimilarity:
    case EditorText::PictureSimilarity: return { true, 0, kSimilarity };
    case EditorText::DelayHours: return { false, 2, NumberRange { 0, 23, 1 } };
    case EditorText::DelayMinutes:
    case EditorText::DelaySeconds: return { false, 2, NumberRange { 0, 59, 1 } };
    case EditorText::DelayTenths:
    case EditorText::DelayHundredths:
    case EditorText::DelayThousandths: return { false, 1, NumberRange { 0, 9, 1 } };
    case EditorText::Colour:
    case EditorText::TypedText: break;
    }
    return {};
}

ActionEditorFields FieldsFromAction(const TBaseCtrlEX& action)
{
    ActionEditorFields fields;
    fields.type = indexIfListed(action.actionType, 5);
    fields.button = indexIfListed(action.mouseButton, 3);
    fields.clickKind = indexIfListed(action.mouseAction, 4);
    fields.clickPoint = indexIfListed(action.mousePoint, 4);
    fields.keyAction = indexIfListed(action.keyAction, 3);
    const auto& keys = EditorKeyList();
    fields.key = -1;
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i].code == action.key) {
            fields.key = int(i);
            break;
        }

    auto set = [&fields](EditorText which, int64_t value) { fields.text(which) = FormatInt(value); };
    set(EditorText::ClickX, action.mouseClickPosX);
    set(EditorText::ClickY, action.mouseClickPosY);
    // The whole value, not a 16-bit or clamped one, so a round trip keeps it.
    set(EditorText::ColourSimilarity, action.fColorSimplar);
    set(EditorText::PictureSimilarity, action.fBMPSimplar);
    set(EditorText::MoveX, action.mouseMovePosX);
    set(EditorText::MoveY, action.mouseMovePosY);
    const int32_t d = action.delay;
    set(EditorText::DelayHours, d / 3600000);
    set(EditorText::DelayMinutes, d % 3600000 / 60000);
    set(EditorText::DelaySeconds, d % 60000 / 1000);
    set(EditorText::DelayTenths, d % 1000 / 100);
    set(EditorText::DelayHundredths, d % 100 / 10);
    set(EditorText::DelayThousandths, d % 10);
    fields.text(EditorText::Colour) = action.fColor;
    fields.text(EditorText::TypedText) = action.typeText;
    fields.picture = action.fBMP;
    return fields;
}

std::optional<FieldProblem> FindInvalidField(const ActionEditorFields& fields)
{
    static constexpr const char* kNames[kEditorNumberCount]
        = { "Click point X", "Click point Y", "Color similarity", "BMP similarity", "Move X", "Move Y", "Delay hours",
              "Delay minutes", "Delay seconds", "Delay 1/10 S", "Delay 1/100 S", "Delay ms(1/1000 S)" };
    for (size_t i = 0; i < kEditorNumberCount; ++i) {
        const auto which = EditorText(i);
        if (numberIn(fields, which))
            continue;
        const std::string& text = fields.text(which);
        if (trimmed(text).empty())
            return FieldProblem { which, std::string(kNames[i]) + ": the field is empty; enter a number" };
        return FieldProblem { which, std::string(kNames[i]) + ": '" + text + "' is not a whole number" };
    }
    const int64_t delay = delayOf(fields);
    if (delay > std::numeric_limits<int32_t>::max() || delay < std::numeric_limits<int32_t>::min())
        return FieldProblem { EditorText::DelayHours,
            "Delay: " + FormatInt(delay) + " ms is out of range (at most "
                + FormatInt(std::numeric_limits<int32_t>::max()) + " ms)" };
    return std::nullopt;
}

Result<void> SaveFields(const ActionEditorFields& fields, TBaseCtrlEX& action)
{
    if (auto problem = FindInvalidField(fields))
        return fail(std::move(problem->message));
    auto value = [&fields](EditorText which) { return *numberIn(fields, which); };
    // A choice off the list (a byte value the lists do not offer) is kept.
    if (fields.type >= 0)
        action.actionType = uint8_t(fields.type);
    if (fields.button >= 0)
        action.mouseButton = uint8_t(fields.button);
    if (fields.clickKind >= 0)
        action.mouseAction = uint8_t(fields.clickKind);
    if (fields.clickPoint >= 0)
        action.mousePoint = uint8_t(fields.clickPoint);
    action.mouseClickPosX = value(EditorText::ClickX);
    action.mouseClickPosY = value(EditorText::ClickY);
    action.fColor = fields.text(EditorText::Colour);
    action.fBMP = fields.picture;
    action.fColorSimplar = value(EditorText::ColourSimilarity);
    action.fBMPSimplar = value(EditorText::PictureSimilarity);
    action.mouseMovePosX = value(EditorText::MoveX);
    action.mouseMovePosY = value(EditorText::MoveY);
    if (fields.key >= 0 && size_t(fields.key) < EditorKeyList().size())
        action.key = EditorKeyList()[size_t(fields.key)].code;
    if (fields.keyAction >= 0)
        action.keyAction = uint8_t(fields.keyAction);
    action.typeText = fields.text(EditorText::TypedText);
    action.delay = int32_t(delayOf(fields));
    return {};
}

std::unique_ptr<TBDBitmapData> PictureForDisplay(const std::string& pictureText)
{
    if (pictureText.empty())
        return nullptr;
    auto bytes = Base64Decode(pictureText);
    if (!bytes)
        return nullptr;
    std::ispanstream stream(std::span<const char>(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    // Shown as playback sees it: a BMP cut short keeps its header's size.
    auto bitmap = std::make_unique<TBDBitmapData>();
    bitmap->LoadFromStream(stream);
    if (bitmap->Width() <= 0 || bitmap->Height() <= 0)
        return nullptr;
    return bitmap;
}

Result<std::string> PictureTextFromRows(
    const std::string& path, int32_t width, int32_t height, const std::function<void(int32_t, uint8_t*)>& fillRow)
{
    TBDBitmapData bitmap;
    if (!bitmap.SetSize(width, height))
        return fail(path + ": a picture of " + FormatInt(width) + " x " + FormatInt(height)
            + " pixels is too large (at most " + FormatInt(TBDBitmapData::kMaxSide) + " on a side)");
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.Row(y);
        std::memset(row, 0, size_t(bitmap.Stride()));
        fillRow(y, row);
    }
    std::ostringstream stream;
    if (!bitmap.SaveToStream(stream))
        return fail(path + ": the picture could not be converted");
    const std::string bytes = std::move(stream).str();
    return Base64Encode(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

std::string PictureSizeTip(int32_t width, int32_t height)
{
    return FormatInt(width) + " x " + FormatInt(height) + " pixels";
}

std::string NoColourTip(const std::string& colourText)
{
    return "No colour to show for '" + colourText + "'";
}

Result<std::string> PictureTextFromFile(
    const std::string& path, const std::function<Result<DecodedPicture>(const std::string& path)>& decode)
{
    std::error_code error;
    const std::filesystem::path file(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    if (!std::filesystem::exists(file, error))
        return fail("The file does not exist.");
    auto picture = decode(path);
    if (!picture)
        return fail(path + " is not a readable picture: " + picture.error().message);
    return PictureTextFromRows(path, picture->width, picture->height, picture->fillRow);
}

Result<TargetCheck> CheckEditorTarget(ScreenSource& screen, const ActionEditorFields& fields, bool picture)
{
    // The fields as an action would hold them, in a scratch action.
    auto scratch = TBaseCtrlEX::Create();
    if (auto saved = SaveFields(fields, *scratch); !saved)
        return std::unexpected(saved.error());
    if (!picture)
        return CheckColorTarget(screen, scratch->fColor, scratch->fColorSimplar);
    if (scratch->fBMP.empty())
        return fail("No picture loaded");
    return CheckPictureTarget(screen, *DecodePicture(scratch->fBMP), scratch->fBMPSimplar);
}

std::optional<uint32_t> ReadScreenColour(ScreenSource& screen, ScreenPoint point)
{
    TBDBitmapData pixel;
    if (!pixel.SetSize(1, 1) || !screen.capture(point.x, point.y, pixel.View()))
        return std::nullopt;
    return SwapRedBlue(pixel.PixelAt(0, 0)); // 0x00RRGGBB -> 0x00BBGGRR
}

bool EditorCapture::keyPressed(bool typesCharacter)
{
    if (typesCharacter)
        stop();
    return running();
}

std::vector<EditorText> EditorCapture::tick(ActionEditorFields& fields, ScreenPoint pointer,
    const std::function<std::optional<uint32_t>(ScreenPoint)>& pixelAt) const
{
    if (m_point) {
        const bool click = fields.type == atClick;
        const EditorText x = click ? EditorText::ClickX : EditorText::MoveX;
        const EditorText y = click ? EditorText::ClickY : EditorText::MoveY;
        fields.text(x) = FormatInt(pointer.x);
        fields.text(y) = FormatInt(pointer.y);
        return { x, y };
    }
    if (m_colour) {
        const auto colour = pixelAt(pointer);
        if (!colour)
            return {};
        fields.text(EditorText::Colour) = ColorToText(*colour);
        return { EditorText::Colour };
    }
    return {};
}

std::vector<EditorText> EditorCapture::pick(
    ActionEditorFields& fields, ScreenPoint point, const std::function<std::optional<uint32_t>(ScreenPoint)>& pixelAt)
{
    auto changed = tick(fields, point, pixelAt);
    stop();
    return changed;
}

} // namespace clickwisp
