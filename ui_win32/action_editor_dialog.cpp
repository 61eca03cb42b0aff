#include "ui_win32/action_editor_dialog.h"

#include "app/controller_view.h"
#include "core/colour_text.h"
#include "platform/input_injector.h"
#include "platform/screen_source.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_strings.h"
#include "ui_win32/dialog_kit.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objidl.h>
// objidl.h first: GDI+ needs IStream.
#include <gdiplus.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace clickwisp {

namespace {

using namespace editor_control;

constexpr UINT_PTR kCaptureTimer = 1;
constexpr UINT_PTR kTestTimer = 2; // the dialog out of sight before a test's capture
constexpr UINT_PTR kMarkTimer = 3; // the found place marked
constexpr int kMarkBorder = 3;
const char* const kCaptureHint = "Press Any Key To Stop Capture";
// BMP files first, then every other picture GDI+ reads.
const std::string kWin32PictureFilter
    = std::string(kPictureFileFilter) + "|Pictures|*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.tif;*.tiff";

// The dialog in dialog units: the type radio buttons in a column at the left,
// each beside its panel.
constexpr short kWidth = 400;
constexpr short kHeight = 302;
constexpr int kPanelLeft = 68;
constexpr int kPanelWidth = 325;
constexpr int kInside = kPanelLeft + 6;

// The editor whose dialog is open on this thread, for the key preview hook.
thread_local class ActionEditor* t_openEditor = nullptr;

class ActionEditor {
public:
    ActionEditor(const std::string& caption, const ActionEditorFields& start, const ActionEditorServices& services)
        : m_caption(caption)
        , m_start(start)
        , m_services(services)
    {
    }

    ~ActionEditor()
    {
        if (m_picture)
            DeleteObject(m_picture);
        if (m_swatchBrush)
            DeleteObject(m_swatchBrush);
    }

    // Runs the dialog; the fields as OK left them, or nothing.
    std::optional<ActionEditorFields> run(HWND owner)
    {
        const INT_PTR result = RunModalDialog(owner, WideText(m_caption), kModalDialogStyle | WS_MINIMIZEBOX, kWidth,
            kHeight, &ActionEditor::procedure, reinterpret_cast<LPARAM>(this));
        if (result != 1)
            return std::nullopt;
        return m_saved;
    }

