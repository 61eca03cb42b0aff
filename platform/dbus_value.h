#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace clickwisp {

// A D-Bus object path ("/org/freedesktop/portal/desktop").
struct DbusObjectPath {
    std::string path;
    friend bool operator==(const DbusObjectPath&, const DbusObjectPath&) = default;
};

// A D-Bus type signature ("a{sv}").
struct DbusSignature {
    std::string text;
    friend bool operator==(const DbusSignature&, const DbusSignature&) = default;
};

// A Unix file descriptor carried by a message. Owned: closed when the last
// copy goes. Copies share the descriptor.
class DbusFd {
public:
    DbusFd() = default;
    // Takes ownership of fd (-1: none).
    explicit DbusFd(int fd);
    int get() const { return m_fd ? *m_fd : -1; }
    // A new descriptor for the same file (close-on-exec) that the caller
    // owns; -1 when there is none or it cannot be duplicated.
    int duplicate() const;
    friend bool operator==(const DbusFd& a, const DbusFd& b) { return a.m_fd == b.m_fd; }

private:
    std::shared_ptr<const int> m_fd;
};

class DbusValue;
// A dictionary of named variants (D-Bus "a{sv}"), the options and results
// of most desktop interfaces. The values are the variants' contents.
using DbusVardict = std::map<std::string, DbusValue>;

// One D-Bus value of any type: a basic value, an array, a structure, a
// dictionary entry or a variant. Values know their own signature, so method
// arguments are built as values and replies read as values.
class DbusValue {
public:
    struct Array {
        std::string elementSignature; // needed for an empty array
        std::vector<DbusValue> items;
        friend bool operator==(const Array&, const Array&) = default;
    };
    struct Struct {
        std::vector<DbusValue> fields;
        friend bool operator==(const Struct&, const Struct&) = default;
    };
    struct DictEntry {
        std::vector<DbusValue> keyAndValue; // two values
        friend bool operator==(const DictEntry&, const DictEntry&) = default;
    };
    struct Variant {
        std::shared_ptr<const DbusValue> inner;
        friend bool operator==(const Variant& a, const Variant& b);
    };
    using Data = std::variant<bool, uint8_t, int16_t, uint16_t, int32_t, uint32_t, int64_t, uint64_t, double,
        std::string, DbusObjectPath, DbusSignature, DbusFd, Array, Struct, DictEntry, Variant>;

    DbusValue()
        : m_data(std::string())
    {
    }
    DbusValue(bool value)
        : m_data(value)
    {
    }
    DbusValue(uint8_t value)
        : m_data(value)
    {
    }
    DbusValue(int16_t value)
        : m_data(value)
    {
    }
    DbusValue(uint16_t value)
        : m_data(value)
    {
    }
    DbusValue(int32_t value)
        : m_data(value)
    {
    }
    DbusValue(uint32_t value)
        : m_data(value)
    {
    }
    DbusValue(int64_t value)
        : m_data(value)
    {
    }
    DbusValue(uint64_t value)
        : m_data(value)
    {
    }
    DbusValue(double value)
        : m_data(value)
    {
    }
    DbusValue(std::string value)
        : m_data(std::move(value))
    {
    }
    DbusValue(const char* value)
        : m_data(std::string(value))
    {
    }
    DbusValue(DbusObjectPath value)
        : m_data(std::move(value))
    {
    }
    DbusValue(DbusSignature value)
        : m_data(std::move(value))
    {
    }
    DbusValue(DbusFd value)
        : m_data(std::move(value))
    {
    }

    // An array of items, each of elementSignature.
    static DbusValue array(std::string elementSignature, std::vector<DbusValue> items = {});
    static DbusValue structure(std::vector<DbusValue> fields);
    // A variant holding inner.
    static DbusValue variant(DbusValue inner);
    // One entry of a dictionary ("{sv}" and the like).
    static DbusValue dictEntry(DbusValue key, DbusValue value);
    // "a{sv}": each value wrapped in a variant.
    static DbusValue vardict(const DbusVardict& entries);
    // "a{ss}" and other dictionaries: entries of key and value signatures.
    static DbusValue dictionary(
        const std::string& keySignature, const std::string& valueSignature, std::vector<DbusValue> keysAndValues);

    // The value's D-Bus signature ("s", "a{sv}", "(ii)").
    std::string signature() const;

    const Data& data() const { return m_data; }
    // The value itself, or for a variant (of variants) the value inside.
    const DbusValue& unwrapped() const;
    // The value (after unwrapping variants) as T, or null when it is another type.
    template <class T> const T* get() const { return std::get_if<T>(&unwrapped().m_data); }
    // The items of an array, the fields of a structure; null for other values.
    const std::vector<DbusValue>* items() const;
    const std::vector<DbusValue>* fields() const;
    // The value as an "a{sv}" (any a{s...} dictionary, values unwrapped).
    std::optional<DbusVardict> vardict() const;

    // A readable form for messages and tests: 'text', 42, [1, 2], (1, 'a'), {'k': 1}.
    std::string text() const;

    friend bool operator==(const DbusValue& a, const DbusValue& b) { return a.m_data == b.m_data; }

private:
    explicit DbusValue(Data data)
        : m_data(std::move(data))
    {
    }
    Data m_data;
};

// The value of key in dictionary as T (variants unwrapped), or null.
template <class T> const T* vardictGet(const DbusVardict& dictionary, const std::string& key)
{
    const auto it = dictionary.find(key);
    return it == dictionary.end() ? nullptr : it->second.get<T>();
}

} // namespace clickwisp
