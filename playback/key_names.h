#pragma once

#include <string>

namespace clickwisp {

// The display name of a virtual-key code ("[Enter]", "A", "Num[1]", "F10"),
// or an empty text for a code without a name.
std::string KeyName(int code);

} // namespace clickwisp
