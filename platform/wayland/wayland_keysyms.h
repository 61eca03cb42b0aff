#pragma once

#include <cstdint>

namespace clickwisp {

// The keysym that types ch: Return for CR and LF, Tab, BackSpace, Escape,
// Delete for their control characters, the character's own keysym for the
// rest; 0 for other control characters and for values that are no character.
uint32_t keysymForCharacter(char32_t ch);

} // namespace clickwisp
