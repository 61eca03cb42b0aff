#pragma once

// The list controller driven through a scripted window, without any toolkit:
// the fixture shared by the controller's tests.
#include "app/list_controller.h"
#include "platform/fake/fake_hot_keys.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_recorder.h"
#include "platform/fake/fake_waiter.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace clickwisp::test {

using namespace std::chrono_literals;

// A window that answers from a script and remembers what it was told.
class ScriptedView : public ControllerView {
public:
    std::deque<bool> answers; // Yes/No answers; Yes when empty
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    std::deque<std::optional<std::string>> openNames, saveNames;
    int openDialogs = 0, saveDialogs = 0;
    std::function<bool(const std::string&, TBaseCtrlEX&, bool)> editor;
    std::vector<std::string> editorCaptions;
    bool optionsAnswer = true;
    std::string status[3];
    std::string trayNote;
    std::string statusTip[3];
    bool recordAvailable = true;
    std::string recordHint;
    bool editingEnabled = true;
    bool recordingShown = false;
    int raised = 0;
    int selection = -1;
    std::string listFile; // as the caption shows it
    bool listModified = false;
    std::vector<std::string> changes;

    bool askYesNo(const std::string& question) override
    {
        questions.push_back(question);
        if (answers.empty())
            return true;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showMessage(const std::string& text, MessageKind) override { messages.push_back(text); }
    std::optional<std::string> chooseOpenFile(const std::string&, const std::string&, const std::string&) override
    {
        ++openDialogs;
        return pop(openNames);
    }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&, const std::string&) override
    {
        ++saveDialogs;
        return pop(saveNames);
    }
    bool showActionEditor(const std::string& caption, TBaseCtrlEX& action, bool load) override
    {
        editorCaptions.push_back(caption);
        return editor ? editor(caption, action, load) : false;
    }
    bool showOptionsDialog() override { return optionsAnswer; }
    std::vector<std::string> panel1Texts; // every text status panel 1 was given
    void setStatus(int panel, const std::string& text) override
    {
        status[panel] = text;
        if (panel == 1)
            panel1Texts.push_back(text);
    }
    void setTrayNote(const std::string& text) override { trayNote = text; }
    void setStatusTip(int panel, const std::string& text) override { statusTip[panel] = text; }
    void setEditingEnabled(bool enabled) override { editingEnabled = enabled; }
    void setRecordingShown(bool recording) override { recordingShown = recording; }
    void setRecordAvailable(bool available, const std::string& hint) override
    {
        recordAvailable = available;
        recordHint = hint;
    }
    void showAndRaise() override { ++raised; }
    void setListState(const std::string& file, bool modified) override
    {
        listFile = file;
        listModified = modified;
    }
    void listReset() override { changes.push_back("reset"); }
    void rowsInserted(int first, int count) override { changes.push_back(fmt("insert", first, count)); }
    void rowsRemoved(int first, int count) override { changes.push_back(fmt("remove", first, count)); }
    void rowMoved(int from, int to) override { changes.push_back(fmt("move", from, to)); }
    void rowChanged(int row) override { changes.push_back(fmt("change", row, 1)); }
    void selectionChanged(int row) override { selection = row; }

private:
    static std::optional<std::string> pop(std::deque<std::optional<std::string>>& names)
    {
        if (names.empty())
            return std::nullopt;
        auto name = names.front();
        names.pop_front();
        return name;
    }
    static std::string fmt(const char* what, int a, int b)
    {
        return std::string(what) + " " + std::to_string(a) + " " + std::to_string(b);
    }
};

// The user-interface thread's queue: workers and sources post, the test drains.
class UiQueue {
public:
    void post(std::function<void()> call)
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
        m_arrived.notify_all();
    }
    // Runs queued calls until pred holds or the time is up; pred is also
    // checked every few milliseconds, for what other threads do meanwhile.
    bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!pred()) {
            std::unique_lock lock(m_mutex);
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline)
                return false;
            if (!m_arrived.wait_until(lock, std::min(deadline, now + 5ms), [&] { return !m_calls.empty(); }))
                continue;
            auto call = std::move(m_calls.front());
            m_calls.pop_front();
            lock.unlock();
            call();
        }
        return true;
    }
    size_t waiting()
    {
        std::lock_guard lock(m_mutex);
        return m_calls.size();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<std::function<void()>> m_calls;
};

inline EVENTMSG event(uint32_t message, uint32_t paramL, uint32_t paramH, uint32_t time)
{
    return EVENTMSG { message, paramL, paramH, time, 0 };
}

inline std::unique_ptr<TBaseCtrlEX> delayAction(int32_t ms)
{
    return TBaseCtrlEX::CreateDelay(ms);
}

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest()
    {
        hotKeys = std::make_unique<FakeHotKeys>(trace);
        recorder = std::make_unique<FakeRecorder>(trace);
    }
    ~ControllerTest() override { ctrl.reset(); }

    TMouseCtrl& make(std::shared_ptr<Waiter> waiter = nullptr)
    {
        ControllerServices services;
        services.configPath = dir / "config.xml";
        services.hotKeys = hotKeys.get();
        services.recorder = recorder.get();
        services.playbackDesktop = [this] { return makeFakePlatform(FakeOptions { trace, {}, { 0, 0 }, true }); };
        services.waiter = waiter ? waiter : makeTraceWaiter(trace);
        services.post = [this](std::function<void()> call) { ui.post(std::move(call)); };
        services.remoteControl = remoteControl;
        services.compositorKeys = compositorKeys;
        services.recoveryInterval = recoveryInterval;
        ctrl = std::make_unique<TMouseCtrl>(view, std::move(services));
        ctrl->Start();
        return *ctrl;
    }
    // Fills the list with delay actions of 1, 2, ... ms, so rows are easy to tell apart.
    void fill(int count)
    {
        for (int i = 1; i <= count; ++i) {
            ctrl->Select(-1);
            ctrl->AddAction(delayAction(i));
        }
    }
    std::vector<int32_t> delays() const
    {
        std::vector<int32_t> out;
        for (const auto& action : ctrl->Actions())
            out.push_back(action->delay);
        return out;
    }
    bool traceHas(const std::string& line) const
    {
        auto lines = trace->lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    TempDir dir;
    std::shared_ptr<FakeTrace> trace = std::make_shared<FakeTrace>();
    std::unique_ptr<FakeHotKeys> hotKeys;
    std::unique_ptr<FakeRecorder> recorder;
    // Set before make() to give the controller these services.
    std::function<Result<std::unique_ptr<ControlServer>>(ControlServer::Handler)> remoteControl;
    CompositorKeys* compositorKeys = nullptr;
    std::chrono::milliseconds recoveryInterval { 0 };
    ScriptedView view;
    UiQueue ui;
    std::unique_ptr<TMouseCtrl> ctrl;
};

} // namespace clickwisp::test
