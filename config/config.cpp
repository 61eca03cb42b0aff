#include "config/config.h"

#include "core/atomic_file.h"
#include "core/number_text.h"
#include "core/product_info.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace clickwisp {

// Attribute order and values follow the settings schema; the generated address
// matches kProductWebAddress.
// clang-format off
const std::string_view DefaultConfigText =
    " <config versionNo=\"2.0\" generated=\"https://clickwisp.example/\">"
    "  <frame running=\"rbNormal\" left=\"316\" top=\"178\" height=\"500\" width=\"700\" max=\"False\"/>"
    "  <shade mousemove=\"True\" keyboard=\"True\" start=\"1\" stop=\"2\"/>"
    "  <running start=\"1\" stop=\"2\" interval=\"1000\" speed=\"0\" repeat=\"1\" times=\"1\"/>"
    "  <cols>"
    "   \t<col id=\"0\" Name=\"No.\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"45\" Index=\"0\"/>"
    "   \t<col id=\"1\" Name=\"Type\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"100\" Index=\"1\"/>"
    "   \t<col id=\"2\" Name=\"Action\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"272\" Index=\"2\"/>"
    "  </cols>"
    " </config>  ";
// clang-format on

namespace {

enum class Kind { Text, Int, Bool };

struct AttributeRule {
    const char* name;
    Kind kind;
    const char* defaultValue; // nullptr: depends on the col's position
};

// The attribute names are the file format: append only.
// clang-format off
constexpr std::array kFrameRules{
    AttributeRule{"running", Kind::Text, "rbNormal"},
    AttributeRule{"left", Kind::Int, "316"},
    AttributeRule{"top", Kind::Int, "178"},
    AttributeRule{"height", Kind::Int, "500"},
    AttributeRule{"width", Kind::Int, "700"},
    AttributeRule{"max", Kind::Bool, "False"},
};
constexpr std::array kShadeRules{
    AttributeRule{"mousemove", Kind::Bool, "True"},
    AttributeRule{"keyboard", Kind::Bool, "True"},
    AttributeRule{"start", Kind::Int, "1"},
    AttributeRule{"stop", Kind::Int, "2"},
};
constexpr std::array kRunningRules{
    AttributeRule{"start", Kind::Int, "1"},
    AttributeRule{"stop", Kind::Int, "2"},
    AttributeRule{"interval", Kind::Int, "1000"},
    AttributeRule{"speed", Kind::Int, "0"},
    AttributeRule{"repeat", Kind::Int, "1"},
    AttributeRule{"times", Kind::Int, "1"},
};
constexpr std::array kColRules{
    AttributeRule{"id", Kind::Int, nullptr},
    AttributeRule{"Name", Kind::Text, nullptr},
    AttributeRule{"Align", Kind::Text, "left"},
    AttributeRule{"Color", Kind::Text, ""},
    AttributeRule{"Visible", Kind::Bool, "True"},
    AttributeRule{"Width", Kind::Int, nullptr},
    AttributeRule{"Index", Kind::Int, nullptr},
};
// clang-format on

// Defaults of a col that the file leaves out, by its position.
std::string colDefault(const char* attribute, int position)
{
    static constexpr const char* kNames[] = { "No.", "Type", "Action" };
    static constexpr int kWidths[] = { 45, 100, 272 };
    const std::string_view name = attribute;
    if (name == "id" || name == "Index")
        return std::to_string(position);
    if (name == "Name")
        return position < 3 ? kNames[position] : "";
    return std::to_string(position < 3 ? kWidths[position] : 100);
}

std::optional<bool> parseBool(std::string_view text)
{
    auto equalsNoCase = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(a[i])) != b[i])
                return false;
        }
        return true;
    };
    if (equalsNoCase(text, "true"))
        return true;
    if (equalsNoCase(text, "false"))
        return false;
    return std::nullopt;
}

