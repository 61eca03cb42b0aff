// The Win32 action editor driven through its controls: that each control
// reaches the presenter and back. The rules themselves are tested in
// tests/app/action_editor_presenter_test.cpp.
#include "ui_win32/action_editor_dialog.h"

#include "platform/input_injector.h"
#include "platform/screen_source.h"
#include "tests/app/controller_fixture.h"
#include "tests/support/process.h"
#include "tests/win32_ui/dialog_script.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>

namespace clickwisp {
namespace {

using namespace editor_control;
using test::Controls;
using test::DialogScript;

int textId(EditorText which)
{
    return TextControl(which);
}

// A pointer the test moves while the dialog's thread reads it.
class MovablePointer final : public InputInjector {
public:
    void moveTo(int32_t x, int32_t y) { m_where = (int64_t(x) << 32) | uint32_t(y); }
    ScreenPoint GetCursorPos() override
    {
        const int64_t where = m_where;
        return { int32_t(where >> 32), int32_t(uint32_t(where)) };
    }
    void SetCursorPos(int32_t x, int32_t y) override { moveTo(x, y); }
    void mouse_event(uint32_t, int32_t) override { }
    void keybd_event(uint8_t, uint32_t) override { }

private:
    std::atomic<int64_t> m_where { 0 };
};

// A screen of one colour, 0x00RRGGBB.
class PlainScreen final : public ScreenSource {
public:
    explicit PlainScreen(uint32_t rgb)
        : m_rgb(rgb)
    {
    }
    ScreenSize screenSize() override { return { 1280, 1024 }; }
    bool capture(int32_t, int32_t, const PixelView& target) override
    {
        for (int32_t y = 0; y < target.height; ++y)
            for (int32_t x = 0; x < target.width; ++x) {
                uint8_t* p = target.row(y) + size_t(x) * 3;
                p[0] = uint8_t(m_rgb);
                p[1] = uint8_t(m_rgb >> 8);
                p[2] = uint8_t(m_rgb >> 16);
            }
        return true;
    }

private:
    uint32_t m_rgb;
};

int keyIndexOf(int code)
{
    const auto& keys = EditorKeyList();
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i].code == code)
            return int(i);
    return -1;
}

// The colour capture follows the pixel under the pointer; "Test" finds the
// colour on the screen, marks it and brings the dialog back; the click panel
// shows only the chosen point's group; the lists and the similarity reach
// the action.
TEST(Win32ActionEditor, EditsAClickOnAColourCapturedFromTheScreen)
{
    MovablePointer pointer;
    PlainScreen screen(0x123456); // red 0x12, green 0x34, blue 0x56
    ActionEditorServices services;
    services.input = &pointer;
    services.screen = &screen;
    auto action = TBaseCtrlEX::Create();
    action->mousePoint = 1;
    action->mouseClickPosX = 77;

    bool fixedShown = false, colourShown = true, colourHidden = false, pointLoaded = false, captured = false;
    bool tested = false, marked = false, returned = false;
    DialogScript script(L"Edit Action", [&](HWND dialog) {
        Controls c(dialog);
        fixedShown = c.visible(kTargetGroups) && !c.visible(kTargetGroups + 1) && c.enabled(kPointCapture);
        pointLoaded = c.text(textId(EditorText::ClickX)) == L"77";
        c.click(kPoints + 2);
        colourShown = c.visible(kTargetGroups + 1) && !c.visible(kTargetGroups) && !c.visible(kTargetGroups + 2);
        colourHidden = !c.enabled(kPointCapture);
        c.click(kColourCapture);
        captured = c.waitForText(textId(EditorText::Colour), L"$00563412");
        RECT home {}, back {};
        GetWindowRect(dialog, &home);
        c.click(kColourTest);
        tested = c.waitForText(kColourTestResult, L"Found at (0 : 0)");
        marked = test::waitUntil([] {
            HWND marker = FindWindowW(L"ClickwispTargetMarker", nullptr);
            return marker && IsWindowVisible(marker);
        });
        GetWindowRect(dialog, &back);
        returned = EqualRect(&home, &back);
        c.setText(textId(EditorText::ColourSimilarity), L"85");
        c.select(kButton, 1);
        c.select(kClickKind, 1);
        c.click(kOk);
    });
    EXPECT_TRUE(ShowActionEditorDialog(nullptr, "Edit Action", *action, true, services));
    EXPECT_TRUE(fixedShown && pointLoaded);
    EXPECT_TRUE(colourShown);
    EXPECT_TRUE(colourHidden) << "the fixed point's capture button is off with its group";
    EXPECT_TRUE(captured);
    EXPECT_TRUE(tested);
    EXPECT_TRUE(marked) << "the place found is marked";
    EXPECT_TRUE(returned) << "the dialog is back where it was";
    EXPECT_EQ(action->mousePoint, 2);
    EXPECT_EQ(action->fColor, "$00563412");
    EXPECT_EQ(action->fColorSimplar, 85);
    EXPECT_EQ(action->mouseButton, 1);
    EXPECT_EQ(action->mouseAction, 1);
    EXPECT_EQ(action->mouseClickPosX, 77);
}

