// TMForm: building the window, its messages, start-up and shutdown.
#include "ui_win32/main_window.h"

#include "app/list_controller.h"
#include "platform/win32/win32_strings.h"
#include "ui_win32/about_box.h"
#include "ui_win32/resource_ids.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

namespace clickwisp {

namespace {

// The designed sizes in pixels at 96 dpi.
constexpr int kToolPanelHeight = 61;
constexpr int kButtonHeight = 58;
constexpr int kRightPanelWidth = 89;
constexpr int kSeparatorWidth = 2;
constexpr int kIconSize = 32;
constexpr int kSmallIconSize = 22;
constexpr SIZE kDesignedSize { 724, 500 };

struct ButtonPlace {
    MainControl control;
    int width;
    int height;
    bool separatorBefore;
};
// The tool panel left to right, then the right panel top to bottom.
constexpr ButtonPlace kToolPanel[] = {
    { MainControl::Record, 91, kButtonHeight, false },
    { MainControl::Load, 62, kButtonHeight, true },
    { MainControl::Save, 62, kButtonHeight, false },
    { MainControl::New, 62, kButtonHeight, true },
    { MainControl::Edit, 62, kButtonHeight, false },
    { MainControl::Delete, 62, kButtonHeight, false },
    { MainControl::Clear, 62, kButtonHeight, false },
    { MainControl::Options, 62, kButtonHeight, true },
    { MainControl::Quit, 62, kButtonHeight, true },
};
constexpr ButtonPlace kRightPanel[] = {
    { MainControl::Start, 62, kButtonHeight, false },
    { MainControl::Stop, 62, kButtonHeight, false },
    { MainControl::Up, 23, 46, false },
    { MainControl::Down, 23, 46, false },
};

static_assert(IDI_DOWN - IDI_FIRST_BUTTON == int(MainControl::Down), "one picture per button, in their order");

bool iconOnly(MainControl control)
{
    return *TextOf(control).caption == '\0';
}

} // namespace

TMForm::TMForm(MainWindowServices services)
    : m_services(std::move(services))
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_programIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_CLICKWISP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = instance;
    windowClass.hIcon = m_programIcon;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    // Designed caption until the controller is up; its bounds come later.
    CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"Clickwisp", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
        CW_USEDEFAULT, kDesignedSize.cx, kDesignedSize.cy, nullptr, nullptr, instance, this);
    m_dpi = GetDpiForWindow(m_window);
    createControls();
    applyDpi();
    addTrayIcon();

    ControllerServices controllerServices;
    controllerServices.configPath = m_services.configPath;
    controllerServices.hotKeys = m_services.hotKeys.get();
    controllerServices.hotKeysProblem = m_services.hotKeysProblem;
    controllerServices.recorder = m_services.recorder.get();
    controllerServices.recorderProblem = m_services.recorderProblem;
    controllerServices.playbackDesktop = m_services.playbackDesktop;
    controllerServices.waiter = m_services.waiter;
    controllerServices.remoteControl = m_services.remoteControl;
    // Workers and platform sources reach the controller only through here:
    // the call runs later on this window's thread. Once the window is gone
    // the post fails and the call is dropped.
    HWND window = m_window;
    controllerServices.post = [window](std::function<void()> call) {
        auto* queued = new std::function<void()>(std::move(call));
        if (!PostMessageW(window, kQueuedCall, 0, reinterpret_cast<LPARAM>(queued)))
            delete queued;
    };
    m_controller = std::make_unique<TMouseCtrl>(*this, std::move(controllerServices));
    const WindowStart start = WindowStartFromConfig(m_controller->GetConfig());
    m_startMaximized = start.maximized;
    SIZE size = { scaled(kDesignedSize.cx), scaled(kDesignedSize.cy) };
    if (start.sized)
        size = { scaled(start.size.width), scaled(start.size.height) };
    SetWindowPos(m_window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    applyColumns();
    m_controller->Start(); // sets the caption through setListState
}

