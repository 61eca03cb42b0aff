#include "ui_win32/options_dialog.h"

#include "app/options_presenter.h"
#include "ui_win32/dialog_kit.h"

#include <commctrl.h>

namespace clickwisp {

namespace {

using namespace options_control;

constexpr short kWidth = 300;
constexpr short kHeight = 254;

class OptionsDialog {
public:
    explicit OptionsDialog(TConfig& config)
        : m_config(config)
    {
    }

    bool run(HWND owner)
    {
        return RunModalDialog(owner, L"Config Options", kModalDialogStyle, kWidth, kHeight, &OptionsDialog::procedure,
                   reinterpret_cast<LPARAM>(this))
            == IDOK;
    }

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<OptionsDialog*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            self->m_dialog = dialog;
            self->build();
            self->load();
            return TRUE;
        }
        auto* self = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self || message != WM_COMMAND)
            return FALSE;
        const int id = LOWORD(wParam);
        if (id >= kRepeatModes && id < kRepeatModes + 3 && HIWORD(wParam) == BN_CLICKED) {
            CheckOnly(dialog, { kRepeatModes, kRepeatModes + 1, kRepeatModes + 2 }, id - kRepeatModes);
        } else if (id == IDOK) {
            self->store();
            EndDialog(dialog, IDOK);
        } else if (id == IDCANCEL) {
            // Cancel, Escape and the close box: nothing is stored.
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    }

