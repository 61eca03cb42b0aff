#include "core/base64.h"
#include "playback/execute.h"
#include "tests/support/fake_desk.h"
#include "tests/support/images.h"
#include "tests/support/process.h"

#include <gmock/gmock.h>

using clickwisp::test::bmpBytes;
using clickwisp::test::FakeDesk;
using clickwisp::test::MakeAction;
using clickwisp::test::solidImage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace clickwisp {
namespace {

std::vector<std::string> Perform(TMouseObj& action, FakeDesk& desk)
{
    Desktop desktop = desk.desktop();
    auto done = Execute(action, desktop);
    EXPECT_TRUE(done.has_value()) << (done ? "" : done.error().message);
    return desk.lines();
}

std::string Base64Of(const std::string& bytes)
{
    return Base64Encode(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

TEST(ExecuteClick, DoubleRightClickAtFixedPoint)
{
    FakeDesk desk;
    auto click = MakeAction(atClick);
    click->mousePoint = cpFixed;
    click->mouseClickPosX = 700;
    click->mouseClickPosY = 400;
    click->mouseButton = abRight;
    click->mouseAction = maDoubleClick;
    EXPECT_THAT(Perform(*click, desk),
        ElementsAre("SetCursorPos 700 400", "mouse_event 0x0008 0", "mouse_event 0x0010 0", "mouse_event 0x0008 0",
            "mouse_event 0x0010 0"));
}

TEST(ExecuteClick, ButtonPairsAndKinds)
{
    struct Case {
        uint8_t button, kind;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases = {
        { abLeft, maSingleClick, { "mouse_event 0x0002 0", "mouse_event 0x0004 0" } },
        { abRight, maSingleClick, { "mouse_event 0x0008 0", "mouse_event 0x0010 0" } },
        { abMiddle, maSingleClick, { "mouse_event 0x0020 0", "mouse_event 0x0040 0" } },
        { 5, maSingleClick, { "mouse_event 0x0020 0", "mouse_event 0x0040 0" } }, // unknown button: middle
        { abLeft, maButtonDown, { "mouse_event 0x0002 0" } }, { abRight, maButtonUp, { "mouse_event 0x0010 0" } },
        { abLeft, 9, { "mouse_event 0x0002 0" } }, // unknown kind: button down
    };
    for (const auto& c : cases) {
        FakeDesk desk({ 3, 4 });
        auto click = MakeAction(atClick); // where the pointer is
        click->mouseButton = c.button;
        click->mouseAction = c.kind;
        auto lines = Perform(*click, desk);
        std::vector<std::string> expected { "SetCursorPos 3 4" };
        expected.insert(expected.end(), c.events.begin(), c.events.end());
        EXPECT_EQ(lines, expected) << "button " << int(c.button) << " kind " << int(c.kind);
    }
}

TEST(ExecuteClick, WheelIsOneQuarterNotchTowardTheUserWhateverTheButton)
{
    for (uint8_t button : { 0, 1, 2, 7 }) {
        FakeDesk desk;
        auto wheel = MakeAction(atClick);
        wheel->mousePoint = cpFixed;
        wheel->mouseClickPosX = 500;
        wheel->mouseClickPosY = 300;
        wheel->mouseButton = button;
        wheel->mouseAction = maWheel;
        EXPECT_THAT(Perform(*wheel, desk), ElementsAre("SetCursorPos 500 300", "mouse_event 0x0800 -30"));
    }
}

TEST(ExecuteClick, ColourTargets)
{
    clickwisp::test::TempDir dir;
    // A 40 x 30 grey screen with red at (10, 5) and (3, 7): the upper one wins.
    auto screen = solidImage(40, 30, 0x808080);
    clickwisp::test::setPixel(*screen, 10, 5, 0xFF0000);
    clickwisp::test::setPixel(*screen, 3, 7, 0xFF0000);
    ASSERT_TRUE(clickwisp::test::writeBmp(dir / "screen.bmp", *screen));

    {
        FakeDesk desk({ 1, 1 }, dir / "screen.bmp");
        auto click = MakeAction(atClick);
        click->mousePoint = cpColor;
        click->fColor = "clRed";
        EXPECT_THAT(Perform(*click, desk),
            ElementsAre(
                "CaptureScreen 0 0 40 30", "SetCursorPos 10 5", "mouse_event 0x0002 0", "mouse_event 0x0004 0"));
    }
    {
        // Not on the screen: one capture, then nothing; the pointer stays.
        FakeDesk desk({ 1, 1 }, dir / "screen.bmp");
        auto click = MakeAction(atClick);
        click->mousePoint = cpColor;
        click->fColor = "clLime";
        EXPECT_THAT(Perform(*click, desk), ElementsAre("CaptureScreen 0 0 40 30"));
        EXPECT_EQ(desk.platform.input->GetCursorPos(), (ScreenPoint { 1, 1 }));
    }
    {
        // Within similarity 95 (tolerance 12) of grey 0x808080.
        FakeDesk desk({ 1, 1 }, dir / "screen.bmp");
        auto click = MakeAction(atClick);
        click->mousePoint = cpColor;
        click->fColor = "$00848078";
        click->fColorSimplar = 95;
        auto lines = Perform(*click, desk);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], "SetCursorPos 0 0");
    }
}

TEST(ExecuteClick, ColourTextThatDoesNotConvertIsAnErrorWithoutCapture)
{
    FakeDesk desk;
    auto click = MakeAction(atClick);
    click->mousePoint = cpColor;
    click->fColor = "white";
    Desktop desktop = desk.desktop();
    auto done = Execute(*click, desktop);
    ASSERT_FALSE(done.has_value());
    EXPECT_NE(done.error().message.find("white"), std::string::npos) << done.error().message;
    EXPECT_THAT(desk.lines(), IsEmpty());
}

TEST(ExecuteClick, PictureTargets)
{
    {
        // No picture: not even a capture.
        FakeDesk desk;
        auto click = MakeAction(atClick);
        click->mousePoint = cpPicture;
        EXPECT_THAT(Perform(*click, desk), IsEmpty());
    }
    {
        // A 5 x 3 black picture on a black screen: first placement (0, 0),
        // clicked at its centre with halves rounded down.
        FakeDesk desk;
        auto click = MakeAction(atClick);
        click->mousePoint = cpPicture;
        click->fBMP = Base64Of(bmpBytes(*solidImage(5, 3, 0)));
        EXPECT_THAT(Perform(*click, desk),
            ElementsAre(
                "CaptureScreen 0 0 1920 1080", "SetCursorPos 2 1", "mouse_event 0x0002 0", "mouse_event 0x0004 0"));
    }
    {
        // A white picture is not on the black screen.
        FakeDesk desk({ 9, 9 });
        auto click = MakeAction(atClick);
        click->mousePoint = cpPicture;
        click->fBMP = Base64Of(bmpBytes(*solidImage(4, 4, 0xFFFFFF)));
        EXPECT_THAT(Perform(*click, desk), ElementsAre("CaptureScreen 0 0 1920 1080"));
    }
    {
        // A picture that cannot be decoded has no target: no capture, no click.
        for (const std::string& text :
            { Base64Of("not a bitmap at all"), Base64Of(bmpBytes(*solidImage(0, 0, 0))), std::string("Q") }) {
            FakeDesk desk({ 9, 9 });
            auto click = MakeAction(atClick);
            click->mousePoint = cpPicture;
            click->fBMP = text;
            EXPECT_THAT(Perform(*click, desk), IsEmpty()) << text;
        }
    }
    {
        // A BMP cut short (4 x 4, 20 of 48 data bytes) keeps its size: its
        // black pixels are found on the black screen and its centre clicked.
        FakeDesk desk({ 9, 9 });
        auto click = MakeAction(atClick);
        click->mousePoint = cpPicture;
        click->fBMP = Base64Of(bmpBytes(*solidImage(4, 4, 0)).substr(0, 54 + 20));
        EXPECT_THAT(Perform(*click, desk),
            ElementsAre(
                "CaptureScreen 0 0 1920 1080", "SetCursorPos 2 2", "mouse_event 0x0002 0", "mouse_event 0x0004 0"));
    }
}

TEST(PictureCache, DecodesEachActionsPictureOnceAndBadOnesToAnEmptyBuffer)
{
    PictureCache pictures;
    auto plain = MakeAction(atClick);
    EXPECT_EQ(pictures.Get(*plain), nullptr) << "no picture without fBMP";

    auto action = MakeAction(atClick);
    action->fBMP = Base64Of(bmpBytes(*solidImage(2, 1, 0x030201)));
    const TBDBitmapData* picture = pictures.Get(*action);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 2);
    EXPECT_EQ(picture->PixelAt(1, 0), 0x030201u);
    EXPECT_EQ(pictures.Get(*action), picture) << "decoded once, then kept";

    for (const char* bad : { "%%%not base64%%%", "Qk0=", "QUJD" }) {
        auto broken = DecodePicture(bad);
        EXPECT_EQ(broken->Width(), 0) << bad;
        EXPECT_EQ(broken->Height(), 0) << bad;
    }
}

TEST(ExecuteKey, PressSendsDownThenUpOfTheLowByte)
{
    FakeDesk desk;
    auto key = MakeAction(atKey);
    key->key = 0x0D;
    key->keyAction = kaPress;
    Perform(*key, desk);
    key->key = 0x141;
    key->keyAction = kaDown;
    Perform(*key, desk);
    key->keyAction = kaUp;
    EXPECT_THAT(Perform(*key, desk),
        ElementsAre("keybd_event 0x0D 0", "keybd_event 0x0D 2", "keybd_event 0x41 0", "keybd_event 0x41 2"));
}

TEST(ExecuteOther, MoveTypeAndUnknownKinds)
{
    FakeDesk desk;
    auto move = MakeAction(atMove);
    move->mouseMovePosX = -5;
    move->mouseMovePosY = 2000;
    EXPECT_THAT(Perform(*move, desk), ElementsAre("SetCursorPos -5 2000"));

    // Unknown action type, click point or key action: no call at all.
    FakeDesk quiet;
    auto unknownType = MakeAction(7);
    auto unknownPoint = MakeAction(atClick);
    unknownPoint->mousePoint = 6;
    auto unknownKey = MakeAction(atKey);
    unknownKey->keyAction = 3;
    auto delay = TBaseCtrlEX::CreateDelay(500);
    for (TMouseObj* action : { static_cast<TMouseObj*>(unknownType.get()), static_cast<TMouseObj*>(unknownPoint.get()),
             static_cast<TMouseObj*>(unknownKey.get()), static_cast<TMouseObj*>(delay.get()) })
        Perform(*action, quiet);
    EXPECT_THAT(quiet.lines(), IsEmpty());

    FakeDesk typing;
    auto text = MakeAction(atText);
    text->typeText = "abc";
    EXPECT_THAT(Perform(*text, typing),
        ElementsAre("WM_IME_CHAR 0x0061", "WM_IME_CHAR 0x0062", "WM_IME_CHAR 0x0063", "WM_KEYDOWN 0x0D"));
}

} // namespace
} // namespace clickwisp
