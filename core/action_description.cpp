// The texts the action list shows for an action, by column name.
#include "core/action.h"

#include "core/key_names.h"

namespace clickwisp {
namespace {

std::string typeColumnText(uint8_t actionType)
{
    switch (actionType) {
    case atClick: return "Mouse Click";
    case atMove: return "Mouse Move";
    case atKey: return "Keyboard";
    case atText: return "TypeText";
    case atDelay: return "Delay";
    default: return "unknown";
    }
}

std::string clickText(const TMouseObj& a)
{
    std::string text;
    switch (a.mouseButton) {
    case abLeft: text = "Left Button"; break;
    case abRight: text = "Right Button"; break;
    case abMiddle: text = "Middle Button"; break;
    default: text = "unknown"; break;
    }
    switch (a.mouseAction) {
    case maSingleClick: text += " Single Click"; break;
    case maDoubleClick: text += " Double Click"; break;
    case maButtonDown: text += " Button Down"; break;
    case maButtonUp: text += " Button Up"; break;
    case maWheel: text += " Button Wheel"; break;
    default: break;
    }
    switch (a.mousePoint) {
    case cpCurrent: text += " on mouse current point"; break;
    case cpFixed:
        text += " on fixed point:(" + std::to_string(a.mouseClickPosX) + " : " + std::to_string(a.mouseClickPosY) + ")";
        break;
    case cpColor: text += " on the Color: " + a.fColor; break;
    case cpPicture: text += " on the Picture"; break;
    default: break;
    }
    return text;
}

std::string actionText(const TMouseObj& a)
{
    switch (a.actionType) {
    case atClick: return clickText(a);
    case atMove:
        return "Mouse Move to (" + std::to_string(a.mouseMovePosX) + " : " + std::to_string(a.mouseMovePosY) + ")";
    case atKey: {
        std::string text = "Key :(" + KeyName(a.key) + ")";
        switch (a.keyAction) {
        case kaDown: text += " Down"; break;
        case kaUp: text += " Up"; break;
        case kaPress: text += " Press"; break;
        default: break;
        }
        return text;
    }
    case atText: return "TypeText:" + a.typeText;
    case atDelay: return "Delay " + std::to_string(a.delay) + " ms";
    default: return "unknown";
    }
}

} // namespace

std::string TBaseCtrlEX::Describe(std::string_view columnName) const
{
    if (columnName == "Type")
        return typeColumnText(actionType);
    if (columnName == "Action")
        return actionText(*this);
    return "unknown";
}

} // namespace clickwisp
