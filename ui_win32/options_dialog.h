#pragma once

#include <windows.h>

namespace clickwisp {

class TConfig;

// The identifiers of the dialog's controls (their designer names in the
// comments), by which tests find them. OK and Cancel are IDOK and IDCANCEL.
namespace options_control {
inline constexpr int kRecordMoves = 1400; // cbMouseMove
inline constexpr int kRecordKeys = 1401; // cbKeyboard
inline constexpr int kHotKeys = 1410; // + 0..3: cbShadeStart, cbShadeStop, cbRunningStart, cbRunningStop
inline constexpr int kRepeatModes = 1420; // + 0..2: rb1, rb2, rb3
inline constexpr int kTimes = 1430; // edRepTime
inline constexpr int kTimesArrows = 1431; // udrepeat
inline constexpr int kInterval = 1440; // + 0..3: edIntHour, edIntMinute, edIntSecond, edIntTen
inline constexpr int kIntervalArrows = 1450; // + 0..3: UpDown2 ... UpDown5
inline constexpr int kSpeedSlider = 1460; // TrackBar1
} // namespace options_control

// The modal options dialog "Config Options" over owner: the recorder
// options, the four hot keys and the playback (repeat) options of config.
// It edits config in memory only: OK stores the controls into it and
// returns true; Cancel or closing stores nothing and returns false.
bool ShowOptionsDialog(HWND owner, TConfig& config);

} // namespace clickwisp
