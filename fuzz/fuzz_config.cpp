// Any bytes as config.xml: loading never fails, every getter answers, and
// what Save writes loads again without a warning to the same settings.
#include "config/config.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// A fresh folder for one input, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "clickwisp-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Every setting as the getters see it.
std::string settings(const clickwisp::TConfig& config)
{
    auto frame = config.GetFrame();
    auto shade = config.GetShade();
    auto running = config.GetRunning();
    std::string text = frame.running() + "|" + std::to_string(frame.left()) + "|" + std::to_string(frame.top()) + "|"
        + std::to_string(frame.width()) + "|" + std::to_string(frame.height()) + "|" + std::to_string(frame.max()) + "|"
        + std::to_string(shade.start()) + "|" + std::to_string(shade.stop()) + "|" + std::to_string(shade.mousemove())
        + "|" + std::to_string(shade.keyboard()) + "|" + std::to_string(running.interval()) + "|"
        + std::to_string(running.speed()) + "|" + std::to_string(running.repeat()) + "|"
        + std::to_string(running.times());
    auto cols = config.GetCols();
    for (int i = 0; i < cols.Count(); ++i) {
        auto col = cols.Col(i);
        text += "|" + col.Name() + "|" + col.Align() + "|" + std::to_string(col.Width()) + "|"
            + std::to_string(col.Index()) + "|" + std::to_string(col.Visible());
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace clickwisp;
    ScratchFolder folder;
    const auto path = folder.path() / "config.xml";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    std::string saved;
    std::string seen;
    {
        TConfig config(path);
        if (!config.Save())
            std::abort();
        saved = config.Text();
        seen = settings(config);
    }
    TConfig again(path);
    if (again.LoadWarning() || again.Text() != saved || settings(again) != seen)
        std::abort();
    return 0;
}
