#pragma once

#include "core/error.h"
#include "platform/portal/portal_streams.h"
#include "platform/screen_source.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace clickwisp {

class DbusConnection;
class KeymapKeys;
class PipewireFrames;
class PortalSession;
class SessionLayout;

// How long the desktop's consent dialog is waited for before giving up.
inline constexpr std::chrono::milliseconds kPortalConsentTimeout { 120000 };

struct PortalSessionOptions {
    // A remote desktop (keyboard and pointer) with every monitor shared; or
    // the monitors alone (a screen cast), which asks for less.
    bool input = true;
    // Where the grant that spares the next dialog is kept (restore token);
    // empty: not kept.
    std::filesystem::path restoreTokenFile;
    std::chrono::milliseconds consentTimeout = kPortalConsentTimeout;
    // The Wayland display whose keyboard layout keys are typed on (empty:
    // $WAYLAND_DISPLAY).
    std::string waylandDisplay;
};

// One session of the desktop portal: a RemoteDesktop session with every
// monitor attached as a ScreenCast source, so one consent covers input and
// capture (or a ScreenCast session alone). Input goes through the portal's
// Notify* calls, keys by key code on the session's own keyboard layout;
// captures come from the PipeWire streams of the monitors, kept open. Safe
// to use from several threads (one call at a time).
class PortalDesktopSession {
public:
    // Opens the session; the desktop may show its consent dialog, which is
    // waited for up to options.consentTimeout. Fails with a message a user
    // can act on: no portal, the dialog refused or unanswered.
    static Result<std::unique_ptr<PortalDesktopSession>> open(const PortalSessionOptions& options);
    ~PortalDesktopSession();
    PortalDesktopSession(const PortalDesktopSession&) = delete;
    PortalDesktopSession& operator=(const PortalDesktopSession&) = delete;

    // The portal interface's version (RemoteDesktop, or ScreenCast alone).
    uint32_t version() const { return m_version; }
    bool hasInput() const { return m_input; }
    // Whether the grant is kept, so the next session asks no question.
    bool grantKept() const { return m_grantKept; }
    // Whether the desktop has ended the session (the user stopped sharing).
    bool closed();
    const std::vector<PortalStream>& streams() const { return m_streams; }

    // Input; each waits for the portal's reply, so events stay in order.
    void moveTo(int32_t x, int32_t y);
    void button(uint32_t evdevButton, bool down);
    // Wheel steps: positive turns toward the user (scrolls down).
    void wheel(int32_t steps);
    void key(uint32_t evdevCode, bool down);
    void keysym(uint32_t keysym, bool down);
    // The keys of the session's layout, brought up to date; null when the
    // layout cannot be read (no Wayland display).
    const KeymapKeys* keys();
    // Modifier keys our input holds down now (evdev codes).
    std::vector<uint32_t> heldModifiers();

    // Copies the layout's rectangle (left, top, target's size) from the
    // monitors' latest frames. False when no frame can be had.
    bool capture(int32_t left, int32_t top, const PixelView& target);

private:
    PortalDesktopSession() = default;
    Result<void> start(const PortalSessionOptions& options);
    void notify(const char* method, std::vector<DbusValue> arguments);
    void warmUp();

    std::mutex m_mutex;
    std::unique_ptr<DbusConnection> m_bus;
    std::unique_ptr<PortalSession> m_session;
    std::unique_ptr<SessionLayout> m_layout;
    std::unique_ptr<PipewireFrames> m_frames;
    std::vector<PortalStream> m_streams;
    std::set<uint32_t> m_held; // evdev codes our key calls hold down
    std::chrono::steady_clock::time_point m_lastInput;
    std::string m_waylandDisplay;
    uint32_t m_version = 0;
    bool m_input = true;
    bool m_grantKept = false;
};

} // namespace clickwisp