// The type enables its own panel only; the key lists and the six delay
// fields (one stepped by its arrows) reach the action, whatever the type.
TEST(Win32ActionEditor, KeyAndDelayFieldsTypedAndStepped)
{
    auto action = TBaseCtrlEX::Create();
    bool clickOff = false, keyOn = false, delayOff = false, stepped = false;
    DialogScript script(L"New Action", [&](HWND dialog) {
        Controls c(dialog);
        c.click(kTypes + 2);
        clickOff = !c.enabled(kButton) && !c.enabled(kPointCapture) && !c.enabled(textId(EditorText::ClickX));
        keyOn = c.enabled(kKey) && c.enabled(kKeyAction);
        delayOff = !c.enabled(textId(EditorText::DelayHours));
        c.select(kKey, keyIndexOf(0x41));
        c.select(kKeyAction, 2);
        c.click(kTypes + 4);
        c.setText(textId(EditorText::DelayHours), L"1");
        c.setText(textId(EditorText::DelayMinutes), L"2");
        c.setText(textId(EditorText::DelaySeconds), L"2");
        c.setText(textId(EditorText::DelayTenths), L"0");
        c.setText(textId(EditorText::DelayHundredths), L"0");
        c.setText(textId(EditorText::DelayThousandths), L"4");
        Controls::press(c[textId(EditorText::DelaySeconds)], VK_UP);
        stepped = c.waitForText(textId(EditorText::DelaySeconds), L"3");
        c.click(kOk);
    });
    EXPECT_TRUE(ShowActionEditorDialog(nullptr, "New Action", *action, false, {}));
    EXPECT_TRUE(clickOff);
    EXPECT_TRUE(keyOn);
    EXPECT_TRUE(delayOff);
    EXPECT_TRUE(stepped) << "the up arrow key steps the seconds";
    EXPECT_EQ(action->actionType, atDelay);
    EXPECT_EQ(action->key, 0x41);
    EXPECT_EQ(action->keyAction, 2);
    EXPECT_EQ(action->delay, 3600000 + 2 * 60000 + 3 * 1000 + 4);
}

// The point capture of the move panel: keys that type nothing (arrows) let it
// run on, a character key ends it.
TEST(Win32ActionEditor, PointCaptureEndsOnACharacterKeyOnly)
{
    MovablePointer pointer;
    pointer.moveTo(10, 20);
    ActionEditorServices services;
    services.input = &pointer;
    auto action = TBaseCtrlEX::Create();
    bool first = false, afterArrow = false;
    std::wstring afterStop;
    DialogScript script(L"New Action", [&](HWND dialog) {
        Controls c(dialog);
        c.click(kTypes + 1);
        c.click(kMoveCapture);
        first = c.waitForText(textId(EditorText::MoveX), L"10");
        Controls::press(dialog, VK_LEFT);
        pointer.moveTo(30, 40);
        afterArrow = c.waitForText(textId(EditorText::MoveY), L"40");
        Controls::press(dialog, VK_SPACE);
        Sleep(100);
        pointer.moveTo(50, 60);
        Sleep(100);
        afterStop = c.text(textId(EditorText::MoveX));
        c.click(kOk);
    });
    EXPECT_TRUE(ShowActionEditorDialog(nullptr, "New Action", *action, false, services));
    EXPECT_TRUE(first);
    EXPECT_TRUE(afterArrow) << "an arrow key does not end the capture";
    EXPECT_EQ(afterStop, L"30") << "space ends the capture";
    EXPECT_EQ(action->actionType, atMove);
    EXPECT_EQ(action->mouseMovePosX, 30);
    EXPECT_EQ(action->mouseMovePosY, 40);
}

