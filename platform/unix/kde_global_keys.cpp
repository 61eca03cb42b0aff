// Hot keys through KDE's global shortcut service (org.kde.kglobalaccel):
// method calls on the caller's thread over one connection, the key signals
// on a thread of their own over another.
#include "platform/unix/kde_global_keys.h"

#include "platform/dbus_connection.h"
#include "platform/stop_request.h"
#include "platform/unix/desktop_keys.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <mutex>
#include <thread>

namespace clickwisp {

namespace {

constexpr const char* kService = "org.kde.kglobalaccel";
constexpr const char* kPath = "/kglobalaccel";
constexpr const char* kInterface = "org.kde.KGlobalAccel";
constexpr const char* kComponentInterface = "org.kde.kglobalaccel.Component";
constexpr const char* kComponent = "io.github.clickwisp.Clickwisp";
constexpr const char* kComponentName = "Clickwisp";
// The component's object: the service makes its path of the name, every
// character but letters and digits an underscore. It exists once the
// component has an action; a signal subscription may come before.
constexpr const char* kComponentPath = "/component/io_github_clickwisp_Clickwisp";

// KGlobalAccel's setter flags.
constexpr uint32_t kSetPresent = 2, kNoAutoloading = 4, kIsDefault = 8;

// Qt's modifier bits and key codes, as KDE's service stores keys.
constexpr int32_t kShift = 0x02000000, kCtrl = 0x04000000, kAlt = 0x08000000, kMeta = 0x10000000;
constexpr int32_t kModifiers = kShift | kCtrl | kAlt | kMeta | 0x20000000;
constexpr int32_t kKeyF1 = 0x01000030, kKeyF35 = 0x01000052;

struct SpecialKey {
    int32_t code;
    const char* name;
};
constexpr std::array kSpecialKeys
    = { SpecialKey { 0x01000000, "Esc" }, SpecialKey { 0x01000001, "Tab" }, SpecialKey { 0x01000003, "Backspace" },
          SpecialKey { 0x01000004, "Return" }, SpecialKey { 0x01000005, "Enter" }, SpecialKey { 0x01000006, "Ins" },
          SpecialKey { 0x01000007, "Del" }, SpecialKey { 0x01000008, "Pause" }, SpecialKey { 0x01000009, "Print" },
          SpecialKey { 0x01000010, "Home" }, SpecialKey { 0x01000011, "End" }, SpecialKey { 0x01000012, "Left" },
          SpecialKey { 0x01000013, "Up" }, SpecialKey { 0x01000014, "Right" }, SpecialKey { 0x01000015, "Down" },
          SpecialKey { 0x01000016, "PgUp" }, SpecialKey { 0x01000017, "PgDown" }, SpecialKey { 0x20, "Space" } };

DbusValue actionId(const std::string& action, const std::string& description)
{
    return DbusValue::array("s", { kComponent, action, kComponentName, description });
}

// KDE's a(ai): key sequences of exactly four key codes each, 0 for none
// (KDE's reader takes four; fewer make KWin abort).
DbusValue keySequences(const std::vector<int32_t>& codes)
{
    std::vector<DbusValue> sequences;
    for (int32_t code : codes)
        sequences.push_back(DbusValue::structure({ DbusValue::array("i", { code, 0, 0, 0 }) }));
    return DbusValue::array("(ai)", std::move(sequences));
}

// The first code of each key sequence in an a(ai) reply.
std::vector<int32_t> firstCodes(const DbusValue& sequences)
{
    std::vector<int32_t> codes;
    if (const auto* items = sequences.items()) {
        for (const auto& sequence : *items) {
            const auto* fields = sequence.fields();
            const auto* keys = fields && !fields->empty() ? fields->front().items() : nullptr;
            const int32_t* code = keys && !keys->empty() ? keys->front().get<int32_t>() : nullptr;
            if (code && *code)
                codes.push_back(*code);
        }
    }
    return codes;
}

struct Binding {
    std::string action;
    std::vector<ControlCommand> commands;
};
using Bindings = std::vector<Binding>;

class KdeGlobalKeys : public CompositorKeys {
public:
    explicit KdeGlobalKeys(std::filesystem::path controlSocket)
        : m_controlSocket(std::move(controlSocket))
        , m_bindings(std::make_shared<const Bindings>())
    {
    }

    ~KdeGlobalKeys() override
    {
        m_stop.request();
        if (m_listener.joinable())
            m_listener.join();
    }

    std::string name() const override { return "KDE's global shortcuts"; }

