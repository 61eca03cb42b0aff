#pragma once

#include "core/error.h"

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace clickwisp {

// The file an installer puts beside the programs it installs (the Windows
// installer does): an installed program keeps its settings in the user's
// folder even where it may write to its own.
inline constexpr std::string_view kInstalledMarker = "clickwisp.installed";

// The built-in config.xml: written when no file exists, and the fallback for
// a file that does not load. One leading blank, blank runs between the
// elements, a tab before each col, trailing blanks, no line break.
extern const std::string_view DefaultConfigText;

// The element bindings are thin handles on one element of the TConfig's
// document: getters convert the attribute text, setters write it back.
// Changes are seen at once by every other binding and reach the disk only
// through TConfig::Save. A binding must not outlive its TConfig. A binding on
// a missing element (a Col index past the end) reads type defaults (0, "",
// false) and ignores writes.
class TXMLConfigBinding {
public:
    explicit TXMLConfigBinding(pugi::xml_node node)
        : m_node(node)
    {
    }
    bool exists() const { return bool(m_node); }

protected:
    int32_t readInt(const char* name) const;
    bool readBool(const char* name) const;
    std::string readText(const char* name) const;
    void writeInt(const char* name, int32_t value);
    void writeBool(const char* name, bool value);
    void writeText(const char* name, std::string_view value);

    pugi::xml_node m_node;
};

// The `frame` element: the main window's bounds. `running` is carried along
// and never interpreted. `limitsnoticed` ("True" once the user was told what
// this desktop does not allow) is written only when set, so a file without it
// stays as it was.
class TXMLFrameType : public TXMLConfigBinding {
public:
    using TXMLConfigBinding::TXMLConfigBinding;
    std::string running() const { return readText("running"); }
    int32_t left() const { return readInt("left"); }
    int32_t top() const { return readInt("top"); }
    int32_t height() const { return readInt("height"); }
    int32_t width() const { return readInt("width"); }
    bool max() const { return readBool("max"); }
    bool limitsnoticed() const { return readBool("limitsnoticed"); }
    void setRunning(std::string_view value) { writeText("running", value); }
    void setLeft(int32_t value) { writeInt("left", value); }
    void setTop(int32_t value) { writeInt("top", value); }
    void setHeight(int32_t value) { writeInt("height", value); }
    void setWidth(int32_t value) { writeInt("width", value); }
    void setMax(bool value) { writeBool("max", value); }
    void setLimitsnoticed(bool value) { writeBool("limitsnoticed", value); }
};

// The `shade` element: recorder options and its hot keys (indexes 0-11 into
// F1-F12, used with ALT).
class TXMLShadeType : public TXMLConfigBinding {
public:
    using TXMLConfigBinding::TXMLConfigBinding;
    bool mousemove() const { return readBool("mousemove"); }
    bool keyboard() const { return readBool("keyboard"); }
    int32_t start() const { return readInt("start"); }
    int32_t stop() const { return readInt("stop"); }
    void setMousemove(bool value) { writeBool("mousemove", value); }
    void setKeyboard(bool value) { writeBool("keyboard", value); }
    void setStart(int32_t value) { writeInt("start", value); }
    void setStop(int32_t value) { writeInt("stop", value); }
};

// The `running` element: playback options and its hot keys (used with CTRL).
class TXMLRunningType : public TXMLConfigBinding {
public:
    using TXMLConfigBinding::TXMLConfigBinding;
    int32_t start() const { return readInt("start"); }
    int32_t stop() const { return readInt("stop"); }
    int32_t interval() const { return readInt("interval"); }
    int32_t speed() const { return readInt("speed"); }
    int32_t repeat() const { return readInt("repeat"); }
    int32_t times() const { return readInt("times"); }
    void setStart(int32_t value) { writeInt("start", value); }
    void setStop(int32_t value) { writeInt("stop", value); }
    void setInterval(int32_t value) { writeInt("interval", value); }
    void setSpeed(int32_t value) { writeInt("speed", value); }
    void setRepeat(int32_t value) { writeInt("repeat", value); }
    void setTimes(int32_t value) { writeInt("times", value); }
};

// One `col` element: a column of the action list. Name selects the content.
class TXMLColType : public TXMLConfigBinding {
public:
    using TXMLConfigBinding::TXMLConfigBinding;
    int32_t id() const { return readInt("id"); }
    std::string Name() const { return readText("Name"); }
    std::string Align() const { return readText("Align"); }
    std::string Color() const { return readText("Color"); }
    bool Visible() const { return readBool("Visible"); }
    int32_t Width() const { return readInt("Width"); }
    int32_t Index() const { return readInt("Index"); }
    void setId(int32_t value) { writeInt("id", value); }
    void setName(std::string_view value) { writeText("Name", value); }
    void setAlign(std::string_view value) { writeText("Align", value); }
    void setColor(std::string_view value) { writeText("Color", value); }
    void setVisible(bool value) { writeBool("Visible", value); }
    void setWidth(int32_t value) { writeInt("Width", value); }
    void setIndex(int32_t value) { writeInt("Index", value); }
};

// The `cols` element: its `col` children in document order.
class TXMLColsType : public TXMLConfigBinding {
public:
    using TXMLConfigBinding::TXMLConfigBinding;
    int Count() const;
    // The index-th col (0-based); a binding on nothing when out of range.
    TXMLColType Col(int index) const;
};

// The `config` root: format version and the informative `generated`.
class TXMLConfigType : public TXMLConfigBinding {
public:
    using TXMLConfigBinding::TXMLConfigBinding;
    std::string versionNo() const { return readText("versionNo"); }
    std::string generated() const { return readText("generated"); }
};

// The settings document, loaded once and written back by Save.
//
// Loading never fails: a missing file is created from DefaultConfigText; a
// file that is not well-formed or whose root is not `config` is moved aside
// to "<name>.bad" and replaced by the default text, and LoadWarning() says
// so. An attribute that does not convert to its type takes its default, the
// rest of the file is kept, and LoadWarning() names each such value.
// A file whose versionNo is not exactly "2.0" is replaced by the default text
// (its old content is also kept as "<name>.bad"). Missing elements and
// attributes take their default values.
class TConfig {
public:
    explicit TConfig(std::filesystem::path fileName);
    ~TConfig();
    TConfig(const TConfig&) = delete;
    TConfig& operator=(const TConfig&) = delete;

    // The folder of config.xml and of everything kept with the settings. A
    // portable copy keeps them beside itself: the folder of the running
    // executable, when that folder is writable, is not a folder of installed
    // programs (/usr/...) and holds no kInstalledMarker. Otherwise the user's
    // folder: $XDG_CONFIG_HOME/clickwisp (by default ~/.config/clickwisp), on
    // Windows %APPDATA%\Clickwisp.
    static std::filesystem::path SettingsFolder();
    // The same rule for a given executable folder (for tests).
    static std::filesystem::path SettingsFolder(const std::filesystem::path& executableFolder);
    // SettingsFolder() / "config.xml".
    static std::filesystem::path DefaultConfigPath();
    static std::filesystem::path DefaultConfigPath(const std::filesystem::path& executableFolder);

    const std::filesystem::path& FileName() const { return m_fileName; }
    // What went wrong while loading, for the user; nothing when all was well.
    const std::optional<std::string>& LoadWarning() const { return m_loadWarning; }

    TXMLConfigType GetConfig() const;
    TXMLFrameType GetFrame() const;
    TXMLShadeType GetShade() const;
    TXMLRunningType GetRunning() const;
    TXMLColsType GetCols() const;

    // The `config` element as Save writes it: no declaration, no line break.
    std::string Text() const;
    // Writes Text() to FileName() atomically; on failure the file on disk is
    // left as it was and the error names it.
    Result<void> Save() const;

private:
    void load();
    // The file's text; none when it is not a readable regular file (the
    // defaults are then used and the warning says why).
    std::optional<std::string> readFile();
    // Parses text into the document; false when it is not a version 2.0
    // config document (the file is then replaced by the defaults).
    bool parseDocument(const std::string& text);
    // Values that do not convert take their defaults; the warning names them.
    void repairValues(pugi::xml_node root);
    // Missing elements and attributes read as their defaults.
    void addMissingParts(pugi::xml_node root);
    void useDefaults();
    void replaceBrokenFile(const std::string& reason, bool warn);
    pugi::xml_node child(const char* name) const;

    std::filesystem::path m_fileName;
    std::unique_ptr<pugi::xml_document> m_document;
    std::optional<std::string> m_loadWarning;
};

} // namespace clickwisp
