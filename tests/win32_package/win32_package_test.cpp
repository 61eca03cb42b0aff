// The Windows downloads as a user gets them (scripts/package-windows.sh):
// the installer run by msiexec, silently and through its dialogs, for one
// user and for every user, upgraded by a newer one and removed; the portable
// zip unpacked. Checked through what Windows itself keeps: the files, the
// Start menu, the PATH in the registry, the products Windows Installer lists,
// and the programs' own windows and settings.
//
// scripts/test-windows.sh builds the packages and runs this program with
// CLICKWISP_MSI (this version), CLICKWISP_UPGRADE_MSI of a higher version,
// CLICKWISP_UPGRADE_VERSION and CLICKWISP_PORTABLE (the unpacked zip) set,
// in a Wine prefix of its own.
#include "build_info.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <shlobj.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

namespace clickwisp {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kUpgradeCode = L"{34EBC48A-03A7-41F9-822C-7FFF818C00F2}";

bool waitUntil(const std::function<bool()>& condition, int milliseconds = 20000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end()); // ASCII texts only
}

fs::path packagePath(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || !*value)
        return {};
    return test::buildMachinePath(value);
}

fs::path knownFolder(REFKNOWNFOLDERID id)
{
    wchar_t* path = nullptr;
    fs::path out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
        out = path;
    CoTaskMemFree(path);
    return out;
}

