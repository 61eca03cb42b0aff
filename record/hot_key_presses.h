#pragma once

#include "record/recorder.h"

#include <cstdint>

namespace clickwisp {

// Cuts the key presses of a hot key that stopped the recording from its end:
// the last key-down of vk and everything after it (its own release, the
// modifier's release), and the modifier's key-downs just before it, skipping
// pointer moves, which stay. A recording without that key-down is unchanged.
void DropHotKeyPresses(TEventList& events, uint32_t modifiers, uint32_t vk);

} // namespace clickwisp
