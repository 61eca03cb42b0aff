// Hot keys as GNOME's custom keyboard shortcuts, through GIO's GSettings.
#include "platform/gnome/gnome_keys.h"

#include "platform/gnome/gnome_shortcut_text.h"

#include <gio/gio.h>

#include <algorithm>
#include <optional>

namespace clickwisp {

namespace {

constexpr const char* kMediaKeysSchema = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* kShortcutSchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr const char* kListKey = "custom-keybindings";
constexpr std::string_view kFolder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
constexpr std::string_view kOurs = "clickwisp-";
// Where GNOME keeps its own shortcuts, which a custom one cannot take.
constexpr const char* kGnomeShortcutSchemas[] = { "org.gnome.desktop.wm.keybindings", "org.gnome.shell.keybindings",
    "org.gnome.mutter.keybindings", "org.gnome.mutter.wayland.keybindings", kMediaKeysSchema };
constexpr ControlCommand kBindable[]
    = { ControlCommand::StartRecord, ControlCommand::StopRecord, ControlCommand::StartRun, ControlCommand::StopRun };

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Settings = std::unique_ptr<GSettings, ObjectUnref>;
struct SchemaUnref {
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
using Schema = std::unique_ptr<GSettingsSchema, SchemaUnref>;
struct VariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using Variant = std::unique_ptr<GVariant, VariantUnref>;
struct StrvFree {
    void operator()(gchar** strings) const { g_strfreev(strings); }
};
using Strings = std::unique_ptr<gchar*, StrvFree>;

// The installed schema id, or null.
Schema lookup(const char* id)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    return Schema(source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr);
}

std::vector<std::string> stringsOf(GSettings* settings, const char* key)
{
    std::vector<std::string> values;
    Strings strings(g_settings_get_strv(settings, key));
    for (gchar** s = strings.get(); s && *s; ++s)
        values.emplace_back(*s);
    return values;
}

std::string stringOf(GSettings* settings, const char* key)
{
    gchar* value = g_settings_get_string(settings, key);
    std::string text = value ? value : "";
    g_free(value);
    return text;
}

bool isOurs(std::string_view path)
{
    return path.starts_with(kFolder) && path.substr(kFolder.size()).starts_with(kOurs);
}

std::string pathOf(ControlCommand command)
{
    return std::string(kFolder) + std::string(kOurs) + ControlCommandName(command) + "/";
}

Settings shortcutAt(const std::string& path)
{
    return Settings(g_settings_new_with_path(kShortcutSchema, path.c_str()));
}

// Whether value (an accelerator or a list of them) holds accelerator.
bool holds(GVariant* value, const std::string& accelerator)
{
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING))
        return SameAccelerator(g_variant_get_string(value, nullptr), accelerator);
    if (!g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY))
        return false;
    for (gsize i = 0; i < g_variant_n_children(value); ++i) {
        Variant item(g_variant_get_child_value(value, i));
        if (SameAccelerator(g_variant_get_string(item.get(), nullptr), accelerator))
            return true;
    }
    return false;
}

// Who already uses accelerator: one of GNOME's own shortcuts, or one of the
// user's custom ones (userPaths); nothing when it is free.
std::optional<std::string> takenBy(const std::string& accelerator, const std::vector<std::string>& userPaths)
{
    for (const char* id : kGnomeShortcutSchemas) {
        Schema schema = lookup(id);
        if (!schema)
            continue;
        Settings settings(g_settings_new(id));
        Strings keys(g_settings_schema_list_keys(schema.get()));
        for (gchar** key = keys.get(); key && *key; ++key) {
            Variant value(g_settings_get_value(settings.get(), *key));
            if (!holds(value.get(), accelerator))
                continue;
            GSettingsSchemaKey* about = g_settings_schema_get_key(schema.get(), *key);
            const char* summary = g_settings_schema_key_get_summary(about);
            std::string text
                = "GNOME uses it for \"" + std::string(summary ? summary : *key) + "\" (" + id + " " + *key + ")";
            g_settings_schema_key_unref(about);
            return text;
        }
    }
    for (const std::string& path : userPaths) {
        Settings shortcut = shortcutAt(path);
        if (SameAccelerator(stringOf(shortcut.get(), "binding"), accelerator))
            return "your custom shortcut \"" + stringOf(shortcut.get(), "name") + "\" uses it";
    }
    return std::nullopt;
}

