#pragma once

#include <string>

namespace clickwisp {

// Delivers typed characters to the window that has the keyboard focus.
// Called from the playback worker thread only.
class TextTarget {
public:
    virtual ~TextTarget() = default;

    // True when some window has the keyboard focus (X11's PointerRoot counts).
    virtual bool focusWindowExists() = 0;
    // Delivers one Unicode character to the focus window, in call order.
    virtual void sendChar(char32_t ch) = 0;
    // Delivers one Enter key press after the text; also flushes anything pending.
    virtual void sendEnter() = 0;
    // The characters of the text the last sendEnter ended that could not be
    // typed (the keyboard layout has no key for them and the desktop no other
    // way), in text order; they were left out, and nothing else was typed in
    // their place. Empty where every character can be typed.
    virtual std::u32string untypedCharacters() const { return {}; }
};

} // namespace clickwisp
