#pragma once

#include "core/error.h"
#include "core/event_msg.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_node;
}

namespace clickwisp {

// The enumerations are stored as their byte values in list files: append only,
// never renumber. The fields holding them are plain bytes, so any value 0-255
// survives loading, copying and saving.
enum TActionType : uint8_t { atClick = 0, atMove = 1, atKey = 2, atText = 3, atDelay = 4 };
enum TActionButton : uint8_t { abLeft = 0, abRight = 1, abMiddle = 2 };
enum TMouseActionKind : uint8_t { maSingleClick = 0, maDoubleClick = 1, maButtonDown = 2, maButtonUp = 3, maWheel = 4 };
enum TClickPoint : uint8_t { cpCurrent = 0, cpFixed = 1, cpColor = 2, cpPicture = 3 };
enum TKeyAction : uint8_t { kaDown = 0, kaUp = 1, kaPress = 2 };

// One step of an action list. Every action carries every field, whatever its
// kind; fields that do not belong to the kind keep their values. The field
// names are the list file's attribute names.
class TMouseObj {
public:
    TMouseObj();
    virtual ~TMouseObj();
    TMouseObj(const TMouseObj&) = delete;
    TMouseObj& operator=(const TMouseObj&) = delete;

    int32_t mouseClickPosX = 0;
    int32_t mouseClickPosY = 0;
    std::string fColor = "clBlack";
    std::string fBMP; // Base64 of a BMP file image; empty: no picture
    int32_t fColorSimplar = 100;
    int32_t fBMPSimplar = 100;
    int32_t mouseMovePosX = 0;
    int32_t mouseMovePosY = 0;
    int32_t key = 0;
    std::string typeText; // UTF-8
    int32_t delay = 1000;
    uint8_t actionType = atClick;
    uint8_t mouseButton = abLeft;
    uint8_t mouseAction = maSingleClick;
    uint8_t mousePoint = cpCurrent;
    uint8_t keyAction = kaPress;
    uint8_t screenType = 0; // reserved: stored and copied, never read
};

class TBaseCtrl : public TMouseObj { };

class TBaseCtrlEX : public TBaseCtrl {
public:
    // An action with every field at its default: a left single click where
    // the pointer is.
    static std::unique_ptr<TBaseCtrlEX> Create();
    // The action for one recorded input event.
    static std::unique_ptr<TBaseCtrlEX> CreateFromEvent(const EVENTMSG& event);
    // A delay action of ms milliseconds.
    static std::unique_ptr<TBaseCtrlEX> CreateDelay(int32_t ms);
    // Reads one item element (its name is not examined). Missing attributes
    // keep their defaults; a value that does not convert is an error naming
    // the attribute and the value.
    static Result<std::unique_ptr<TBaseCtrlEX>> CreateFromItem(const pugi::xml_node& item);

    // Appends an item element with all 17 attributes to parent and returns it.
    pugi::xml_node SaveToItem(pugi::xml_node& parent) const;
    // The cell text for a list column named "Type" or "Action"; "unknown" otherwise.
    std::string Describe(std::string_view columnName) const;
};

// An owning list of actions in list order.
using ActionList = std::vector<std::unique_ptr<TBaseCtrlEX>>;

// The only copy there is: every stored field, as an item round trip
// (SaveToItem, CreateFromItem) gives it.
std::unique_ptr<TBaseCtrlEX> CopyAction(const TBaseCtrlEX& source);

} // namespace clickwisp