// OK with an invalid field shows the presenter's message in a "Warning" box
// and keeps the dialog open on that field; Cancel then leaves the action as
// it was.
TEST(Win32ActionEditor, InvalidFieldWarnsAndKeepsTheDialogThenCancelChangesNothing)
{
    auto action = TBaseCtrlEX::Create();
    action->mousePoint = 1;
    action->typeText = "kept";
    const ActionEditorFields before = FieldsFromAction(*action);
    ActionEditorFields invalid = before;
    invalid.text(EditorText::ClickY) = "12x";
    const std::string expected = FindInvalidField(invalid).value().message;

    std::wstring boxText;
    bool stillOpen = false, focused = false;
    DialogScript script(L"Edit Action", [&](HWND dialog) {
        Controls c(dialog);
        c.setText(textId(EditorText::TypedText), L"changed");
        c.setText(textId(EditorText::ClickY), L"12x");
        PostMessageW(c[kOk], BM_CLICK, 0, 0); // the box is modal: do not wait for it
        HWND box = test::findDialog(L"Warning");
        if (!box)
            return;
        wchar_t text[512] {};
        GetDlgItemTextW(box, 0xFFFF, text, int(std::size(text)));
        boxText = text;
        SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        test::waitUntil([box] { return !IsWindow(box); });
        stillOpen = IsWindowVisible(dialog);
        // The dialog's thread gives the field the focus once the box has
        // returned, which may be a moment after the box is gone.
        focused = test::waitUntil([&] {
            GUITHREADINFO gui {};
            gui.cbSize = sizeof(gui);
            GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
            return gui.hwndFocus == c[textId(EditorText::ClickY)];
        });
        c.click(kCancel);
    });
    EXPECT_FALSE(ShowActionEditorDialog(nullptr, "Edit Action", *action, true, {}));
    EXPECT_EQ(boxText, std::wstring(expected.begin(), expected.end()));
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(focused) << "the invalid field has the focus";
    EXPECT_EQ(action->typeText, "kept");
    EXPECT_EQ(FieldsFromAction(*action).texts, before.texts);
}

