#include "platform/x11/x11_display.h"

#include <X11/extensions/XTest.h>

#include <cstdlib>

namespace clickwisp {

namespace {

std::string displayLabel(const std::string& name)
{
    if (!name.empty())
        return "'" + name + "'";
    const char* env = std::getenv("DISPLAY");
    return env && *env ? "'" + std::string(env) + "'" : "(DISPLAY is not set)";
}

} // namespace

Result<X11DisplayPtr> openXTestDisplay(const std::string& display, const char* purpose)
{
    X11DisplayPtr connection(XOpenDisplay(display.empty() ? nullptr : display.c_str()));
    if (!connection)
        return fail(std::string(purpose) + ": cannot open X display " + displayLabel(display));
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(connection.get(), &eventBase, &errorBase, &major, &minor))
        return fail(std::string(purpose) + ": X display " + displayLabel(display)
            + " has no XTEST extension, which synthesised input needs");
    return connection;
}

} // namespace clickwisp