// Gives every attribute of node named in rules that does not convert to its
// kind its default value, and adds a note naming the element, attribute and
// value to problems for each.
template <size_t N>
void repairAttributes(pugi::xml_node node, const std::array<AttributeRule, N>& rules, const std::string& where,
    std::vector<std::string>& problems, int colPosition = -1)
{
    for (const AttributeRule& rule : rules) {
        pugi::xml_attribute attribute = node.attribute(rule.name);
        if (!attribute || rule.kind == Kind::Text)
            continue;
        const std::string value = attribute.value();
        const char* expected = nullptr;
        if (rule.kind == Kind::Int && !ParseInt32(value))
            expected = "is not a 32-bit integer";
        if (rule.kind == Kind::Bool && !parseBool(value))
            expected = "is not True or False";
        if (!expected)
            continue;
        const std::string fallback = rule.defaultValue ? rule.defaultValue : colDefault(rule.name, colPosition);
        problems.push_back(
            where + ", attribute " + rule.name + ": '" + value + "' " + expected + ", " + fallback + " is used");
        attribute.set_value(fallback.c_str());
    }
}

// Adds the attributes the file leaves out, so every getter and the saved
// file see the default value.
template <size_t N>
void addMissingAttributes(pugi::xml_node node, const std::array<AttributeRule, N>& rules, int colPosition = -1)
{
    for (const AttributeRule& rule : rules) {
        if (node.attribute(rule.name))
            continue;
        const std::string value = rule.defaultValue ? rule.defaultValue : colDefault(rule.name, colPosition);
        node.append_attribute(rule.name).set_value(value.c_str());
    }
}

#ifdef _WIN32

// %APPDATA%\Clickwisp, or the temporary folder when APPDATA is not set.
std::filesystem::path userSettingsFolder()
{
    if (const wchar_t* appData = _wgetenv(L"APPDATA"); appData && *appData)
        return std::filesystem::path(appData) / "Clickwisp";
    return std::filesystem::temp_directory_path() / "Clickwisp";
}

#else

std::filesystem::path homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return std::filesystem::temp_directory_path();
}

// $XDG_CONFIG_HOME/clickwisp, by default ~/.config/clickwisp.
std::filesystem::path userSettingsFolder()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return std::filesystem::path(xdg) / "clickwisp";
    return homeFolder() / ".config" / "clickwisp";
}

#endif

} // namespace

// ---- bindings ---------------------------------------------------------------

int32_t TXMLConfigBinding::readInt(const char* name) const
{
    // Values were checked at load and setters write plain decimals.
    return ParseInt32(m_node.attribute(name).value()).value_or(0);
}

bool TXMLConfigBinding::readBool(const char* name) const
{
    return parseBool(m_node.attribute(name).value()).value_or(false);
}

std::string TXMLConfigBinding::readText(const char* name) const
{
    return m_node.attribute(name).value();
}

void TXMLConfigBinding::writeText(const char* name, std::string_view value)
{
    if (!m_node)
        return;
    pugi::xml_attribute attribute = m_node.attribute(name);
    if (!attribute)
        attribute = m_node.append_attribute(name);
    attribute.set_value(std::string(value).c_str());
}

void TXMLConfigBinding::writeInt(const char* name, int32_t value)
{
    writeText(name, std::to_string(value));
}

void TXMLConfigBinding::writeBool(const char* name, bool value)
{
    writeText(name, value ? "True" : "False");
}

int TXMLColsType::Count() const
{
    int count = 0;
    for (pugi::xml_node col = m_node.child("col"); col; col = col.next_sibling("col"))
        ++count;
    return count;
}

TXMLColType TXMLColsType::Col(int index) const
{
    if (index < 0)
        return TXMLColType(pugi::xml_node());
    pugi::xml_node col = m_node.child("col");
    for (int i = 0; col && i < index; ++i)
        col = col.next_sibling("col");
    return TXMLColType(col);
}

