// Records the desktop's pointer and keyboard through the RECORD extension.
// The data connection blocks in XRecordEnableContext on a thread of its own;
// the control connection creates, disables and frees the context. RECORD sees
// device events before any grab or focus decides where they go, so input of
// every client, XTest's synthesised input included, is recorded.
#include "platform/x11/x11_display_label.h"
#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_keymap.h"
#include "platform/x11/x11_platform.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>

#include <array>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace clickwisp {

namespace {

constexpr uint8_t kVkAlt = 0x12;

class X11Recorder : public InputRecorder {
public:
    X11Recorder(std::string name, Display* control)
        : m_name(std::move(name))
        , m_control(control)
    {
    }
    ~X11Recorder() override
    {
        stop();
        XCloseDisplay(m_control);
    }

    Result<void> start(Sink sink) override;
    void stop() override;

private:
    enum class Phase { Starting, Running, Failed };

    static void onIntercept(XPointer closure, XRecordInterceptData* data);
    void translate(const xEvent& event);
    void loadKeyTable();
    void setPhase(Phase phase);

    std::string m_name;
    Display* m_control;
    Display* m_data = nullptr;
    XRecordContext m_context = 0;
    std::thread m_thread;
    Sink m_sink;

    // Used by the recording thread only, built before it starts.
    std::array<uint8_t, 256> m_vkForKeycode {};
    std::bitset<256> m_altHeld;

    std::mutex m_phaseMutex;
    std::condition_variable m_phaseChanged;
    Phase m_phase = Phase::Starting;
};

void X11Recorder::loadKeyTable()
{
    int minKeycode = 8, maxKeycode = 255;
    XDisplayKeycodes(m_control, &minKeycode, &maxKeycode);
    m_vkForKeycode.fill(0);
    for (int keycode = minKeycode; keycode <= maxKeycode && keycode < 256; ++keycode) {
        // The unshifted symbol names the key, whatever modifiers are held.
        KeySym keysym = XkbKeycodeToKeysym(m_control, KeyCode(keycode), 0, 0);
        m_vkForKeycode[size_t(keycode)] = keysym == NoSymbol ? 0 : virtualKeyForKeysym(keysym);
    }
}

Result<void> X11Recorder::start(Sink sink)
{
    stop();
    loadKeyTable();
    m_altHeld.reset();
    m_sink = std::move(sink);

    m_data = XOpenDisplay(m_name.empty() ? nullptr : m_name.c_str());
    if (!m_data)
        return fail("cannot open display " + x11DisplayLabel(m_name) + " for recording");

    XRecordRange* range = XRecordAllocRange();
    if (!range)
        return fail("out of memory starting the recorder");
    range->device_events.first = KeyPress;
    range->device_events.last = MotionNotify;
    XRecordClientSpec clients = XRecordAllClients;
    {
        X11ErrorTrap trap(m_control);
        m_context = XRecordCreateContext(m_control, 0, &clients, 1, &range, 1);
        if (int error = trap.sync(); error != 0 || m_context == 0) {
            XFree(range);
            XCloseDisplay(m_data);
            m_data = nullptr;
            m_context = 0;
            return fail("the X server " + x11DisplayLabel(m_name) + " refused a RECORD context (error "
                + std::to_string(error) + ")");
        }
    }
    XFree(range);

    m_phase = Phase::Starting;
    m_thread = std::thread([this] {
        if (!XRecordEnableContext(m_data, m_context, onIntercept, reinterpret_cast<XPointer>(this)))
            setPhase(Phase::Failed);
    });
    // Recording has begun once the server sends its start-of-data reply;
    // input that comes after start() returns is therefore never missed.
    std::unique_lock lock(m_phaseMutex);
    const bool settled
        = m_phaseChanged.wait_for(lock, std::chrono::seconds(10), [this] { return m_phase != Phase::Starting; });
    const bool running = settled && m_phase == Phase::Running;
    lock.unlock();
    if (!running) {
        stop();
        return fail("the X server " + x11DisplayLabel(m_name) + " did not start recording");
    }
    return {};
}

void X11Recorder::stop()
{
    // A context that never got enabled cannot be disabled; its error must
    // not reach Xlib's default handler, which would end the program.
    X11ErrorTrap trap(m_control);
    if (m_context) {
        // The server sends what it has recorded so far, then end-of-data,
        // which ends XRecordEnableContext on the recording thread.
        XRecordDisableContext(m_control, m_context);
        trap.sync();
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_context) {
        XRecordFreeContext(m_control, m_context);
        trap.sync();
        m_context = 0;
    }
    if (m_data) {
        XCloseDisplay(m_data);
        m_data = nullptr;
    }
    m_sink = nullptr;
}

void X11Recorder::setPhase(Phase phase)
{
    std::lock_guard lock(m_phaseMutex);
    if (m_phase == Phase::Starting)
        m_phase = phase;
    m_phaseChanged.notify_all();
}

void X11Recorder::onIntercept(XPointer closure, XRecordInterceptData* data)
{
    auto* self = reinterpret_cast<X11Recorder*>(closure);
    if (data->category == XRecordStartOfData)
        self->setPhase(Phase::Running);
    else if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent))
        self->translate(*reinterpret_cast<const xEvent*>(data->data));
    XRecordFreeData(data);
}

