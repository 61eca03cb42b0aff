#include "platform/x11/x11_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace clickwisp {

namespace {

// At most this many spare keycodes per object: the rest stay free for
// other programs that do the same.
constexpr size_t kMaxSpares = 32;

// Spare keycodes claimed by any X11Keyboard of this process, so the input
// and the text connection of one run never bind the same keycode.
std::mutex g_claimMutex;
std::set<std::pair<std::string, KeyCode>> g_claimed;

bool claim(Display* display, KeyCode code)
{
    std::lock_guard lock(g_claimMutex);
    return g_claimed.emplace(DisplayString(display), code).second;
}

void unclaim(Display* display, KeyCode code)
{
    std::lock_guard lock(g_claimMutex);
    g_claimed.erase({DisplayString(display), code});
}

// The level that Shift alone selects for keys of type, or -1 when Shift
// does not change the level.
int shiftLevel(const XkbKeyTypeRec& type)
{
    if (!(type.mods.mask & ShiftMask))
        return -1;
    for (int i = 0; i < type.map_count; ++i) {
        const XkbKTMapEntryRec& entry = type.map[i];
        if (entry.active && entry.mods.mask == ShiftMask)
            return entry.level;
    }
    return -1;
}

} // namespace

X11Keyboard::X11Keyboard(Display* display) : m_display(display) {}

X11Keyboard::~X11Keyboard()
{
    std::vector<KeyCode> restored;
    while (!m_bound.empty()) {
        restored.push_back(m_bound.begin()->first);
        restore(restored.back());
    }
    // Released only once the server has the keycodes back as they were.
    XSync(m_display, False);
    for (KeyCode code : restored)
        unclaim(m_display, code);
}

void X11Keyboard::refresh()
{
    m_layout.clear();
    m_empty.clear();
    auto addKey = [&](KeySym sym, KeyCode code, bool shift) {
        if (sym == NoSymbol)
            return;
        auto [it, added] = m_layout.try_emplace(sym, Stroke{code, shift});
        if (!added && it->second.shift && !shift)
            it->second = Stroke{code, false}; // the unshifted key wins
    };

    XkbDescPtr xkb = XkbGetMap(m_display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    XkbStateRec state{};
    if (xkb && XkbGetState(m_display, XkbUseCoreKbd, &state) == Success) {
        for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
            const auto key = KeyCode(code);
            if (m_bound.contains(key))
                continue;
            const int groups = XkbKeyNumGroups(xkb, code);
            if (groups == 0 || XkbKeyNumSyms(xkb, code) == 0) {
                m_empty.push_back(key);
                continue;
            }
            bool anySym = false;
            for (int i = 0; i < XkbKeyNumSyms(xkb, code); ++i)
                anySym = anySym || XkbKeySymsPtr(xkb, code)[i] != NoSymbol;
            if (!anySym) {
                m_empty.push_back(key);
                continue;
            }
            const int group = state.group % groups;
            const int width = XkbKeyGroupWidth(xkb, code, group);
            if (width > 0)
                addKey(XkbKeySymEntry(xkb, code, 0, group), key, false);
            const int level = shiftLevel(*XkbKeyKeyType(xkb, code, group));
            if (level > 0 && level < width)
                addKey(XkbKeySymEntry(xkb, code, level, group), key, true);
        }
        XkbFreeKeyboard(xkb, 0, True);
    } else {
        // No XKB: the core mapping's first group, plain and shifted.
        if (xkb)
            XkbFreeKeyboard(xkb, 0, True);
        int minCode = 0, maxCode = 0, perCode = 0;
        XDisplayKeycodes(m_display, &minCode, &maxCode);
        KeySym* syms = XGetKeyboardMapping(m_display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
        if (syms) {
            for (int code = minCode; code <= maxCode; ++code) {
                const KeySym* row = syms + size_t(code - minCode) * size_t(perCode);
                const auto key = KeyCode(code);
                if (m_bound.contains(key))
                    continue;
                bool anySym = false;
                for (int i = 0; i < perCode; ++i)
                    anySym = anySym || row[i] != NoSymbol;
                if (!anySym) {
                    m_empty.push_back(key);
                    continue;
                }
                if (perCode > 0)
                    addKey(row[0], key, false);
                if (perCode > 1)
                    addKey(row[1], key, true);
            }
            XFree(syms);
        }
    }
    auto shift = m_layout.find(XK_Shift_L);
    if (shift == m_layout.end())
        shift = m_layout.find(XK_Shift_R);
    m_shift = shift != m_layout.end() ? shift->second.code : 0;
}

X11Keyboard::Stroke X11Keyboard::find(KeySym keysym) const
{
    if (auto it = m_layout.find(keysym); it != m_layout.end())
        return it->second;
    if (auto it = m_boundBySym.find(keysym); it != m_boundBySym.end())
        return Stroke{it->second, false};
    return {};
}

X11Keyboard::Stroke X11Keyboard::bind(KeySym keysym, const std::vector<KeyCode>& avoid)
{
    if (Stroke known = find(keysym); known.code)
        return known;
    KeyCode code = 0;
    if (m_bound.size() < kMaxSpares) {
        for (auto it = m_empty.begin(); it != m_empty.end(); ++it) {
            if (claim(m_display, *it)) {
                code = *it;
                m_empty.erase(it);
                break;
            }
        }
    }
    if (!code) {
        // Take back the spare used longest ago that is not still needed.
        auto oldest = m_lastUse.end();
        for (auto it = m_lastUse.begin(); it != m_lastUse.end(); ++it) {
            if (std::find(avoid.begin(), avoid.end(), it->first) != avoid.end())
                continue;
            if (oldest == m_lastUse.end() || it->second < oldest->second)
                oldest = it;
        }
        if (oldest == m_lastUse.end())
            return {};
        code = oldest->first;
        waitForGrace(code);
        m_boundBySym.erase(m_bound[code]);
    }
    // The keysym on both levels, so a held Shift does not change it.
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(m_display, code, 2, syms, 1);
    m_bound[code] = keysym;
    m_boundBySym[keysym] = code;
    m_lastUse.try_emplace(code, std::chrono::steady_clock::time_point{});
    return Stroke{code, false};
}

void X11Keyboard::touch(const std::vector<KeyCode>& codes)
{
    const auto now = std::chrono::steady_clock::now();
    for (KeyCode code : codes) {
        if (m_bound.contains(code))
            m_lastUse[code] = now;
    }
}

void X11Keyboard::waitForGrace(KeyCode code)
{
    auto it = m_lastUse.find(code);
    if (it == m_lastUse.end())
        return;
    const auto until = it->second + kGrace;
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_until(until);
}

void X11Keyboard::restore(KeyCode code)
{
    waitForGrace(code);
    KeySym none = NoSymbol;
    XChangeKeyboardMapping(m_display, code, 1, &none, 1);
    m_boundBySym.erase(m_bound[code]);
    m_bound.erase(code);
    m_lastUse.erase(code);
}

} // namespace clickwisp
