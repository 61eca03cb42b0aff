// Hot keys through the GlobalShortcuts portal. A portal session belongs to
// the connection that made it, which alone receives its Activated and
// Deactivated signals: every call and every signal is on one thread with
// one connection, and bindKeys and unbindKeys hand their work to it.
#include "platform/unix/portal_global_keys.h"

#include "platform/portal_request.h"
#include "platform/stop_request.h"
#include "platform/unix/desktop_keys.h"

#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace clickwisp {

namespace {

constexpr const char* kInterface = "org.freedesktop.portal.GlobalShortcuts";
// The desktop may ask the user about the keys before it answers.
constexpr std::chrono::minutes kBindTimeout { 2 };
constexpr std::chrono::seconds kCallTimeout { 25 };

class PortalGlobalKeys : public CompositorKeys {
public:
    explicit PortalGlobalKeys(std::filesystem::path controlSocket)
        : m_controlSocket(std::move(controlSocket))
    {
        m_thread = std::thread([this] { serve(); });
    }

    ~PortalGlobalKeys() override
    {
        m_stop.request();
        m_thread.join();
    }

    std::string name() const override { return "the desktop portal's global shortcuts"; }

    Result<void> bindKeys(const std::vector<CommandKey>& keys) override
    {
        return onThread([this, keys] { return bind(keys); });
    }

    Result<void> unbindKeys() override
    {
        return onThread([this]() -> Result<void> {
            m_session.reset();
            m_bound.clear();
            m_triggers.clear();
            publishTriggers();
            return {};
        });
    }

    std::vector<Trigger> triggers() const override
    {
        std::lock_guard lock(m_mutex);
        return m_triggersCopy;
    }

private:
    using Task = std::function<Result<void>()>;

