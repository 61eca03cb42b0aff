// clickwisp.exe driven from outside as a user would, through its windows'
// messages, and checked through what another program can read: the list
// view's and status bar's texts, the files it writes and config.xml.
//
// The list view and status bar answer their text requests into memory of
// their own process, so the requests carry buffers made there
// (VirtualAllocEx); Wine carries such messages across processes unchanged.
#include "app/action_editor_presenter.h"
#include "app/main_window_presenter.h"
#include "build_info.h"
#include "config/config.h"
#include "core/list_file.h"
#include "platform/control_channel.h"
#include "tests/support/process.h"
#include "tests/win32/test_window.h"
#include "ui_win32/action_editor_dialog.h"
#include "ui_win32/main_window.h"
#include "ui_win32/resource_ids.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace clickwisp {
namespace {

namespace fs = std::filesystem;

bool waitUntil(const std::function<bool()>& condition, int milliseconds = 15000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end()); // ASCII texts only
}

fs::path dataFile(const char* name)
{
    return fs::path(test::buildMachinePath(CLICKWISP_SOURCE_DIR)) / "tests" / "win32_ui" / "data" / name;
}

// Memory in another process.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size)
        : m_process(process)
        , m_address(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
    {
    }
    ~RemoteMemory()
    {
        if (m_address)
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool ok() const { return m_address != nullptr; }
    void* at(size_t offset) const { return static_cast<char*>(m_address) + offset; }
    void write(size_t offset, const void* data, size_t size)
    {
        WriteProcessMemory(m_process, at(offset), data, size, nullptr);
    }
    void read(size_t offset, void* data, size_t size) const
    {
        ReadProcessMemory(m_process, at(offset), data, size, nullptr);
    }

private:
    HANDLE m_process;
    void* m_address;
};

struct WindowSearch {
    DWORD process;
    std::wstring className;
    std::wstring title; // empty: any
    HWND found = nullptr;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    if (process == search.process && search.className == name && IsWindowVisible(window)
        && (search.title.empty() || search.title == title)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK firstEdit(HWND window, LPARAM parameter)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wstring(name) == L"Edit" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(parameter) = window;
        return FALSE;
    }
    return TRUE;
}

// clickwisp.exe started from a copy in folder (made by the first start), so
// its config.xml and recovery files are there.
class Program {
public:
    // Waits for the main window, unless a box that comes first is awaited.
    enum class Wait { ForWindow, ForNothing };
    explicit Program(const fs::path& folder, Wait wait = Wait::ForWindow)
    {
        // The pointer away from the window: its real moves would set hints too.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        const fs::path executable = folder / "clickwisp.exe";
        if (!fs::exists(executable))
            fs::copy_file(test::buildMachinePath(CLICKWISP_GUI_PATH), executable);
        std::wstring commandLine = L"\"" + executable.wstring() + L"\"";
        STARTUPINFOW startup {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                &startup, &m_process))
            return;
        if (wait == Wait::ForNothing)
            return;
        waitUntil([this] {
            main = topLevel(L"TMForm", L"");
            return main != nullptr;
        });
        if (main) {
            list = control(MainControl::List);
            status = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
        }
    }
    ~Program()
    {
        if (m_process.hProcess) {
            // Gone before the next test starts one: its pipe and hot keys with it.
            if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT && TerminateProcess(m_process.hProcess, 1))
                WaitForSingleObject(m_process.hProcess, 15000);
            CloseHandle(m_process.hProcess);
            CloseHandle(m_process.hThread);
        }
    }

    HWND topLevel(const wchar_t* className, const wchar_t* title) const
    {
        WindowSearch search { m_process.dwProcessId, className, title };
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND waitForDialog(const wchar_t* title) const
    {
        HWND dialog = nullptr;
        waitUntil([&] { return (dialog = topLevel(L"#32770", title)) != nullptr; });
        return dialog;
    }
    HWND control(MainControl which) const { return GetDlgItem(main, TMForm::kFirstControlId + int(which)); }
    std::wstring title() const
    {
        wchar_t text[256] = {};
        GetWindowTextW(main, text, 256);
        return text;
    }
    // As a click: posted, since the command may open a modal dialog.
    void click(MainControl which) const { PostMessageW(control(which), BM_CLICK, 0, 0); }

    // Types name into the file dialog titled title and confirms it.
    bool answerFileDialog(const wchar_t* title, const fs::path& name) const
    {
        HWND dialog = waitForDialog(title);
        HWND edit = nullptr;
        if (dialog)
            EnumChildWindows(dialog, firstEdit, reinterpret_cast<LPARAM>(&edit));
        if (!edit)
            return false;
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return waitUntil([&] { return !IsWindow(dialog); });
    }

    std::wstring statusText(int panel) const
    {
        RemoteMemory buffer(m_process.hProcess, 1024 * sizeof(wchar_t));
        wchar_t text[1024] = {};
        if (buffer.ok() && SendMessageW(status, SB_GETTEXTLENGTHW, WPARAM(panel), 0) < 1024) {
            SendMessageW(status, SB_GETTEXTW, WPARAM(panel), reinterpret_cast<LPARAM>(buffer.at(0)));
            buffer.read(0, text, sizeof(text) - sizeof(wchar_t));
        }
        return text;
    }

    std::vector<std::vector<std::wstring>> rows() const
    {
        const int count = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        const int columns = Header_GetItemCount(ListView_GetHeader(list));
        RemoteMemory buffer(m_process.hProcess, sizeof(LVITEMW) + 512 * sizeof(wchar_t));
        std::vector<std::vector<std::wstring>> out;
        for (int row = 0; row < count && buffer.ok(); ++row) {
            out.emplace_back();
            for (int column = 0; column < columns; ++column) {
                LVITEMW item {};
                item.iSubItem = column;
                item.pszText = static_cast<wchar_t*>(buffer.at(sizeof(LVITEMW)));
                item.cchTextMax = 512;
                buffer.write(0, &item, sizeof(item));
                wchar_t text[512] = {};
                const auto length = SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(row), LPARAM(buffer.at(0)));
                buffer.read(sizeof(LVITEMW), text, size_t(std::min<LRESULT>(length, 511)) * sizeof(wchar_t));
                out.back().push_back(text);
            }
        }
        return out;
    }

    void select(int row) const
    {
        RemoteMemory buffer(m_process.hProcess, sizeof(LVITEMW));
        LVITEMW item {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        buffer.write(0, &item, sizeof(item));
        SendMessageW(list, LVM_SETITEMSTATE, WPARAM(row), LPARAM(buffer.at(0)));
    }

    // The columns left to right, as a drag of their headers leaves them.
    void setColumnOrder(const std::vector<int>& order) const
    {
        RemoteMemory buffer(m_process.hProcess, order.size() * sizeof(int));
        buffer.write(0, order.data(), order.size() * sizeof(int));
        SendMessageW(list, LVM_SETCOLUMNORDERARRAY, order.size(), LPARAM(buffer.at(0)));
    }

    // New, then OK in the action editor: a default action after the selected row.
    bool addAction() const
    {
        const LRESULT before = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        click(MainControl::New);
        HWND editor = waitForDialog(L"New Action");
        if (!editor)
            return false;
        PostMessageW(GetDlgItem(editor, editor_control::kOk), BM_CLICK, 0, 0);
        return waitUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == before + 1; });
    }

    // Ends the process at once, as a crash or the end of the session would.
    void kill() const
    {
        TerminateProcess(m_process.hProcess, 9);
        WaitForSingleObject(m_process.hProcess, 15000);
    }

    // The exit status once the process has ended; -1 while it runs.
    long exitStatus(int milliseconds) const
    {
        if (WaitForSingleObject(m_process.hProcess, DWORD(milliseconds)) != WAIT_OBJECT_0)
            return -1;
        DWORD status = 0;
        GetExitCodeProcess(m_process.hProcess, &status);
        return long(status);
    }

    HWND main = nullptr;
    HWND list = nullptr;
    HWND status = nullptr;

