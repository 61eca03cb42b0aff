#include "platform/dbus_value.h"

#include <fcntl.h>
#include <unistd.h>

namespace clickwisp {

DbusFd::DbusFd(int fd)
{
    if (fd >= 0)
        m_fd = std::shared_ptr<const int>(new int(fd), [](const int* owned) {
            close(*owned);
            delete owned;
        });
}

int DbusFd::duplicate() const
{
    return m_fd ? fcntl(*m_fd, F_DUPFD_CLOEXEC, 3) : -1;
}

bool operator==(const DbusValue::Variant& a, const DbusValue::Variant& b)
{
    if (!a.inner || !b.inner)
        return a.inner == b.inner;
    return *a.inner == *b.inner;
}

DbusValue DbusValue::array(std::string elementSignature, std::vector<DbusValue> items)
{
    return DbusValue(Data(Array { std::move(elementSignature), std::move(items) }));
}

DbusValue DbusValue::structure(std::vector<DbusValue> fields)
{
    return DbusValue(Data(Struct { std::move(fields) }));
}

DbusValue DbusValue::variant(DbusValue inner)
{
    return DbusValue(Data(Variant { std::make_shared<const DbusValue>(std::move(inner)) }));
}

DbusValue DbusValue::dictEntry(DbusValue key, DbusValue value)
{
    return DbusValue(Data(DictEntry { { std::move(key), std::move(value) } }));
}

DbusValue DbusValue::vardict(const DbusVardict& entries)
{
    std::vector<DbusValue> items;
    items.reserve(entries.size());
    for (const auto& [key, value] : entries)
        items.push_back(dictEntry(key, variant(value)));
    return array("{sv}", std::move(items));
}

DbusValue DbusValue::dictionary(
    const std::string& keySignature, const std::string& valueSignature, std::vector<DbusValue> keysAndValues)
{
    std::vector<DbusValue> items;
    for (size_t i = 0; i + 1 < keysAndValues.size(); i += 2)
        items.push_back(dictEntry(std::move(keysAndValues[i]), std::move(keysAndValues[i + 1])));
    return array("{" + keySignature + valueSignature + "}", std::move(items));
}

namespace {

template <class... F> struct Overloaded : F... {
    using F::operator()...;
};

std::string joinedSignatures(const std::vector<DbusValue>& values)
{
    std::string out;
    for (const auto& value : values)
        out += value.signature();
    return out;
}

std::string joinedTexts(const std::vector<DbusValue>& values, const char* separator)
{
    std::string out;
    for (const auto& value : values)
        out += (out.empty() ? "" : separator) + value.text();
    return out;
}

} // namespace

std::string DbusValue::signature() const
{
    return std::visit(Overloaded {
                          [](bool) -> std::string { return "b"; },
                          [](uint8_t) -> std::string { return "y"; },
                          [](int16_t) -> std::string { return "n"; },
                          [](uint16_t) -> std::string { return "q"; },
                          [](int32_t) -> std::string { return "i"; },
                          [](uint32_t) -> std::string { return "u"; },
                          [](int64_t) -> std::string { return "x"; },
                          [](uint64_t) -> std::string { return "t"; },
                          [](double) -> std::string { return "d"; },
                          [](const std::string&) -> std::string { return "s"; },
                          [](const DbusObjectPath&) -> std::string { return "o"; },
                          [](const DbusSignature&) -> std::string { return "g"; },
                          [](const DbusFd&) -> std::string { return "h"; },
                          [](const Array& a) { return "a" + a.elementSignature; },
                          [](const Struct& s) { return "(" + joinedSignatures(s.fields) + ")"; },
                          [](const DictEntry& e) { return "{" + joinedSignatures(e.keyAndValue) + "}"; },
                          [](const Variant&) -> std::string { return "v"; },
                      },
        m_data);
}

const DbusValue& DbusValue::unwrapped() const
{
    const DbusValue* value = this;
    while (const auto* variant = std::get_if<Variant>(&value->m_data)) {
        if (!variant->inner)
            break;
        value = variant->inner.get();
    }
    return *value;
}

const std::vector<DbusValue>* DbusValue::items() const
{
    const auto* array = get<Array>();
    return array ? &array->items : nullptr;
}

const std::vector<DbusValue>* DbusValue::fields() const
{
    const auto* structure = get<Struct>();
    return structure ? &structure->fields : nullptr;
}

std::optional<DbusVardict> DbusValue::vardict() const
{
    const auto* array = get<Array>();
    if (!array || !array->elementSignature.starts_with("{s"))
        return std::nullopt;
    DbusVardict out;
    for (const auto& item : array->items) {
        const auto* entry = std::get_if<DictEntry>(&item.m_data);
        if (!entry || entry->keyAndValue.size() != 2)
            return std::nullopt;
        const auto* key = std::get_if<std::string>(&entry->keyAndValue[0].m_data);
        if (!key)
            return std::nullopt;
        out[*key] = entry->keyAndValue[1].unwrapped();
    }
    return out;
}

std::string DbusValue::text() const
{
    return std::visit(Overloaded {
                          [](bool b) -> std::string { return b ? "true" : "false"; },
                          [](uint8_t v) { return std::to_string(v); },
                          [](int16_t v) { return std::to_string(v); },
                          [](uint16_t v) { return std::to_string(v); },
                          [](int32_t v) { return std::to_string(v); },
                          [](uint32_t v) { return std::to_string(v); },
                          [](int64_t v) { return std::to_string(v); },
                          [](uint64_t v) { return std::to_string(v); },
                          [](double v) { return std::to_string(v); },
                          [](const std::string& s) { return "'" + s + "'"; },
                          [](const DbusObjectPath& p) { return p.path; },
                          [](const DbusSignature& g) { return "<" + g.text + ">"; },
                          [](const DbusFd& fd) { return "fd " + std::to_string(fd.get()); },
                          [](const Array& a) {
                              if (a.elementSignature.starts_with("{"))
                                  return "{" + joinedTexts(a.items, ", ") + "}";
                              return "[" + joinedTexts(a.items, ", ") + "]";
                          },
                          [](const Struct& s) { return "(" + joinedTexts(s.fields, ", ") + ")"; },
                          [](const DictEntry& e) { return joinedTexts(e.keyAndValue, ": "); },
                          [](const Variant& v) { return v.inner ? v.inner->text() : std::string("<>"); },
                      },
        m_data);
}

} // namespace clickwisp