    // Runs task on the portal's thread and waits for its result.
    Result<void> onThread(Task task)
    {
        std::packaged_task<Result<void>()> work(std::move(task));
        auto result = work.get_future();
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(work));
        }
        m_hasTasks = true;
        return result.get();
    }

    void serve()
    {
        auto opened = DbusConnection::openSession();
        if (opened) {
            m_bus = std::move(*opened);
            auto activated = m_bus->subscribe({ kPortalPath, kInterface, "Deactivated" },
                [this](const DbusSignal& signal) { onDeactivated(signal); });
            if (activated)
                m_signals = std::move(*activated);
        } else {
            m_busProblem = opened.error().message;
        }
        while (!m_stop.requested()) {
            runTasks();
            // A task cannot wake the wait: it is looked for this often.
            if (m_bus)
                (void)m_bus->waitUntil(
                    [this] { return m_hasTasks.load(); }, std::chrono::milliseconds(50), "the desktop portal", &m_stop);
            else
                m_stop.waitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(50));
        }
        runTasks();
        m_session.reset();
        m_signals = {};
        m_bus.reset();
    }

    void runTasks()
    {
        std::deque<std::packaged_task<Result<void>()>> tasks;
        {
            std::lock_guard lock(m_mutex);
            tasks.swap(m_tasks);
            m_hasTasks = false;
        }
        for (auto& task : tasks)
            task();
    }

    // On the portal's thread: a new session with these shortcuts.
    Result<void> bind(const std::vector<CommandKey>& keys)
    {
        m_session.reset();
        m_bound.clear();
        m_triggers.clear();
        publishTriggers();
        if (!m_bus)
            return fail("the desktop portal's global shortcuts: " + m_busProblem);
        auto session = PortalSession::create(*m_bus, kInterface, {}, kCallTimeout);
        if (!session)
            return fail("the desktop portal's global shortcuts: " + session.error().message);
        std::vector<DbusValue> shortcuts;
        for (const CommandKey& key : keys) {
            shortcuts.push_back(DbusValue::structure({ CommandKeyId(key),
                DbusValue::vardict(
                    { { "description", CommandKeyDescription(key) }, { "preferred_trigger", key.hotKeyText } }) }));
        }
        const PortalCall call { kInterface, "BindShortcuts",
            { (*session)->handle(), DbusValue::array("(sa{sv})", std::move(shortcuts)), "" }, {} };
        auto response = callPortalRequest(*m_bus, call, kBindTimeout, &m_stop);
        if (!response)
            return fail("the desktop portal's global shortcuts: " + response.error().message);
        if (response->outcome != PortalOutcome::Ok)
            return fail(response->outcome == PortalOutcome::Refused
                    ? "the desktop was not allowed to bind the hot keys"
                    : "the desktop portal ended the binding of the hot keys");
        // The desktop's answer: each shortcut it bound, with its keys as
        // the desktop names them.
        std::map<std::string, std::string> bound;
        const auto answered = response->results.find("shortcuts");
        if (const auto* items = answered == response->results.end() ? nullptr : answered->second.items()) {
            for (const auto& item : *items) {
                const auto* fields = item.fields();
                const auto* id = fields && fields->size() == 2 ? (*fields)[0].get<std::string>() : nullptr;
                const auto options = fields && fields->size() == 2 ? (*fields)[1].vardict() : std::nullopt;
                if (!id || !options)
                    continue;
                const auto trigger = options->find("trigger_description");
                const auto* text = trigger == options->end() ? nullptr : trigger->second.get<std::string>();
                bound[*id] = text ? *text : "";
            }
        }
        std::vector<std::string> problems;
        for (const CommandKey& key : keys) {
            const auto it = bound.find(CommandKeyId(key));
            m_triggers.push_back({ key.hotKeyText, CommandKeyDescription(key), it == bound.end() ? "" : it->second });
            if (it == bound.end())
                problems.push_back(key.hotKeyText);
            else
                m_bound.push_back({ it->first, key.commands });
        }
        m_session = std::move(*session);
        publishTriggers();
        if (m_bound.empty())
            return fail("the desktop portal bound none of the hot keys (KDE Plasma 5.27's portal binds none)");
        return JoinedProblems("the desktop portal did not bind ", problems);
    }

    void publishTriggers()
    {
        std::lock_guard lock(m_mutex);
        m_triggersCopy = m_triggers;
    }

    // On the portal's thread: a key of our session was let go.
    void onDeactivated(const DbusSignal& signal)
    {
        if (!m_session || signal.arguments.size() < 2)
            return;
        const auto* session = signal.arguments[0].get<DbusObjectPath>();
        const auto* id = signal.arguments[1].get<std::string>();
        if (!session || !id || session->path != m_session->handle().path)
            return;
        for (const auto& binding : m_bound) {
            if (binding.id == *id)
                SendKeyCommands(m_controlSocket, binding.commands);
        }
    }

    struct Bound {
        std::string id;
        std::vector<ControlCommand> commands;
    };

    std::filesystem::path m_controlSocket;
    // Touched on the portal's thread only.
    std::unique_ptr<DbusConnection> m_bus;
    std::string m_busProblem;
    DbusSubscription m_signals;
    std::unique_ptr<PortalSession> m_session;
    std::vector<Bound> m_bound;
    std::vector<Trigger> m_triggers;
    // Shared with the callers' thread.
    mutable std::mutex m_mutex;
    std::deque<std::packaged_task<Result<void>()>> m_tasks;
    std::atomic<bool> m_hasTasks { false };
    std::vector<Trigger> m_triggersCopy;
    StopRequest m_stop;
    std::thread m_thread;
};

} // namespace

std::unique_ptr<CompositorKeys> makePortalGlobalKeys(std::filesystem::path controlSocket)
{
    return std::make_unique<PortalGlobalKeys>(std::move(controlSocket));
}

uint32_t PortalGlobalKeysVersion()
{
    auto bus = DbusConnection::openSession();
    if (!bus)
        return 0;
    auto version = portalVersion(**bus, kInterface);
    return version ? *version : 0;
}

} // namespace clickwisp
