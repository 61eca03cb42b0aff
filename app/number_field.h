#pragma once

#include <string>
#include <string_view>

namespace clickwisp {

// What the arrows of a number field offer: they step by step and stay
// within [minimum, maximum].
struct NumberRange {
    int minimum;
    int maximum;
    int step;
};

// The text of a number field after steps presses of its arrows (negative:
// down): its number moved by steps x range.step and kept within the range.
// A text that holds no number steps from the minimum.
std::string SteppedText(std::string_view text, int steps, NumberRange range);

} // namespace clickwisp