// ---- TConfig ----------------------------------------------------------------

TConfig::TConfig(std::filesystem::path fileName)
    : m_fileName(std::move(fileName))
    , m_document(std::make_unique<pugi::xml_document>())
{
    load();
}

TConfig::~TConfig() = default;

namespace {

// A folder of installed programs (/usr/bin, /usr/local/bin, /bin): settings
// never go there, even when the user may write to it (root may).
bool isSystemProgramFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(folder, error);
    const std::string text = (error ? folder : real).generic_string();
    return text.starts_with("/usr/") || text == "/bin" || text == "/sbin";
}

} // namespace

std::filesystem::path TConfig::SettingsFolder(const std::filesystem::path& executableFolder)
{
    if (executableFolder.empty() || isSystemProgramFolder(executableFolder))
        return userSettingsFolder();
    std::error_code error;
    // A marker that cannot be looked for counts as there: an installed
    // program's folder is never taken for a portable copy's.
    if (std::filesystem::exists(executableFolder / kInstalledMarker, error) || error)
        return userSettingsFolder();
    if (std::filesystem::is_directory(executableFolder, error) && IsWritableFolder(executableFolder))
        return executableFolder;
    return userSettingsFolder();
}

std::filesystem::path TConfig::DefaultConfigPath(const std::filesystem::path& executableFolder)
{
    return SettingsFolder(executableFolder) / "config.xml";
}

std::filesystem::path TConfig::DefaultConfigPath()
{
    return SettingsFolder() / "config.xml";
}

std::filesystem::path TConfig::SettingsFolder()
{
#ifdef _WIN32
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (length == 0)
            return SettingsFolder(std::filesystem::path());
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(name.size() * 2);
    }
    return SettingsFolder(std::filesystem::path(name).parent_path());
#else
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return SettingsFolder(error ? std::filesystem::path() : executable.parent_path());
#endif
}

pugi::xml_node TConfig::child(const char* name) const
{
    return m_document->document_element().child(name);
}

TXMLConfigType TConfig::GetConfig() const
{
    return TXMLConfigType(m_document->document_element());
}
TXMLFrameType TConfig::GetFrame() const
{
    return TXMLFrameType(child("frame"));
}
TXMLShadeType TConfig::GetShade() const
{
    return TXMLShadeType(child("shade"));
}
TXMLRunningType TConfig::GetRunning() const
{
    return TXMLRunningType(child("running"));
}
TXMLColsType TConfig::GetCols() const
{
    return TXMLColsType(child("cols"));
}

std::string TConfig::Text() const
{
    std::ostringstream out;
    m_document->document_element().print(out, "", pugi::format_raw);
    return out.str();
}

Result<void> TConfig::Save() const
{
    std::error_code ignored;
    if (m_fileName.has_parent_path())
        std::filesystem::create_directories(m_fileName.parent_path(), ignored);
    return WriteFileAtomically(m_fileName, Text());
}

void TConfig::useDefaults()
{
    m_document->load_buffer(DefaultConfigText.data(), DefaultConfigText.size());
}

// Keeps the file that did not load as "<name>.bad" and puts the default text
// in its place; the settings in memory are the defaults either way.
void TConfig::replaceBrokenFile(const std::string& reason, bool warn)
{
    useDefaults();
    std::filesystem::path backup = m_fileName;
    backup += ".bad";
    std::error_code error;
    std::filesystem::rename(m_fileName, backup, error);
    if (error) {
        // Without a backup the old file stays where it is, untouched.
        m_loadWarning = m_fileName.string() + ": " + reason + "; default settings are used, and the file could not be "
            + "moved aside (" + error.message() + ")";
        return;
    }
    auto written = WriteFileAtomically(m_fileName, DefaultConfigText);
    if (warn || !written) {
        m_loadWarning = m_fileName.string() + ": " + reason + "; default settings are used and the old file is kept as "
            + backup.string();
        if (!written)
            m_loadWarning->append("; " + written.error().message);
    }
}

