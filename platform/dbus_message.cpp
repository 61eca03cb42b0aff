#include "platform/dbus_message.h"

#include <cstring>
#include <fcntl.h>

namespace clickwisp {

namespace {

template <class T> int appendBasic(sd_bus_message* message, char type, T value)
{
    return sd_bus_message_append_basic(message, type, &value);
}

int appendAll(sd_bus_message* message, const std::vector<DbusValue>& values)
{
    for (const auto& value : values) {
        if (int r = appendDbusValue(message, value); r < 0)
            return r;
    }
    return 0;
}

std::string signaturesOf(const std::vector<DbusValue>& values)
{
    std::string out;
    for (const auto& value : values)
        out += value.signature();
    return out;
}

int appendContainer(
    sd_bus_message* message, char type, const std::string& contents, const std::vector<DbusValue>& values)
{
    if (int r = sd_bus_message_open_container(message, type, contents.c_str()); r < 0)
        return r;
    if (int r = appendAll(message, values); r < 0)
        return r;
    return sd_bus_message_close_container(message);
}

Result<DbusValue> readValue(sd_bus_message* message, char type, const char* contents);

std::string readError(int code)
{
    return std::string("cannot read the message: ") + std::strerror(-code);
}

template <class T> Result<DbusValue> readBasic(sd_bus_message* message, char type)
{
    T value {};
    if (int r = sd_bus_message_read_basic(message, type, &value); r < 0)
        return fail(readError(r));
    return DbusValue(value);
}

Result<std::vector<DbusValue>> readUntilEnd(sd_bus_message* message)
{
    std::vector<DbusValue> values;
    for (;;) {
        char type = 0;
        const char* contents = nullptr;
        const int r = sd_bus_message_peek_type(message, &type, &contents);
        if (r < 0)
            return fail(readError(r));
        if (r == 0)
            return values;
        auto value = readValue(message, type, contents);
        if (!value)
            return std::unexpected(value.error());
        values.push_back(std::move(*value));
    }
}

// The values inside a container of type, which the message is at.
Result<std::vector<DbusValue>> readContainer(sd_bus_message* message, char type, const char* contents)
{
    if (int r = sd_bus_message_enter_container(message, type, contents); r < 0)
        return fail(readError(r));
    auto values = readUntilEnd(message);
    if (!values)
        return values;
    if (int r = sd_bus_message_exit_container(message); r < 0)
        return fail(readError(r));
    return values;
}

Result<DbusValue> readValue(sd_bus_message* message, char type, const char* contents)
{
    switch (type) {
    case 'b': {
        int value = 0;
        if (int r = sd_bus_message_read_basic(message, 'b', &value); r < 0)
            return fail(readError(r));
        return DbusValue(value != 0);
    }
    case 'y': return readBasic<uint8_t>(message, type);
    case 'n': return readBasic<int16_t>(message, type);
    case 'q': return readBasic<uint16_t>(message, type);
    case 'i': return readBasic<int32_t>(message, type);
    case 'u': return readBasic<uint32_t>(message, type);
    case 'x': return readBasic<int64_t>(message, type);
    case 't': return readBasic<uint64_t>(message, type);
    case 'd': return readBasic<double>(message, type);
    case 's':
    case 'o':
    case 'g': {
        const char* text = nullptr;
        if (int r = sd_bus_message_read_basic(message, type, &text); r < 0)
            return fail(readError(r));
        if (type == 'o')
            return DbusValue(DbusObjectPath { text });
        if (type == 'g')
            return DbusValue(DbusSignature { text });
        return DbusValue(std::string(text));
    }
    case 'h': {
        int fd = -1;
        if (int r = sd_bus_message_read_basic(message, 'h', &fd); r < 0)
            return fail(readError(r));
        // The message owns its descriptor: the value gets a copy.
        return DbusValue(DbusFd(fcntl(fd, F_DUPFD_CLOEXEC, 3)));
    }
    case 'a':
    case 'r':
    case 'e':
    case 'v': {
        auto inner = readContainer(message, type, contents);
        if (!inner)
            return std::unexpected(inner.error());
        if (type == 'a')
            return DbusValue::array(contents, std::move(*inner));
        if (type == 'v') {
            if (inner->size() != 1)
                return fail("cannot read the message: a variant without one value");
            return DbusValue::variant(std::move(inner->front()));
        }
        if (type == 'e') {
            if (inner->size() != 2)
                return fail("cannot read the message: a dictionary entry without key and value");
            return DbusValue::dictEntry(std::move(inner->at(0)), std::move(inner->at(1)));
        }
        return DbusValue::structure(std::move(*inner));
    }
    default: return fail(std::string("cannot read the message: unknown D-Bus type '") + type + "'");
    }
}

} // namespace

int appendDbusValue(sd_bus_message* message, const DbusValue& value)
{
    const auto& data = value.data();
    if (const auto* b = std::get_if<bool>(&data))
        return appendBasic<int>(message, 'b', *b ? 1 : 0);
    if (const auto* v = std::get_if<uint8_t>(&data))
        return appendBasic(message, 'y', *v);
    if (const auto* v = std::get_if<int16_t>(&data))
        return appendBasic(message, 'n', *v);
    if (const auto* v = std::get_if<uint16_t>(&data))
        return appendBasic(message, 'q', *v);
    if (const auto* v = std::get_if<int32_t>(&data))
        return appendBasic(message, 'i', *v);
    if (const auto* v = std::get_if<uint32_t>(&data))
        return appendBasic(message, 'u', *v);
    if (const auto* v = std::get_if<int64_t>(&data))
        return appendBasic(message, 'x', *v);
    if (const auto* v = std::get_if<uint64_t>(&data))
        return appendBasic(message, 't', *v);
    if (const auto* v = std::get_if<double>(&data))
        return appendBasic(message, 'd', *v);
    if (const auto* s = std::get_if<std::string>(&data))
        return sd_bus_message_append_basic(message, 's', s->c_str());
    if (const auto* p = std::get_if<DbusObjectPath>(&data))
        return sd_bus_message_append_basic(message, 'o', p->path.c_str());
    if (const auto* g = std::get_if<DbusSignature>(&data))
        return sd_bus_message_append_basic(message, 'g', g->text.c_str());
    if (const auto* fd = std::get_if<DbusFd>(&data))
        return appendBasic<int>(message, 'h', fd->get());
    if (const auto* a = std::get_if<DbusValue::Array>(&data))
        return appendContainer(message, 'a', a->elementSignature, a->items);
    if (const auto* s = std::get_if<DbusValue::Struct>(&data))
        return appendContainer(message, 'r', signaturesOf(s->fields), s->fields);
    if (const auto* e = std::get_if<DbusValue::DictEntry>(&data))
        return appendContainer(message, 'e', signaturesOf(e->keyAndValue), e->keyAndValue);
    const auto& variant = std::get<DbusValue::Variant>(data);
    if (!variant.inner)
        return -EINVAL;
    return appendContainer(message, 'v', variant.inner->signature(), { *variant.inner });
}

Result<std::vector<DbusValue>> readDbusArguments(sd_bus_message* message)
{
    return readUntilEnd(message);
}

std::string dbusErrorText(const std::string& interface, const std::string& method, const sd_bus_error& error, int code)
{
    std::string text = interface + "." + method + ": ";
    if (sd_bus_error_is_set(&error)) {
        text += error.name;
        if (error.message && *error.message)
            text += std::string(": ") + error.message;
        return text;
    }
    return text + std::strerror(code < 0 ? -code : code);
}

} // namespace clickwisp
