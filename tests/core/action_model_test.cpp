// Creating, recording and copying actions.
#include "core/action.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

// Every stored field, for comparing two actions in one assertion.
std::string fields(const TMouseObj& a)
{
    std::ostringstream out;
    out << a.mouseClickPosX << '|' << a.mouseClickPosY << '|' << a.fColor << '|' << a.fBMP << '|' << a.fColorSimplar
        << '|' << a.fBMPSimplar << '|' << a.mouseMovePosX << '|' << a.mouseMovePosY << '|' << a.key << '|' << a.typeText
        << '|' << a.delay << '|' << int(a.actionType) << '|' << int(a.mouseButton) << '|' << int(a.mouseAction) << '|'
        << int(a.mousePoint) << '|' << int(a.keyAction) << '|' << int(a.screenType);
    return out.str();
}

const std::string kDefaultFields = "0|0|clBlack||100|100|0|0|0||1000|0|0|0|0|2|0";

EVENTMSG event(uint32_t message, uint32_t paramL, uint32_t paramH = 0)
{
    EVENTMSG e;
    e.message = message;
    e.paramL = paramL;
    e.paramH = paramH;
    e.time = 1234;
    return e;
}

TEST(ActionCreation, NewActionIsLeftSingleClickWherePointerIs)
{
    auto action = TBaseCtrlEX::Create();
    EXPECT_EQ(fields(*action), kDefaultFields);
    EXPECT_EQ(action->Describe("Type"), "Mouse Click");
    EXPECT_EQ(action->Describe("Action"), "Left Button Single Click on mouse current point");
}

TEST(ActionFromEvent, KeyEventsKeepOnlyTheLowByteOfParamL)
{
    auto down = TBaseCtrlEX::CreateFromEvent(event(WM_KEYDOWN, 0x1E41));
    EXPECT_EQ(down->actionType, atKey);
    EXPECT_EQ(down->key, 0x41);
    EXPECT_EQ(down->keyAction, kaDown);

    auto sysUp = TBaseCtrlEX::CreateFromEvent(event(WM_SYSKEYUP, 0xFFFF0112));
    EXPECT_EQ(sysUp->actionType, atKey);
    EXPECT_EQ(sysUp->key, 0x12);
    EXPECT_EQ(sysUp->keyAction, kaUp);

    auto sysDown = TBaseCtrlEX::CreateFromEvent(event(WM_SYSKEYDOWN, 0x73));
    EXPECT_EQ(sysDown->keyAction, kaDown);
    auto up = TBaseCtrlEX::CreateFromEvent(event(WM_KEYUP, 0x0D));
    EXPECT_EQ(up->Describe("Action"), "Key :([Enter]) Up");
}

TEST(ActionFromEvent, ButtonEventsBecomeClicksAtFixedPoints)
{
    struct Case {
        uint32_t message;
        uint8_t button;
        uint8_t kind;
    };
    const Case cases[] = {
        { WM_LBUTTONDOWN, abLeft, maButtonDown },
        { WM_LBUTTONUP, abLeft, maButtonUp },
        { WM_RBUTTONDOWN, abRight, maButtonDown },
        { WM_RBUTTONUP, abRight, maButtonUp },
        { WM_MBUTTONDOWN, abMiddle, maButtonDown },
        { WM_MBUTTONUP, abMiddle, maButtonUp },
        { WM_MOUSEWHEEL, abMiddle, maWheel },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        auto action = TBaseCtrlEX::CreateFromEvent(event(c.message, 120, uint32_t(-4)));
        EXPECT_EQ(action->actionType, atClick);
        EXPECT_EQ(action->mousePoint, cpFixed);
        EXPECT_EQ(action->mouseButton, c.button);
        EXPECT_EQ(action->mouseAction, c.kind);
        EXPECT_EQ(action->mouseClickPosX, 120);
        EXPECT_EQ(action->mouseClickPosY, -4);
    }
    auto press = TBaseCtrlEX::CreateFromEvent(event(WM_LBUTTONDOWN, 120, uint32_t(-4)));
    EXPECT_EQ(press->Describe("Action"), "Left Button Button Down on fixed point:(120 : -4)");
}

TEST(ActionFromEvent, MovesAndUnknownMessages)
{
    auto move = TBaseCtrlEX::CreateFromEvent(event(WM_MOUSEMOVE, 1919, 1079));
    EXPECT_EQ(move->actionType, atMove);
    EXPECT_EQ(move->mouseMovePosX, 1919);
    EXPECT_EQ(move->mouseMovePosY, 1079);
    EXPECT_EQ(move->mouseClickPosX, 0);

    for (uint32_t message : { 0u, 0x0102u, 0x0203u, 0x020Eu, 0xFFFFFFFFu }) {
        auto other = TBaseCtrlEX::CreateFromEvent(event(message, 77, 88));
        EXPECT_EQ(fields(*other), kDefaultFields) << message;
    }
}

TEST(ActionCopy, KeepsEveryFieldIncludingOutOfRangeBytes)
{
    auto source = TBaseCtrlEX::Create();
    source->mouseClickPosX = -2147483647 - 1;
    source->mouseClickPosY = 2147483647;
    source->fColor = "not a colour <&>";
    source->fBMP = "Qk0=";
    source->fColorSimplar = 37;
    source->fBMPSimplar = -1;
    source->mouseMovePosX = 5;
    source->mouseMovePosY = -6;
    source->key = 300;
    source->typeText = "Grüße \"quoted\" 'x' \t tab\nline";
    source->delay = -20;
    source->actionType = 250;
    source->mouseButton = 9;
    source->mouseAction = 255;
    source->mousePoint = 128;
    source->keyAction = 3;
    source->screenType = 7;
    auto copy = CopyAction(*source);
    EXPECT_EQ(fields(*copy), fields(*source));
}

} // namespace
} // namespace clickwisp
