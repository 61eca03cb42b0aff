// The hot keys as GNOME's custom keyboard shortcuts, in GSettings' memory
// backend (each test process has its own settings, from the installed
// schemas), read back the way GNOME's settings daemon reads them.
#include "platform/gnome/gnome_keys.h"
#include "platform/gnome/gnome_shortcut_text.h"
#include "tests/support/process.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace clickwisp;

namespace {

constexpr const char* kList = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* kShortcut = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const std::string kFolder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

struct Shortcut {
    std::string name, command, binding;
    friend bool operator==(const Shortcut&, const Shortcut&) = default;
};

std::ostream& operator<<(std::ostream& out, const Shortcut& s)
{
    return out << "{" << s.name << " | " << s.command << " | " << s.binding << "}";
}

std::vector<std::string> listed()
{
    GSettings* settings = g_settings_new(kList);
    gchar** paths = g_settings_get_strv(settings, "custom-keybindings");
    std::vector<std::string> list;
    for (gchar** p = paths; *p; ++p)
        list.emplace_back(*p);
    g_strfreev(paths);
    g_object_unref(settings);
    return list;
}

void setListed(const std::vector<std::string>& list)
{
    std::vector<const char*> strings;
    for (const auto& path : list)
        strings.push_back(path.c_str());
    strings.push_back(nullptr);
    GSettings* settings = g_settings_new(kList);
    g_settings_set_strv(settings, "custom-keybindings", strings.data());
    g_object_unref(settings);
}

Shortcut shortcutAt(const std::string& path)
{
    GSettings* settings = g_settings_new_with_path(kShortcut, path.c_str());
    Shortcut s;
    for (auto [key, field] : { std::pair { "name", &s.name }, { "command", &s.command }, { "binding", &s.binding } }) {
        gchar* value = g_settings_get_string(settings, key);
        *field = value;
        g_free(value);
    }
    g_object_unref(settings);
    return s;
}

void writeShortcut(const std::string& path, const Shortcut& s)
{
    GSettings* settings = g_settings_new_with_path(kShortcut, path.c_str());
    g_settings_set_string(settings, "name", s.name.c_str());
    g_settings_set_string(settings, "command", s.command.c_str());
    g_settings_set_string(settings, "binding", s.binding.c_str());
    g_object_unref(settings);
}

const std::string kCli = "/opt/click wisp/clickwisp-cli";
const std::string kQuotedCli = "'/opt/click wisp/clickwisp-cli'";

class GnomeKeysTest : public testing::Test {
protected:
    static void SetUpTestSuite() { setenv("GSETTINGS_BACKEND", "memory", 1); }

    void SetUp() override
    {
        // The user's own shortcut, as GNOME Settings names it.
        setListed({ kFolder + "custom0/" });
        writeShortcut(kFolder + "custom0/", m_users);
        auto keys = makeGnomeKeys(kCli);
        ASSERT_TRUE(keys) << keys.error().message;
        m_keys = std::move(*keys);
    }

    const Shortcut m_users { "Terminal", "gnome-terminal", "<Super>t" };
    std::unique_ptr<CompositorKeys> m_keys;
};

} // namespace

TEST_F(GnomeKeysTest, eachKeyBecomesAShortcutAfterTheUsersOwnExceptOneGnomeUses)
{
    // The defaults: ALT+F2 is GNOME's run dialog, which a shortcut cannot
    // take (GNOME also uses ALT with F1, F4 to F8 and F10; CTRL with F1 to F12
    // only together with ALT).
    auto bound = m_keys->bindKeys(CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F2", "CTRL+F3" }));
    ASSERT_FALSE(bound);
    EXPECT_EQ(bound.error().message,
        "GNOME did not bind every hot key: ALT+F2: GNOME uses it for \"Show the run command prompt\" "
        "(org.gnome.desktop.wm.keybindings panel-run-dialog)");

    EXPECT_EQ(listed(),
        (std::vector<std::string> { kFolder + "custom0/", kFolder + "clickwisp-stop-record/",
            kFolder + "clickwisp-start-run/", kFolder + "clickwisp-stop-run/" }));
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-stop-record/"),
        (Shortcut { "Clickwisp: stop record", kQuotedCli + " remote stop-record", "<Alt>F3" }));
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-start-run/"),
        (Shortcut { "Clickwisp: start run", kQuotedCli + " remote start-run", "<Control>F2" }));
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-stop-run/"),
        (Shortcut { "Clickwisp: stop run", kQuotedCli + " remote stop-run", "<Control>F3" }));
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-start-record/"), Shortcut {});
    EXPECT_EQ(shortcutAt(kFolder + "custom0/"), m_users);
}

