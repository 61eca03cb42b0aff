#pragma once

#include "core/error.h"
#include "platform/portal/portal_streams.h"
#include "platform/screen_source.h"

#include <chrono>
#include <memory>
#include <vector>

struct pw_thread_loop;
struct pw_context;
struct pw_core;

namespace clickwisp {

// The latest frame of each monitor's screen-cast stream, kept by a PipeWire
// thread of its own while the streams are open: the compositor sends a
// frame when the screen changes, and the newest one is held (not copied)
// until a capture copies it. One capture at a time.
class PipewireFrames {
public:
    // Connects to the PipeWire remote fd (owned from here) that the portal
    // opened for the session, and to each stream's node.
    static Result<std::unique_ptr<PipewireFrames>> open(int fd, const std::vector<PortalStream>& streams);
    ~PipewireFrames();
    PipewireFrames(const PipewireFrames&) = delete;
    PipewireFrames& operator=(const PipewireFrames&) = delete;

    // Waits until each stream has a frame that came after since, at most
    // timeout. True when every stream has a frame, however old.
    bool waitForFrames(std::chrono::steady_clock::time_point since, std::chrono::milliseconds timeout);
    // Copies the layout's rectangle (left, top, target's size) as 24-bit
    // pixels, one per logical unit (a scaled monitor is read at the nearest
    // pixel); black where no monitor is. False when a stream has no frame.
    bool copy(int32_t left, int32_t top, const PixelView& target);

    struct Stream; // one stream's state, shared with the PipeWire thread
    // The thread loop the streams' events run on.
    pw_thread_loop* loop() const;

private:
    PipewireFrames() = default;

    pw_thread_loop* m_loop = nullptr;
    pw_context* m_context = nullptr;
    pw_core* m_core = nullptr;
    std::vector<std::unique_ptr<Stream>> m_streams;
};

} // namespace clickwisp
