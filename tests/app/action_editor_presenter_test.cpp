// The action editor's rules without a toolkit: defaults, loading and saving,
// the delay fields, checking, the layout rule, the key list and the capture.
#include "app/action_editor_presenter.h"

#include "core/key_names.h"
#include "platform/screen_source.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace clickwisp {
namespace {

// Every stored field of an action on one line, so a failed comparison shows
// which field differs.
std::string dump(const TBaseCtrlEX& a)
{
    std::ostringstream out;
    out << "type=" << int(a.actionType) << " button=" << int(a.mouseButton) << " click=" << int(a.mouseAction)
        << " point=" << int(a.mousePoint) << " at=" << a.mouseClickPosX << "," << a.mouseClickPosY
        << " colour=" << a.fColor << "/" << a.fColorSimplar << " bmp=[" << a.fBMP << "]/" << a.fBMPSimplar
        << " move=" << a.mouseMovePosX << "," << a.mouseMovePosY << " key=" << a.key << "/" << int(a.keyAction)
        << " text=[" << a.typeText << "] delay=" << a.delay << " screen=" << int(a.screenType);
    return out.str();
}

std::vector<std::string> delayTexts(const ActionEditorFields& fields)
{
    return { fields.texts.begin() + int(EditorText::DelayHours), fields.texts.begin() + kEditorNumberCount };
}

TEST(ActionEditorPresenter, UnchangedDefaultsMakeALeftClickWhereThePointerIs)
{
    auto action = TBaseCtrlEX::Create();
    ASSERT_TRUE(SaveFields(ActionEditorFields {}, *action));
    EXPECT_EQ(dump(*action),
        "type=0 button=0 click=0 point=0 at=1000,600 colour=clBlack/100 bmp=[]/100 move=1000,600 key=48/0 text=[] "
        "delay=1000 screen=0");
}

// A full round trip through every control is in tests/ui/action_editor_test.
TEST(ActionEditorPresenter, ValuesOffTheListsAreKeptAndTheDelaySplitsByTruncation)
{
    auto odd = TBaseCtrlEX::Create();
    odd->actionType = 7;
    odd->mouseButton = 9;
    odd->mouseAction = maWheel;
    odd->mousePoint = 200;
    odd->keyAction = 255;
    odd->key = 7; // a code without a name
    odd->fBMPSimplar = 70000;
    odd->delay = -1500;
    const ActionEditorFields fields = FieldsFromAction(*odd);
    EXPECT_EQ(
        (std::vector { fields.type, fields.button, fields.clickKind, fields.clickPoint, fields.key, fields.keyAction }),
        std::vector<int>(6, -1));
    // Truncating parts that add up to the delay again.
    EXPECT_EQ(delayTexts(fields), (std::vector<std::string> { "0", "0", "-1", "-5", "0", "0" }));
    auto edited = CopyAction(*odd);
    ASSERT_TRUE(SaveFields(fields, *edited));
    EXPECT_EQ(dump(*edited), dump(*odd));

    // Beyond the arrows of the hours.
    const ActionEditorFields longest = FieldsFromAction(*TBaseCtrlEX::CreateDelay(2147483647));
    EXPECT_EQ(delayTexts(longest), (std::vector<std::string> { "596", "31", "23", "6", "4", "7" }));
    ASSERT_TRUE(SaveFields(longest, *edited));
    EXPECT_EQ(edited->delay, 2147483647);
}

TEST(ActionEditorPresenter, AnInvalidFieldIsNamedAndNothingIsSaved)
{
    const std::tuple<EditorText, const char*, const char*> rows[] = {
        { EditorText::ClickX, "", "Click point X: the field is empty; enter a number" },
        { EditorText::ClickY, " \u00A0", "Click point Y: the field is empty; enter a number" },
        { EditorText::ColourSimilarity, "1.5", "Color similarity: '1.5' is not a whole number" },
        { EditorText::PictureSimilarity, "", "BMP similarity: the field is empty; enter a number" },
        { EditorText::MoveX, "", "Move X: the field is empty; enter a number" },
        { EditorText::DelayHours, "x", "Delay hours: 'x' is not a whole number" },
        { EditorText::DelayMinutes, "1o", "Delay minutes: '1o' is not a whole number" },
        { EditorText::DelayTenths, "-", "Delay 1/10 S: '-' is not a whole number" },
        { EditorText::DelayThousandths, "z", "Delay ms(1/1000 S): 'z' is not a whole number" },
        { EditorText::DelayHours, "5000", "Delay: 18000001000 ms is out of range (at most 2147483647 ms)" },
    };
    for (const auto& [field, text, message] : rows) {
        ActionEditorFields fields;
        fields.text(EditorText::TypedText) = "after";
        fields.text(field) = text;
        const auto problem = FindInvalidField(fields);
        ASSERT_TRUE(problem) << message;
        EXPECT_EQ(problem->field, field);
        EXPECT_EQ(problem->message, message);
        auto action = TBaseCtrlEX::Create();
        const std::string before = dump(*action);
        const auto saved = SaveFields(fields, *action);
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error().message, message);
        EXPECT_EQ(dump(*action), before);
    }
    // Blanks around a number are allowed.
    ActionEditorFields padded;
    padded.text(EditorText::DelayHours) = "\u3000 2\t";
    auto action = TBaseCtrlEX::Create();
    ASSERT_TRUE(SaveFields(padded, *action));
    EXPECT_EQ(action->delay, 2 * 3600000 + 1000);
}