class GnomeKeys : public CompositorKeys {
public:
    explicit GnomeKeys(std::string cliProgram)
        : m_cliProgram(std::move(cliProgram))
        , m_list(g_settings_new(kMediaKeysSchema))
    {
    }
    std::string name() const override { return "GNOME's keyboard shortcuts"; }

    Result<void> bindKeys(const std::vector<CommandKey>& keys) override
    {
        // Entries of ours already listed (ours from before, or a crashed
        // program's) are replaced; every other entry stays, in its order.
        std::vector<std::string> list = listed();
        std::erase_if(list, isOurs);
        const std::vector<std::string> userPaths = list;
        std::vector<std::string> problems;
        std::vector<std::string> bound;
        for (const CommandKey& key : keys) {
            const std::string accelerator = GnomeAccelerator(key.hotKeyText);
            if (auto user = takenBy(accelerator, userPaths)) {
                problems.push_back(key.hotKeyText + ": " + *user);
                continue;
            }
            const std::string path = pathOf(key.commands.front());
            Settings shortcut = shortcutAt(path);
            const bool written = g_settings_set_string(shortcut.get(), "name", GnomeShortcutName(key).c_str())
                && g_settings_set_string(shortcut.get(), "command", GnomeCommandLine(m_cliProgram, key).c_str())
                && g_settings_set_string(shortcut.get(), "binding", accelerator.c_str());
            if (!written) {
                problems.push_back(key.hotKeyText + ": GNOME's settings do not let programs change " + path);
                continue;
            }
            bound.push_back(path);
            list.push_back(path);
        }
        if (auto stored = store(list); !stored)
            return stored;
        for (ControlCommand command : kBindable) {
            if (std::ranges::find(bound, pathOf(command)) == bound.end())
                reset(pathOf(command));
        }
        g_settings_sync();
        if (problems.empty())
            return {};
        std::string message = "GNOME did not bind every hot key: ";
        for (size_t i = 0; i < problems.size(); ++i)
            message += (i ? "; " : "") + problems[i];
        return fail(message);
    }

    Result<void> unbindKeys() override
    {
        std::vector<std::string> list = listed();
        const size_t before = list.size();
        std::erase_if(list, isOurs);
        Result<void> stored;
        if (list.size() != before)
            stored = store(list);
        for (ControlCommand command : kBindable)
            reset(pathOf(command));
        g_settings_sync();
        return stored;
    }

private:
    std::vector<std::string> listed() const { return stringsOf(m_list.get(), kListKey); }

    Result<void> store(const std::vector<std::string>& list)
    {
        std::vector<const char*> strings;
        for (const std::string& path : list)
            strings.push_back(path.c_str());
        strings.push_back(nullptr);
        if (!g_settings_set_strv(m_list.get(), kListKey, strings.data()))
            return fail(
                std::string("GNOME's settings do not let programs change ") + kMediaKeysSchema + " " + kListKey);
        return {};
    }

    static void reset(const std::string& path)
    {
        Settings shortcut = shortcutAt(path);
        for (const char* key : { "name", "command", "binding" })
            g_settings_reset(shortcut.get(), key);
    }

    std::string m_cliProgram;
    Settings m_list;
};

} // namespace

Result<std::unique_ptr<CompositorKeys>> makeGnomeKeys(std::string cliProgram)
{
    for (const char* id : { kMediaKeysSchema, kShortcutSchema }) {
        if (!lookup(id))
            return fail(std::string("GNOME's keyboard shortcut settings (") + id + ") are not installed");
    }
    return std::make_unique<GnomeKeys>(std::move(cliProgram));
}

} // namespace clickwisp
