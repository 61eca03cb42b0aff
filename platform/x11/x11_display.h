#pragma once

#include "core/error.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace clickwisp {

struct X11DisplayCloser {
    void operator()(Display* display) const
    {
        if (display)
            XCloseDisplay(display);
    }
};
using X11DisplayPtr = std::unique_ptr<Display, X11DisplayCloser>;

// Opens a connection to display (empty: $DISPLAY) that has the XTEST
// extension. The error names the display and what is missing.
Result<X11DisplayPtr> openXTestDisplay(const std::string& display, const char* purpose);

} // namespace clickwisp
