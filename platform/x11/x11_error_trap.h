#pragma once

#include <X11/Xlib.h>

namespace clickwisp {

// Catches the X errors of one connection while it lives, so a failed request
// (a key another program has grabbed) becomes a value instead of Xlib's
// default handler ending the process. Errors of other connections go on to
// the handler that was installed before.
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server to process every request sent so far and returns
    // the code of the first error caught since the last call (0: none).
    int sync();

private:
    Display* m_display;
};

} // namespace clickwisp
