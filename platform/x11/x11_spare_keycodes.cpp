#include "platform/x11/x11_spare_keycodes.h"

#include "platform/x11/x11_platform.h"

#include <algorithm>
#include <map>
#include <string>

namespace clickwisp {

namespace {

std::mutex g_mutex;
std::map<std::pair<std::string, KeyCode>, SpareOriginal> g_claimed;
bool g_restored = false; // restoreX11SpareKeycodes ran: nothing more is bound

// Gives the claimed keycodes of one server their first mapping, in one request.
void restoreOn(const std::string& name, const std::vector<std::pair<KeyCode, const SpareOriginal*>>& codes)
{
    Display* display = XOpenDisplay(name.c_str());
    if (!display)
        return;
    XkbDescPtr desc
        = codes.front().second->xkb ? XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd) : nullptr;
    if (desc) {
        for (const auto& [code, original] : codes)
            applySpareOriginal(desc, code, *original);
        desc->device_spec = XkbUseCoreKbd;
        XkbMapChangesRec changes {};
        changes.changed = XkbKeySymsMask;
        changes.first_key_sym = codes.front().first;
        changes.num_key_syms = uint8_t(codes.back().first - codes.front().first + 1);
        XkbChangeMap(display, desc, &changes);
        XkbFreeKeyboard(desc, 0, True);
    } else {
        for (const auto& entry : codes) {
            KeySym none[2] = { NoSymbol, NoSymbol };
            XChangeKeyboardMapping(display, entry.first, 2, none, 1);
        }
    }
    XSync(display, False);
    XCloseDisplay(display);
}

} // namespace

bool claimSpareKeycode(Display* display, KeyCode code, SpareOriginal original)
{
    std::lock_guard lock(g_mutex);
    return g_claimed.try_emplace({ DisplayString(display), code }, std::move(original)).second;
}

void releaseSpareKeycode(Display* display, KeyCode code)
{
    std::lock_guard lock(g_mutex);
    g_claimed.erase({ DisplayString(display), code });
}

SpareKeycodeWrite::SpareKeycodeWrite()
    : m_lock(g_mutex)
    , m_allowed(!g_restored)
{
}

const SpareOriginal& SpareKeycodeWrite::original(Display* display, KeyCode code) const
{
    static const SpareOriginal none;
    auto it = g_claimed.find({ DisplayString(display), code });
    return it != g_claimed.end() ? it->second : none;
}

void applySpareOriginal(XkbDescPtr desc, KeyCode code, const SpareOriginal& original)
{
    // Resized first: the entry must match the room it has until then.
    KeySym* syms = XkbResizeKeySyms(desc, code, int(original.syms.size()));
    std::copy(original.syms.begin(), original.syms.end(), syms);
    XkbSymMapRec& entry = desc->map->key_sym_map[code];
    std::copy_n(original.entry.kt_index, XkbNumKbdGroups, entry.kt_index);
    entry.group_info = original.entry.group_info;
    entry.width = original.entry.width;
}

void restoreX11SpareKeycodes()
{
    std::lock_guard lock(g_mutex);
    g_restored = true;
    std::map<std::string, std::vector<std::pair<KeyCode, const SpareOriginal*>>> byServer;
    for (const auto& [key, original] : g_claimed)
        byServer[key.first].push_back({ key.second, &original });
    for (const auto& [name, codes] : byServer)
        restoreOn(name, codes); // in keycode order: the map's order
}

} // namespace clickwisp
