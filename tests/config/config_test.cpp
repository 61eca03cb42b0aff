// config.xml: defaults, bindings, saving and recovery from broken files.
#include "config/config.h"
#include "core/product_info.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cstdlib>

namespace clickwisp {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

// The default text with one attribute's value replaced.
std::string defaultWith(const std::string& from, const std::string& to)
{
    std::string text(DefaultConfigText);
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

void expectDefaultSettings(TConfig& config)
{
    EXPECT_EQ(config.GetConfig().versionNo(), "2.0");
    EXPECT_EQ(config.GetConfig().generated(), kProductWebAddress);
    TXMLFrameType frame = config.GetFrame();
    EXPECT_EQ(frame.running(), "rbNormal");
    EXPECT_EQ(frame.left(), 316);
    EXPECT_EQ(frame.top(), 178);
    EXPECT_EQ(frame.height(), 500);
    EXPECT_EQ(frame.width(), 700);
    EXPECT_FALSE(frame.max());
    TXMLShadeType shade = config.GetShade();
    EXPECT_TRUE(shade.mousemove());
    EXPECT_TRUE(shade.keyboard());
    EXPECT_EQ(shade.start(), 1);
    EXPECT_EQ(shade.stop(), 2);
    TXMLRunningType running = config.GetRunning();
    EXPECT_EQ(running.start(), 1);
    EXPECT_EQ(running.stop(), 2);
    EXPECT_EQ(running.interval(), 1000);
    EXPECT_EQ(running.speed(), 0);
    EXPECT_EQ(running.repeat(), 1);
    EXPECT_EQ(running.times(), 1);
    TXMLColsType cols = config.GetCols();
    ASSERT_EQ(cols.Count(), 3);
    const char* names[] = { "No.", "Type", "Action" };
    const int widths[] = { 45, 100, 272 };
    for (int i = 0; i < 3; ++i) {
        TXMLColType col = cols.Col(i);
        EXPECT_EQ(col.id(), i);
        EXPECT_EQ(col.Name(), names[i]);
        EXPECT_EQ(col.Align(), "left");
        EXPECT_EQ(col.Color(), "");
        EXPECT_TRUE(col.Visible());
        EXPECT_EQ(col.Width(), widths[i]);
        EXPECT_EQ(col.Index(), i);
    }
}

TEST(ConfigDefaults, NoFileCreatesTheDefaultText)
{
    TempDir dir;
    const auto path = dir / "sub" / "config.xml";
    TConfig config(path);
    EXPECT_FALSE(config.LoadWarning()) << *config.LoadWarning();
    EXPECT_EQ(readFile(path), DefaultConfigText);
    expectDefaultSettings(config);
}

TEST(ConfigDefaults, OtherVersionsAreReplacedAndKeptAside)
{
    for (const std::string version :
        { "versionNo=\"2.00\"", "versionNo=\"1.0\"", "versionNo=\"\"", "versionNo=\" 2.0\"", "versionno=\"2.0\"" }) {
        SCOPED_TRACE(version);
        TempDir dir;
        std::string old = defaultWith("versionNo=\"2.0\"", version);
        old.replace(old.find("left=\"316\""), 10, "left=\"999\"");
        writeFile(dir / "config.xml", old);
        TConfig config(dir / "config.xml");
        EXPECT_FALSE(config.LoadWarning()) << "another version is replaced quietly";
        EXPECT_EQ(readFile(dir / "config.xml"), DefaultConfigText);
        EXPECT_EQ(readFile(dir / "config.xml.bad"), old);
        expectDefaultSettings(config);
    }
}

TEST(ConfigRecovery, BrokenFilesFallBackToDefaultsAndAreKept)
{
    struct Case {
        std::string content;
        std::string reason; // part of the warning
    };
    const Case cases[] = {
        { "<config versionNo=\"2.0\"><frame left=\"1\"></config>", "not well-formed XML" },
        { "", "not well-formed XML" },
        { "<settings versionNo=\"2.0\"/>", "root element is 'settings'" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        TempDir dir;
        const auto path = dir / "config.xml";
        writeFile(path, c.content);
        TConfig config(path);
        ASSERT_TRUE(config.LoadWarning());
        const std::string& warning = *config.LoadWarning();
        EXPECT_NE(warning.find(path.string()), std::string::npos) << warning;
        EXPECT_NE(warning.find(c.reason), std::string::npos) << warning;
        EXPECT_NE(warning.find("config.xml.bad"), std::string::npos) << warning;
        EXPECT_EQ(readFile(dir / "config.xml.bad"), c.content) << "nothing lost";
        EXPECT_EQ(readFile(path), DefaultConfigText);
        expectDefaultSettings(config);
    }
}

TEST(ConfigRecovery, AValueThatDoesNotConvertTakesItsDefaultAndTheRestIsKept)
{
    struct Case {
        std::string from, to;
        std::string reason; // part of the warning
    };
    const Case cases[] = {
        { "left=\"316\"", "left=\"abc\"", "element frame, attribute left: 'abc' is not a 32-bit integer, 316 is used" },
        { "top=\"178\"", "top=\"99999999999\"", "attribute top: '99999999999'" },
        { "max=\"False\"", "max=\"1\"", "element frame, attribute max: '1' is not True or False, False is used" },
        { "keyboard=\"True\"", "keyboard=\"\"", "element shade, attribute keyboard: '' is not True or False" },
        { "interval=\"1000\"", "interval=\"1s\"", "element running, attribute interval: '1s'" },
        { "Width=\"100\"", "Width=\"wide\"",
            "element col 1, attribute Width: 'wide' is not a 32-bit integer, 100 is used" },
        { "Visible=\"True\" Width=\"272\"", "Visible=\"yes\" Width=\"272\"",
            "element col 2, attribute Visible: 'yes'" },
    };
    for (const Case& c : cases) {
        // speed 3 stands for every setting the user chose.
        std::string content = defaultWith(c.from, c.to);
        content.replace(content.find("speed=\"0\""), 9, "speed=\"3\"");
        SCOPED_TRACE(content);
        TempDir dir;
        const auto path = dir / "config.xml";
        writeFile(path, content);
        TConfig config(path);
        ASSERT_TRUE(config.LoadWarning());
        const std::string& warning = *config.LoadWarning();
        EXPECT_NE(warning.find(path.string()), std::string::npos) << warning;
        EXPECT_NE(warning.find(c.reason), std::string::npos) << warning;
        EXPECT_FALSE(std::filesystem::exists(dir / "config.xml.bad"));
        EXPECT_EQ(readFile(path), content) << "the file stays until the settings are saved";
        EXPECT_EQ(config.GetRunning().speed(), 3);
        config.GetRunning().setSpeed(0);
        expectDefaultSettings(config);
    }

    // Two bad values: one warning names both.
    TempDir dir;
    std::string two = defaultWith("left=\"316\"", "left=\"x\"");
    two.replace(two.find("max=\"False\""), 11, "max=\"yes\"");
    writeFile(dir / "config.xml", two);
    TConfig config(dir / "config.xml");
    ASSERT_TRUE(config.LoadWarning());
    EXPECT_NE(config.LoadWarning()->find("attribute left: 'x'"), std::string::npos) << *config.LoadWarning();
    EXPECT_NE(config.LoadWarning()->find("attribute max: 'yes'"), std::string::npos) << *config.LoadWarning();
}

TEST(ConfigRecovery, MissingPartsReadAsDefaults)
{
    TempDir dir;
    writeFile(dir / "config.xml",
        "<config versionNo=\"2.0\"><frame left=\"5\" max=\"TRUE\"/>"
        "<cols><col Name=\"Action\"/><col/><col Width=\"7\"/><col/></cols></config>");
    TConfig config(dir / "config.xml");
    EXPECT_FALSE(config.LoadWarning());
    EXPECT_EQ(config.GetFrame().left(), 5);
    EXPECT_TRUE(config.GetFrame().max()) << "True in any letter case";
    EXPECT_EQ(config.GetFrame().top(), 178);
    EXPECT_EQ(config.GetShade().stop(), 2);
    EXPECT_TRUE(config.GetShade().mousemove());
    EXPECT_EQ(config.GetRunning().interval(), 1000);
    TXMLColsType cols = config.GetCols();
    ASSERT_EQ(cols.Count(), 4);
    EXPECT_EQ(cols.Col(0).Name(), "Action");
    EXPECT_EQ(cols.Col(0).Width(), 45) << "the width of the first default column";
    EXPECT_EQ(cols.Col(1).Name(), "Type");
    EXPECT_EQ(cols.Col(2).Width(), 7);
    EXPECT_EQ(cols.Col(3).Name(), "");
    EXPECT_EQ(cols.Col(3).Index(), 3);
    EXPECT_TRUE(cols.Col(3).Visible());

    // Elements that are missing altogether come back with their defaults.
    writeFile(dir / "bare.xml", "<config versionNo=\"2.0\"/>");
    TConfig bare(dir / "bare.xml");
    EXPECT_FALSE(bare.LoadWarning());
    expectDefaultSettings(bare);
    bare.GetRunning().setSpeed(-9);
    ASSERT_TRUE(bare.Save());
    TConfig reread(dir / "bare.xml");
    EXPECT_EQ(reread.GetRunning().speed(), -9);
}

TEST(ConfigBindings, SettersAreSeenAtOnceAndSurviveSave)
{
    TempDir dir;
    const auto path = dir / "config.xml";
    {
        TConfig config(path);
        config.GetFrame().setMax(true);
        config.GetFrame().setLeft(-1200);
        config.GetFrame().setWidth(1920);
        config.GetShade().setMousemove(false);
        config.GetShade().setStart(11);
        config.GetRunning().setRepeat(2);
        config.GetRunning().setTimes(2147483647);
        config.GetRunning().setSpeed(-9);
        TXMLColType hidden = config.GetCols().Col(1);
        hidden.setVisible(false);
        hidden.setWidth(33);
        hidden.setIndex(2);
        config.GetCols().Col(0).setAlign("Right");
        config.GetCols().Col(2).setName("Aktion « ü »");
        EXPECT_EQ(config.GetFrame().left(), -1200) << "another binding sees the change";
        EXPECT_FALSE(config.GetShade().mousemove());
        EXPECT_EQ(readFile(path), DefaultConfigText) << "nothing reaches the disk before Save";
        ASSERT_TRUE(config.Save());
        const std::string saved = readFile(path);
        EXPECT_EQ(saved, config.Text());
        EXPECT_TRUE(saved.starts_with("<config versionNo=\"2.0\"")) << "no declaration";
        EXPECT_EQ(saved.find('\n'), std::string::npos);
    }
    TConfig config(path);
    EXPECT_FALSE(config.LoadWarning());
    EXPECT_TRUE(config.GetFrame().max());
    EXPECT_EQ(config.GetFrame().left(), -1200);
    EXPECT_EQ(config.GetFrame().width(), 1920);
    EXPECT_EQ(config.GetFrame().top(), 178);
    EXPECT_FALSE(config.GetShade().mousemove());
    EXPECT_TRUE(config.GetShade().keyboard());
    EXPECT_EQ(config.GetShade().start(), 11);
    EXPECT_EQ(config.GetRunning().repeat(), 2);
    EXPECT_EQ(config.GetRunning().times(), 2147483647);
    EXPECT_EQ(config.GetRunning().speed(), -9);
    TXMLColType hidden = config.GetCols().Col(1);
    EXPECT_FALSE(hidden.Visible());
    EXPECT_EQ(hidden.Width(), 33);
    EXPECT_EQ(hidden.Index(), 2);
    EXPECT_EQ(config.GetCols().Col(0).Align(), "Right") << "stored as written; only the list view interprets it";
    EXPECT_EQ(config.GetCols().Col(2).Name(), "Aktion « ü »");
}

TEST(ConfigBindings, ColumnsPastTheEndReadNothing)
{
    TempDir dir;
    TConfig config(dir / "config.xml");
    for (int index : { -1, 3, 100 }) {
        TXMLColType col = config.GetCols().Col(index);
        EXPECT_FALSE(col.exists());
        EXPECT_EQ(col.Name(), "");
        EXPECT_EQ(col.Width(), 0);
        col.setWidth(5); // ignored
    }
    EXPECT_EQ(config.GetCols().Count(), 3);
    EXPECT_TRUE(config.GetCols().Col(2).exists());
}

TEST(ConfigRecovery, UnusablePathsKeepDefaultsWithAWarning)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "config.xml");
    TConfig folder(dir / "config.xml");
    ASSERT_TRUE(folder.LoadWarning());
    EXPECT_NE(folder.LoadWarning()->find("not a regular file"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "config.xml")) << "left alone";
    expectDefaultSettings(folder);

    writeFile(dir / "file", "x");
    TConfig blocked(dir / "file" / "config.xml");
    ASSERT_TRUE(blocked.LoadWarning());
    EXPECT_NE(blocked.LoadWarning()->find((std::filesystem::path("file") / "config.xml").string()), std::string::npos)
        << *blocked.LoadWarning();
    expectDefaultSettings(blocked);
    EXPECT_FALSE(blocked.Save().has_value());
}

void setVariable(const std::string& name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void unsetVariable(const std::string& name)
{
#ifdef _WIN32
    _putenv_s(name.c_str(), "");
#else
    unsetenv(name.c_str());
#endif
}

// The folder of the running test program (a build folder, writable).
std::filesystem::path ownFolder()
{
#ifdef _WIN32
    std::wstring own(32768, L'\0');
    own.resize(GetModuleFileNameW(nullptr, own.data(), DWORD(own.size())));
    return std::filesystem::path(own).parent_path();
#else
    return std::filesystem::canonical("/proc/self/exe").parent_path();
#endif
}

class ConfigLocation : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "XDG_CONFIG_HOME", "HOME", "APPDATA" }) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setVariable(name, *value);
            else
                unsetVariable(name);
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(ConfigLocation, ExecutableFolderWhenWritableElseUserConfigFolder)
{
    TempDir dir;
    EXPECT_EQ(TConfig::DefaultConfigPath(dir.path()), dir / "config.xml");
    EXPECT_EQ(TConfig::SettingsFolder(dir.path()), dir.path());

    const auto unusable = dir / "no-such-folder";
#ifdef _WIN32
    setVariable("APPDATA", (dir / "roaming").string());
    EXPECT_EQ(TConfig::DefaultConfigPath(unusable), dir / "roaming" / "Clickwisp" / "config.xml");
    const auto user = dir / "roaming" / "Clickwisp";
#else
    setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    EXPECT_EQ(TConfig::DefaultConfigPath(unusable), dir / "xdg" / "clickwisp" / "config.xml");

    setenv("XDG_CONFIG_HOME", "relative/path", 1); // not absolute: ignored
    setenv("HOME", (dir / "home").c_str(), 1);
    EXPECT_EQ(TConfig::DefaultConfigPath(unusable), dir / "home" / ".config" / "clickwisp" / "config.xml");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(TConfig::DefaultConfigPath(unusable), dir / "home" / ".config" / "clickwisp" / "config.xml");
    // An installed program keeps its settings with the user even when it may
    // write to its own folder (as root may).
    EXPECT_EQ(TConfig::DefaultConfigPath("/usr/bin"), dir / "home" / ".config" / "clickwisp" / "config.xml");
    EXPECT_EQ(TConfig::DefaultConfigPath("/usr/local/bin"), dir / "home" / ".config" / "clickwisp" / "config.xml");
    const auto user = dir / "home" / ".config" / "clickwisp";
#endif

    // A folder an installer put the programs in leaves the settings with the
    // user, though it is writable.
    const auto installed = dir / "Programs" / "Clickwisp";
    std::filesystem::create_directories(installed);
    writeFile(installed / std::string(kInstalledMarker), "installed\n");
    EXPECT_EQ(TConfig::SettingsFolder(installed), user);
    EXPECT_EQ(TConfig::DefaultConfigPath(installed), user / "config.xml");

    // The running test program's own folder (a build folder) is writable.
    const auto own = TConfig::DefaultConfigPath();
    EXPECT_EQ(own.filename(), "config.xml");
    EXPECT_TRUE(std::filesystem::equivalent(own.parent_path(), ownFolder()));
}

} // namespace
} // namespace clickwisp
