#include "platform/fake/fake_hot_keys.h"

#include "core/key_names.h"
#include "platform/fake/fake_platform.h"

namespace clickwisp {

FakeHotKeys::FakeHotKeys(std::shared_ptr<FakeTrace> trace)
    : m_trace(std::move(trace))
{
}

void FakeHotKeys::setHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

Result<void> FakeHotKeys::registerHotKey(int id, uint32_t modifiers, uint32_t vk)
{
    std::lock_guard lock(m_mutex);
    const std::string combination = HotKeyText(modifiers, vk);
    m_trace->add("registerHotKey " + std::to_string(id) + " " + combination);
    const std::pair key { modifiers, vk };
    if (m_heldElsewhere.contains(key))
        return fail("hot key " + combination + " is used by another program");
    for (const auto& [otherId, otherKey] : m_keys) {
        if (otherKey == key && otherId != id)
            return fail("hot key " + combination + " is already registered");
    }
    m_keys[id] = key;
    return {};
}

void FakeHotKeys::unregisterHotKey(int id)
{
    std::lock_guard lock(m_mutex);
    if (m_keys.erase(id))
        m_trace->add("unregisterHotKey " + std::to_string(id));
}

bool FakeHotKeys::waitForRelease(uint32_t modifiers, uint32_t vk, std::chrono::milliseconds timeout)
{
    std::lock_guard lock(m_mutex);
    m_trace->add("waitForRelease " + HotKeyText(modifiers, vk) + " " + std::to_string(timeout.count()));
    return m_releasedInTime;
}

bool FakeHotKeys::press(uint32_t modifiers, uint32_t vk)
{
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        bool found = false;
        for (const auto& [id, key] : m_keys)
            found = found || key == std::pair { modifiers, vk };
        if (!found || !m_handler)
            return false;
        handler = m_handler;
    }
    handler(modifiers, vk);
    return true;
}

void FakeHotKeys::holdElsewhere(uint32_t modifiers, uint32_t vk)
{
    std::lock_guard lock(m_mutex);
    m_heldElsewhere.insert({ modifiers, vk });
}

void FakeHotKeys::setReleasedInTime(bool released)
{
    std::lock_guard lock(m_mutex);
    m_releasedInTime = released;
}

std::set<std::pair<uint32_t, uint32_t>> FakeHotKeys::registered() const
{
    std::lock_guard lock(m_mutex);
    std::set<std::pair<uint32_t, uint32_t>> keys;
    for (const auto& [id, key] : m_keys)
        keys.insert(key);
    return keys;
}

std::unique_ptr<HotKeySource> makeFakeHotKeys(std::shared_ptr<FakeTrace> trace)
{
    return std::make_unique<FakeHotKeys>(std::move(trace));
}

} // namespace clickwisp