    Result<void> bindKeys(const std::vector<CommandKey>& keys) override
    {
        auto connected = connect();
        if (!connected)
            return std::unexpected(connected.error());
        std::vector<std::string> problems;
        auto bindings = std::make_shared<Bindings>();
        std::vector<Trigger> triggers;
        for (const CommandKey& key : keys) {
            const std::string action = CommandKeyId(key);
            const std::string description = CommandKeyDescription(key);
            auto keysInEffect = bindOne(action, description, KdeKeyCode(key.hotKeyText));
            if (!keysInEffect) {
                problems.push_back(key.hotKeyText + ": " + keysInEffect.error().message);
                triggers.push_back({ key.hotKeyText, description, "" });
                continue;
            }
            std::string text;
            for (int32_t code : *keysInEffect)
                text += (text.empty() ? "" : ", ") + KdeKeyText(code);
            triggers.push_back({ key.hotKeyText, description, text });
            bindings->push_back({ action, key.commands });
        }
        // Actions of an earlier binding that this one no longer has (start
        // and stop now on one key) give their keys back.
        for (const auto& old : *currentBindings()) {
            if (std::none_of(
                    bindings->begin(), bindings->end(), [&](const Binding& b) { return b.action == old.action; }))
                (void)m_bus->call({ kService, kPath, kInterface, "setInactive", { actionId(old.action, "") } });
        }
        setBindings(std::move(bindings));
        m_triggers = std::move(triggers);
        auto result = JoinedProblems("KDE did not bind every hot key: ", problems);
        return result
            ? result
            : fail(result.error().message + ". Choose other keys in Options, or in System Settings > Shortcuts");
    }

    Result<void> unbindKeys() override
    {
        std::vector<std::string> problems;
        auto bindings = currentBindings();
        setBindings(std::make_shared<const Bindings>());
        m_triggers.clear();
        if (!m_bus)
            return {};
        for (const auto& binding : *bindings) {
            if (auto done
                = m_bus->call({ kService, kPath, kInterface, "setInactive", { actionId(binding.action, "") } });
                !done)
                problems.push_back(binding.action + ": " + done.error().message);
        }
        return JoinedProblems("KDE kept hot keys it was asked to release: ", problems);
    }

    std::vector<Trigger> triggers() const override { return m_triggers; }

private:
    // The calls' connection and, once, the listener's thread.
    Result<void> connect()
    {
        if (m_bus)
            return {};
        auto bus = DbusConnection::openSession();
        if (!bus)
            return fail("KDE's global shortcuts: " + bus.error().message);
        auto listener = DbusConnection::openSession();
        if (!listener)
            return fail("KDE's global shortcuts: " + listener.error().message);
        auto released = (*listener)->subscribe({ kComponentPath, kComponentInterface, "globalShortcutReleased" },
            [this](const DbusSignal& signal) { onReleased(signal); });
        if (!released)
            return fail("KDE's global shortcuts: " + released.error().message);
        m_bus = std::move(*bus);
        m_listener
            = std::thread([this, listener = std::shared_ptr<DbusConnection>(std::move(*listener)),
                              subscription = std::make_shared<DbusSubscription>(std::move(*released))]() mutable {
                  (void)listener->waitUntil([] { return false; }, std::chrono::hours(24 * 365), "hot keys", &m_stop);
                  subscription.reset();
              });
        return {};
    }

    // Registers the action with code as its default and makes it present.
    // The keys in effect: the user's own choice where they changed it in
    // System Settings, else code; empty when another holder has the key.
    Result<std::vector<int32_t>> bindOne(const std::string& action, const std::string& description, int32_t code)
    {
        if (!code)
            return fail("not a key KDE's shortcuts can hold");
        const DbusValue id = actionId(action, description);
        if (auto registered = m_bus->call({ kService, kPath, kInterface, "doRegister", { id } }); !registered)
            return std::unexpected(registered.error());
        auto current = m_bus->call({ kService, kPath, kInterface, "shortcutKeys", { id } });
        auto defaults = m_bus->call({ kService, kPath, kInterface, "defaultShortcutKeys", { id } });
        const std::vector<int32_t> stored
            = current && !current->empty() ? firstCodes(current->front()) : std::vector<int32_t>();
        const std::vector<int32_t> storedDefault
            = defaults && !defaults->empty() ? firstCodes(defaults->front()) : std::vector<int32_t>();
        const std::vector<int32_t> wanted { code };
        // Keys the user set in the desktop's settings differ from the
        // default we gave: those stay; otherwise the keys follow ours.
        const bool userChoice = !stored.empty() && stored != storedDefault;
        (void)m_bus->call({ kService, kPath, kInterface, "setShortcutKeys", { id, keySequences(wanted), kIsDefault } });
        auto set = m_bus->call({ kService, kPath, kInterface, "setShortcutKeys",
            { id, keySequences(userChoice ? stored : wanted),
                userChoice ? kSetPresent : kSetPresent | kNoAutoloading } });
        if (!set)
            return std::unexpected(set.error());
        std::vector<int32_t> inEffect = set->empty() ? std::vector<int32_t>() : firstCodes(set->front());
        if (inEffect.empty())
            return fail(holderOf(code));
        return inEffect;
    }

