// The texts of the list columns, and key names.
#include "core/action.h"
#include "core/key_names.h"

#include <gtest/gtest.h>

#include <map>

namespace clickwisp {
namespace {

std::unique_ptr<TBaseCtrlEX> click(uint8_t button, uint8_t kind, uint8_t point)
{
    auto action = TBaseCtrlEX::Create();
    action->mouseButton = button;
    action->mouseAction = kind;
    action->mousePoint = point;
    return action;
}

TEST(Describe, TypeColumnByActionType)
{
    const std::map<int, std::string> expected { { 0, "Mouse Click" }, { 1, "Mouse Move" }, { 2, "Keyboard" },
        { 3, "TypeText" }, { 4, "Delay" } };
    auto action = TBaseCtrlEX::Create();
    for (int type = 0; type < 256; ++type) {
        action->actionType = uint8_t(type);
        auto it = expected.find(type);
        EXPECT_EQ(action->Describe("Type"), it == expected.end() ? "unknown" : it->second) << type;
    }
    action->actionType = 7;
    EXPECT_EQ(action->Describe("Action"), "unknown");
}

TEST(Describe, ClickPiecesJoinInOrder)
{
    EXPECT_EQ(click(1, 1, 0)->Describe("Action"), "Right Button Double Click on mouse current point");
    EXPECT_EQ(click(2, 4, 3)->Describe("Action"), "Middle Button Button Wheel on the Picture");
    EXPECT_EQ(click(5, 0, 0)->Describe("Action"), "unknown Single Click on mouse current point");
    EXPECT_EQ(click(0, 9, 6)->Describe("Action"), "Left Button");
    EXPECT_EQ(click(0, 3, 9)->Describe("Action"), "Left Button Button Up");

    auto fixed = click(0, 2, cpFixed);
    fixed->mouseClickPosX = 120;
    fixed->mouseClickPosY = -4;
    EXPECT_EQ(fixed->Describe("Action"), "Left Button Button Down on fixed point:(120 : -4)");
}

TEST(Describe, ColourClickShowsTheStoredTextUnchanged)
{
    auto colour = click(0, 0, cpColor);
    for (const char* text : { "clBlack", "CLRED", "$00FF00AA", "12345", "no such colour", "" }) {
        colour->fColor = text;
        EXPECT_EQ(colour->Describe("Action"), std::string("Left Button Single Click on the Color: ") + text);
    }
}

TEST(Describe, MovesKeysTextsAndDelays)
{
    auto action = TBaseCtrlEX::Create();
    action->actionType = atMove;
    action->mouseMovePosX = -10;
    action->mouseMovePosY = 2147483647;
    EXPECT_EQ(action->Describe("Action"), "Mouse Move to (-10 : 2147483647)");

    action->actionType = atKey;
    action->key = 65;
    const char* keyActions[] = { "Key :(A) Down", "Key :(A) Up", "Key :(A) Press", "Key :(A)" };
    for (uint8_t ka = 0; ka < 4; ++ka) {
        action->keyAction = ka;
        EXPECT_EQ(action->Describe("Action"), keyActions[ka]);
    }
    action->key = 91; // no name
    action->keyAction = kaPress;
    EXPECT_EQ(action->Describe("Action"), "Key :() Press");

    action->actionType = atText;
    action->typeText = "";
    EXPECT_EQ(action->Describe("Action"), "TypeText:");
    action->typeText = " héllo <b> ";
    EXPECT_EQ(action->Describe("Action"), "TypeText: héllo <b> ");

    action->actionType = atDelay;
    action->delay = 1500;
    EXPECT_EQ(action->Describe("Action"), "Delay 1500 ms");
    action->delay = -3;
    EXPECT_EQ(action->Describe("Action"), "Delay -3 ms");
}

} // namespace
} // namespace clickwisp
