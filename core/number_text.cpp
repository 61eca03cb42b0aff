#include "core/number_text.h"

#include <charconv>
#include <limits>

namespace clickwisp {

std::optional<int32_t> ParseInt32(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    if (text.front() == '$') {
        std::string_view digits = text.substr(1);
        if (digits.empty() || digits.size() > 8)
            return std::nullopt;
        uint32_t value = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (ec != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return static_cast<int32_t>(value);
    }
    std::string_view digits = text;
    bool negative = false;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

std::string FormatInt(int64_t value)
{
    return std::to_string(value);
}

} // namespace clickwisp