private:
    PROCESS_INFORMATION m_process {};
};

// The rows as the list-file code describes the actions of a file.
std::vector<std::vector<std::wstring>> rowsOf(const fs::path& file)
{
    auto load = LoadListFile(file);
    std::vector<std::vector<std::wstring>> rows;
    if (!load)
        return rows;
    for (size_t i = 0; i < load->actions.size(); ++i)
        rows.push_back({ std::to_wstring(i + 1), wide(load->actions[i]->Describe("Type")),
            wide(load->actions[i]->Describe("Action")) });
    return rows;
}

TEST(Win32Program, FileDialogFiltersEndWithTwoNuls)
{
    using namespace std::string_literals;
    EXPECT_EQ(FileDialogFilter("XML File|*.XML"), L"XML File\0*.XML\0\0"s);
    EXPECT_EQ(FileDialogFilter("BMP File|*.bmp|Pictures|*.bmp;*.png"), L"BMP File\0*.bmp\0Pictures\0*.bmp;*.png\0\0"s);
    EXPECT_EQ(FileDialogFilter(""), L"\0"s);
}

const char* kPreparedConfig
    = "<config versionNo=\"2.0\" generated=\"x\"><frame running=\"rbNormal\" left=\"5\" top=\"5\" height=\"480\" "
      "width=\"640\" max=\"False\"/><shade mousemove=\"True\" keyboard=\"True\" start=\"1\" stop=\"2\"/>"
      "<running start=\"1\" stop=\"2\" interval=\"1000\" speed=\"0\" repeat=\"0\" times=\"1\"/><cols>"
      "<col id=\"0\" Name=\"No.\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"45\" Index=\"0\"/>"
      "<col id=\"1\" Name=\"Type\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"100\" Index=\"1\"/>"
      "<col id=\"2\" Name=\"Action\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"300\" Index=\"2\"/>"
      "</cols></config>";

