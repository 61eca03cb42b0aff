#include "tests/support/desktop_program.h"

#include <fstream>
#include <thread>

namespace clickwisp::test {

std::string PreparedConfigXml(const PreparedConfig& config)
{
    const auto number = [](int value) { return "\"" + std::to_string(value) + "\""; };
    return "<config versionNo=\"2.0\" generated=\"x\"><frame running=\"rbNormal\" left=" + number(config.left)
        + " top=" + number(config.top) + " height=\"480\" width=\"640\" max=\"False\""
        + (config.limitsNoticed ? " limitsnoticed=\"True\"" : "")
        + "/><shade mousemove=\"True\" keyboard=\"True\" start=" + number(config.shadeStart) + " stop="
        + number(config.shadeStop) + "/><running start=" + number(config.runStart) + " stop=" + number(config.runStop)
        + " interval=\"1000\" speed=\"0\" repeat=\"0\" times=\"1\"/><cols>"
          "<col id=\"0\" Name=\"No.\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"45\" Index=\"0\"/>"
          "<col id=\"1\" Name=\"Type\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"100\" Index=\"1\"/>"
          "<col id=\"2\" Name=\"Action\" Align=\"left\" Color=\"\" Visible=\"True\" Width=\"300\" Index=\"2\"/>"
          "</cols></config>";
}

std::string QtWaylandLeakOptions(const std::filesystem::path& folder)
{
    const auto file = folder / "lsan.supp";
    std::ofstream(file) << "leak:libQt6WaylandClient.so\nleak:libxdg-shell.so\nleak:libQt6DBus.so\nleak:libdbus-1.so\n";
    return "LSAN_OPTIONS=fast_unwind_on_malloc=0:suppressions=" + file.string();
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

} // namespace clickwisp::test
