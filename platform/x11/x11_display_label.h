#pragma once

#include <cstdlib>
#include <string>

namespace clickwisp {

// How an error names a display: the given name, else $DISPLAY, quoted.
inline std::string x11DisplayLabel(const std::string& name)
{
    if (!name.empty())
        return "'" + name + "'";
    const char* env = std::getenv("DISPLAY");
    return env && *env ? "'" + std::string(env) + "'" : "(DISPLAY is not set)";
}

} // namespace clickwisp
