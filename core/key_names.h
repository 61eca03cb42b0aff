#pragma once

#include <cstdint>
#include <string>

namespace clickwisp {

// The display name of a virtual-key code ("[Enter]", "A", "Num[1]", "F10"),
// or an empty text for a code without a name.
std::string KeyName(int code);

// "ALT+F3", "CTRL+F13": a hot-key combination (modifier set, virtual-key
// code) as the user reads it.
std::string HotKeyText(uint32_t modifiers, uint32_t vk);

} // namespace clickwisp