void TConfig::load()
{
    std::error_code error;
    if (!std::filesystem::exists(m_fileName, error)) {
        useDefaults();
        if (m_fileName.has_parent_path())
            std::filesystem::create_directories(m_fileName.parent_path(), error);
        if (auto written = WriteFileAtomically(m_fileName, DefaultConfigText); !written)
            m_loadWarning = written.error().message + "; default settings are used";
        return;
    }
    const std::optional<std::string> text = readFile();
    if (!text || !parseDocument(*text))
        return;
    pugi::xml_node root = m_document->document_element();
    repairValues(root);
    addMissingParts(root);
}

std::optional<std::string> TConfig::readFile()
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(m_fileName, error)) {
        useDefaults();
        m_loadWarning = m_fileName.string() + " is not a regular file; default settings are used";
        return std::nullopt;
    }
    std::ifstream file(m_fileName, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    if (!file || file.bad()) {
        // Unreadable is not broken: leave the file alone.
        useDefaults();
        m_loadWarning = "cannot read " + m_fileName.string() + "; default settings are used";
        return std::nullopt;
    }
    return content.str();
}

bool TConfig::parseDocument(const std::string& text)
{
    pugi::xml_parse_result parsed = m_document->load_buffer(text.data(), text.size());
    if (!parsed) {
        replaceBrokenFile("not well-formed XML (" + std::string(parsed.description()) + " at offset "
                + std::to_string(parsed.offset) + ")",
            true);
        return false;
    }
    pugi::xml_node root = m_document->document_element();
    if (std::string_view(root.name()) != "config") {
        replaceBrokenFile("the root element is '" + std::string(root.name()) + "', not 'config'", true);
        return false;
    }
    if (std::string_view(root.attribute("versionNo").value()) != "2.0") {
        // Another format version: its settings are not used (no warning).
        replaceBrokenFile("versionNo is not 2.0", false);
        return false;
    }
    return true;
}

void TConfig::repairValues(pugi::xml_node root)
{
    // A value that does not convert takes its own default; the rest of the
    // file is kept.
    std::vector<std::string> problems;
    repairAttributes(root.child("frame"), kFrameRules, "element frame", problems);
    repairAttributes(root.child("shade"), kShadeRules, "element shade", problems);
    repairAttributes(root.child("running"), kRunningRules, "element running", problems);
    int position = 0;
    for (pugi::xml_node col = root.child("cols").child("col"); col; col = col.next_sibling("col"), ++position)
        repairAttributes(col, kColRules, "element col " + std::to_string(position), problems, position);
    if (!problems.empty()) {
        std::string warning = m_fileName.string() + ": ";
        for (size_t i = 0; i < problems.size(); ++i)
            warning += (i ? "; " : "") + problems[i];
        m_loadWarning = warning;
    }
}

void TConfig::addMissingParts(pugi::xml_node root)
{
    // Missing parts read as their defaults; a missing cols element gets the
    // three default columns.
    pugi::xml_document defaults;
    defaults.load_buffer(DefaultConfigText.data(), DefaultConfigText.size());
    for (const char* name : { "frame", "shade", "running", "cols" }) {
        if (!root.child(name))
            root.append_copy(defaults.document_element().child(name));
    }
    if (!root.attribute("generated"))
        root.append_attribute("generated").set_value(std::string(kProductWebAddress).c_str());
    addMissingAttributes(root.child("frame"), kFrameRules);
    addMissingAttributes(root.child("shade"), kShadeRules);
    addMissingAttributes(root.child("running"), kRunningRules);
    int position = 0;
    for (pugi::xml_node col = root.child("cols").child("col"); col; col = col.next_sibling("col"))
        addMissingAttributes(col, kColRules, position++);
}

} // namespace clickwisp
