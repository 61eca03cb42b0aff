#pragma once

#include <X11/Xlib.h>

#include <chrono>

namespace clickwisp {

// Asks the program whose window has the keyboard focus to answer a
// _NET_WM_PING (EWMH). A program handles its events in order, so its answer
// means it has handled every key event sent before the ping, and has read
// the keyboard mapping those keys needed. False when the focus window does
// not take part (no _NET_WM_PING in WM_PROTOCOLS) or does not answer within
// timeout. Uses the connection's event queue and empties it.
bool pingFocusedClient(Display* display, std::chrono::milliseconds timeout);

} // namespace clickwisp