// "Load BMP" asks for a BMP file (other pictures after it) through the
// program's prompt and stores the picture, a PNG as well; a file that is
// not there or not a picture is named in a warning and changes nothing.
TEST(Win32ActionEditor, LoadsPicturesThroughTheProgramsPrompt)
{
    test::TempDir dir;
    TBDBitmapData image; // 0x00FF8040 but for the bottom right pixel
    ASSERT_TRUE(image.SetSize(3, 2));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            std::memcpy(image.Row(y) + x * 3, x == 2 && y == 1 ? "\x30\x20\x10" : "\x40\x80\xFF", 3);
    {
        std::ofstream file(dir / "target.bmp", std::ios::binary);
        ASSERT_TRUE(image.SaveToStream(file));
    }
    // 2 x 1 pixels, RGB FF8040 and 102030.
    test::writeFile(dir / "shot.png",
        std::string(
            "\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00\x00\x01\x08"
            "\x02\x00\x00\x00\x7B\x40\xE8\xDD\x00\x00\x00\x0F\x49\x44\x41\x54\x78\x9C\x63\xF8\xDF\xE0\x20\xA0"
            "\x60\x00\x00\x0A\x21\x02\x20\x9E\x92\xF9\x65\x00\x00\x00\x00\x49\x45\x4E\x44\xAE\x42\x60\x82",
            72));
    test::writeFile(dir / "notes.bmp", "no picture");

    std::vector<std::string> prompts, warnings, chosen;
    ActionEditorServices services;
    services.showWarning = [&](const std::string& text) { warnings.push_back(text); };
    services.choosePicture = [&](const std::string& extension, const std::string& filter) {
        prompts.push_back(extension + " " + filter);
        std::string name = (dir / chosen.front()).string();
        chosen.erase(chosen.begin());
        return std::optional(name);
    };
    auto pictureOf = [](const TBaseCtrlEX& action) {
        std::vector<uint32_t> seen;
        if (auto shown = PictureForDisplay(action.fBMP)) {
            seen = { uint32_t(shown->Width()), uint32_t(shown->Height()) };
            for (int32_t y = 0; y < shown->Height(); ++y)
                for (int32_t x = 0; x < shown->Width(); ++x)
                    seen.push_back(shown->PixelAt(x, y));
        }
        return seen;
    };
    // Each load button press takes the next name.
    std::wstring tip;
    auto loadAll = [&](const wchar_t* caption, std::vector<std::string> names, bool* loadOn) {
        chosen = std::move(names);
        return DialogScript(caption, [&, loadOn](HWND dialog) {
            Controls c(dialog);
            c.click(kPoints + 3);
            if (loadOn)
                *loadOn = c.visible(kTargetGroups + 2) && c.enabled(kPictureLoad);
            while (!chosen.empty())
                c.click(kPictureLoad);
            tip = c.tip(kPicture);
            c.click(kOk);
        });
    };

    auto action = TBaseCtrlEX::Create();
    bool loadOn = false;
    {
        auto script = loadAll(L"New Action", { "missing.bmp", "target.bmp" }, &loadOn);
        EXPECT_TRUE(ShowActionEditorDialog(nullptr, "New Action", *action, false, services));
    }
    EXPECT_TRUE(loadOn);
    EXPECT_EQ(prompts[0], ".bmp BMP File|*.bmp|Pictures|*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.tif;*.tiff");
    EXPECT_EQ(warnings, std::vector<std::string> { "The file does not exist." });
    EXPECT_EQ(action->mousePoint, 3);
    EXPECT_EQ(pictureOf(*action),
        (std::vector<uint32_t> { 3, 2, 0xFF8040, 0xFF8040, 0xFF8040, 0xFF8040, 0xFF8040, 0x102030 }));

    warnings.clear();
    {
        auto script = loadAll(L"Edit Action", { "notes.bmp", "shot.png" }, nullptr);
        EXPECT_TRUE(ShowActionEditorDialog(nullptr, "Edit Action", *action, true, services));
    }
    EXPECT_EQ(warnings,
        std::vector<std::string> { (dir / "notes.bmp").string()
            + " is not a readable picture: Windows reads no "
              "picture from it" });
    EXPECT_EQ(pictureOf(*action), (std::vector<uint32_t> { 2, 1, 0xFF8040, 0x102030 }));
    EXPECT_EQ(tip, L"2 x 1 pixels");
}

// The program's services: its shared open prompt, which refuses a file
// that is not there, and its messages for warnings.
TEST(Win32ActionEditor, ProgramServicesUseTheViewsPromptAndMessages)
{
    test::TempDir dir;
    test::writeFile(dir / "there.bmp", "x");
    test::ScriptedView view;
    view.openNames = { (dir / "gone.bmp").string(), (dir / "there.bmp").string() };
    const ActionEditorServices services = ProgramEditorServices(view, nullptr, nullptr);
    EXPECT_EQ(services.choosePicture(".bmp", kPictureFileFilter), std::nullopt);
    EXPECT_EQ(services.choosePicture(".bmp", kPictureFileFilter), (dir / "there.bmp").string());
    services.showWarning("Move X: the field is empty; enter a number");
    EXPECT_EQ(view.messages,
        (std::vector<std::string> { "The file does not exist.", "Move X: the field is empty; enter a number" }));
}

} // namespace
} // namespace clickwisp