TEST(Win32Program, LoadMoveRunEditSaveAndCloseAsAUserWould)
{
    test::TempDir dir;
    test::writeFile(dir / "config.xml", kPreparedConfig);
    Program program(dir.path());
    ASSERT_NE(program.main, nullptr) << "no main window";
    wchar_t caption[64] = {};
    GetWindowTextW(program.main, caption, 64);
    EXPECT_EQ(std::wstring(caption), wide(kProductCaption));
    EXPECT_EQ(program.statusText(0), L"Ready");
    // How the hot keys reach the program.
    EXPECT_EQ(program.statusText(2), L"Hot keys: grabbed through Windows");

    // The configured size, centred on the desktop whatever left and top say.
    RECT bounds;
    GetWindowRect(program.main, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 640);
    EXPECT_EQ(bounds.bottom - bounds.top, 480);
    const ScreenPoint centred
        = CentredOrigin({ GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN) },
            { GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN) }, { 640, 480 });
    EXPECT_EQ(bounds.left, centred.x);
    EXPECT_EQ(bounds.top, centred.y);

    // The pointer over a control shows its hint in panel 1.
    auto pointAt = [&](MainControl which) {
        SendMessageW(program.main, WM_SETCURSOR, WPARAM(program.control(which)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return program.statusText(1);
    };
    EXPECT_EQ(pointAt(MainControl::Load), L"Load Action List From File");
    EXPECT_EQ(pointAt(MainControl::List), L"Action List.  Double Click to edit ");

    // Minimising hides the window; the icon's left click brings it back and hides it again.
    SendMessageW(program.main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(program.main));
    SendMessageW(program.main, TMForm::kTrayMessage, 1, WM_RBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(program.main)) << "the right button does nothing";
    SendMessageW(program.main, TMForm::kTrayMessage, 1, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(program.main));
    EXPECT_FALSE(IsIconic(program.main));
    SendMessageW(program.main, TMForm::kTrayMessage, 1, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(program.main));
    SendMessageW(program.main, TMForm::kTrayMessage, 1, WM_LBUTTONUP);
    ASSERT_TRUE(IsWindowVisible(program.main));

    // Load a list the Linux program wrote: its rows as the list-file code describes them.
    fs::copy_file(dataFile("list.xml"), dir / "in.xml");
    program.click(MainControl::Load);
    ASSERT_TRUE(program.answerFileDialog(L"Open", dir / "in.xml"));
    const auto loaded = rowsOf(dataFile("list.xml"));
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_TRUE(waitUntil([&] { return program.rows() == loaded; })) << "rows: " << program.rows().size();

    // The first row one down: the list shows the order of the other file.
    program.select(0);
    program.click(MainControl::Down);
    const auto moved = rowsOf(dataFile("list-moved.xml"));
    EXPECT_TRUE(waitUntil([&] { return program.rows() == moved; }));

    // A run (a pointer move and 1.4 s of delays), started with its global hot
    // key CTRL+F2, disables all but Stop, then ends.
    test::injectKey(VK_CONTROL, false);
    test::injectKey(VK_F2, false);
    test::injectKey(VK_F2, true);
    test::injectKey(VK_CONTROL, true);
    ASSERT_TRUE(waitUntil([&] { return program.statusText(0) == L"Running..."; }));
    EXPECT_FALSE(IsWindowEnabled(program.control(MainControl::Start)));
    EXPECT_FALSE(IsWindowEnabled(program.list));
    EXPECT_TRUE(IsWindowEnabled(program.control(MainControl::Stop)));
    EXPECT_EQ(pointAt(MainControl::Load), L"Press CTRL+F3 to Stop Running Action List");
    ASSERT_TRUE(waitUntil([&] { return program.statusText(0) == L"Finished"; }));
    EXPECT_TRUE(IsWindowEnabled(program.control(MainControl::Start)));
    EXPECT_TRUE(IsWindowVisible(program.main));
    // And again with the Start button.
    program.click(MainControl::Start);
    ASSERT_TRUE(waitUntil([&] { return program.statusText(0) == L"Running..."; }));
    ASSERT_TRUE(waitUntil([&] { return program.statusText(0) == L"Finished"; }));

    // A text typed through the action editor goes after the selected (moved) row.
    program.click(MainControl::New);
    HWND editor = program.waitForDialog(L"New Action");
    ASSERT_NE(editor, nullptr);
    SendMessageW(GetDlgItem(editor, editor_control::kTypes + int(atText)), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(editor, editor_control::TextControl(EditorText::TypedText)), WM_SETTEXT, 0,
        LPARAM(L"Hello from Windows"));
    PostMessageW(GetDlgItem(editor, editor_control::kOk), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor); }));
    const auto edited = rowsOf(dataFile("list-edited.xml"));
    EXPECT_TRUE(waitUntil([&] { return program.rows() == edited; }));

    // Saved byte for byte as the Linux program saves the same actions.
    program.click(MainControl::Save);
    ASSERT_TRUE(program.answerFileDialog(L"Save As", dir / "out.xml"));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(dir / "out.xml"); }));
    EXPECT_EQ(test::readFile(dir / "out.xml"), test::readFile(dataFile("list-edited.xml")));

    // Resized, a column widened and the columns reordered, then closed with
    // Exit: config.xml holds the bounds and the columns.
    SetWindowPos(program.main, nullptr, 30, 40, 700, 520, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(program.list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(250, 0));
    program.setColumnOrder({ 2, 0, 1 });
    program.click(MainControl::Quit);
    ASSERT_EQ(program.exitStatus(15000), 0);
    TConfig config(dir / "config.xml");
    ASSERT_FALSE(config.LoadWarning()) << *config.LoadWarning();
    EXPECT_EQ(config.GetFrame().left(), 30);
    EXPECT_EQ(config.GetFrame().top(), 40);
    EXPECT_EQ(config.GetFrame().width(), 700);
    EXPECT_EQ(config.GetFrame().height(), 520);
    EXPECT_FALSE(config.GetFrame().max());
    EXPECT_EQ(config.GetCols().Col(0).Width(), 45);
    EXPECT_EQ(config.GetCols().Col(2).Width(), 250);
    EXPECT_EQ((std::vector {
                  config.GetCols().Col(0).Index(), config.GetCols().Col(1).Index(), config.GetCols().Col(2).Index() }),
        (std::vector<int32_t> { 1, 2, 0 }));
}

