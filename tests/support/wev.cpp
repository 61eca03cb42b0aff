#include "tests/support/wev.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

namespace clickwisp::test {

WevLog::WevLog(const std::string& text)
{
    static const std::regex key(
        R"(key: serial: (\d+); time: \d+; key: \d+; state: 1 \(pressed\)\n\s*sym: (\S+)\s+\(\d+\), utf8: '([^']*)')");
    static const std::regex button(R"(button: serial: (\d+); time: \d+; button: \d+ \((\w+)\), state: (\d))");
    static const std::regex motion(R"(motion: time: \d+; x, y: ([-\d.]+), ([-\d.]+))");
    static const std::regex axis(R"(axis: time: \d+; axis: \d+ \((\w+)\), value: ([-\d.]+))");
    std::set<std::string> serials;
    for (std::sregex_iterator it(text.begin(), text.end(), key), end; it != end; ++it) {
        if (!serials.insert((*it)[1]).second)
            continue;
        keys.push_back((*it)[2]);
        typed += (*it)[3];
    }
    for (std::sregex_iterator it(text.begin(), text.end(), button), end; it != end; ++it) {
        if (serials.insert((*it)[1]).second)
            buttons.push_back((*it)[2].str() + ((*it)[3] == "1" ? " down" : " up"));
    }
    for (std::sregex_iterator it(text.begin(), text.end(), motion), end; it != end; ++it)
        motions.push_back(std::stoi((*it)[1]) * 10000 + std::stoi((*it)[2]));
    for (std::sregex_iterator it(text.begin(), text.end(), axis), end; it != end; ++it)
        axes.push_back((*it)[1].str() + " " + (*it)[2].str());
    const size_t firstButton = text.find("button: serial");
    movedAfterButton = firstButton != std::string::npos && text.find("motion:", firstButton) != std::string::npos;
}

void playPointerSteps(InputInjector& in)
{
    in.SetCursorPos(300, 200);
    EXPECT_EQ(in.GetCursorPos(), (ScreenPoint { 300, 200 }));
    in.mouse_event(MOUSEEVENTF_LEFTDOWN, 0);
    in.mouse_event(MOUSEEVENTF_LEFTUP, 0);
    in.mouse_event(MOUSEEVENTF_RIGHTDOWN, 0);
    in.mouse_event(MOUSEEVENTF_RIGHTUP, 0);
    in.mouse_event(MOUSEEVENTF_WHEEL, -120);
}

void expectPointerSteps(const WevLog& log)
{
    ASSERT_FALSE(log.motions.empty());
    EXPECT_NE(std::find(log.motions.begin(), log.motions.end(), 300 * 10000 + 200), log.motions.end());
    EXPECT_EQ(log.buttons, (std::vector<std::string> { "left down", "left up", "right down", "right up" }));
    EXPECT_FALSE(log.movedAfterButton);
    ASSERT_FALSE(log.axes.empty());
    EXPECT_EQ(log.axes.front(), "vertical 15.000000");
}

std::unique_ptr<ChildProcess> startWev(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv = { "stdbuf", "-oL", "wev" };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto wev = std::make_unique<ChildProcess>(argv);
    EXPECT_TRUE(wev->waitForStdout("wl_keyboard] enter", std::chrono::seconds(10))) << wev->out() << wev->err();
    return wev;
}

} // namespace clickwisp::test