TEST_F(GnomeKeysTest, newKeysReplaceOursAndUnbindingLeavesOnlyTheUsers)
{
    ASSERT_TRUE(m_keys->bindKeys(CommandKeysOf({ "ALT+F9", "ALT+F11", "CTRL+F5", "CTRL+F6" })));
    // Options confirmed: one key starts and stops a run.
    ASSERT_TRUE(m_keys->bindKeys(CommandKeysOf({ "ALT+F12", "ALT+F3", "CTRL+F9", "CTRL+F9" })));
    EXPECT_EQ(listed(),
        (std::vector<std::string> { kFolder + "custom0/", kFolder + "clickwisp-start-record/",
            kFolder + "clickwisp-stop-record/", kFolder + "clickwisp-start-run/" }));
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-start-record/").binding, "<Alt>F12");
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-start-run/"),
        (Shortcut { "Clickwisp: start run or stop run",
            "sh -c '" + std::string("'\\''/opt/click wisp/clickwisp-cli'\\'' remote start-run || ")
                + "'\\''/opt/click wisp/clickwisp-cli'\\'' remote stop-run'",
            "<Control>F9" }));
    // The entry no key uses any more is gone with its keys.
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-stop-run/"), Shortcut {});

    ASSERT_TRUE(m_keys->unbindKeys());
    EXPECT_EQ(listed(), std::vector<std::string> { kFolder + "custom0/" });
    EXPECT_EQ(shortcutAt(kFolder + "custom0/"), m_users);
    for (const char* ours : { "start-record", "stop-record", "start-run", "stop-run" })
        EXPECT_EQ(shortcutAt(kFolder + "clickwisp-" + ours + "/"), Shortcut {}) << ours;
}

TEST_F(GnomeKeysTest, entriesACrashedProgramLeftAreReplacedAndLookalikesOfTheUsersKept)
{
    // A program killed while bound left two entries; the user copied one of
    // them into a shortcut of their own, under GNOME Settings' name.
    const Shortcut copy { "Clickwisp: start run", "clickwisp-cli remote start-run", "<Super>r" };
    writeShortcut(kFolder + "custom1/", copy);
    writeShortcut(kFolder + "clickwisp-start-run/",
        { "Clickwisp: start run", "/old/clickwisp-cli remote start-run", "<Control>F2" });
    setListed({ kFolder + "clickwisp-start-run/", kFolder + "custom0/", kFolder + "clickwisp-stop-run/",
        kFolder + "custom1/" });

    ASSERT_TRUE(m_keys->bindKeys(CommandKeysOf({ "ALT+F9", "ALT+F11", "CTRL+F5", "CTRL+F6" })));
    EXPECT_EQ(listed(),
        (std::vector<std::string> { kFolder + "custom0/", kFolder + "custom1/", kFolder + "clickwisp-start-record/",
            kFolder + "clickwisp-stop-record/", kFolder + "clickwisp-start-run/", kFolder + "clickwisp-stop-run/" }));
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-start-run/").command, kQuotedCli + " remote start-run");

    ASSERT_TRUE(m_keys->unbindKeys());
    EXPECT_EQ(listed(), (std::vector<std::string> { kFolder + "custom0/", kFolder + "custom1/" }));
    EXPECT_EQ(shortcutAt(kFolder + "custom1/"), copy);
}