TMForm::~TMForm()
{
    // A window destroyed without closing writes nothing, like a killed program.
    m_controller.reset();
    if (m_window)
        DestroyWindow(m_window);
    for (HIMAGELIST list : m_imageLists)
        ImageList_Destroy(list);
    for (HICON icon : m_icons)
        DestroyIcon(icon);
    DeleteObject(m_font);
    DeleteObject(m_boldFont);
}

void TMForm::createControls()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto addButton = [&](const ButtonPlace& place) {
        const MainControlText& text = TextOf(place.control);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
        if (iconOnly(place.control))
            style |= BS_ICON;
        m_controls[size_t(place.control)]
            = CreateWindowExW(0, WC_BUTTONW, WideFromUtf8(text.caption).c_str(), style, 0, 0, 0, 0, m_window,
                reinterpret_cast<HMENU>(INT_PTR(kFirstControlId + int(place.control))), instance, nullptr);
        if (place.separatorBefore)
            m_separators.push_back(CreateWindowExW(
                0, WC_STATICW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, m_window, nullptr, instance, nullptr));
    };
    for (const ButtonPlace& place : kToolPanel)
        addButton(place);
    for (const ButtonPlace& place : kRightPanel)
        addButton(place);

    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0, 0,
        m_window, reinterpret_cast<HMENU>(INT_PTR(kFirstControlId + int(MainControl::List))), instance, nullptr);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP);
    m_controls[size_t(MainControl::List)] = list;

    m_status = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
        m_window, nullptr, instance, nullptr);

    // Every control shows its hint as a tooltip.
    m_tooltips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr, instance, nullptr);
    SendMessageW(m_tooltips, TTM_SETMAXTIPWIDTH, 0, 600); // lines break at "\n"
    for (size_t i = 0; i < kMainControlCount; ++i) {
        std::wstring hint = WideFromUtf8(TextOf(MainControl(i)).hint);
        TTTOOLINFOW tool {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_window;
        tool.uId = reinterpret_cast<UINT_PTR>(m_controls[i]);
        tool.lpszText = hint.data();
        SendMessageW(m_tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, kAboutCommand, L"About");
    AppendMenuW(menu, MF_STRING, kHelpCommand, L"Help");
    SetMenu(m_window, menu);
}

// Fonts and pictures for the window's current DPI.
void TMForm::applyDpi()
{
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, int(m_dpi), int(GetDpiForSystem()));
    DeleteObject(m_font);
    DeleteObject(m_boldFont);
    m_font = CreateFontIndirectW(&font);
    font.lfWeight = FW_BOLD;
    m_boldFont = CreateFontIndirectW(&font);
    for (HWND control : m_controls)
        SendMessageW(
            control, WM_SETFONT, WPARAM(control == m_controls[size_t(MainControl::List)] ? m_font : m_boldFont), FALSE);
    SendMessageW(m_status, WM_SETFONT, WPARAM(m_font), FALSE);

    for (HIMAGELIST list : m_imageLists)
        ImageList_Destroy(list);
    m_imageLists.clear();
    for (HICON icon : m_icons)
        DestroyIcon(icon);
    m_icons.clear();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (size_t i = 0; i < kMainControlCount; ++i) {
        const auto control = MainControl(i);
        if (control == MainControl::List)
            continue;
        const int size = scaled(iconOnly(control) ? kSmallIconSize : kIconSize);
        auto* icon = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDI_FIRST_BUTTON + int(i)), IMAGE_ICON, size, size, 0));
        if (!icon)
            continue; // the pictures are resources of the program only
        m_icons.push_back(icon);
        if (iconOnly(control)) {
            SendMessageW(m_controls[i], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
            continue;
        }
        // The picture above the caption.
        HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 0);
        ImageList_AddIcon(list, icon);
        m_imageLists.push_back(list);
        BUTTON_IMAGELIST images {};
        images.himl = list;
        images.uAlign = BUTTON_IMAGELIST_ALIGN_TOP;
        SendMessageW(m_controls[i], BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
    }
}

