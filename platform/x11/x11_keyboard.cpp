#include "platform/x11/x11_keyboard.h"

#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_spare_keycodes.h"

#include <X11/keysym.h>

#include <algorithm>
#include <thread>

namespace clickwisp {

namespace {

// The level the modifiers mask select on keys of type; -1 when none does.
int levelOf(const XkbKeyTypeRec& type, unsigned mask)
{
    if (mask == 0)
        return 0;
    for (int i = 0; i < type.map_count; ++i) {
        const XkbKTMapEntryRec& entry = type.map[i];
        if (entry.active && entry.mods.mask == mask)
            return entry.level;
    }
    return -1;
}

// Whether keys of type type have four levels that nothing, Shift, level3
// (the modifier AltGr sets) and both select, and no other modifier matters.
bool isFourLevel(const XkbKeyTypeRec& type, unsigned level3)
{
    return type.num_levels == 4 && type.mods.mask == (ShiftMask | level3) && levelOf(type, ShiftMask) == 1
        && levelOf(type, level3) == 2 && levelOf(type, ShiftMask | level3) == 3;
}

// Whether any of the count keysyms of a key is bound; a key without one is
// free to be claimed as a spare.
bool hasAnySymbol(const KeySym* syms, int count)
{
    return std::any_of(syms, syms + std::max(count, 0), [](KeySym sym) { return sym != NoSymbol; });
}

void waitUntil(std::chrono::steady_clock::time_point until)
{
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_until(until);
}

} // namespace

X11Keyboard::X11Keyboard(Display* display, size_t reserve)
    : m_display(display)
    , m_reserve(reserve)
{
}

X11Keyboard::~X11Keyboard()
{
    if (!m_spares.empty()) {
        restore();
        // Released only once the server has the keycodes back as they were.
        XSync(m_display, False);
        for (const auto& entry : m_spares)
            releaseSpareKeycode(m_display, entry.first);
    }
    if (m_xkb)
        XkbFreeKeyboard(m_xkb, 0, True);
}

void X11Keyboard::refresh()
{
    m_layout.clear();
    m_empty.clear();
    m_level3 = 0;
    m_fourLevelType = -1;
    if (!readXkbLayout())
        readCoreLayout();
    auto shift = m_layout.find(XK_Shift_L);
    if (shift == m_layout.end())
        shift = m_layout.find(XK_Shift_R);
    m_shift = shift != m_layout.end() && shift->second.level == 0 ? shift->second.code : 0;
}

void X11Keyboard::addToLayout(KeySym sym, KeyCode code, uint8_t level)
{
    if (sym == NoSymbol)
        return;
    auto [it, added] = m_layout.try_emplace(sym, Stroke { code, level });
    if (!added && it->second.level > level)
        it->second = Stroke { code, level }; // the plainer key wins
}

bool X11Keyboard::readXkbLayout()
{
    if (m_xkb)
        XkbFreeKeyboard(m_xkb, 0, True);
    m_xkb = XkbGetMap(m_display, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
    XkbStateRec state {};
    if (!m_xkb || XkbGetState(m_display, XkbUseCoreKbd, &state) != Success) {
        if (m_xkb)
            XkbFreeKeyboard(m_xkb, 0, True);
        m_xkb = nullptr;
        return false;
    }
    for (int code = m_xkb->min_key_code; code <= m_xkb->max_key_code; ++code) {
        const auto key = KeyCode(code);
        if (m_spares.contains(key))
            continue;
        const int groups = XkbKeyNumGroups(m_xkb, code);
        if (groups == 0 || !hasAnySymbol(XkbKeySymsPtr(m_xkb, code), XkbKeyNumSyms(m_xkb, code))) {
            m_empty.push_back(key);
            continue;
        }
        const int group = state.group % groups;
        const int width = XkbKeyGroupWidth(m_xkb, code, group);
        if (width > 0)
            addToLayout(XkbKeySymEntry(m_xkb, code, 0, group), key, 0);
        const int level = levelOf(*XkbKeyKeyType(m_xkb, code, group), ShiftMask);
        if (level > 0 && level < width)
            addToLayout(XkbKeySymEntry(m_xkb, code, level, group), key, 1);
    }
    // AltGr: the plain key of ISO_Level3_Shift and the modifier it sets,
    // and a key type whose four levels it and Shift select.
    const auto level3 = m_layout.find(XK_ISO_Level3_Shift);
    if (level3 == m_layout.end() || level3->second.level != 0)
        return true;
    m_level3Mask = m_xkb->map->modmap[level3->second.code];
    if (m_level3Mask == 0 || (m_level3Mask & ShiftMask))
        return true;
    for (int i = 0; i < m_xkb->map->num_types; ++i) {
        if (isFourLevel(m_xkb->map->types[i], m_level3Mask)) {
            m_fourLevelType = i;
            m_level3 = level3->second.code;
            break;
        }
    }
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
            addToLayout(row[0], key, 0);
        if (perCode > 1)
            addToLayout(row[1], key, 1);
    }
    XFree(syms);
}

int X11Keyboard::levelsAvailable() const
{
    if (!m_shift)
        return 1;
    return m_fourLevelType >= 0 && m_level3 ? 4 : 2;
}

X11Keyboard::Stroke X11Keyboard::find(KeySym keysym, int levels) const
{
    if (auto it = m_layout.find(keysym); it != m_layout.end() && it->second.level < levels)
        return it->second;
    if (auto it = m_boundBySym.find(keysym); it != m_boundBySym.end() && it->second.level < levels)
        return it->second;
    return {};
}

bool X11Keyboard::needsTakeOver(const std::vector<KeySym>& wanted) const
{
    if (capacity() == 0)
        return false; // nothing to take over: what the layout lacks is left out
    const size_t missing = size_t(std::count_if(wanted.begin(), wanted.end(), [&](KeySym k) { return !find(k).code; }));
    size_t taken = 0;
    for (const auto& entry : m_spares) {
        for (const Place& place : entry.second.places)
            taken += place.keysym != NoSymbol;
    }
    return missing > capacity() - std::min(taken, capacity());
}

size_t X11Keyboard::capacity(int levels) const
{
    const size_t claimable = m_empty.size() > m_reserve ? m_empty.size() - m_reserve : 0;
    return (m_spares.size() + claimable) * size_t(std::clamp(levels, 1, levelsAvailable()));
}

KeyCode X11Keyboard::claimAnother()
{
    while (m_empty.size() > m_reserve) {
        const KeyCode code = m_empty.front();
        m_empty.erase(m_empty.begin());
        SpareOriginal original;
        if (m_xkb) {
            original.xkb = true;
            original.entry = m_xkb->map->key_sym_map[code];
            const KeySym* syms = XkbKeySymsPtr(m_xkb, code);
            original.syms.assign(syms, syms + XkbKeyNumSyms(m_xkb, code));
        }
        if (!claimSpareKeycode(m_display, code, std::move(original)))
            continue; // another connection of ours has it
        m_spares[code] = Spare {};
        return code;
    }
    return 0;
}

bool X11Keyboard::bind(const std::vector<KeySym>& wanted, const std::vector<KeyCode>& keep, int levels)
{
    levels = std::clamp(levels, 1, levelsAvailable());
    std::vector<KeySym> missing;
    for (KeySym keysym : wanted) {
        if (!find(keysym, levels).code && std::find(missing.begin(), missing.end(), keysym) == missing.end())
            missing.push_back(keysym);
    }
    if (missing.empty())
        return true;
    const auto isWanted
        = [&](KeySym keysym) { return std::find(wanted.begin(), wanted.end(), keysym) != wanted.end(); };
    const auto isKept = [&](KeyCode code) { return std::find(keep.begin(), keep.end(), code) != keep.end(); };

    // Free places first, the plain level of every keycode (claiming more
    // keycodes) before the next level; then the places used longest ago
    // whose keysym is not wanted.
    std::vector<Stroke> places;
    auto gather = [&](int level) {
        for (const auto& [code, spare] : m_spares) {
            if (places.size() < missing.size() && !isKept(code) && spare.places[size_t(level)].keysym == NoSymbol)
                places.push_back({ code, uint8_t(level) });
        }
    };
    gather(0);
    while (places.size() < missing.size()) {
        const KeyCode code = claimAnother();
        if (!code)
            break;
        places.push_back({ code, 0 });
    }
    for (int level = 1; level < levels; ++level)
        gather(level);
    if (places.size() < missing.size()) {
        std::vector<std::pair<std::chrono::steady_clock::time_point, Stroke>> taken;
        for (auto& [code, spare] : m_spares) {
            for (int level = 0; level < levels; ++level) {
                const Place& place = spare.places[size_t(level)];
                if (place.keysym != NoSymbol && !isWanted(place.keysym) && !isKept(code))
                    taken.push_back({ place.lastUse, Stroke { code, uint8_t(level) } });
            }
        }
        if (places.size() + taken.size() < missing.size())
            return false;
        std::sort(taken.begin(), taken.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        taken.resize(missing.size() - places.size());
        waitUntil(taken.back().first + kGrace);
        for (const auto& entry : taken)
            places.push_back(entry.second);
    }

    std::vector<KeyCode> changed;
    for (size_t i = 0; i < missing.size(); ++i) {
        const Stroke place = places[i];
        Place& slot = m_spares[place.code].places[place.level];
        // The keysym this place had is gone, unless it also has another place.
        if (auto it = m_boundBySym.find(slot.keysym); it != m_boundBySym.end() && it->second == place)
            m_boundBySym.erase(it);
        slot.keysym = missing[i];
        slot.lastUse = {};
        m_boundBySym[missing[i]] = place;
        if (std::find(changed.begin(), changed.end(), place.code) == changed.end())
            changed.push_back(place.code);
    }
    for (KeyCode code : changed)
        m_spares[code].written = true;
    if (write(changed))
        return true;
    // The server refused (its layout changed under us): these keysyms have
    // no key. The keycodes still go back to their first mapping in restore().
    for (size_t i = 0; i < missing.size(); ++i) {
        m_spares[places[i].code].places[places[i].level].keysym = NoSymbol;
        m_boundBySym.erase(missing[i]);
    }
    return false;
}

void X11Keyboard::restore()
{
    std::vector<KeyCode> changed;
    auto last = std::chrono::steady_clock::time_point {};
    for (auto& [code, spare] : m_spares) {
        if (!spare.written)
            continue;
        changed.push_back(code);
        for (Place& place : spare.places) {
            last = std::max(last, place.lastUse);
            place.keysym = NoSymbol;
        }
    }
    if (changed.empty())
        return;
    m_boundBySym.clear();
    waitUntil(last + kGrace);
    if (!write(changed))
        return; // still written: the next restore tries again
    for (KeyCode code : changed)
        m_spares[code].written = false;
}

bool X11Keyboard::bound() const
{
    return std::any_of(m_spares.begin(), m_spares.end(), [](const auto& entry) { return entry.second.written; });
}

void X11Keyboard::touch(const std::vector<Stroke>& strokes)
{
    const auto now = std::chrono::steady_clock::now();
    for (const Stroke& stroke : strokes) {
        if (auto it = m_spares.find(stroke.code); it != m_spares.end())
            it->second.places[stroke.level].lastUse = now;
    }
}

void X11Keyboard::markCaughtUp()
{
    for (auto& entry : m_spares) {
        for (Place& place : entry.second.places)
            place.lastUse = {};
    }
}

bool X11Keyboard::write(const std::vector<KeyCode>& codes)
{
    if (codes.empty())
        return true;
    const auto [first, last] = std::minmax_element(codes.begin(), codes.end());
    // One request for the whole range: the keys between ours are written
    // back as the server has them, read just before.
    const SpareKeycodeWrite guard;
    if (!guard.allowed())
        return false;
    X11ErrorTrap trap(m_display);
    const bool sent = m_xkb ? writeXkb(*first, *last, codes, guard) : writeCore(*first, *last, codes);
    return trap.sync() == 0 && sent;
}

bool X11Keyboard::writeXkb(
    KeyCode first, KeyCode last, const std::vector<KeyCode>& codes, const SpareKeycodeWrite& guard)
{
    // The keys between ours as the server has them now.
    XkbDescPtr fresh = XkbGetMap(m_display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (!fresh)
        return false;
    XkbFreeKeyboard(m_xkb, 0, True);
    m_xkb = fresh;
    if (m_fourLevelType >= m_xkb->map->num_types
        || (m_fourLevelType >= 0 && !isFourLevel(m_xkb->map->types[m_fourLevelType], m_level3Mask)))
        m_fourLevelType = -1; // the layout changed under us
    for (KeyCode code : codes) {
        const Spare& spare = m_spares[code];
        int used = 0; // levels up to the highest bound one
        for (int level = 0; level < 4; ++level) {
            if (spare.places[size_t(level)].keysym != NoSymbol)
                used = level + 1;
        }
        if (used == 0) {
            applySpareOriginal(m_xkb, code, guard.original(m_display, code));
            continue;
        }
        int type = used == 1 ? XkbOneLevelIndex : used == 2 ? XkbTwoLevelIndex : m_fourLevelType;
        if (type < 0)
            type = XkbTwoLevelIndex; // AltGr is gone: so are the keysyms it selected
        const int width = m_xkb->map->types[type].num_levels;
        // Resized first: the entry must match the room it has until then.
        KeySym* syms = XkbResizeKeySyms(m_xkb, code, width);
        for (int level = 0; level < width; ++level)
            syms[level] = level < 4 ? spare.places[size_t(level)].keysym : NoSymbol;
        XkbSymMapRec& entry = m_xkb->map->key_sym_map[code];
        entry.kt_index[0] = uint8_t(type);
        entry.group_info = XkbSetNumGroups(0, 1);
        entry.width = uint8_t(width);
    }
    // The core keyboard and every keyboard attached to it, in one request
    // (the map read back names the core keyboard's own device, which would
    // change it alone, and a keyboard's next key would then copy its own
    // map over it: a second change for every client).
    m_xkb->device_spec = XkbUseCoreKbd;
    XkbMapChangesRec changes {};
    changes.changed = XkbKeySymsMask;
    changes.first_key_sym = first;
    changes.num_key_syms = uint8_t(last - first + 1);
    return XkbChangeMap(m_display, m_xkb, &changes);
}

// Without XKB there is no AltGr level to bind: a keycode with one keysym
// gets it on both levels, so Shift does not change it; with two, Shift
// selects the second.
bool X11Keyboard::writeCore(KeyCode first, KeyCode last, const std::vector<KeyCode>& codes)
{
    const int count = last - first + 1;
    int perCode = 0;
    KeySym* current = XGetKeyboardMapping(m_display, first, count, &perCode);
    if (!current)
        return false;
    const int width = std::max(perCode, 2);
    std::vector<KeySym> rows(size_t(count) * size_t(width), NoSymbol);
    for (int i = 0; i < count; ++i)
        std::copy_n(current + size_t(i) * size_t(perCode), perCode, rows.begin() + i * width);
    XFree(current);
    for (KeyCode code : codes) {
        const Spare& spare = m_spares[code];
        KeySym* row = rows.data() + size_t(code - first) * size_t(width);
        std::fill_n(row, width, NoSymbol);
        row[0] = spare.places[0].keysym != NoSymbol ? spare.places[0].keysym : spare.places[1].keysym;
        row[1] = spare.places[1].keysym != NoSymbol ? spare.places[1].keysym : spare.places[0].keysym;
    }
    XChangeKeyboardMapping(m_display, first, width, rows.data(), count);
    return true;
}

} // namespace clickwisp
