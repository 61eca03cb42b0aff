#pragma once

#include "core/error.h"
#include "core/key_names.h"
#include "core/win_codes.h"
#include "platform/hot_key_source.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace clickwisp {

// The configured hot-key numbers, 0 to 11 for F1 to F12; other values are
// registered as VK_F1 + number and ignored when they arrive.
struct HotKeyNumbers {
    int shadeStart = 1; // ALT: toggle recording
    int shadeStop = 2; // ALT: toggle recording
    int runningStart = 1; // CTRL: start playback
    int runningStop = 2; // CTRL: stop playback
};

// Where a command came from: a hot key's key code matters for recording
// (its own key presses are not stored) and for playback (the run waits for
// the user to let go of it).
struct HotKeyOrigin {
    uint32_t modifiers = 0;
    uint32_t vk = 0;
};

// What a hot key asks the program to do.
enum class HotKeyCommand { Nothing, ToggleRecording, Run, Stop };

// The four global hot keys of the program, registered with a platform source
// under the identifiers of the names "WispShadepathStart",
// "WispShadepathStop", "WispRunningStart" and "WispRunningStop", in that order.
class HotKeys {
public:
    explicit HotKeys(HotKeySource& source);
    ~HotKeys();
    HotKeys(const HotKeys&) = delete;
    HotKeys& operator=(const HotKeys&) = delete;

    // Unregisters the current keys, then registers all four with the given
    // numbers. Every combination is tried; the error names each one that
    // could not be registered. A combination already taken by an earlier row
    // (start and stop with the same number) is not registered twice: the key
    // still arrives through the first.
    Result<void> RegisterHotKeys(const HotKeyNumbers& numbers);
    // Releases every registered key; the identifiers list becomes empty.
    void UnregisterHotKeys();
    // Decimal texts of the identifiers of the last registration, in order.
    const std::vector<std::string>& HotKeyIds() const { return m_ids; }

private:
    HotKeySource& m_source;
    std::vector<std::string> m_ids;
};

// The four keys as the user reads them ("ALT+F2", "ALT+F3", "CTRL+F2",
// "CTRL+F3"), in registration order.
std::array<std::string, 4> HotKeyTexts(const HotKeyNumbers& numbers);

// The stop-recording key for a configured number (ALT + F1 + number).
HotKeyOrigin StopRecordingKey(int number);
// Registers only the stop-recording key, under the identifier the four keys
// use for it, for a recorder that has no use for the other three.
Result<void> RegisterStopRecordingKey(HotKeySource& source, int number);

// The identifier for a name: the same name gives the same identifier for the
// life of the program, distinct names distinct identifiers (0xC000 upward).
int GlobalAddAtom(const std::string& name);

// Maps a hot key that arrived (modifier set, virtual-key code) to its command,
// with the numbers configured at the moment of the key press. For playback the
// stop key is tested before the start key; both recording keys toggle.
HotKeyCommand WMHotKey(uint32_t modifiers, uint32_t vk, const HotKeyNumbers& numbers);

// Longest wait for the user to let go of a hot key before playback starts.
inline constexpr std::chrono::milliseconds kHotKeyReleaseLimit { 2000 };

// Blocks until the hot key's modifier and key are released, at most
// kHotKeyReleaseLimit, so played input never combines with the keys the user
// still holds. Call it on the playback worker before its first action when
// the run came from a hot key. False when the keys were still held.
bool WaitForHotKeyRelease(HotKeySource& source, uint32_t modifiers, uint32_t vk);

} // namespace clickwisp