    // A function-key list in a hot-key row "label  MOD+ [list]".
    void keyRow(ControlMaker& make, const char* label, const char* modifier, int id, int left, int y, int labelWidth)
    {
        make.label(label, left, y + 2, labelWidth);
        make.label(modifier, left + labelWidth, y + 2, 22, 8, SS_RIGHT);
        HWND list = make.list(id, left + labelWidth + 24, y, 36, 120);
        for (const std::string& name : FunctionKeyNames())
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(name).c_str()));
    }

    HWND numberField(ControlMaker& make, int id, int arrowsId, NumberRange range, int maxLength, int x, int y, int cx)
    {
        HWND edit = make.edit(id, x, y, cx, 12, ES_NUMBER);
        SendMessageW(edit, EM_LIMITTEXT, WPARAM(maxLength), 0);
        make.arrows(edit, arrowsId, range.minimum, range.maximum, range.step, true);
        return edit;
    }

    void build()
    {
        ControlMaker make(m_dialog);
        make.group("Record Options", -1, 7, 4, 286, 60);
        make.check("Record mouse move", kRecordMoves, 15, 16, 110);
        make.check("Record keystroke ", kRecordKeys, 150, 16, 110);
        keyRow(make, "HotKey to Start Record:", "ALT+", kHotKeys, 15, 30, 90);
        keyRow(make, "HotKey to Stop Recond:", "ALT+", kHotKeys + 1, 15, 45, 90);

        make.group("Repeat Options", -1, 7, 68, 286, 160);
        make.group("Hotkey", -1, 13, 79, 120, 50);
        keyRow(make, "Start repeat:", "CTRL+", kHotKeys + 2, 19, 92, 46);
        keyRow(make, "Stop repeat:", "CTRL+", kHotKeys + 3, 19, 108, 46);

        make.group("Repeat Mode", -1, 138, 79, 149, 50);
        make.radio("Repeat once", kRepeatModes, 144, 90, 130);
        make.radio("Repeat", kRepeatModes + 1, 144, 103, 38);
        numberField(make, kTimes, kTimesArrows, kRepeatTimes, 5, 184, 102, 44);
        make.label("times", 232, 104, 30);
        make.radio("Repeat until get stop order", kRepeatModes + 2, 144, 116, 140);

        make.group("Interval Between Repeat", -1, 13, 132, 274, 30);
        const char* const parts[] = { "Hours", "Minutes", "Seconds", "1/10 S" };
        const int maxLengths[] = { 2, 2, 2, 1 };
        int x = 19;
        for (size_t i = 0; i < std::size(parts); ++i) {
            numberField(
                make, kInterval + int(i), kIntervalArrows + int(i), kIntervalParts[i], maxLengths[i], x, 144, 28);
            make.label(parts[i], x + 30, 146, 32);
            x += 66;
        }

        make.group("Repeat Speed Setting", -1, 13, 166, 274, 58);
        const char* const scale[] = { "1/10", "1/5", "1", "5", "10" };
        for (int i = 0; i < 5; ++i)
            make.label(scale[i], 19 + i * 62 - (i == 0 ? 0 : 12), 177, 24, 8,
                i == 0       ? SS_LEFT
                    : i == 4 ? SS_RIGHT
                             : SS_CENTER);
        HWND speed = make.add(
            TRACKBAR_CLASSW, {}, TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP, kSpeedSlider, 17, 186, 266, 18);
        SendMessageW(speed, TBM_SETRANGEMIN, FALSE, kSpeed.minimum);
        SendMessageW(speed, TBM_SETRANGEMAX, TRUE, kSpeed.maximum);
        SendMessageW(speed, TBM_SETPAGESIZE, 0, kSpeed.step);
        SendMessageW(speed, TBM_SETLINESIZE, 0, kSpeed.step);
        make.label("Slow", 19, 208, 40);
        make.label("Normal", 130, 208, 40, 8, SS_CENTER);
        make.label("Fast", 241, 208, 40, 8, SS_RIGHT);

        // OK is the default button: Enter confirms, Escape cancels.
        make.add(WC_BUTTONW, "&OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, kWidth - 112, kHeight - 20, 50, 14);
        make.button("&Cancel", IDCANCEL, kWidth - 57, kHeight - 20);
        SendMessageW(m_dialog, DM_SETDEFID, IDOK, 0);
    }

    HWND item(int id) const { return GetDlgItem(m_dialog, id); }

    void load()
    {
        const OptionsFields fields = OptionsFromConfig(m_config);
        CheckDlgButton(m_dialog, kRecordMoves, fields.recordMoves ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(m_dialog, kRecordKeys, fields.recordKeys ? BST_CHECKED : BST_UNCHECKED);
        for (size_t i = 0; i < fields.hotKeys.size(); ++i)
            SendMessageW(item(kHotKeys + int(i)), CB_SETCURSEL, WPARAM(fields.hotKeys[i]), 0);
        CheckOnly(m_dialog, { kRepeatModes, kRepeatModes + 1, kRepeatModes + 2 }, fields.repeatMode);
        SendMessageW(item(kTimesArrows), UDM_SETPOS32, 0, fields.times);
        SendMessageW(item(kSpeedSlider), TBM_SETPOS, TRUE, fields.speed);
        for (size_t i = 0; i < fields.interval.size(); ++i)
            SendMessageW(item(kIntervalArrows + int(i)), UDM_SETPOS32, 0, fields.interval[i]);
    }

    void store()
    {
        OptionsFields fields;
        fields.recordMoves = IsDlgButtonChecked(m_dialog, kRecordMoves) == BST_CHECKED;
        fields.recordKeys = IsDlgButtonChecked(m_dialog, kRecordKeys) == BST_CHECKED;
        for (size_t i = 0; i < fields.hotKeys.size(); ++i)
            fields.hotKeys[i] = int(SendMessageW(item(kHotKeys + int(i)), CB_GETCURSEL, 0, 0));
        fields.repeatMode = CheckedIndex(m_dialog, { kRepeatModes, kRepeatModes + 1, kRepeatModes + 2 });
        // A spin's position: it reads the typed text back and keeps its last
        // position when the text is no number in its range.
        fields.times = int32_t(SendMessageW(item(kTimesArrows), UDM_GETPOS32, 0, 0));
        fields.speed = int32_t(SendMessageW(item(kSpeedSlider), TBM_GETPOS, 0, 0));
        for (size_t i = 0; i < fields.interval.size(); ++i)
            fields.interval[i] = int32_t(SendMessageW(item(kIntervalArrows + int(i)), UDM_GETPOS32, 0, 0));
        StoreOptions(fields, m_config);
    }

    TConfig& m_config;
    HWND m_dialog = nullptr;
};

} // namespace

bool ShowOptionsDialog(HWND owner, TConfig& config)
{
    INITCOMMONCONTROLSEX controls { sizeof(controls), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES };
    InitCommonControlsEx(&controls);
    return OptionsDialog(config).run(owner);
}

} // namespace clickwisp