void X11Recorder::translate(const xEvent& event)
{
    EVENTMSG message;
    message.time = event.u.keyButtonPointer.time;
    const uint8_t detail = event.u.u.detail;
    switch (event.u.u.type & 0x7F) {
    case KeyPress:
    case KeyRelease: {
        const uint8_t vk = m_vkForKeycode[detail];
        if (vk == 0)
            return; // a key without a virtual-key code would play back as nothing
        const bool press = (event.u.u.type & 0x7F) == KeyPress;
        if (press && vk == kVkAlt)
            m_altHeld.set(detail);
        // Like the journal hook: keys typed while ALT is held, and ALT itself,
        // are system keys.
        const bool system = m_altHeld.any();
        if (!press && vk == kVkAlt)
            m_altHeld.reset(detail);
        message.message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
        // Virtual-key code in the low byte, the scan code above it.
        message.paramL = vk | uint32_t(uint8_t(detail - 8)) << 8;
        message.paramH = 1;
        break;
    }
    case ButtonPress:
    case ButtonRelease: {
        const bool press = (event.u.u.type & 0x7F) == ButtonPress;
        switch (detail) {
        case 1: message.message = press ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case 2: message.message = press ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        case 3: message.message = press ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case 4:
        case 5:
        case 6:
        case 7:
            // One wheel step is a press and a release; the press is the turn.
            if (!press)
                return;
            message.message = WM_MOUSEWHEEL;
            break;
        default: return; // side buttons have no action to become
        }
        message.paramL = uint32_t(int32_t(event.u.keyButtonPointer.rootX));
        message.paramH = uint32_t(int32_t(event.u.keyButtonPointer.rootY));
        break;
    }
    case MotionNotify:
        message.message = WM_MOUSEMOVE;
        message.paramL = uint32_t(int32_t(event.u.keyButtonPointer.rootX));
        message.paramH = uint32_t(int32_t(event.u.keyButtonPointer.rootY));
        break;
    default: return;
    }
    m_sink(message);
}

} // namespace

Result<std::unique_ptr<InputRecorder>> makeX11Recorder(const std::string& display)
{
    Display* control = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (!control)
        return fail("cannot open display " + x11DisplayLabel(display) + ": recording needs an X display");
    int major = 0, minor = 0;
    if (!XRecordQueryVersion(control, &major, &minor)) {
        XCloseDisplay(control);
        return fail(
            "the X server " + x11DisplayLabel(display) + " has no RECORD extension, so input cannot be recorded");
    }
    return std::make_unique<X11Recorder>(display, control);
}

} // namespace clickwisp
