#pragma once

#include "platform/keymap_keys.h"

#include <string>
#include <vector>

namespace clickwisp {

// How a text is typed on a keyboard layout: the strokes of the characters
// its keys have, in order (CR LF is one Return), and the characters no key
// types, which are left out: never another character in their place.
struct TextPlan {
    std::vector<KeyStroke> strokes;
    std::u32string untyped;
};
TextPlan PlanText(const std::u32string& text, const KeymapKeys& keys);

} // namespace clickwisp
