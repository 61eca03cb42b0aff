#include "app/number_field.h"

#include "core/number_text.h"

#include <algorithm>
#include <cctype>

namespace clickwisp {

std::string SteppedText(std::string_view text, int steps, NumberRange range)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    const auto current = ParseInt32(text);
    const int64_t next = current ? int64_t(*current) + int64_t(steps) * range.step : range.minimum;
    return FormatInt(std::clamp<int64_t>(next, range.minimum, range.maximum));
}

} // namespace clickwisp