void TMForm::layout()
{
    if (!m_status)
        return; // sized while being created, before its controls
    RECT client;
    GetClientRect(m_window, &client);
    SendMessageW(m_status, WM_SIZE, 0, 0);
    RECT statusRect;
    GetWindowRect(m_status, &statusRect);
    const int statusHeight = statusRect.bottom - statusRect.top;
    // The limits panel at the right is as wide as its text.
    int limitsWidth = 0;
    if (!m_limitsText.empty()) {
        HDC dc = GetDC(m_status);
        HGDIOBJ old = SelectObject(dc, m_font);
        SIZE size {};
        GetTextExtentPoint32W(dc, m_limitsText.c_str(), int(m_limitsText.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(m_status, dc);
        limitsWidth = size.cx + scaled(24); // the borders and the size grip
    }
    const int hintEnd = std::max(scaled(150), int(client.right - client.left) - limitsWidth);
    const int parts[3] = { scaled(100), limitsWidth > 0 ? hintEnd : -1, -1 };
    const int partCount = limitsWidth > 0 ? 3 : 2;
    SendMessageW(m_status, SB_SETPARTS, WPARAM(partCount), reinterpret_cast<LPARAM>(parts));
    if (partCount == 3)
        SendMessageW(m_status, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(m_limitsText.c_str()));
    for (int panel = 0; panel < partCount; ++panel) {
        TTTOOLINFOW tool {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = m_status;
        tool.uId = UINT_PTR(panel);
        SendMessageW(m_status, SB_GETRECT, WPARAM(panel), reinterpret_cast<LPARAM>(&tool.rect));
        SendMessageW(m_tooltips, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    HDWP batch = BeginDeferWindowPos(int(kMainControlCount + m_separators.size()));
    auto place = [&](HWND control, int x, int y, int width, int height) {
        batch = DeferWindowPos(batch, control, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    int x = scaled(2);
    size_t separator = 0;
    for (const ButtonPlace& button : kToolPanel) {
        if (button.separatorBefore) {
            x += scaled(2);
            place(m_separators[separator++], x, scaled(4), scaled(kSeparatorWidth), scaled(kButtonHeight) - scaled(6));
            x += scaled(kSeparatorWidth + 3);
        }
        place(control(button.control), x, scaled(1), scaled(button.width), scaled(button.height));
        x += scaled(button.width) + scaled(1);
    }

    const int top = scaled(kToolPanelHeight);
    const int bottom = std::max(top, int(client.bottom) - statusHeight);
    const int panelLeft = std::max(0, int(client.right) - scaled(kRightPanelWidth));
    auto centred = [&](int width) { return panelLeft + (scaled(kRightPanelWidth) - scaled(width)) / 2; };
    place(control(MainControl::Start), centred(62), top + scaled(8), scaled(62), scaled(kButtonHeight));
    place(control(MainControl::Stop), centred(62), top + scaled(8 + kButtonHeight + 4), scaled(62),
        scaled(kButtonHeight));
    // The arrows a little wider than designed, so their pictures fit.
    place(control(MainControl::Up), centred(36), bottom - scaled(8 + 46 + 4 + 46), scaled(36), scaled(46));
    place(control(MainControl::Down), centred(36), bottom - scaled(8 + 46), scaled(36), scaled(46));
    place(control(MainControl::List), scaled(4), top + scaled(4), std::max(0, panelLeft - scaled(4)),
        std::max(0, bottom - top - scaled(8)));
    EndDeferWindowPos(batch);
}

void TMForm::addTrayIcon()
{
    NOTIFYICONDATAW icon {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = m_window;
    icon.uID = 1;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayMessage;
    icon.hIcon = m_programIcon;
    lstrcpynW(icon.szTip, m_trayTip.c_str(), int(std::size(icon.szTip)));
    m_trayShown = Shell_NotifyIconW(NIM_ADD, &icon);
}

void TMForm::applyColumns()
{
    HWND list = control(MainControl::List);
    const TConfig& config = m_controller->GetConfig();
    const std::vector<ColumnState> columns = ColumnsFromConfig(config);
    const auto cols = config.GetCols();
    m_columnShown.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
        std::wstring name = WideFromUtf8(cols.Col(int(i)).Name());
        LVCOLUMNW column {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        switch (ColumnAlignOf(cols.Col(int(i)).Align())) {
        case ColumnAlign::Left: column.fmt = LVCFMT_LEFT; break;
        case ColumnAlign::Right: column.fmt = LVCFMT_RIGHT; break;
        case ColumnAlign::Centre: column.fmt = LVCFMT_CENTER; break;
        }
        // A list view cannot hide a column: a hidden one is 0 pixels wide.
        column.cx = columns[i].visible ? scaled(columns[i].width) : 0;
        column.pszText = name.data();
        column.iSubItem = int(i);
        ListView_InsertColumn(list, int(i), &column);
        m_columnShown.push_back(columns[i].visible);
    }
    std::vector<int> order = ColumnOrder(columns);
    if (!order.empty())
        ListView_SetColumnOrderArray(list, int(order.size()), order.data());
}

void TMForm::storeWindowSettings()
{
    WINDOWPLACEMENT placement {};
    placement.length = sizeof(placement);
    GetWindowPlacement(m_window, &placement);
    const RECT& bounds = placement.rcNormalPosition;
    StoreWindowBounds(ScreenPoint { unscaled(bounds.left), unscaled(bounds.top) },
        { unscaled(bounds.right - bounds.left), unscaled(bounds.bottom - bounds.top) },
        placement.showCmd == SW_SHOWMAXIMIZED || (IsZoomed(m_window) && IsWindowVisible(m_window)),
        m_controller->GetConfig());

    HWND list = control(MainControl::List);
    std::vector<int> order(m_columnShown.size());
    if (!order.empty())
        ListView_GetColumnOrderArray(list, int(order.size()), order.data());
    std::vector<ColumnState> columns(m_columnShown.size());
    for (size_t place = 0; place < order.size(); ++place) {
        const auto i = size_t(order[place]);
        if (i >= columns.size())
            continue;
        const int width = unscaled(ListView_GetColumnWidth(list, int(i)));
        // A hidden column the user has dragged open shows from now on.
        columns[i] = { width, m_columnShown[i] || width > 0, int(place) };
    }
    StoreColumns(columns, m_controller->GetConfig());
}

void TMForm::showAtStart()
{
    // Centred on the whole desktop (every monitor), whatever left and top say.
    RECT bounds;
    GetWindowRect(m_window, &bounds);
    const ScreenPoint origin
        = CentredOrigin({ GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN) },
            { GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN) },
            { bounds.right - bounds.left, bounds.bottom - bounds.top });
    SetWindowPos(m_window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(m_window, m_startMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    UpdateWindow(m_window);
}

void TMForm::saveSession(bool ending)
{
    if (!m_controller)
        return;
    storeWindowSettings();
    m_controller->SaveSession(ending);
}

void TMForm::close()
{
    if (m_controller) {
        storeWindowSettings();
        m_controller->Shutdown();
        if (m_trayShown) {
            NOTIFYICONDATAW icon {};
            icon.cbSize = sizeof(icon);
            icon.hWnd = m_window;
            icon.uID = 1;
            Shell_NotifyIconW(NIM_DELETE, &icon);
            m_trayShown = false;
        }
        m_controller.reset();
    }
    DestroyWindow(m_window);
}

void TMForm::command(MainControl which)
{
    // After closing there is no controller, and a late click does nothing.
    if (!m_controller)
        return;
    TMouseCtrl& controller = *m_controller;
    switch (which) {
    case MainControl::Record: controller.btnShadeClick(); break;
    case MainControl::Load: controller.LoadList(); break;
    case MainControl::Save: controller.SaveList(); break;
    case MainControl::New: controller.NewAction(); break;
    case MainControl::Edit: controller.EditAction(); break;
    case MainControl::Delete: controller.DeleteAction(); break;
    case MainControl::Clear: controller.ClearList(); break;
    case MainControl::Options: controller.ShowOptions(); break;
    case MainControl::Quit: PostMessageW(m_window, WM_CLOSE, 0, 0); break;
    case MainControl::Start: controller.Run(); break;
    case MainControl::Stop: controller.Stop(); break;
    case MainControl::Up: controller.MoveUp(); break;
    case MainControl::Down: controller.MoveDown(); break;
    case MainControl::List: break;
    }
}

// The status hint follows the pointer over the buttons and the list, even
// over disabled ones (which hand the pointer to the window itself).
void TMForm::pointerOver(HWND child)
{
    if (!m_controller)
        return;
    if (child == m_window) {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(m_window, &point);
        child = ChildWindowFromPointEx(m_window, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    }
    HWND list = control(MainControl::List);
    if (child && GetParent(child) == list)
        child = list; // the header
    for (size_t i = 0; i < kMainControlCount; ++i) {
        if (m_controls[i] == child) {
            const std::string hint = m_controller->HintFor(hintOf(MainControl(i)));
            SendMessageW(m_status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(WideFromUtf8(hint).c_str()));
            return;
        }
    }
}

void TMForm::trayClicked()
{
    if (TrayClickHides(IsWindowVisible(m_window), IsIconic(m_window)))
        ShowWindow(m_window, SW_HIDE);
    else
        showAndRaise();
}

LRESULT TMForm::notify(const NMHDR& header)
{
    if (header.hwndFrom != control(MainControl::List))
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            m_cellText = m_controller && item.iItem < m_controller->Count()
                ? WideFromUtf8(m_controller->GetCellText(item.iItem, item.iSubItem))
                : std::wstring();
            lstrcpynW(item.pszText, m_cellText.c_str(), item.cchTextMax);
        }
        return 0;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!m_syncingSelection && m_controller && (change.uChanged & LVIF_STATE)
            && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
            m_controller->Select(ListView_GetNextItem(header.hwndFrom, -1, LVNI_SELECTED));
        return 0;
    }
    case NM_DBLCLK:
        if (m_controller)
            m_controller->EditAction();
        return 0;
    default: return 0;
    }
}

LRESULT CALLBACK TMForm::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TMForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TMForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_window = nullptr;
        self = nullptr;
    }
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handleMessage(message, wParam, lParam);
}

LRESULT TMForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == kAboutCommand)
            ShowAboutBox(m_window, m_services.backendName);
        else if (id == kHelpCommand)
            OpenAddress(m_window, kHelpPageUrl);
        else if (id >= kFirstControlId && id < kFirstControlId + int(kMainControlCount) && HIWORD(wParam) == BN_CLICKED)
            command(MainControl(id - kFirstControlId));
        return 0;
    }
    case WM_NOTIFY: return notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SETCURSOR:
        if (HIWORD(lParam) == WM_MOUSEMOVE)
            pointerOver(reinterpret_cast<HWND>(wParam));
        break;
    case WM_SIZE: layout(); return 0;
    case WM_CTLCOLORSTATIC:
        // The separators in the tooltip colour.
        if (std::ranges::find(m_separators, reinterpret_cast<HWND>(lParam)) != m_separators.end())
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
        break;
    case WM_DPICHANGED: {
        m_dpi = HIWORD(wParam);
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
            suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        applyDpi();
        layout();
        return 0;
    }
    case WM_SYSCOMMAND:
        // Minimising hides the window to the notification area.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && MinimizeHides(m_trayShown)) {
            ShowWindow(m_window, SW_HIDE);
            return 0;
        }
        break;
    case kTrayMessage:
        if (LOWORD(lParam) == WM_LBUTTONUP)
            trayClicked();
        return 0;
    case kQueuedCall: {
        std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(lParam));
        (*call)();
        return 0;
    }
    case WM_QUERYENDSESSION: saveSession(false); return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            saveSession(true);
        return 0;
    case WM_CLOSE: close(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default:
        // A restarted taskbar has lost the icon: without it a hidden window
        // could not be found again.
        if (message == m_taskbarCreated && m_trayShown && m_controller)
            addTrayIcon();
        break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

} // namespace clickwisp
