#pragma once

#include <windows.h>

namespace clickwisp {

class TConfig;

// The modal options dialog "Config Options" over owner: the recorder
// options, the four hot keys and the playback (repeat) options of config.
// It edits config in memory only: OK stores the controls into it and
// returns true; Cancel or closing stores nothing and returns false.
bool ShowOptionsDialog(HWND owner, TConfig& config);

} // namespace clickwisp
