// Whole clickwisp-cli processes as scripts run them, one search or capture
// per process: find-picture, find-color and capture on a private full HD
// Xvfb showing a synthetic desktop, and the same with --screen FILE.bmp.
// Prints the median wall time and the median CPU time of the process (user +
// system) over the runs; an empty process (/bin/true) is measured alongside.
// Run: cli_process_bench [RUNS]   (default 21; needs Xvfb for the live cases)
#include "bench/screen_scenes.h"
#include "bench/xvfb_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace clickwisp::bench {
namespace {

struct Sample {
    double wallMs = 0;
    double cpuMs = 0;
    int status = -1;
};

// Runs the program with DISPLAY set to display (unset when empty), its
// output thrown away.
Sample runOnce(const std::vector<std::string>& args, const std::string& display)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        if (display.empty())
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", display.c_str(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Sample sample;
    int status = 0;
    rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return sample;
    sample.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    sample.cpuMs = (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    sample.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return sample;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void measure(const std::string& name, const std::vector<std::string>& args, const std::string& display, int runs)
{
    runOnce(args, display); // warms the page cache and the server
    std::vector<double> wall, cpu;
    int status = -1;
    for (int i = 0; i < runs; ++i) {
        const Sample s = runOnce(args, display);
        wall.push_back(s.wallMs);
        cpu.push_back(s.cpuMs);
        status = s.status;
    }
    std::printf("%-44s %12.2f %12.2f %7d\n", name.c_str(), median(wall), median(cpu), status);
    std::fflush(stdout);
}

bool writeBmp(const std::filesystem::path& path, const TBDBitmapData& image)
{
    std::ofstream out(path, std::ios::binary);
    return image.SaveToStream(out) && bool(out.flush());
}

} // namespace
} // namespace clickwisp::bench

int main(int argc, char** argv)
{
    using namespace clickwisp::bench;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const std::string cli = CLICKWISP_CLI_PATH;
    const int32_t width = 1920, height = 1080;
    const auto dir = std::filesystem::temp_directory_path() / ("clickwisp-cli-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    auto scene = desktopScene(width, height);
    // From the bottom-right window, as the capture benchmark: found late.
    const int32_t left = width / 2 + width / 3 - 72, top = height / 2 + height / 3 - 72;
    auto present = cut(*scene, left, top, 64, 64);
    auto absent = cut(*scene, left, top, 64, 64);
    put(*absent, 32, 32, present->PixelAt(32, 32) ^ 0x808080);
    const std::string screenFile = (dir / "screen.bmp").string(), presentFile = (dir / "present.bmp").string(),
                      absentFile = (dir / "absent.bmp").string(), outFile = (dir / "out.bmp").string();
    if (!writeBmp(screenFile, *scene) || !writeBmp(presentFile, *present) || !writeBmp(absentFile, *absent)) {
        std::cerr << "cannot write the images to " << dir << "\n";
        return 1;
    }
    char colour[16];
    const uint32_t rgb = scene->PixelAt(width - 3, height - 2);
    std::snprintf(colour, sizeof colour, "$%08X", ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));

    std::printf("%d runs each, full HD (1920 x 1080), medians in ms; wall: elapsed time of the process; cpu: its\n"
                "user + system time (the X server's work is not in it); status: the last run's exit status\n",
        runs);
    if (std::FILE* load = std::fopen("/proc/loadavg", "r")) {
        char text[128] = {};
        if (std::fgets(text, sizeof text, load))
            std::printf("load average at the start: %s", text);
        std::fclose(load);
    }
    std::printf("%-44s %12s %12s %7s\n", "case", "wall ms", "cpu ms", "status");
    measure("empty process (/bin/true)", { "/bin/true" }, "", runs);
    for (const bool live : { true, false }) {
        std::unique_ptr<Server> server;
        if (live) {
            server = std::make_unique<Server>(width, height, true, *scene);
            if (!server->ok()) {
                std::printf("Xvfb could not be started: no live figures\n");
                continue;
            }
        }
        const std::string display = live ? server->name() : "";
        std::vector<std::string> screen;
        if (!live)
            screen = { "--screen", screenFile };
        auto with = [&](std::vector<std::string> args) {
            args.insert(args.begin(), cli);
            args.insert(args.end(), screen.begin(), screen.end());
            return args;
        };
        const std::string where = live ? "live/" : "file/";
        measure(where + "find-picture/exact/present", with({ "find-picture", presentFile }), display, runs);
        measure(where + "find-picture/exact/absent", with({ "find-picture", absentFile }), display, runs);
        measure(where + "find-picture/similar90/present", with({ "find-picture", presentFile, "--similar", "90" }),
            display, runs);
        measure(where + "find-picture/similar90/absent", with({ "find-picture", absentFile, "--similar", "90" }),
            display, runs);
        measure(where + "find-color/exact", with({ "find-color", colour }), display, runs);
        measure(where + "find-color/similar90", with({ "find-color", colour, "--similar", "90" }), display, runs);
        measure(where + "capture", with({ "capture", outFile }), display, runs);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
