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
    g_claimed.erase({ DisplayString(display), code });
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

// Whether any of the count keysyms of a key is bound; a key without one is
// free to be claimed as a spare.
bool hasAnySymbol(const KeySym* syms, int count)
{
    return std::any_of(syms, syms + std::max(count, 0), [](KeySym sym) { return sym != NoSymbol; });
}

} // namespace

X11Keyboard::X11Keyboard(Display* display)
    : m_display(display)
{
}

X11Keyboard::~X11Keyboard()
{
    if (m_spares.empty())
        return;
    for (const auto& [code, places] : m_spares) {
        waitForGrace(places[0]);
        waitForGrace(places[1]);
        KeySym none = NoSymbol;
        XChangeKeyboardMapping(m_display, code, 1, &none, 1);
    }
    // Released only once the server has the keycodes back as they were.
    XSync(m_display, False);
    for (const auto& entry : m_spares)
        unclaim(m_display, entry.first);
}

void X11Keyboard::refresh()
{
    m_layout.clear();
    m_empty.clear();
    if (!readXkbLayout())
        readCoreLayout();
    auto shift = m_layout.find(XK_Shift_L);
    if (shift == m_layout.end())
        shift = m_layout.find(XK_Shift_R);
    m_shift = shift != m_layout.end() ? shift->second.code : 0;
}

void X11Keyboard::addToLayout(KeySym sym, KeyCode code, bool shift)
{
    if (sym == NoSymbol)
        return;
    auto [it, added] = m_layout.try_emplace(sym, Stroke { code, shift });
    if (!added && it->second.shift && !shift)
        it->second = Stroke { code, false }; // the unshifted key wins
}

bool X11Keyboard::readXkbLayout()
{
    XkbDescPtr xkb = XkbGetMap(m_display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    XkbStateRec state {};
    if (!xkb || XkbGetState(m_display, XkbUseCoreKbd, &state) != Success) {
        if (xkb)
            XkbFreeKeyboard(xkb, 0, True);
        return false;
    }
    for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
        const auto key = KeyCode(code);
        if (m_spares.contains(key))
            continue;
        const int groups = XkbKeyNumGroups(xkb, code);
        if (groups == 0 || !hasAnySymbol(XkbKeySymsPtr(xkb, code), XkbKeyNumSyms(xkb, code))) {
            m_empty.push_back(key);
            continue;
        }
        const int group = state.group % groups;
        const int width = XkbKeyGroupWidth(xkb, code, group);
        if (width > 0)
            addToLayout(XkbKeySymEntry(xkb, code, 0, group), key, false);
        const int level = shiftLevel(*XkbKeyKeyType(xkb, code, group));
        if (level > 0 && level < width)
            addToLayout(XkbKeySymEntry(xkb, code, level, group), key, true);
    }
    XkbFreeKeyboard(xkb, 0, True);
    return true;
}

// Without XKB: the core mapping's first group, plain and shifted.
void X11Keyboard::readCoreLayout()
{
    int minCode = 0, maxCode = 0, perCode = 0;
    XDisplayKeycodes(m_display, &minCode, &maxCode);
    KeySym* syms = XGetKeyboardMapping(m_display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
    if (!syms)
        return;
    for (int code = minCode; code <= maxCode; ++code) {
        const KeySym* row = syms + size_t(code - minCode) * size_t(perCode);
        const auto key = KeyCode(code);
        if (m_spares.contains(key))
            continue;
        if (!hasAnySymbol(row, perCode)) {
            m_empty.push_back(key);
            continue;
        }
        if (perCode > 0)
            addToLayout(row[0], key, false);
        if (perCode > 1)
            addToLayout(row[1], key, true);
    }
    XFree(syms);
}

X11Keyboard::Stroke X11Keyboard::find(KeySym keysym) const
{
    if (auto it = m_layout.find(keysym); it != m_layout.end())
        return it->second;
    if (auto it = m_boundBySym.find(keysym); it != m_boundBySym.end())
        return it->second;
    return {};
}

X11Keyboard::Stroke X11Keyboard::bind(KeySym keysym, const std::vector<Stroke>& keep, bool plainOnly)
{
    if (Stroke known = find(keysym); known.code && !(plainOnly && known.shift))
        return known;
    const int levels = plainOnly ? 1 : 2;
    Stroke place;
    // A free place on a keycode we hold: its other keysym keeps its level.
    for (auto& [code, places] : m_spares) {
        for (int level = 0; level < levels && !place.code; ++level) {
            if (places[size_t(level)].keysym == NoSymbol)
                place = Stroke { code, level == 1 };
        }
    }
    // A further empty keycode.
    if (!place.code && m_spares.size() < kMaxSpares) {
        for (auto it = m_empty.begin(); it != m_empty.end(); ++it) {
            if (claim(m_display, *it)) {
                place = Stroke { *it, false };
                m_spares[*it] = SparePlaces {};
                m_empty.erase(it);
                break;
            }
        }
    }
    // The place used longest ago that is not still needed.
    if (!place.code) {
        const Place* oldest = nullptr;
        for (auto& [code, places] : m_spares) {
            for (int level = 0; level < levels; ++level) {
                const Stroke candidate { code, level == 1 };
                if (std::find(keep.begin(), keep.end(), candidate) != keep.end())
                    continue;
                const Place& p = places[size_t(level)];
                if (!oldest || p.lastUse < oldest->lastUse) {
                    oldest = &p;
                    place = candidate;
                }
            }
        }
        if (!oldest)
            return {};
        waitForGrace(*oldest);
    }
    Place& slot = m_spares[place.code][place.shift ? 1 : 0];
    // The keysym this place had is gone, unless it also has another place
    // (a keysym bound with Shift and later wanted plain keeps both).
    if (auto it = m_boundBySym.find(slot.keysym); it != m_boundBySym.end() && it->second == place)
        m_boundBySym.erase(it);
    slot.keysym = keysym;
    m_boundBySym[keysym] = place;
    write(place.code);
    return place;
}

void X11Keyboard::touch(const std::vector<Stroke>& strokes)
{
    const auto now = std::chrono::steady_clock::now();
    for (const Stroke& stroke : strokes) {
        if (auto it = m_spares.find(stroke.code); it != m_spares.end())
            it->second[stroke.shift ? 1 : 0].lastUse = now;
    }
}

// A keycode with one keysym gets it on both levels, so Shift does not
// change it; with two, Shift selects the second.
void X11Keyboard::write(KeyCode code)
{
    const SparePlaces& places = m_spares[code];
    KeySym syms[2] = { places[0].keysym, places[1].keysym };
    if (syms[0] == NoSymbol)
        syms[0] = syms[1];
    else if (syms[1] == NoSymbol)
        syms[1] = syms[0];
    XChangeKeyboardMapping(m_display, code, 2, syms, 1);
}

void X11Keyboard::waitForGrace(const Place& place)
{
    const auto until = place.lastUse + kGrace;
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_until(until);
}

} // namespace clickwisp