    // Who holds code, for the message.
    std::string holderOf(int32_t code)
    {
        auto holders = m_bus->call({ kService, kPath, kInterface, "getGlobalShortcutsByKey", { code } });
        const auto* items = holders && !holders->empty() ? holders->front().items() : nullptr;
        if (items && !items->empty()) {
            const auto* fields = items->front().fields();
            if (fields && fields->size() >= 4) {
                const auto* friendly = (*fields)[1].get<std::string>();
                const auto* component = (*fields)[3].get<std::string>();
                if (friendly && component)
                    return "KDE Plasma uses it for '" + *friendly + "' (" + *component + ")";
            }
        }
        return "KDE Plasma gave it to another program";
    }

    // On the listener's thread: the commands of the binding let go of.
    void onReleased(const DbusSignal& signal)
    {
        if (signal.arguments.size() < 2)
            return;
        const auto* component = signal.arguments[0].get<std::string>();
        const auto* action = signal.arguments[1].get<std::string>();
        if (!component || !action || *component != kComponent)
            return;
        const auto bindings = currentBindings();
        for (const auto& binding : *bindings) {
            if (binding.action == *action)
                SendKeyCommands(m_controlSocket, binding.commands);
        }
    }

    std::shared_ptr<const Bindings> currentBindings() const
    {
        std::lock_guard lock(m_bindingsMutex);
        return m_bindings;
    }

    void setBindings(std::shared_ptr<const Bindings> bindings)
    {
        std::lock_guard lock(m_bindingsMutex);
        m_bindings = std::move(bindings);
    }

    std::filesystem::path m_controlSocket;
    std::unique_ptr<DbusConnection> m_bus;
    // The bindings the listener's thread reads, replaced whole by bindKeys.
    mutable std::mutex m_bindingsMutex;
    std::shared_ptr<const Bindings> m_bindings;
    std::vector<Trigger> m_triggers;
    StopRequest m_stop;
    std::thread m_listener;
};

} // namespace

std::unique_ptr<CompositorKeys> makeKdeGlobalKeys(std::filesystem::path controlSocket)
{
    return std::make_unique<KdeGlobalKeys>(std::move(controlSocket));
}

bool KdeGlobalKeysRunning()
{
    auto bus = DbusConnection::openSession();
    if (!bus)
        return false;
    auto owned = (*bus)->nameHasOwner(kService);
    return owned && *owned;
}

int32_t KdeKeyCode(std::string_view text)
{
    int32_t modifiers = 0;
    for (;;) {
        if (text.starts_with("CTRL+")) {
            modifiers |= kCtrl;
            text.remove_prefix(5);
        } else if (text.starts_with("ALT+")) {
            modifiers |= kAlt;
            text.remove_prefix(4);
        } else if (text.starts_with("SHIFT+")) {
            modifiers |= kShift;
            text.remove_prefix(6);
        } else {
            break;
        }
    }
    if (text.size() >= 2 && text[0] == 'F') {
        int number = 0;
        for (char c : text.substr(1))
            number = c >= '0' && c <= '9' && number < 100 ? number * 10 + (c - '0') : 1000;
        if (number >= 1 && kKeyF1 + number - 1 <= kKeyF35)
            return modifiers | (kKeyF1 + number - 1);
    }
    if (text.size() == 1 && text[0] > ' ' && text[0] < 0x7F)
        return modifiers | int32_t(std::toupper(static_cast<unsigned char>(text[0])));
    return 0;
}

std::string KdeKeyText(int32_t code)
{
    if (code == 0)
        return {};
    std::string text;
    if (code & kMeta)
        text += "Meta+";
    if (code & kCtrl)
        text += "Ctrl+";
    if (code & kAlt)
        text += "Alt+";
    if (code & kShift)
        text += "Shift+";
    const int32_t key = code & ~kModifiers;
    if (key >= kKeyF1 && key <= kKeyF35)
        return text + "F" + std::to_string(key - kKeyF1 + 1);
    for (const auto& special : kSpecialKeys) {
        if (special.code == key)
            return text + special.name;
    }
    if (key > 0x20 && key < 0x7F)
        return text + char(key);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", unsigned(key));
    return text + "key " + hex;
}

} // namespace clickwisp