TEST(ActionEditorPresenter, OnlyTheChosenTypesPanelAndClickPointsTargetAreUsable)
{
    ActionEditorFields fields;
    for (fields.type = -1; fields.type < 5; ++fields.type)
        for (fields.clickPoint = -1; fields.clickPoint < 4; ++fields.clickPoint) {
            const EditorLayout layout = LayoutFor(fields);
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ(layout.panels[size_t(i)], i == fields.type) << fields.type << " " << i;
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(layout.targets[size_t(i)], i + 1 == fields.clickPoint) << fields.clickPoint << " " << i;
        }
}

TEST(ActionEditorPresenter, TheKeyListRunsFrom48To256ThenFrom1To47)
{
    std::vector<KeyChoice> expected;
    for (int code : { 48, 1 })
        for (int last = code == 48 ? 256 : 47; code <= last; ++code)
            if (!KeyName(code).empty())
                expected.push_back({ code, KeyName(code) });
    ASSERT_EQ(EditorKeyList().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(EditorKeyList()[i].code == expected[i].code && EditorKeyList()[i].name == expected[i].name) << i;
    EXPECT_EQ(EditorKeyList().front().name + EditorKeyList().back().name, "0[Delete]");
}

TEST(ActionEditorPresenter, CaptureFillsTheTypesPointOrTheColourUntilACharacterKey)
{
    ActionEditorFields fields;
    EditorCapture capture;
    int pixelReads = 0;
    auto pixelAt = [&pixelReads](ScreenPoint point) -> std::optional<uint32_t> {
        ++pixelReads;
        if (point.y < 0)
            return std::nullopt;
        return point.x < 100 ? 0x00123456u : 0x000000FFu;
    };
    EXPECT_TRUE(capture.tick(fields, { 5, 6 }, pixelAt).empty());

    // A point capture wins over a colour capture and reads no pixel.
    capture.startColour();
    capture.startPoint();
    EXPECT_EQ(capture.tick(fields, { 250, 120 }, pixelAt), (std::vector { EditorText::ClickX, EditorText::ClickY }));
    fields.type = atMove;
    EXPECT_EQ(capture.tick(fields, { 420, 333 }, pixelAt), (std::vector { EditorText::MoveX, EditorText::MoveY }));
    EXPECT_EQ((std::vector { fields.text(EditorText::ClickX), fields.text(EditorText::ClickY),
                  fields.text(EditorText::MoveX), fields.text(EditorText::MoveY) }),
        (std::vector<std::string> { "250", "120", "420", "333" }));
    EXPECT_EQ(pixelReads, 0);

    EXPECT_TRUE(capture.keyPressed(false));
    EXPECT_FALSE(capture.keyPressed(true));
    capture.startColour();
    EXPECT_EQ(capture.tick(fields, { 150, 9 }, pixelAt), std::vector { EditorText::Colour });
    EXPECT_EQ(fields.text(EditorText::Colour), "clRed");
    EXPECT_TRUE(capture.tick(fields, { 50, -1 }, pixelAt).empty()); // an unreadable pixel changes nothing
    capture.tick(fields, { 50, 9 }, pixelAt);
    EXPECT_EQ(fields.text(EditorText::Colour), "$00123456");
    capture.stop();
    EXPECT_FALSE(capture.running());
}

// Where the pointer cannot be read, a capture waits for one click instead of
// a timer; the click fills what a tick there fills and ends the capture.
TEST(ActionEditorPresenter, UnreadablePointerCapturesByOneClick)
{
    auto pixelAt = [](ScreenPoint point) -> std::optional<uint32_t> {
        if (point.y < 0)
            return std::nullopt;
        return point.x < 100 ? 0x00123456u : 0x000000FFu;
    };
    EditorCapture capture;
    capture.startPoint();
    EXPECT_TRUE(capture.followsPointer() && !capture.waitsForClick());
    capture.stop();
    capture.setPointerReadable(false);
    EXPECT_FALSE(capture.followsPointer() || capture.waitsForClick()); // nothing to wait for when stopped
    capture.startPoint();
    EXPECT_TRUE(capture.waitsForClick() && !capture.followsPointer());

    ActionEditorFields fields;
    fields.type = atMove;
    EXPECT_EQ(capture.pick(fields, { 640, -20 }, pixelAt), (std::vector { EditorText::MoveX, EditorText::MoveY }));
    EXPECT_EQ(fields.text(EditorText::MoveX) + "," + fields.text(EditorText::MoveY), "640,-20");
    EXPECT_FALSE(capture.running());

    capture.startColour();
    EXPECT_TRUE(capture.waitsForClick());
    EXPECT_EQ(capture.pick(fields, { 150, 9 }, pixelAt), std::vector { EditorText::Colour });
    EXPECT_EQ(fields.text(EditorText::Colour), "clRed");
    EXPECT_FALSE(capture.running());
    // A pixel that cannot be read changes nothing but still ends the pick;
    // a click after the end changes nothing.
    capture.startColour();
    EXPECT_TRUE(capture.pick(fields, { 50, -1 }, pixelAt).empty());
    EXPECT_FALSE(capture.running());
    EXPECT_TRUE(capture.pick(fields, { 50, 9 }, pixelAt).empty());
    EXPECT_EQ(fields.text(EditorText::Colour), "clRed");
}

// The colour capture's pixel read: the one pixel at the point, turned from
// the screen's 0x00RRGGBB into a colour value 0x00BBGGRR.
TEST(ActionEditorPresenter, ScreenColourIsThePixelAtThePointRedInTheLowByte)
{
    class GradientScreen final : public ScreenSource {
    public:
        ScreenSize screenSize() override { return { 256, 256 }; }
        bool capture(int32_t left, int32_t top, const PixelView& target) override
        {
            if (left < 0)
                return false;
            for (int32_t y = 0; y < target.height; ++y)
                for (int32_t x = 0; x < target.width; ++x) {
                    uint8_t* p = target.row(y) + size_t(x) * 3;
                    p[0] = 0x56; // blue
                    p[1] = uint8_t(top + y); // green
                    p[2] = uint8_t(left + x); // red
                }
            return true;
        }
    } screen;
    EXPECT_EQ(ReadScreenColour(screen, { 0x12, 0x34 }), 0x00563412u);
    EXPECT_EQ(ReadScreenColour(screen, { 0x80, 0x01 }), 0x00560180u);
    EXPECT_EQ(ReadScreenColour(screen, { -1, 5 }), std::nullopt);
}

// A picture file read by a toolkit's decoder becomes the picture text that
// shows the same pixels; the errors say what is wrong with which file.
TEST(ActionEditorPresenter, PictureFileIsConvertedOrItsFaultNamed)
{
    test::TempDir dir;
    const std::string path = (dir / "shot.png").string();
    test::writeFile(path, "not looked at: the decoder reads it");
    auto twoByOne = [](const std::string&) -> Result<DecodedPicture> {
        return DecodedPicture { 2, 1, [](int32_t, uint8_t* row) {
                                   const uint8_t pixels[] = { 0x30, 0x20, 0x10, 0x60, 0x50, 0x40 };
                                   std::memcpy(row, pixels, sizeof pixels);
                               } };
    };
    auto text = PictureTextFromFile(path, twoByOne);
    ASSERT_TRUE(text) << text.error().message;
    auto shown = PictureForDisplay(*text);
    ASSERT_TRUE(shown);
    EXPECT_EQ((std::vector { shown->Width(), shown->Height() }), (std::vector { 2, 1 }));
    EXPECT_EQ((std::vector { shown->PixelAt(0, 0), shown->PixelAt(1, 0) }), (std::vector { 0x102030u, 0x405060u }));

    auto missing = PictureTextFromFile((dir / "gone.bmp").string(), twoByOne);
    EXPECT_EQ(missing ? "" : missing.error().message, "The file does not exist.");
    auto unreadable = PictureTextFromFile(
        path, [](const std::string&) -> Result<DecodedPicture> { return fail("unknown format"); });
    EXPECT_EQ(unreadable ? "" : unreadable.error().message, path + " is not a readable picture: unknown format");
    auto huge = PictureTextFromFile(path, [](const std::string&) -> Result<DecodedPicture> {
        return DecodedPicture { TBDBitmapData::kMaxSide + 1, 1, [](int32_t, uint8_t*) {} };
    });
    ASSERT_FALSE(huge);
    EXPECT_NE(huge.error().message.find(path + ": a picture of"), std::string::npos) << huge.error().message;
}

// "Test" searches the screen with the fields as they stand, whatever the
// type; what keeps it from searching is said.
TEST(ActionEditorPresenter, TargetTestSearchesWithTheFieldsAsTheyStand)
{
    // A black 64 x 48 screen with one pixel 0x00RRGGBB 0x123456 at (20, 10).
    class OnePixelScreen final : public ScreenSource {
    public:
        ScreenSize screenSize() override { return { 64, 48 }; }
        bool capture(int32_t left, int32_t top, const PixelView& target) override
        {
            for (int32_t y = 0; y < target.height; ++y) {
                std::memset(target.row(y), 0, size_t(target.width) * 3);
                const int32_t x = 20 - left;
                if (top + y == 10 && x >= 0 && x < target.width)
                    std::memcpy(target.row(y) + x * 3, "\x56\x34\x12", 3);
            }
            return true;
        }
    } screen;
    ActionEditorFields fields;
    fields.type = atDelay;
    fields.text(EditorText::Colour) = "$00563412";
    auto found = CheckEditorTarget(screen, fields, false);
    ASSERT_TRUE(found) << found.error().message;
    EXPECT_EQ(found->text, "Found at (20 : 10)");
    EXPECT_EQ((std::vector { found->left, found->top, found->width }), (std::vector { 13, 3, kColorMarkSide }));

    auto noPicture = CheckEditorTarget(screen, fields, true);
    EXPECT_EQ(noPicture ? "" : noPicture.error().message, "No picture loaded");
    fields.text(EditorText::ColourSimilarity) = "";
    auto invalid = CheckEditorTarget(screen, fields, false);
    EXPECT_EQ(invalid ? "" : invalid.error().message, FindInvalidField(fields).value().message);
}

// A number field's arrows step its text within the field's range; a text
// holding no number steps from the minimum; fields without arrows have none.
TEST(ActionEditorPresenter, ArrowsStepAFieldsTextWithinItsRange)
{
    const NumberRange similarity = FieldRuleOf(EditorText::ColourSimilarity).arrows.value();
    EXPECT_EQ(SteppedText("100", 1, similarity), "100");
    EXPECT_EQ(SteppedText("100", -1, similarity), "95");
    EXPECT_EQ(SteppedText(" 150 ", -1, similarity), "100") << "a typed value beyond the range comes back to it";
    EXPECT_EQ(SteppedText("", 1, similarity), "60");
    EXPECT_EQ(SteppedText("7x", -1, similarity), "60");
    const NumberRange hours = FieldRuleOf(EditorText::DelayHours).arrows.value();
    EXPECT_EQ(SteppedText("22", 3, hours), "23");
    EXPECT_EQ(SteppedText("-4", 1, hours), "0");
    EXPECT_FALSE(FieldRuleOf(EditorText::ClickX).arrows);
    EXPECT_FALSE(FieldRuleOf(EditorText::TypedText).arrows);
}

} // namespace
} // namespace clickwisp
