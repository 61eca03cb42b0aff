#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace clickwisp::test {

// KWin's own picture of the whole workspace (ScreenShot2's CaptureWorkspace
// at one pixel per logical unit), read here without the backend's code, as
// an independent witness of what the screen shows.
struct WorkspaceShot {
    int width = 0, height = 0;
    std::string rgb; // red, green, blue per pixel, rows top first

    // 0xRRGGBB of the pixel at (x, y).
    uint32_t at(int x, int y) const;
};
std::optional<WorkspaceShot> shootWorkspace(std::string* error = nullptr);

} // namespace clickwisp::test