TEST_F(GnomeKeysTest, aKeyOfTheUsersOwnShortcutIsLeftToIt)
{
    writeShortcut(kFolder + "custom0/", { "Terminal", "gnome-terminal", "<Primary>F5" });
    auto bound = m_keys->bindKeys(CommandKeysOf({ "ALT+F9", "ALT+F11", "CTRL+F5", "CTRL+F6" }));
    ASSERT_FALSE(bound);
    EXPECT_EQ(
        bound.error().message, "GNOME did not bind every hot key: CTRL+F5: your custom shortcut \"Terminal\" uses it");
    EXPECT_EQ(listed().size(), 4u);
    EXPECT_EQ(shortcutAt(kFolder + "custom0/").binding, "<Primary>F5");
    EXPECT_EQ(shortcutAt(kFolder + "clickwisp-start-run/"), Shortcut {});
}

// Without GNOME's schemas GSettings would abort the program: the keys are
// refused instead. A process of its own, so the schemas were never read.
TEST(GnomeKeysWithoutGnome, areRefusedNamingTheMissingSettings)
{
    testing::GTEST_FLAG(death_test_style) = "threadsafe";
    EXPECT_EXIT(
        {
            setenv("GSETTINGS_BACKEND", "memory", 1);
            setenv("XDG_DATA_DIRS", "/nonexistent", 1);
            unsetenv("GSETTINGS_SCHEMA_DIR");
            auto keys = makeGnomeKeys("clickwisp-cli");
            std::fprintf(stderr, "%s\n", keys ? "made" : keys.error().message.c_str());
            std::exit(keys ? 1 : 0);
        },
        testing::ExitedWithCode(0),
        "GNOME's keyboard shortcut settings \\(org.gnome.settings-daemon.plugins.media-keys\\) are not installed");
}

TEST(GnomeShortcutText, acceleratorsAreComparedAsGnomeReadsThem)
{
    EXPECT_EQ(GnomeAccelerator("CTRL+F2"), "<Control>F2");
    EXPECT_EQ(GnomeAccelerator("ALT+F12"), "<Alt>F12");
    EXPECT_TRUE(SameAccelerator("<Control>F2", "<Primary>f2"));
    EXPECT_TRUE(SameAccelerator("<Ctrl><Alt>Delete", "<Alt><Primary>delete"));
    EXPECT_TRUE(SameAccelerator("<Alt>F2", "<Mod1>F2"));
    EXPECT_FALSE(SameAccelerator("<Alt>F2", "<Alt><Shift>F2"));
    EXPECT_FALSE(SameAccelerator("<Alt>F2", "F2"));
    EXPECT_FALSE(SameAccelerator("<Alt>F2", "<Alt>F12"));
    EXPECT_FALSE(SameAccelerator("", ""));
    EXPECT_FALSE(SameAccelerator("disabled", "disabled"));
}

// GNOME splits a shortcut's command into words as a shell would and runs
// it without a shell: the commands, run that way, reach the tool with the
// words intended, even from a folder with blanks and quotes in its name.
TEST(GnomeShortcutText, commandsRunTheToolAsGnomeStartsThem)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "it's a dir");
    const std::string tool = (dir / "it's a dir" / "clickwisp-cli").string();
    const std::string log = (dir / "calls").string();
    // Refuses start-run, as a program that is running refuses it.
    test::writeFile(tool, "#!/bin/sh\necho \"$#:$1:$2\" >> '" + log + "'\n[ \"$2\" = start-run ] && exit 4\nexit 0\n");
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);

    for (const auto& keys : { CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F2", "CTRL+F2" }) }) {
        for (const CommandKey& key : keys) {
            const std::string line = GnomeCommandLine(tool, key);
            gchar** argv = nullptr;
            GError* error = nullptr;
            ASSERT_TRUE(g_shell_parse_argv(line.c_str(), nullptr, &argv, &error)) << line;
            gint status = -1;
            ASSERT_TRUE(g_spawn_sync(
                nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, &status, &error))
                << line;
            g_strfreev(argv);
        }
    }
    EXPECT_EQ(
        test::readFile(log), "2:remote:start-record\n2:remote:stop-record\n2:remote:start-run\n2:remote:stop-run\n");
}
