#pragma once

// Conversions at the edge of the Windows API, whose text is UTF-16; the
// engine's text is UTF-8.
#include <cstdint>
#include <string>
#include <string_view>

namespace clickwisp {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The system's message for an error code of GetLastError, without the
// trailing line break, followed by the code: "Access is denied. (error 5)".
std::string SystemErrorText(uint32_t code);

} // namespace clickwisp
