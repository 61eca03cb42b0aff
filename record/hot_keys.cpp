#include "record/hot_keys.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace clickwisp {

namespace {

struct HotKeyRow {
    const char* atomName;
    uint32_t modifiers;
    int HotKeyNumbers::*number;
};

// Registration order; the names are the identifiers' names.
constexpr HotKeyRow kRows[] = {
    { "WispShadepathStart", MOD_ALT, &HotKeyNumbers::shadeStart },
    { "WispShadepathStop", MOD_ALT, &HotKeyNumbers::shadeStop },
    { "WispRunningStart", MOD_CONTROL, &HotKeyNumbers::runningStart },
    { "WispRunningStop", MOD_CONTROL, &HotKeyNumbers::runningStop },
};

// The key a configured number stands for, wrapped to a byte like the
// platform's virtual-key codes.
uint32_t keyForNumber(int number)
{
    return (VK_F1 + uint32_t(number)) & 0xFF;
}

} // namespace

int GlobalAddAtom(const std::string& name)
{
    static std::mutex mutex;
    static std::map<std::string, int> atoms;
    std::lock_guard lock(mutex);
    auto [it, added] = atoms.try_emplace(name, 0xC000 + int(atoms.size()));
    return it->second;
}

std::array<std::string, 4> HotKeyTexts(const HotKeyNumbers& numbers)
{
    std::array<std::string, 4> texts;
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = HotKeyText(kRows[i].modifiers, keyForNumber(numbers.*kRows[i].number));
    return texts;
}

HotKeyOrigin StopRecordingKey(int number)
{
    return HotKeyOrigin { kRows[1].modifiers, keyForNumber(number) };
}

Result<void> RegisterStopRecordingKey(HotKeySource& source, int number)
{
    const HotKeyOrigin key = StopRecordingKey(number);
    return source.registerHotKey(GlobalAddAtom(kRows[1].atomName), key.modifiers, key.vk);
}

HotKeys::HotKeys(HotKeySource& source)
    : m_source(source)
{
}

HotKeys::~HotKeys()
{
    UnregisterHotKeys();
}

Result<void> HotKeys::RegisterHotKeys(const HotKeyNumbers& numbers)
{
    UnregisterHotKeys();
    std::string failures;
    std::vector<std::pair<uint32_t, uint32_t>> taken;
    for (const auto& row : kRows) {
        const int id = GlobalAddAtom(row.atomName);
        const uint32_t vk = keyForNumber(numbers.*row.number);
        const std::pair combination { row.modifiers, vk };
        if (std::find(taken.begin(), taken.end(), combination) == taken.end()) {
            taken.push_back(combination);
            if (auto registered = m_source.registerHotKey(id, row.modifiers, vk); !registered) {
                failures += failures.empty() ? "" : "; ";
                failures += registered.error().message;
            }
        }
        m_ids.push_back(std::to_string(id));
    }
    if (!failures.empty())
        return fail(failures);
    return {};
}

void HotKeys::UnregisterHotKeys()
{
    for (const auto& id : m_ids)
        m_source.unregisterHotKey(std::stoi(id));
    m_ids.clear();
}

HotKeyCommand WMHotKey(uint32_t modifiers, uint32_t vk, const HotKeyNumbers& numbers)
{
    if (vk < VK_F1 || vk > VK_F12)
        return HotKeyCommand::Nothing;
    const int n = int(vk - VK_F1);
    if (modifiers == MOD_CONTROL) {
        if (n == numbers.runningStop)
            return HotKeyCommand::Stop;
        if (n == numbers.runningStart)
            return HotKeyCommand::Run;
    } else if (modifiers == MOD_ALT) {
        if (n == numbers.shadeStart || n == numbers.shadeStop)
            return HotKeyCommand::ToggleRecording;
    }
    return HotKeyCommand::Nothing;
}

bool WaitForHotKeyRelease(HotKeySource& source, uint32_t modifiers, uint32_t vk)
{
    return source.waitForRelease(modifiers, vk, kHotKeyReleaseLimit);
}

} // namespace clickwisp