// The installed products of our UpgradeCode, in every context.
std::vector<std::wstring> installedProducts()
{
    std::vector<std::wstring> products;
    wchar_t code[39];
    for (DWORD i = 0; MsiEnumRelatedProductsW(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i)
        products.emplace_back(code);
    return products;
}

std::wstring productInfo(const std::wstring& product, const wchar_t* property)
{
    wchar_t value[256] = {};
    DWORD size = 256;
    MsiGetProductInfoW(product.c_str(), property, value, &size);
    return value;
}

// The PATH of the user's or of the system's environment, as stored.
std::wstring storedPath(bool machine)
{
    wchar_t value[8192] = {};
    DWORD size = sizeof(value);
    RegGetValueW(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
        machine ? L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment" : L"Environment", L"PATH",
        RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value, &size);
    return value;
}

int msiexec(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv { "msiexec.exe" };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::runProcess(argv).status;
}

// A visible window of process (0: any) and className (empty: any) whose
// text starts with text: among the top-level windows, or parent's children.
struct WindowSearch {
    DWORD process;
    std::wstring className;
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[256] = {}, text[256] = {};
    GetClassNameW(window, name, 256);
    GetWindowTextW(window, text, 256);
    if ((!search.process || process == search.process) && (search.className.empty() || search.className == name)
        && std::wstring_view(text).starts_with(search.text) && IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindow(DWORD process, const std::wstring& className, const std::wstring& text, HWND parent = nullptr)
{
    WindowSearch search { process, className, text };
    if (parent)
        EnumChildWindows(parent, matchWindow, reinterpret_cast<LPARAM>(&search));
    else
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring windowText(HWND window)
{
    std::wstring text(size_t(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(size_t(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// A started program; terminated at destruction if still running.
class Started {
public:
    explicit Started(std::wstring commandLine, const fs::path& folder = {})
    {
        STARTUPINFOW startup {};
        startup.cb = sizeof(startup);
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
            folder.empty() ? nullptr : folder.c_str(), &startup, &m_process);
    }
    ~Started()
    {
        if (!m_process.hProcess)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 1);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    DWORD id() const { return m_process.dwProcessId; }
    // The exit status, or -1 while it still runs after milliseconds.
    int wait(int milliseconds = 30000) const
    {
        DWORD code = 0;
        if (!m_process.hProcess || WaitForSingleObject(m_process.hProcess, DWORD(milliseconds)) != WAIT_OBJECT_0
            || !GetExitCodeProcess(m_process.hProcess, &code))
            return -1;
        return int(code);
    }

private:
    PROCESS_INFORMATION m_process {};
};

// Starts clickwisp.exe of folder, waits for its main window, closes it as
// the close box does and returns its exit status (-1: no window, or it did
// not end).
int runAndClose(const fs::path& folder)
{
    Started program(L"\"" + (folder / "clickwisp.exe").wstring() + L"\"", folder);
    HWND main = nullptr;
    waitUntil([&] { return (main = findWindow(program.id(), L"TMForm", wide(kProductCaption))) != nullptr; });
    if (!main)
        return -1;
    PostMessageW(main, WM_CLOSE, 0, 0);
    return program.wait();
}

class Packages : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_msi = packagePath("CLICKWISP_MSI");
        m_upgrade = packagePath("CLICKWISP_UPGRADE_MSI");
        m_portable = packagePath("CLICKWISP_PORTABLE");
        const char* upgradeVersion = std::getenv("CLICKWISP_UPGRADE_VERSION");
        m_upgradeVersion = wide(upgradeVersion ? upgradeVersion : "");
        ASSERT_TRUE(fs::exists(m_msi) && fs::exists(m_upgrade) && fs::exists(m_portable / "clickwisp.exe")
            && !m_upgradeVersion.empty())
            << "run by scripts/test-windows.sh, which makes the packages and sets CLICKWISP_MSI, "
               "CLICKWISP_UPGRADE_MSI, CLICKWISP_UPGRADE_VERSION and CLICKWISP_PORTABLE";
        ASSERT_TRUE(installedProducts().empty()) << "Clickwisp is installed already";
        m_settings = knownFolder(FOLDERID_RoamingAppData) / "Clickwisp";
        m_userFolder = knownFolder(FOLDERID_LocalAppData) / "Programs" / "Clickwisp";
        m_shortcut = knownFolder(FOLDERID_Programs) / "Clickwisp.lnk";
    }

    fs::path m_msi, m_upgrade, m_portable, m_settings, m_userFolder, m_shortcut;
    std::wstring m_upgradeVersion;
};

std::string str(const fs::path& path)
{
    return path.string();
}

bool hasFolder(const std::wstring& path, const fs::path& folder)
{
    return path.find(folder.wstring()) != std::wstring::npos;
}

TEST_F(Packages, PerUserInstallRunsIsUpgradedInPlaceAndRemovedLeavingTheSettings)
{
    fs::remove_all(m_settings);
    ASSERT_EQ(msiexec({ "/i", str(m_msi), "/qn" }), 0);

    // Installed for this user, without administrator rights.
    for (const char* name : { "clickwisp.exe", "clickwisp-cli.exe", "LICENSE.txt", "README.txt", "example.xml" })
        EXPECT_TRUE(fs::exists(m_userFolder / name)) << name;
    EXPECT_TRUE(fs::exists(m_shortcut)) << str(m_shortcut);
    EXPECT_TRUE(hasFolder(storedPath(false), m_userFolder)) << "PATH: " << str(storedPath(false));
    auto products = installedProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_EQ(productInfo(products[0], L"VersionString"), wide(kVersion));
    EXPECT_EQ(productInfo(products[0], L"Publisher"), L"Clickwisp developers");
    const auto cli = test::runProcess({ str(m_userFolder / "clickwisp-cli.exe"), "--version" });
    EXPECT_EQ(cli.out.rfind("clickwisp-cli " + std::string(kVersion) + " (backends: ", 0), 0u) << cli.out << cli.err;

    // The installed program keeps its settings with the user, though its
    // folder is writable.
    EXPECT_EQ(runAndClose(m_userFolder), 0);
    EXPECT_TRUE(fs::exists(m_settings / "config.xml"));
    EXPECT_FALSE(fs::exists(m_userFolder / "config.xml"));
    const std::string settings = test::readFile(m_settings / "config.xml");

    // A newer version replaces it: one product, the new version, same place.
    ASSERT_EQ(msiexec({ "/i", str(m_upgrade), "/qn" }), 0);
    products = installedProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_EQ(productInfo(products[0], L"VersionString"), m_upgradeVersion);
    EXPECT_TRUE(fs::exists(m_userFolder / "clickwisp.exe"));
    EXPECT_TRUE(fs::exists(m_shortcut));
    EXPECT_EQ(test::readFile(m_settings / "config.xml"), settings);

    // Removed: programs, shortcut and PATH entry go, the settings stay.
    ASSERT_EQ(msiexec({ "/x", str(m_upgrade), "/qn" }), 0);
    EXPECT_TRUE(installedProducts().empty());
    EXPECT_FALSE(fs::exists(m_userFolder)) << "left behind: " << str(m_userFolder);
    EXPECT_FALSE(fs::exists(m_shortcut));
    EXPECT_FALSE(hasFolder(storedPath(false), m_userFolder)) << "PATH: " << str(storedPath(false));
    EXPECT_EQ(test::readFile(m_settings / "config.xml"), settings);
}

TEST_F(Packages, EveryUserInstallGoesToProgramFilesAndIsRemovedWithoutBeingTold)
{
    const fs::path folder = knownFolder(FOLDERID_ProgramFilesX64) / "Clickwisp";
    ASSERT_EQ(msiexec({ "/i", str(m_msi), "/qn", "ALLUSERS=1" }), 0);
    EXPECT_TRUE(fs::exists(folder / "clickwisp.exe"));
    EXPECT_TRUE(fs::exists(folder / "clickwisp-cli.exe"));
    EXPECT_FALSE(fs::exists(m_userFolder));
    EXPECT_TRUE(hasFolder(storedPath(true), folder)) << "PATH: " << str(storedPath(true));
    EXPECT_FALSE(hasFolder(storedPath(false), folder));

    // msiexec /x as Apps and features runs it, without ALLUSERS.
    ASSERT_EQ(msiexec({ "/x", str(m_msi), "/qn" }), 0);
    EXPECT_TRUE(installedProducts().empty());
    EXPECT_FALSE(fs::exists(folder)) << "left behind: " << str(folder);
    EXPECT_FALSE(hasFolder(storedPath(true), folder)) << "PATH: " << str(storedPath(true));
}

TEST_F(Packages, InstallerShowsTheLicenceBeforeInstalling)
{
    const std::wstring title = L"Clickwisp " + wide(kVersion) + L" Setup";
    Started setup(L"msiexec.exe /i \"" + m_msi.wstring() + L"\"");
    HWND dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (dialog = findWindow(0, {}, title)) != nullptr; })) << "no setup dialog";
    HWND licence = findWindow(0, L"RichEdit20W", {}, dialog);
    ASSERT_NE(licence, nullptr);
    const std::wstring text = windowText(licence);
    EXPECT_TRUE(text.starts_with(L"GNU GENERAL PUBLIC LICENSE")) << str(text.substr(0, 80));
    EXPECT_NE(text.find(L"Version 3, 29 June 2007"), std::wstring::npos);
    EXPECT_NE(text.find(L"END OF TERMS AND CONDITIONS"), std::wstring::npos) << "the whole text";
    EXPECT_NE(findWindow(0, L"Static", L"Clickwisp is free software", dialog), nullptr);
    EXPECT_TRUE(installedProducts().empty()) << "nothing is installed before the licence was shown";

    PostMessageW(findWindow(0, L"Button", L"&Install", dialog), BM_CLICK, 0, 0);
    HWND finish = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        dialog = findWindow(0, {}, title);
        return dialog && (finish = findWindow(0, L"Button", L"&Finish", dialog)) != nullptr;
    })) << "no last page";
    PostMessageW(finish, BM_CLICK, 0, 0);
    EXPECT_EQ(setup.wait(), 0);
    EXPECT_EQ(installedProducts().size(), 1u);
    EXPECT_TRUE(fs::exists(m_userFolder / "clickwisp.exe"));
    EXPECT_EQ(msiexec({ "/x", str(m_msi), "/qn" }), 0);
}

TEST_F(Packages, PortableCopyRunsFromItsFolderAndKeepsItsSettingsThere)
{
    const bool userSettings = fs::exists(m_settings / "config.xml");
    const std::string before = userSettings ? test::readFile(m_settings / "config.xml") : "";
    fs::remove(m_portable / "config.xml");
    EXPECT_EQ(runAndClose(m_portable), 0);
    EXPECT_TRUE(fs::exists(m_portable / "config.xml"));
    EXPECT_EQ(fs::exists(m_settings / "config.xml"), userSettings);
    if (userSettings) {
        EXPECT_EQ(test::readFile(m_settings / "config.xml"), before);
    }

    const auto described
        = test::runProcess({ str(m_portable / "clickwisp-cli.exe"), "describe", str(m_portable / "example.xml") });
    EXPECT_EQ(described.status, 0) << described.err;
    EXPECT_EQ(described.out.rfind("No.\tType\tAction", 0), 0u) << described.out;
    EXPECT_NE(described.out.find("4\tKeyboard\tKey :([Enter]) Press"), std::string::npos) << described.out;
}

} // namespace
} // namespace clickwisp
