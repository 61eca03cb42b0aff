#pragma once

#include <QIcon>

namespace clickwisp {

// The picture of a command: the desktop theme's icon of that name when the
// theme has one, else the bundled picture (":/icons/<fallback>.png").
QIcon themedIcon(const char* themeName, const char* fallback);
// The program's own icon in every bundled size.
QIcon programIcon();

} // namespace clickwisp
