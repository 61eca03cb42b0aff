// clickwisp-cli play: plays an action list on the desktop, or with
// --dry-run on the fake desktop, printing every call it would make.
#include "cli/desktop_backend.h"
#include "cli/stop_watch.h"
#include "cli/verb.h"
#include "core/list_file.h"
#include "core/number_text.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_waiter.h"
#include "playback/run_thread.h"
#include "screen/bitmap_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace clickwisp::cli {
namespace {

struct PlayArgs {
    std::string file;
    std::string repeat = "once";
    int32_t interval = 1000;
    int32_t speed = 0;
    bool dryRun = false;
    std::vector<std::string> screens;
    int32_t screenCaptures = 1;
    std::string pointer;
    double wait = 0;
    bool strict = false;
};

void complain(const std::string& message)
{
    std::cerr << "clickwisp-cli play: " << message << "\n";
}

// "once" is mode 0, "forever" mode 2, a number N mode 1 with N passes.
std::optional<RunSettings> settingsFrom(const PlayArgs& args)
{
    RunSettings settings;
    settings.interval = args.interval;
    settings.speed = args.speed;
    settings.targetWait = int32_t(std::lround(args.wait * 1000));
    settings.strictTargets = args.strict;
    if (args.repeat == "once") {
        settings.repeatMode = 0;
    } else if (args.repeat == "forever") {
        settings.repeatMode = 2;
    } else if (auto times = ParseInt32(args.repeat); times && args.repeat[0] != '$') {
        settings.repeatMode = 1;
        settings.times = *times;
    } else {
        complain("--repeat: '" + args.repeat + "' is not once, forever or a whole number");
        return std::nullopt;
    }
    return settings;
}

std::optional<ScreenPoint> pointerFrom(const std::string& text)
{
    const auto comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    auto x = ParseInt32(std::string_view(text).substr(0, comma));
    auto y = ParseInt32(std::string_view(text).substr(comma + 1));
    if (!x || !y || text[0] == '$' || text[comma + 1] == '$')
        return std::nullopt;
    return ScreenPoint { *x, *y };
}

// Plays on the worker and waits for its end; the first stop request
// (Ctrl+C, SIGTERM) stops the run cleanly, a second one leaves at once.
RunEnd playUntilEnd(const ActionList& actions, const RunSettings& settings, std::shared_ptr<Platform> platform,
    std::shared_ptr<Waiter> waiter)
{
    // Opened before the worker starts, so stop requests are read here only.
    auto watch = StopWatch::open();
    if (!watch) {
        RunEnd end;
        end.outcome = RunOutcome::Failed;
        end.reason = watch.error().message;
        return end;
    }
    StopWatch& stops = **watch;

    RunEnd result;
    auto factory = [platform]() -> Result<Platform> { return std::move(*platform); };
    TRunThread run(actions, settings, factory, std::move(waiter), [&](const RunEnd& end) {
        result = end;
        stops.wake();
    });
    run.Start();
    int requests = 0;
    for (;;) {
        const StopWatch::Event event = stops.wait(std::chrono::milliseconds(-1));
        if (event == StopWatch::Event::Wake)
            break;
        if (event == StopWatch::Event::Failed) {
            run.Terminate(); // cannot wait for stop requests: end the run rather than hang
            break;
        }
        if (event == StopWatch::Event::Stop) {
            if (++requests > 1) {
                std::fflush(stdout);
                std::_Exit(stops.stopStatus());
            }
            run.Terminate();
        }
    }
    run.Join(); // makes result safe to read
    return result;
}

int play(const PlayArgs& args)
{
    auto settings = settingsFrom(args);
    if (!settings)
        return kExitUsage;
    ScreenPoint pointer { 0, 0 };
    if (!args.dryRun && (!args.screens.empty() || !args.pointer.empty())) {
        complain("--screen and --pointer describe the fake desktop and need --dry-run");
        return kExitUsage;
    }
    if (!args.pointer.empty()) {
        auto parsed = pointerFrom(args.pointer);
        if (!parsed) {
            complain("--pointer: '" + args.pointer + "' is not X,Y");
            return kExitUsage;
        }
        pointer = *parsed;
    }

    auto loaded = LoadListFile(args.file);
    if (!loaded) {
        complain(loaded.error().message);
        return kExitBadInput;
    }
    if (loaded->itemError) {
        complain(loaded->itemError->message);
        return kExitBadInput;
    }

    std::shared_ptr<Waiter> waiter;
    auto platform = std::make_shared<Platform>();
    if (args.dryRun) {
        auto trace = std::make_shared<FakeTrace>();
        trace->setSink([](const std::string& line) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        });
        std::vector<ScreenImage> screens;
        for (const std::string& file : args.screens) {
            auto image = LoadScreenImage(file);
            if (!image) {
                complain(image.error().message);
                return kExitBadInput;
            }
            screens.push_back(std::move(*image));
        }
        *platform = makeFakePlatform(FakeOptions { trace, std::nullopt, pointer, true });
        platform->screen = makeFakeScreens(trace, std::move(screens), args.screenCaptures);
        waiter = makeTraceWaiter(trace);
    } else {
        auto desktop = openDesktopPlayback();
        if (!desktop) {
            complain(desktop.error().message);
            return kExitNoDisplay;
        }
        *platform = std::move(*desktop);
        waiter = makeSteadyWaiter();
    }

    const RunEnd end = playUntilEnd(loaded->actions, *settings, platform, waiter);
    std::fflush(stdout);
    if (end.outcome == RunOutcome::Failed) {
        complain(args.file + ": " + end.message());
        return kExitRunError;
    }
    // Typing went on without them: said, so a missing character is never silent.
    for (const UntypedText& text : end.untyped)
        complain(args.file + ": action " + std::to_string(text.actionNumber) + ": " + text.describe());
    return kExitOk;
}

const bool registered = registerVerb([](CLI::App& app) {
    auto args = std::make_shared<PlayArgs>();
    CLI::App* command = app.add_subcommand("play", "Play an action list on the desktop (or on a fake one).");
    command->add_option("FILE", args->file, "action list file")->required();
    command->add_option("--repeat", args->repeat, "once, forever, or a number of passes")->capture_default_str();
    command->add_option("--interval", args->interval, "milliseconds between passes")->capture_default_str();
    command->add_option("--speed", args->speed, "delay speed step, -9 (slower) to 9 (faster)")
        ->check(CLI::Range(-9, 9))
        ->capture_default_str();
    command->add_flag("--dry-run", args->dryRun, "play on a fake desktop and print every call on stdout");
    command
        ->add_option("--wait", args->wait,
            "seconds a colour or picture click keeps searching (every 50 ms) for a target that is not there")
        ->check(CLI::Range(0.0, 1e6));
    command->add_flag("--strict", args->strict,
        "a colour or picture click that finds no target, or a text with characters the desktop cannot type, ends "
        "the run with an error (exit status 3)");
    command->add_option("--screen", args->screens,
        "24-bit BMP image used as the fake screen (with --dry-run); given again, the screen changes to it");
    command
        ->add_option("--screen-captures", args->screenCaptures,
            "captures after which the fake screen changes to the next --screen image")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    command->add_option("--pointer", args->pointer, "X,Y where the fake pointer starts (with --dry-run)");
    return Verb { command, [args] { return play(*args); } };
});

} // namespace
} // namespace clickwisp::cli
