// The conversion of an action to and from one list-file item element.
#include "core/action.h"

#include "core/number_text.h"

#include <pugixml.hpp>

namespace clickwisp {
namespace {

// How each stored field is written. The attribute names and their order are
// the list file format: append only.
enum class FieldKind { Int32, Text, Byte };

struct Field {
    const char* name;
    FieldKind kind;
    int32_t TMouseObj::*int32Field;
    std::string TMouseObj::*textField;
    uint8_t TMouseObj::*byteField;
};

constexpr Field intField(const char* name, int32_t TMouseObj::*field)
{
    return { name, FieldKind::Int32, field, nullptr, nullptr };
}
constexpr Field textField(const char* name, std::string TMouseObj::*field)
{
    return { name, FieldKind::Text, nullptr, field, nullptr };
}
constexpr Field byteField(const char* name, uint8_t TMouseObj::*field)
{
    return { name, FieldKind::Byte, nullptr, nullptr, field };
}

const Field kFields[] = {
    intField("mouseClickPosX", &TMouseObj::mouseClickPosX),
    intField("mouseClickPosY", &TMouseObj::mouseClickPosY),
    textField("fColor", &TMouseObj::fColor),
    textField("fBMP", &TMouseObj::fBMP),
    intField("fColorSimplar", &TMouseObj::fColorSimplar),
    intField("fBMPSimplar", &TMouseObj::fBMPSimplar),
    intField("mouseMovePosX", &TMouseObj::mouseMovePosX),
    intField("mouseMovePosY", &TMouseObj::mouseMovePosY),
    intField("key", &TMouseObj::key),
    textField("typeText", &TMouseObj::typeText),
    intField("delay", &TMouseObj::delay),
    byteField("actionType", &TMouseObj::actionType),
    byteField("mouseButton", &TMouseObj::mouseButton),
    byteField("mouseAction", &TMouseObj::mouseAction),
    byteField("mousePoint", &TMouseObj::mousePoint),
    byteField("keyAction", &TMouseObj::keyAction),
    byteField("screenType", &TMouseObj::screenType),
};

} // namespace

Result<std::unique_ptr<TBaseCtrlEX>> TBaseCtrlEX::CreateFromItem(const pugi::xml_node& item)
{
    auto action = Create();
    for (const Field& field : kFields) {
        pugi::xml_attribute attribute = item.attribute(field.name);
        if (!attribute)
            continue;
        const char* value = attribute.value();
        if (field.kind == FieldKind::Text) {
            (*action).*field.textField = value;
            continue;
        }
        auto number = ParseInt32(value);
        if (!number)
            return fail(std::string("attribute ") + field.name + ": '" + value + "' is not a 32-bit integer");
        if (field.kind == FieldKind::Int32)
            (*action).*field.int32Field = *number;
        else
            (*action).*field.byteField = static_cast<uint8_t>(uint32_t(*number) & 0xFF);
    }
    return action;
}

pugi::xml_node TBaseCtrlEX::SaveToItem(pugi::xml_node& parent) const
{
    pugi::xml_node item = parent.append_child("item");
    for (const Field& field : kFields) {
        pugi::xml_attribute attribute = item.append_attribute(field.name);
        switch (field.kind) {
        case FieldKind::Int32: attribute.set_value(std::to_string(this->*field.int32Field).c_str()); break;
        case FieldKind::Text: attribute.set_value((this->*field.textField).c_str()); break;
        case FieldKind::Byte: attribute.set_value(std::to_string(unsigned(this->*field.byteField)).c_str()); break;
        }
    }
    return item;
}

std::unique_ptr<TBaseCtrlEX> CopyAction(const TBaseCtrlEX& source)
{
    // Field by field over the stored fields: what an item round trip gives,
    // without building and parsing an element per action, so a long list
    // copies in milliseconds on the user-interface thread.
    auto copy = TBaseCtrlEX::Create();
    for (const Field& field : kFields) {
        switch (field.kind) {
        case FieldKind::Int32: (*copy).*field.int32Field = source.*field.int32Field; break;
        case FieldKind::Text: (*copy).*field.textField = source.*field.textField; break;
        case FieldKind::Byte: (*copy).*field.byteField = source.*field.byteField; break;
        }
    }
    return copy;
}

} // namespace clickwisp
