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

TEST(Describe, ColumnNamesMatchExactly)
{
    auto action = TBaseCtrlEX::CreateDelay(5);
    for (const char* name : { "type", "TYPE", "Type ", " Action", "action", "No.", "", "Colour" })
        EXPECT_EQ(action->Describe(name), "unknown") << '"' << name << '"';
}

TEST(KeyNames, FullTable)
{
    // clang-format off
    std::map<int, std::string> expected{
        {1, "[LButton]"}, {2, "[RButton]"}, {3, "[Cancel]"}, {4, "[MButton]"}, {8, "[BackSpace]"}, {9, "[Tab]"},
        {12, "[Clear]"}, {13, "[Enter]"}, {16, "[Shift]"}, {17, "[Ctrl]"}, {18, "[Alt]"}, {19, "[Pause]"},
        {20, "[Capital]"}, {27, "[Escape]"}, {32, "[Space]"}, {33, "[Page Up]"}, {34, "[Page Down]"}, {35, "[End]"},
        {36, "[Home]"}, {37, "[Left]"}, {38, "[Up]"}, {39, "[Right]"}, {40, "[Down]"}, {41, "[Select]"},
        {43, "[Execute]"}, {44, "[Print Screen]"}, {45, "[Insert]"}, {46, "[Delete]"}, {106, "Num[*]"}, {107, "Num[+]"},
        {109, "Num[-]"}, {110, "Num[.]"}, {111, "Num[/]"}, {144, "[Num Lock]"}, {145, "[Scroll Lock]"}, {186, ";"},
        {187, "="}, {188, ","}, {189, "-"}, {190, "."}, {191, "/"}, {192, "`"},
        {219, "["}, {220, "\\"}, {221, "]"}, {222, "'"},
    };
    // clang-format on
    const char* digits[] = { "0", "1", "2", "3", "4", "5", "6", "7", "8", "9" };
    for (int i = 0; i < 10; ++i) {
        expected[48 + i] = digits[i];
        expected[96 + i] = std::string("Num[") + digits[i] + "]";
    }
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int i = 0; i < 26; ++i)
        expected[65 + i] = std::string(1, letters[i]);
    const char* functions[] = { "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12" };
    for (int i = 0; i < 12; ++i)
        expected[112 + i] = functions[i];

    for (int code = -5; code <= 300; ++code) {
        auto it = expected.find(code);
        EXPECT_EQ(KeyName(code), it == expected.end() ? "" : it->second) << code;
    }
    EXPECT_EQ(KeyName(65), "A");
    EXPECT_EQ(KeyName(97), "Num[1]");
    EXPECT_EQ(KeyName(121), "F10");
    EXPECT_EQ(KeyName(220), "\\");
}

} // namespace
} // namespace clickwisp
