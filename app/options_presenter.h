#pragma once

#include "app/number_field.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace clickwisp {

class TConfig;

// The options dialog without a toolkit: the recorder options, the four hot
// keys and the playback (repeat) options as the controls hold them, and the
// conversions from and to the configuration.
struct OptionsFields {
    bool recordMoves = false;
    bool recordKeys = false;
    // Record start, record stop, run start, run stop: an index into
    // FunctionKeyNames(), -1 for a stored number off that list.
    std::array<int, 4> hotKeys {};
    int repeatMode = -1; // 0 once, 1 a number of times, 2 until stopped; -1 none of them
    int32_t times = 0;
    int32_t speed = 0; // a step of kSpeed: -9 (1/10) through 0 (normal) to 9 (10 times)
    std::array<int32_t, 4> interval {}; // hours, minutes, seconds, tenths of a second
};

inline constexpr NumberRange kRepeatTimes { 0, 10000, 10 };
inline constexpr std::array<NumberRange, 4> kIntervalParts { { { 0, 23, 1 }, { 0, 59, 1 }, { 0, 59, 1 },
    { 0, 9, 1 } } };
inline constexpr NumberRange kSpeed { -9, 9, 1 };

// "F1" to "F12"; an entry's index is the stored hot-key number.
const std::vector<std::string>& FunctionKeyNames();

// Where the options dialog is shown: on a Wayland session the program cannot
// hold global hot keys itself, and unless the compositor binds them for it
// (sway), the user binds them in the compositor's own settings.
struct OptionsContext {
    bool waylandSession = false;
    bool compositorBindsKeys = false;
};

// A key to bind in the compositor's settings, and the command it runs.
struct ManualKeyBinding {
    std::string keys; // "ALT+F2"
    std::string command; // "clickwisp-cli remote start-record"
};
// The four hot keys of fields as bindings to make by hand; none where the
// program or the compositor binds them. A key off the list shows as "?".
std::vector<ManualKeyBinding> ManualKeyBindings(const OptionsFields& fields, const OptionsContext& context);

// The fields showing config. A repeat value other than 0, 1 or 2 chooses no
// mode; the interval is split into parts, its hundredths and thousandths
// dropped.
OptionsFields OptionsFromConfig(const TConfig& config);
// Stores the fields into config (in memory). A hot key of -1 keeps the stored
// number; no repeat mode is stored as 2.
void StoreOptions(const OptionsFields& fields, TConfig& config);

} // namespace clickwisp
