// The Win32 options dialog driven through its controls: the configuration
// shown, changed and stored by OK, untouched by Cancel. The conversions
// themselves are tested in tests/app/options_presenter_test.cpp.
#include "ui_win32/options_dialog.h"

#include "config/config.h"
#include "tests/support/process.h"
#include "tests/win32_ui/dialog_script.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace clickwisp {
namespace {

using namespace options_control;
using test::Controls;
using test::DialogScript;

// What the dialog shows, one line, so a failed comparison shows the control.
std::wstring shown(const Controls& c)
{
    std::wstring line = std::wstring(c.checked(kRecordMoves) ? L"moves" : L"-") + L" "
        + (c.checked(kRecordKeys) ? L"keys" : L"-") + L" keys";
    for (int i = 0; i < 4; ++i)
        line += L" " + std::to_wstring(c.selected(kHotKeys + i));
    line += L" mode";
    for (int i = 0; i < 3; ++i)
        line += c.checked(kRepeatModes + i) ? L" " + std::to_wstring(i) : L"";
    line += L" times " + c.text(kTimes) + L" interval";
    for (int i = 0; i < 4; ++i)
        line += L" " + c.text(kInterval + i);
    line += L" speed " + std::to_wstring(SendMessageW(c[kSpeedSlider], TBM_GETPOS, 0, 0));
    return line;
}

class Win32OptionsDialog : public ::testing::Test {
protected:
    test::TempDir m_dir;
    TConfig m_config { m_dir / "config.xml" };

    void SetUp() override
    {
        m_config.GetShade().setKeyboard(false);
        m_config.GetShade().setStop(11);
        m_config.GetRunning().setStart(4);
        m_config.GetRunning().setRepeat(1);
        m_config.GetRunning().setTimes(25);
        m_config.GetRunning().setInterval(3600000 + 2 * 60000 + 3 * 1000 + 456);
        m_config.GetRunning().setSpeed(-4);
    }

    // Changes every control of the open dialog.
    static void changeAll(const Controls& c)
    {
        c.click(kRecordMoves);
        c.click(kRecordKeys);
        for (int i = 0; i < 4; ++i)
            c.select(kHotKeys + i, 6 + i);
        c.click(kRepeatModes + 2);
        c.setText(kTimes, L"40");
        const wchar_t* const parts[] = { L"5", L"6", L"7", L"8" };
        for (int i = 0; i < 4; ++i)
            c.setText(kInterval + i, parts[i]);
        SendMessageW(c[kSpeedSlider], TBM_SETPOS, TRUE, 7);
    }
};

TEST_F(Win32OptionsDialog, ShowsTheConfigurationAndOkStoresEveryControl)
{
    std::wstring before, after;
    DialogScript script(L"Config Options", [&](HWND dialog) {
        Controls c(dialog);
        before = shown(c);
        changeAll(c);
        after = shown(c);
        c.click(IDOK);
    });
    EXPECT_TRUE(ShowOptionsDialog(nullptr, m_config));
    EXPECT_EQ(before, L"moves - keys 1 11 4 2 mode 1 times 25 interval 1 2 3 4 speed -4");
    EXPECT_EQ(after, L"- keys keys 6 7 8 9 mode 2 times 40 interval 5 6 7 8 speed 7");
    const auto shade = m_config.GetShade();
    const auto running = m_config.GetRunning();
    EXPECT_FALSE(shade.mousemove());
    EXPECT_TRUE(shade.keyboard());
    EXPECT_EQ(shade.start(), 6);
    EXPECT_EQ(shade.stop(), 7);
    EXPECT_EQ(running.start(), 8);
    EXPECT_EQ(running.stop(), 9);
    EXPECT_EQ(running.repeat(), 2);
    EXPECT_EQ(running.times(), 40);
    EXPECT_EQ(running.interval(), 5 * 3600000 + 6 * 60000 + 7 * 1000 + 800);
    EXPECT_EQ(running.speed(), 7);
}

TEST_F(Win32OptionsDialog, CancelAndEscapeStoreNothing)
{
    for (bool escape : { false, true }) {
        DialogScript script(L"Config Options", [&](HWND dialog) {
            Controls c(dialog);
            changeAll(c);
            if (escape)
                Controls::press(c[kTimes], VK_ESCAPE);
            else
                c.click(IDCANCEL);
        });
        EXPECT_FALSE(ShowOptionsDialog(nullptr, m_config)) << (escape ? "Escape" : "Cancel");
    }
    EXPECT_TRUE(m_config.GetShade().mousemove());
    EXPECT_EQ(m_config.GetShade().start(), 1);
    EXPECT_EQ(m_config.GetRunning().repeat(), 1);
    EXPECT_EQ(m_config.GetRunning().times(), 25);
    EXPECT_EQ(m_config.GetRunning().interval(), 3600000 + 2 * 60000 + 3 * 1000 + 456);
    EXPECT_EQ(m_config.GetRunning().speed(), -4);
}

} // namespace
} // namespace clickwisp
