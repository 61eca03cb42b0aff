#pragma once

#include <string_view>

namespace clickwisp {

// Written into the `generated` attribute of list files and config.xml;
// informative only, never read back.
inline constexpr std::string_view kProductWebAddress = "https://clickwisp.example/";

} // namespace clickwisp