TEST(Win32Program, FirstStartWritesTheDefaultsThenAboutOptionsAndRecordingOpen)
{
    test::TempDir dir;
    Program program(dir.path());
    ASSERT_NE(program.main, nullptr) << "no main window";
    EXPECT_TRUE(fs::exists(dir / "config.xml")) << "the defaults are written at start";
    RECT bounds;
    GetWindowRect(program.main, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 700);
    EXPECT_EQ(bounds.bottom - bounds.top, 500);
    EXPECT_EQ(program.statusText(0), L"Ready");
    EXPECT_TRUE(program.rows().empty());
    const HWND header = ListView_GetHeader(program.list);
    EXPECT_EQ(Header_GetItemCount(header), 3);

    PostMessageW(program.main, WM_COMMAND, TMForm::kAboutCommand, 0);
    HWND about = program.waitForDialog(L"About Clickwisp");
    ASSERT_NE(about, nullptr);
    auto text = [&](int id) {
        wchar_t buffer[256] = {};
        SendMessageW(GetDlgItem(about, id), WM_GETTEXT, std::size(buffer), LPARAM(buffer));
        return std::wstring(buffer);
    };
    EXPECT_EQ(text(IDC_ABOUT_CAPTION), wide(kProductCaption));
    EXPECT_EQ(text(IDC_ABOUT_BACKENDS), wide(AboutBackendsLine(kBackends, "win32")));
    EXPECT_EQ(text(IDC_ABOUT_LICENSE), wide(kLicenseText));
    EXPECT_NE(text(IDC_ABOUT_LICENSE_LINK).find(wide(kLicenseUrl)), std::wstring::npos);
    PostMessageW(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); })) << "a click on the background closes it";

    // Options opens the options dialog.
    program.click(MainControl::Options);
    HWND options = program.waitForDialog(L"Config Options");
    ASSERT_NE(options, nullptr);
    PostMessageW(GetDlgItem(options, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(options); }));

    // The record button toggles a recording through the Win32 recorder.
    auto recordCaption = [&] {
        wchar_t caption[64] = {};
        GetWindowTextW(program.control(MainControl::Record), caption, 64);
        return std::wstring(caption);
    };
    program.click(MainControl::Record);
    ASSERT_TRUE(waitUntil([&] { return program.statusText(0) == L"Recoding..."; }));
    EXPECT_EQ(recordCaption(), L"Stop Record");
    SendMessageW(
        program.main, WM_SETCURSOR, WPARAM(program.control(MainControl::Load)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(program.statusText(1), L"Press ALT+F3 to Stop Record Mouse Action");
    program.click(MainControl::Record);
    ASSERT_TRUE(waitUntil([&] { return program.statusText(0) == L"Ready"; }));
    EXPECT_EQ(recordCaption(), L"&Record Mouse");

    PostMessageW(program.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.exitStatus(15000), 0);
}

int actionsIn(const fs::path& file)
{
    auto load = LoadListFile(file);
    return load ? int(load->actions.size()) : -1;
}

// Added and not saved, then killed: the next start has the list back, and
// saving it writes what a save before the kill would have written. The end
// of the session writes the bounds and the list before its answer.
TEST(Win32Program, AnUnsavedListSurvivesAKillAndTheSessionsEndWritesTheSettings)
{
    test::TempDir dir;
    test::writeFile(dir / "config.xml", kPreparedConfig);
    const fs::path recovery = dir / "recovery.xml";
    const std::wstring product = wide(kProductCaption);
    {
        Program program(dir.path());
        ASSERT_NE(program.main, nullptr) << "no main window";
        EXPECT_EQ(program.title(), product);
        ASSERT_TRUE(program.addAction());
        ASSERT_TRUE(program.addAction());
        EXPECT_EQ(program.title(), L"*Untitled - " + product);
        EXPECT_EQ(program.statusText(1), L"Not saved");
        ASSERT_TRUE(waitUntil([&] { return actionsIn(recovery) == 2; })) << "no recovery file";
        program.click(MainControl::Save);
        ASSERT_TRUE(program.answerFileDialog(L"Save As", dir / "two.xml"));
        EXPECT_TRUE(waitUntil([&] { return !fs::exists(recovery); })) << "saved: nothing to recover";
        EXPECT_EQ(program.title(), L"two.xml - " + product);
        ASSERT_TRUE(program.addAction());
        ASSERT_TRUE(waitUntil([&] { return actionsIn(recovery) == 3; })) << "changed: kept again";
        program.kill();
    }
    // What a save of the three actions writes: the two saved, then the same default action again.
    auto two = LoadListFile(dir / "two.xml");
    ASSERT_TRUE(two && two->actions.size() == 2);
    two->actions.push_back(CopyAction(*two->actions.back()));
    const std::string expected = ListToText(two->actions);

    Program program(dir.path());
    ASSERT_NE(program.main, nullptr) << "no main window";
    EXPECT_TRUE(program.statusText(1).starts_with(L"Recovered the unsaved list from ")) << program.statusText(1);
    EXPECT_EQ(program.title(), L"*Untitled - " + product);
    EXPECT_EQ(program.rows().size(), 3u);
    program.click(MainControl::Save);
    ASSERT_TRUE(program.answerFileDialog(L"Save As", dir / "three.xml"));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(dir / "three.xml"); }));
    EXPECT_EQ(test::readFile(dir / "three.xml"), expected);

    SetWindowPos(program.main, nullptr, 30, 40, 700, 520, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(program.addAction());
    EXPECT_EQ(SendMessageW(program.main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageW(program.main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(actionsIn(recovery), 4);
    TConfig config(dir / "config.xml");
    EXPECT_EQ(config.GetFrame().left(), 30);
    EXPECT_EQ(config.GetFrame().top(), 40);
    EXPECT_EQ(config.GetFrame().width(), 700);
    EXPECT_EQ(config.GetFrame().height(), 520);
    program.kill(); // as the system ends the process after the session
}

TEST(Win32Program, ADamagedRecoveryFileIsKeptAsideAndTheProgramStartsEmpty)
{
    test::TempDir dir;
    test::writeFile(dir / "config.xml", kPreparedConfig);
    test::writeFile(dir / "recovery.xml", "<list><item delay=");
    Program program(dir.path());
    ASSERT_NE(program.main, nullptr) << "no main window";
    EXPECT_TRUE(program.statusText(1).starts_with(L"The unsaved list of the last run could not be recovered: "))
        << program.statusText(1);
    EXPECT_TRUE(program.rows().empty());
    EXPECT_EQ(program.title(), wide(kProductCaption));
    EXPECT_FALSE(fs::exists(dir / "recovery.xml"));
    EXPECT_EQ(test::readFile(dir / "recovery.xml.bad"), "<list><item delay=");
    PostMessageW(program.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.exitStatus(15000), 0);
}

TEST(Win32Program, AMaximisedWindowOpensAndClosesMaximised)
{
    test::TempDir dir;
    std::string config = kPreparedConfig;
    config.replace(config.find("max=\"False\""), 11, "max=\"True\"");
    test::writeFile(dir / "config.xml", config);
    Program program(dir.path());
    ASSERT_NE(program.main, nullptr) << "no main window";
    EXPECT_TRUE(IsZoomed(program.main));
    PostMessageW(program.main, WM_CLOSE, 0, 0);
    ASSERT_EQ(program.exitStatus(15000), 0);
    TConfig saved(dir / "config.xml");
    EXPECT_TRUE(saved.GetFrame().max());
}

// clickwisp-cli.exe remote command, as a script runs it.
test::ProcessResult remote(const std::string& command)
{
    return test::runProcess({ test::cliPath(), "remote", command });
}

// What the tool said: its output when it succeeded, else its error output.
std::string said(const test::ProcessResult& result)
{
    return result.status == 0 ? result.out : result.err;
}

TEST(Win32Program, ScriptsDriveItThroughItsPipeAndASecondProgramSaysWhereCommandsGo)
{
    test::TempDir dir;
    std::string config = kPreparedConfig;
    config.replace(config.find("repeat=\"0\""), 10, "repeat=\"2\""); // a run lasts until it is stopped
    test::writeFile(dir / "config.xml", config);
    Program program(dir.path());
    ASSERT_NE(program.main, nullptr) << "no main window";
    const fs::path address = ControlAddress();

    // Every command, done and refused, through the real tool: its exit
    // status, and what the program's window shows.
    auto expectRemote = [](const std::string& command, int status, const std::string& text) {
        const auto result = remote(command);
        EXPECT_EQ(result.status, status) << command << ": " << result.err;
        EXPECT_EQ(said(result), status == 0 ? text + "\n" : "clickwisp-cli remote " + command + ": " + text + "\n");
    };
    expectRemote("status", 0, "idle actions=0 list=");
    expectRemote("stop-record", 4, "not recording");
    expectRemote("stop-run", 4, "no run is under way");
    expectRemote("start-record", 0, "recording");
    EXPECT_EQ(program.statusText(0), L"Recoding...");
    expectRemote("start-record", 4, "already recording");
    expectRemote("start-run", 4, "recording is under way: stop it first");
    test::injectKey(VK_SHIFT, false);
    test::injectKey(VK_SHIFT, true);
    const auto recorded = remote("stop-record");
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    EXPECT_EQ(program.statusText(0), L"Ready");
    const std::string actions = "actions=" + std::to_string(program.rows().size());
    EXPECT_EQ(recorded.out, "recorded " + actions + "\n");
    EXPECT_NE(actions, "actions=0") << "the SHIFT pressed while recording";
    expectRemote("status", 0, "idle " + actions + " list=");
    expectRemote("start-run", 0, "playing " + actions + " list=");
    EXPECT_EQ(program.statusText(0), L"Running...");
    EXPECT_FALSE(IsWindowEnabled(program.control(MainControl::Start)));
    expectRemote("start-run", 4, "a run is already under way");
    expectRemote("start-record", 4, "a run is under way: stop it first");
    expectRemote("status", 0, "playing " + actions + " list=");
    expectRemote("stop-run", 0, "stopped");
    EXPECT_TRUE(IsWindowEnabled(program.control(MainControl::Start)));
    expectRemote("status", 0, "idle " + actions + " list=");
    const auto unknown = remote("dance");
    EXPECT_EQ(unknown.status, 64) << "a command the tool does not know is not sent";

    // Requests the tool would not send, straight to the pipe: refused with
    // the socket's replies, and nothing changes.
    EXPECT_EQ(SendControlRequest(address, "status\nstart-run").value(), "error more than one line in the request\n");
    EXPECT_EQ(SendControlRequest(address, std::string(5000, 'a')).value(), "error request longer than 4096 bytes\n");
    EXPECT_EQ(SendControlRequest(address, "start\x7frun").value(),
        "error request with a byte that is not printable text: 'start?run'\n");
    EXPECT_EQ(SendControlRequest(address, "status").value(), "ok idle " + actions + " list=\n");

    // A second program finds the pipe taken, says where the commands go,
    // and runs on without remote control.
    test::TempDir otherDir;
    Program other(otherDir.path(), Program::Wait::ForNothing);
    HWND box = other.waitForDialog(L"Warning");
    ASSERT_NE(box, nullptr) << "no box from the second program";
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, int(std::size(text))); // a message box's text
    EXPECT_EQ(std::wstring(text),
        wide("Remote control is off: another Clickwisp program already listens on " + address.string()
            + "; remote commands go to that program"));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND otherMain = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (otherMain = other.topLevel(L"TMForm", L"")) != nullptr; }));
    expectRemote("start-record", 0, "recording");
    EXPECT_EQ(program.statusText(0), L"Recoding...") << "the first program took the command";
    PostMessageW(otherMain, WM_CLOSE, 0, 0);
    ASSERT_EQ(other.exitStatus(15000), 0);
    const auto stopped = remote("stop-record");
    EXPECT_EQ(stopped.status, 0) << stopped.err;
    EXPECT_TRUE(stopped.out.starts_with("recorded actions=")) << stopped.out;

    // Closing the program takes its pipe away.
    PostMessageW(program.main, WM_CLOSE, 0, 0);
    ASSERT_EQ(program.exitStatus(15000), 0);
    const auto after = remote("status");
    EXPECT_EQ(after.status, 5);
    EXPECT_EQ(after.err,
        "clickwisp-cli remote: no Clickwisp program is listening on " + address.string()
            + " (start the desktop program first)\n");
}

} // namespace
} // namespace clickwisp
