#pragma once

// What wev (an independent Wayland client) received, from its output.
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace clickwisp::test {

// Key presses, buttons, motions and axis events in wev's output; events
// wev printed twice (it rebinds its devices when the seat changes) once.
struct WevLog {
    explicit WevLog(const std::string& text)
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
    std::vector<std::string> keys; // keysym names of the presses
    std::string typed; // what the presses typed
    std::vector<std::string> buttons; // "left down", ...
    std::vector<int> motions; // x * 10000 + y, surface-local
    std::vector<std::string> axes;
    bool movedAfterButton = false;
};

} // namespace clickwisp::test