    void warn(const std::string& text)
    {
        if (m_services.showWarning)
            m_services.showWarning(text);
        else
            ShowWarningBox(IsWindow(m_dialog) ? m_dialog : nullptr, text);
    }

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<ActionEditor*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            self->m_dialog = dialog;
            self->build();
            self->showFields(self->m_start);
            self->startKeyPreview();
            return TRUE;
        }
        auto* self = reinterpret_cast<ActionEditor*>(GetWindowLongPtrW(dialog, DWLP_USER));
        return self ? self->handle(message, wParam, lParam) : FALSE;
    }

    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_COMMAND: command(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code != UDN_DELTAPOS)
                return FALSE;
            stepField(int(header->idFrom), reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
            // The step is done: the arrows keep no position of their own.
            SetWindowLongPtrW(m_dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        case WM_TIMER:
            if (wParam == kCaptureTimer)
                captureTick();
            else if (wParam == kTestTimer)
                finishTargetTest();
            else if (wParam == kMarkTimer)
                hideMarker();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == item(kSwatch) && m_swatchBrush) {
                SetBkColor(reinterpret_cast<HDC>(wParam), m_swatchColour);
                return reinterpret_cast<INT_PTR>(m_swatchBrush);
            }
            return FALSE;
        case WM_DRAWITEM:
            if (wParam == WPARAM(kPicture)) {
                drawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE: close(0); return TRUE;
        case WM_DESTROY:
            stopKeyPreview();
            if (m_marker)
                DestroyWindow(m_marker);
            m_marker = nullptr;
            if (m_tips)
                DestroyWindow(m_tips);
            m_tips = nullptr;
            return FALSE;
        default: return FALSE;
        }
    }

    void command(int id, int code)
    {
        if (id >= kTypes && id < kTypes + 5 && code == BN_CLICKED) {
            CheckOnly(m_dialog, { kTypes, kTypes + 1, kTypes + 2, kTypes + 3, kTypes + 4 }, id - kTypes);
            applyTypeRule();
        } else if (id >= kPoints && id < kPoints + 4 && code == BN_CLICKED) {
            CheckOnly(m_dialog, { kPoints, kPoints + 1, kPoints + 2, kPoints + 3 }, id - kPoints);
            applyClickPointRule();
        } else if (id == kPointCapture || id == kMoveCapture) {
            m_capture.startPoint();
            followCapture();
        } else if (id == kColourCapture) {
            m_capture.startColour();
            followCapture();
        } else if (id == kPictureLoad) {
            loadPicture();
        } else if (id == kColourTest || id == kPictureTest) {
            startTargetTest(id == kPictureTest);
        } else if (id == kOk) {
            ok();
        } else if (id == kCancel) {
            close(0);
        }
        // Enter and Escape (IDOK, IDCANCEL) do nothing: neither button is a
        // default or cancel button.
    }

    HWND item(int id) const { return GetDlgItem(m_dialog, id); }

    // The tip of control id; an empty text shows none.
    void setTip(int id, const std::string& text)
    {
        const std::wstring wide = WideText(text);
        TTTOOLINFOW tool {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = m_dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(item(id));
        tool.lpszText = const_cast<wchar_t*>(wide.c_str());
        SendMessageW(m_tips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    // Notes control as a part of the panel and the target group being built.
    HWND part(HWND control)
    {
        m_panelParts[m_building].push_back(control);
        if (m_buildingTarget >= 0)
            m_targetParts[size_t(m_buildingTarget)].push_back(control);
        return control;
    }

    void startPanel(size_t panel, const char* caption, int top, int height)
    {
        ControlMaker make(m_dialog);
        make.radio(caption, kTypes + int(panel), 7, top + 4, kPanelLeft - 10);
        m_building = panel;
        part(make.add(WC_STATICW, {}, SS_ETCHEDFRAME, kPanels + int(panel), kPanelLeft, top, kPanelWidth, height));
    }

    // An edit for a text of the presenter with its typing rule and arrows.
    HWND textField(EditorText which, int x, int y, int cx, DWORD style = 0)
    {
        ControlMaker make(m_dialog);
        const EditorFieldRule rule = FieldRuleOf(which);
        HWND edit = part(make.edit(TextControl(which), x, y, cx, 12, style | (rule.digitsOnly ? ES_NUMBER : 0)));
        if (rule.maxLength > 0)
            SendMessageW(edit, EM_LIMITTEXT, WPARAM(rule.maxLength), 0);
        if (rule.arrows)
            part(make.arrows(edit, kArrows + int(which), rule.arrows->minimum, rule.arrows->maximum, 1, false));
        return edit;
    }

    // "Start Capture", "X:" x, "Y:" y, and the hint below them.
    void pointCapture(int captureId, EditorText x, EditorText y, int left, int top)
    {
        ControlMaker make(m_dialog);
        part(make.button("Start Capture", captureId, left, top, 60, 14));
        part(make.label("X:", left + 68, top + 3, 10));
        textField(x, left + 80, top + 1, 32);
        part(make.label("Y:", left + 120, top + 3, 10));
        textField(y, left + 132, top + 1, 32);
        part(make.label(kCaptureHint, left, top + 17, 200));
    }

    void build()
    {
        ControlMaker make(m_dialog);
        // Click panel: button and click kind, the click point choice, and
        // below it the group of the chosen point's target, all three groups
        // in one place.
        startPanel(0, "Mouse Click", 4, 146);
        part(make.label("Mouse", kInside, 12, 24));
        part(make.list(kButton, kInside + 26, 10, 75, 60, { "Left Button", "Right Button", "Middle Button" }));
        part(make.label("Action", kInside + 111, 12, 26));
        part(make.list(
            kClickKind, kInside + 138, 10, 75, 70, { "Single Click", "Double Click", "Button Down", "Button Up" }));
        part(make.group("Click Point", -1, kInside, 26, kPanelWidth - 12, 34));
        part(make.radio("Click where the mouse is", kPoints, kInside + 6, 36, 140));
        part(make.radio("Click on a fixed point", kPoints + 1, kInside + 156, 36, 140));
        part(make.radio("Click color block ", kPoints + 2, kInside + 6, 47, 140));
        part(make.radio("Click BMP block", kPoints + 3, kInside + 156, 47, 140));

        m_buildingTarget = 0;
        part(make.group("specify click point", kTargetGroups, kInside, 62, kPanelWidth - 12, 40));
        pointCapture(kPointCapture, EditorText::ClickX, EditorText::ClickY, kInside + 6, 73);

        m_buildingTarget = 1;
        part(make.group("specify color block", kTargetGroups + 1, kInside, 62, kPanelWidth - 12, 78));
        part(make.button("Start Capture", kColourCapture, kInside + 6, 73, 60, 14));
        part(make.add(WC_STATICW, {}, SS_NOTIFY, kSwatch, kInside + 72, 74, 24, 12, WS_EX_CLIENTEDGE));
        textField(EditorText::Colour, kInside + 100, 74, 90, ES_READONLY);
        part(make.label("Color Simliar:", kInside + 6, 93, 52));
        textField(EditorText::ColourSimilarity, kInside + 60, 91, 34);
        part(make.label("%", kInside + 98, 93, 10));
        part(make.label(kCaptureHint, kInside + 6, 105, 200));
        part(make.button("Test", kColourTest, kInside + 6, 117, 40, 14));
        part(make.add(WC_STATICW, {}, SS_LEFT | SS_NOPREFIX, kColourTestResult, kInside + 52, 120, 250, 8));

        m_buildingTarget = 2;
        part(make.group("specify bmp", kTargetGroups + 2, kInside, 62, kPanelWidth - 12, 82));
        part(make.button("Load BMP", kPictureLoad, kInside + 6, 73, 60, 14));
        part(make.label("BMP Simliar:", kInside + 6, 93, 48));
        textField(EditorText::PictureSimilarity, kInside + 56, 91, 34);
        part(make.label("%", kInside + 94, 93, 10));
        part(make.button("Test", kPictureTest, kInside + 6, 108, 40, 14));
        part(make.add(WC_STATICW, {}, SS_LEFT | SS_NOPREFIX, kPictureTestResult, kInside + 6, 125, 106, 16));
        part(make.add(WC_STATICW, {}, SS_OWNERDRAW | SS_NOTIFY, kPicture, kInside + 116, 72, 190, 68));
        m_buildingTarget = -1;

        startPanel(1, "Mouse Move", 152, 34);
        pointCapture(kMoveCapture, EditorText::MoveX, EditorText::MoveY, kInside, 158);

        startPanel(2, "Keystroke ", 190, 22);
        part(make.label("Key", kInside, 197, 18));
        HWND keys = part(make.list(kKey, kInside + 20, 195, 110, 160));
        for (const KeyChoice& key : EditorKeyList())
            SendMessageW(keys, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(key.name).c_str()));
        part(make.label("Action", kInside + 140, 197, 26));
        part(make.list(kKeyAction, kInside + 168, 195, 70, 60, { "Key Down", "Key Up", "Key Press" }));

        startPanel(3, "Type Text", 216, 22);
        textField(EditorText::TypedText, kInside, 221, kPanelWidth - 12);

        startPanel(4, "Delay", 242, 34);
        const std::pair<EditorText, const char*> delays[]
            = { { EditorText::DelayHours, "Hours" }, { EditorText::DelayMinutes, "Minutes" },
                  { EditorText::DelaySeconds, "Seconds" }, { EditorText::DelayTenths, "1/10 S" },
                  { EditorText::DelayHundredths, "1/100 S" }, { EditorText::DelayThousandths, "ms(1/1000 S)" } };
        const int columns[] = { 28, 32, 32, 28, 30, 48 };
        int x = kInside;
        for (size_t i = 0; i < std::size(delays); ++i) {
            part(make.label(delays[i].second, x, 247, columns[i]));
            textField(delays[i].first, x, 257, 28);
            x += columns[i] + 6;
        }

        m_tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
            0, 0, m_dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
        for (int id : { kSwatch, kPicture }) {
            TTTOOLINFOW tool {};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = m_dialog;
            tool.uId = reinterpret_cast<UINT_PTR>(item(id));
            tool.lpszText = const_cast<wchar_t*>(L"");
            SendMessageW(m_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }

        make.button("&OK", kOk, kWidth - 112, kHeight - 20);
        make.button("&Cancel", kCancel, kWidth - 57, kHeight - 20);
    }

    // The controls' contents as the presenter sees them.
    ActionEditorFields fields() const
    {
        ActionEditorFields fields;
        fields.type = CheckedIndex(m_dialog, { kTypes, kTypes + 1, kTypes + 2, kTypes + 3, kTypes + 4 });
        fields.button = int(SendDlgItemMessageW(m_dialog, kButton, CB_GETCURSEL, 0, 0));
        fields.clickKind = int(SendDlgItemMessageW(m_dialog, kClickKind, CB_GETCURSEL, 0, 0));
        fields.clickPoint = CheckedIndex(m_dialog, { kPoints, kPoints + 1, kPoints + 2, kPoints + 3 });
        fields.key = int(SendDlgItemMessageW(m_dialog, kKey, CB_GETCURSEL, 0, 0));
        fields.keyAction = int(SendDlgItemMessageW(m_dialog, kKeyAction, CB_GETCURSEL, 0, 0));
        for (size_t i = 0; i < kEditorTextCount; ++i)
            fields.texts[i] = WindowText(item(TextControl(EditorText(i))));
        fields.picture = m_pictureText;
        return fields;
    }

    void showFields(const ActionEditorFields& fields)
    {
        CheckOnly(m_dialog, { kTypes, kTypes + 1, kTypes + 2, kTypes + 3, kTypes + 4 }, fields.type);
        applyTypeRule();
        SendDlgItemMessageW(m_dialog, kButton, CB_SETCURSEL, WPARAM(fields.button), 0);
        SendDlgItemMessageW(m_dialog, kClickKind, CB_SETCURSEL, WPARAM(fields.clickKind), 0);
        CheckOnly(m_dialog, { kPoints, kPoints + 1, kPoints + 2, kPoints + 3 }, fields.clickPoint);
        applyClickPointRule();
        for (size_t i = 0; i < kEditorTextCount; ++i)
            SetWindowTextUtf8(item(TextControl(EditorText(i))), fields.texts[i]);
        showSwatch();
        showPicture(fields.picture);
        SendDlgItemMessageW(m_dialog, kKey, CB_SETCURSEL, WPARAM(fields.key), 0);
        SendDlgItemMessageW(m_dialog, kKeyAction, CB_SETCURSEL, WPARAM(fields.keyAction), 0);
    }

    // Each type panel enabled exactly with its radio button, and every
    // control inside it with it.
    void applyTypeRule()
    {
        ActionEditorFields chosen;
        chosen.type = CheckedIndex(m_dialog, { kTypes, kTypes + 1, kTypes + 2, kTypes + 3, kTypes + 4 });
        const EditorLayout layout = LayoutFor(chosen);
        for (size_t i = 0; i < m_panelParts.size(); ++i) {
            for (HWND control : m_panelParts[i])
                EnableWindow(control, layout.panels[i]);
        }
    }

    // The group of the chosen click point shown and its capture or load
    // button enabled; the others hidden.
    void applyClickPointRule()
    {
        ActionEditorFields chosen;
        chosen.clickPoint = CheckedIndex(m_dialog, { kPoints, kPoints + 1, kPoints + 2, kPoints + 3 });
        const EditorLayout layout = LayoutFor(chosen);
        const int buttons[] = { kPointCapture, kColourCapture, kPictureLoad };
        // Hide first, then show, so the shared place is drawn once.
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t i = 0; i < m_targetParts.size(); ++i) {
                if (layout.targets[i] != (pass == 1))
                    continue;
                for (HWND control : m_targetParts[i])
                    ShowWindow(control, layout.targets[i] ? SW_SHOWNA : SW_HIDE);
                EnableWindow(item(buttons[i]), layout.targets[i]);
            }
        }
        m_capture.stop();
        followCapture();
    }

    // One press of a field's arrows: the field's text stepped as the
    // presenter says.
    void stepField(int arrowsId, int delta)
    {
        const auto which = EditorText(arrowsId - kArrows);
        const auto range = FieldRuleOf(which).arrows;
        if (!range || delta == 0)
            return;
        HWND edit = item(TextControl(which));
        SetWindowTextUtf8(edit, SteppedText(WindowText(edit), delta > 0 ? 1 : -1, *range));
        SendMessageW(edit, EM_SETSEL, 0, -1);
    }

    // The timer runs exactly while the capture does.
    void followCapture()
    {
        if (m_capture.running() && !m_timerOn)
            SetTimer(m_dialog, kCaptureTimer, EditorCapture::kTickMs, nullptr);
        else if (!m_capture.running() && m_timerOn)
            KillTimer(m_dialog, kCaptureTimer);
        m_timerOn = m_capture.running();
    }

    void captureTick()
    {
        if (!m_capture.running())
            return;
        ScreenPoint pointer;
        if (m_services.input) {
            pointer = m_services.input->GetCursorPos();
        } else {
            POINT point {};
            GetCursorPos(&point);
            pointer = { int32_t(point.x), int32_t(point.y) };
        }
        ActionEditorFields current = fields();
        const auto changed = m_capture.tick(current, pointer, [this](ScreenPoint at) { return pixelAt(at); });
        for (EditorText which : changed)
            SetWindowTextUtf8(item(TextControl(which)), current.text(which));
        if (std::ranges::find(changed, EditorText::Colour) != changed.end())
            showSwatch();
    }

    std::optional<uint32_t> pixelAt(ScreenPoint point) const
    {
        if (m_services.screen)
            return ReadScreenColour(*m_services.screen, point);
        HDC screen = GetDC(nullptr);
        const COLORREF colour = GetPixel(screen, point.x, point.y);
        ReleaseDC(nullptr, screen);
        if (colour == CLR_INVALID)
            return std::nullopt;
        return uint32_t(colour); // 0x00BBGGRR, as the colour texts hold it
    }

    // The swatch in the colour the colour text names; a system colour as this
    // desktop shows it. None for a text that names no colour.
    void showSwatch()
    {
        if (m_swatchBrush)
            DeleteObject(m_swatchBrush);
        m_swatchBrush = nullptr;
        const std::string colourText = WindowText(item(TextControl(EditorText::Colour)));
        if (auto value = ColorFromText(colourText)) {
            if ((*value >> 24) == 0)
                m_swatchColour = COLORREF(*value);
            else if ((*value >> 24) == 0xFF && (*value & 0xFFFFFF) <= COLOR_MENUBAR)
                m_swatchColour = GetSysColor(int(*value & 0xFFFFFF));
            else
                value.reset();
            if (value)
                m_swatchBrush = CreateSolidBrush(m_swatchColour);
        }
        setTip(kSwatch, m_swatchBrush ? std::string() : NoColourTip(colourText));
        InvalidateRect(item(kSwatch), nullptr, TRUE);
    }

    void showPicture(const std::string& pictureText)
    {
        m_pictureText = pictureText;
        if (m_picture)
            DeleteObject(m_picture);
        m_picture = nullptr;
        if (auto bitmap = PictureForDisplay(m_pictureText)) {
            BITMAPINFO info {};
            info.bmiHeader.biSize = sizeof(info.bmiHeader);
            info.bmiHeader.biWidth = bitmap->Width();
            info.bmiHeader.biHeight = -bitmap->Height(); // top row first
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 24;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            m_picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (m_picture) {
                const size_t stride = (size_t(bitmap->Width()) * 3 + 3) & ~size_t(3);
                for (int32_t y = 0; y < bitmap->Height(); ++y)
                    std::memcpy(
                        static_cast<uint8_t*>(bits) + size_t(y) * stride, bitmap->Row(y), size_t(bitmap->Width()) * 3);
            }
        }
        BITMAP size {};
        if (m_picture)
            GetObjectW(m_picture, sizeof(size), &size);
        setTip(kPicture, m_picture ? PictureSizeTip(size.bmWidth, size.bmHeight) : std::string());
        InvalidateRect(item(kPicture), nullptr, TRUE);
    }

    // The picture centred, shrunk to fit when it is larger than its place.
    void drawPicture(const DRAWITEMSTRUCT& draw) const
    {
        FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        RECT place = draw.rcItem;
        if (!m_picture) {
            if (!m_pictureText.empty()) {
                SetBkMode(draw.hDC, TRANSPARENT);
                const std::wstring text = WideText(kUnreadablePicture);
                DrawTextW(draw.hDC, text.c_str(), int(text.size()), &place, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
            }
            return;
        }
        BITMAP info {};
        GetObjectW(m_picture, sizeof(info), &info);
        const int roomX = place.right - place.left, roomY = place.bottom - place.top;
        int cx = info.bmWidth, cy = info.bmHeight;
        if (cx > roomX || cy > roomY) {
            const double scale = std::min(double(roomX) / cx, double(roomY) / cy);
            cx = std::max(1, int(cx * scale));
            cy = std::max(1, int(cy * scale));
        }
        HDC memory = CreateCompatibleDC(draw.hDC);
        HGDIOBJ old = SelectObject(memory, m_picture);
        SetStretchBltMode(draw.hDC, HALFTONE);
        StretchBlt(draw.hDC, place.left + (roomX - cx) / 2, place.top + (roomY - cy) / 2, cx, cy, memory, 0, 0,
            info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }

    void loadPicture()
    {
        std::optional<std::string> path;
        if (m_services.choosePicture) {
            path = m_services.choosePicture(kPictureFileExtension, kWin32PictureFilter);
        } else {
            std::wstring name(MAX_PATH * 4, L'\0');
            const std::wstring filter = CommonDialogFilter(kWin32PictureFilter);
            const std::wstring extension = WideText(kPictureFileExtension + 1);
            OPENFILENAMEW prompt {};
            prompt.lStructSize = sizeof(prompt);
            prompt.hwndOwner = m_dialog;
            prompt.lpstrFilter = filter.c_str();
            prompt.lpstrFile = name.data();
            prompt.nMaxFile = DWORD(name.size());
            prompt.lpstrDefExt = extension.c_str();
            prompt.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
            if (GetOpenFileNameW(&prompt))
                path = Utf8FromWide(name.c_str());
        }
        if (!path || path->empty())
            return;
        if (auto text = ReadPictureFile(*path))
            showPicture(*text);
        else
            warn(text.error().message);
    }

    // A picture file GDI+ reads (BMP of any depth, PNG, JPEG, GIF, TIFF) as
    // the action's picture text.
    static Result<std::string> ReadPictureFile(const std::string& path)
    {
        using namespace Gdiplus;
        static const bool started = [] {
            GdiplusStartupInput input;
            ULONG_PTR token = 0;
            return GdiplusStartup(&token, &input, nullptr) == Ok;
        }();
        std::vector<uint8_t> rows;
        return PictureTextFromFile(path, [&rows](const std::string& name) -> Result<DecodedPicture> {
            GpBitmap* bitmap = nullptr;
            if (!started || DllExports::GdipCreateBitmapFromFile(WideText(name).c_str(), &bitmap) != Ok || !bitmap)
                return fail("Windows reads no picture from it");
            UINT width = 0, height = 0;
            DllExports::GdipGetImageWidth(bitmap, &width);
            DllExports::GdipGetImageHeight(bitmap, &height);
            GpRect all(0, 0, INT(width), INT(height));
            BitmapData pixels {};
            const bool read = width > 0 && height > 0
                && DllExports::GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat24bppRGB, &pixels) == Ok;
            if (read) {
                // Blue, green, red a pixel, as the picture text wants them.
                const size_t rowBytes = size_t(width) * 3;
                rows.resize(rowBytes * height);
                for (UINT y = 0; y < height; ++y)
                    std::memcpy(rows.data() + y * rowBytes,
                        static_cast<const uint8_t*>(pixels.Scan0) + ptrdiff_t(y) * pixels.Stride, rowBytes);
                DllExports::GdipBitmapUnlockBits(bitmap, &pixels);
            }
            DllExports::GdipDisposeImage(bitmap);
            if (!read)
                return fail("its pixels could not be read");
            return DecodedPicture { int32_t(width), int32_t(height), [&rows, width](int32_t y, uint8_t* row) {
                                       std::memcpy(row, rows.data() + size_t(y) * width * 3, size_t(width) * 3);
                                   } };
        });
    }

    // "Test": the dialog moves out of sight, the desktop redraws, then the
    // screen is searched with the current fields.
    void startTargetTest(bool picture)
    {
        if (m_testing)
            return;
        m_testing = true;
        m_testingPicture = picture;
        EnableWindow(item(kColourTest), FALSE);
        EnableWindow(item(kPictureTest), FALSE);
        SetWindowTextW(item(picture ? kPictureTestResult : kColourTestResult), L"");
        // Out of sight rather than hidden, as a modal dialog stays shown.
        GetWindowRect(m_dialog, &m_home);
        SetWindowPos(m_dialog, nullptr,
            GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) + 100,
            GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN) + 100, 0, 0,
            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetTimer(m_dialog, kTestTimer, kTargetTestHideMs, nullptr);
    }

    void finishTargetTest()
    {
        KillTimer(m_dialog, kTestTimer);
        ScreenSource* screen = m_services.screen;
        std::string problem;
        if (!screen) {
            if (!m_ownScreen) {
                if (auto made = makeWin32Screen())
                    m_ownScreen = std::move(*made);
                else
                    problem = made.error().message;
            }
            screen = m_ownScreen.get();
        }
        const Result<TargetCheck> check
            = screen ? CheckEditorTarget(*screen, fields(), m_testingPicture) : fail(std::move(problem));
        SetWindowPos(m_dialog, nullptr, m_home.left, m_home.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowTextUtf8(item(m_testingPicture ? kPictureTestResult : kColourTestResult),
            check ? check->text : check.error().message);
        if (check && check->width > 0)
            showMarker(check->left, check->top, check->width, check->height);
        const bool clickPanel = IsWindowEnabled(item(kButton));
        EnableWindow(item(kColourTest), clickPanel);
        EnableWindow(item(kPictureTest), clickPanel);
        m_testing = false;
    }

    // A red frame just outside the place found, on top of everything, that
    // takes no clicks and no focus; only its border is shaped in.
    void showMarker(int32_t left, int32_t top, int32_t width, int32_t height)
    {
        static const wchar_t* const kMarkerClass = L"ClickwispTargetMarker";
        static const bool registered = [] {
            WNDCLASSEXW markerClass {};
            markerClass.cbSize = sizeof(markerClass);
            markerClass.lpfnWndProc = DefWindowProcW;
            markerClass.hInstance = GetModuleHandleW(nullptr);
            markerClass.hbrBackground = CreateSolidBrush(RGB(0xFF, 0, 0));
            markerClass.lpszClassName = kMarkerClass;
            return RegisterClassExW(&markerClass) != 0;
        }();
        if (!registered)
            return;
        if (!m_marker)
            m_marker = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT,
                kMarkerClass, L"", WS_POPUP, 0, 0, 1, 1, m_dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
        const int cx = width + 2 * kMarkBorder, cy = height + 2 * kMarkBorder;
        HRGN frame = CreateRectRgn(0, 0, cx, cy);
        HRGN inside = CreateRectRgn(kMarkBorder, kMarkBorder, cx - kMarkBorder, cy - kMarkBorder);
        CombineRgn(frame, frame, inside, RGN_DIFF);
        DeleteObject(inside);
        SetWindowRgn(m_marker, frame, FALSE); // the window owns the region now
        SetWindowPos(
            m_marker, HWND_TOPMOST, left - kMarkBorder, top - kMarkBorder, cx, cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        SetTimer(m_dialog, kMarkTimer, kTargetTestMarkMs, nullptr);
    }

    void hideMarker()
    {
        KillTimer(m_dialog, kMarkTimer);
        if (m_marker)
            ShowWindow(m_marker, SW_HIDE);
    }

    void ok()
    {
        m_capture.stop();
        followCapture();
        const ActionEditorFields current = fields();
        if (auto problem = FindInvalidField(current)) {
            warn(problem->message);
            HWND field = item(TextControl(problem->field));
            if (IsWindowEnabled(field)) {
                SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
                SendMessageW(field, EM_SETSEL, 0, -1);
            }
            return;
        }
        m_saved = current;
        close(1);
    }

    void close(INT_PTR result)
    {
        // However the dialog closes, the capture stops with it.
        m_capture.stop();
        followCapture();
        EndDialog(m_dialog, result);
    }

    // Key preview: the dialog sees every key before the focused control; a
    // key that types a character ends a capture, then goes on as usual.
    void startKeyPreview()
    {
        t_openEditor = this;
        m_keyHook = SetWindowsHookExW(WH_GETMESSAGE, &ActionEditor::keyPreview, nullptr, GetCurrentThreadId());
    }

    void stopKeyPreview()
    {
        if (m_keyHook)
            UnhookWindowsHookEx(m_keyHook);
        m_keyHook = nullptr;
        t_openEditor = nullptr;
    }

    static LRESULT CALLBACK keyPreview(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* message = reinterpret_cast<const MSG*>(lParam);
        ActionEditor* self = t_openEditor;
        if (code == HC_ACTION && wParam == PM_REMOVE && self
            && (message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN)
            && (message->hwnd == self->m_dialog || IsChild(self->m_dialog, message->hwnd))) {
            const bool typesCharacter = MapVirtualKeyW(UINT(message->wParam), MAPVK_VK_TO_CHAR) != 0;
            self->m_capture.keyPressed(typesCharacter);
            self->followCapture();
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    std::string m_caption;
    ActionEditorFields m_start;
    const ActionEditorServices& m_services;
    HWND m_dialog = nullptr;
    std::array<std::vector<HWND>, 5> m_panelParts;
    std::array<std::vector<HWND>, 3> m_targetParts;
    size_t m_building = 0;
    int m_buildingTarget = -1;
    EditorCapture m_capture;
    bool m_timerOn = false;
    HHOOK m_keyHook = nullptr;
    std::string m_pictureText;
    HBITMAP m_picture = nullptr;
    bool m_testing = false;
    bool m_testingPicture = false;
    RECT m_home {};
    HWND m_marker = nullptr;
    HWND m_tips = nullptr; // the tips of the swatch and the picture
    std::unique_ptr<ScreenSource> m_ownScreen;
    HBRUSH m_swatchBrush = nullptr;
    COLORREF m_swatchColour = 0;
    std::optional<ActionEditorFields> m_saved;
};

} // namespace

ActionEditorServices ProgramEditorServices(ControllerView& view, InputInjector* input, ScreenSource* screen)
{
    ActionEditorServices services;
    services.input = input;
    services.screen = screen;
    services.showWarning
        = [&view](const std::string& text) { view.showMessage(text, ControllerView::MessageKind::Error); };
    services.choosePicture = [&view](const std::string& defaultExt, const std::string& filter) {
        return PromptOpenFile(view, defaultExt, filter);
    };
    return services;
}

bool ShowActionEditorDialog(HWND owner, const std::string& caption, TBaseCtrlEX& action, bool loadFromAction,
    const ActionEditorServices& services)
{
    INITCOMMONCONTROLSEX controls { sizeof(controls), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES };
    InitCommonControlsEx(&controls);
    ActionEditor editor(caption, loadFromAction ? FieldsFromAction(action) : ActionEditorFields {}, services);
    const auto fields = editor.run(owner);
    if (!fields)
        return false;
    if (auto saved = SaveFields(*fields, action); !saved) {
        editor.warn(saved.error().message);
        return false;
    }
    return true;
}

} // namespace clickwisp
