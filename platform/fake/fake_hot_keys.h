#pragma once

#include "platform/fake/fake_trace.h"
#include "platform/hot_key_source.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

namespace clickwisp {

// Hot keys pressed by the test. Trace lines: "registerHotKey 49152 ALT+F2",
// "unregisterHotKey 49152", "waitForRelease CTRL+F2 2000".
class FakeHotKeys : public HotKeySource {
public:
    explicit FakeHotKeys(std::shared_ptr<FakeTrace> trace);

    std::string name() const override { return "the fake desktop"; }
    void setHandler(Handler handler) override;
    Result<void> registerHotKey(int id, uint32_t modifiers, uint32_t vk) override;
    void unregisterHotKey(int id) override;
    bool waitForRelease(uint32_t modifiers, uint32_t vk, std::chrono::milliseconds timeout) override;

    // The user presses the combination: the handler gets it when it is
    // registered. Returns whether it was delivered.
    bool press(uint32_t modifiers, uint32_t vk);
    // Another program holds the combination, so registering it fails.
    void holdElsewhere(uint32_t modifiers, uint32_t vk);
    // What waitForRelease answers (true: released in time).
    void setReleasedInTime(bool released);
    // The registered combinations.
    std::set<std::pair<uint32_t, uint32_t>> registered() const;

private:
    std::shared_ptr<FakeTrace> m_trace;
    mutable std::mutex m_mutex;
    Handler m_handler;
    std::map<int, std::pair<uint32_t, uint32_t>> m_keys;
    std::set<std::pair<uint32_t, uint32_t>> m_heldElsewhere;
    bool m_releasedInTime = true;
};

} // namespace clickwisp
