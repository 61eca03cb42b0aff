// clickwisp-cli record: records the desktop's pointer and keyboard until
// Ctrl+C, SIGTERM, the stop-recording hot key or the given duration, then
// writes the recording as an action list.
#include "cli/desktop_backend.h"
#include "cli/stop_watch.h"
#include "cli/verb.h"
#include "config/config.h"
#include "core/atomic_file.h"
#include "core/list_file.h"
#include "core/number_text.h"
#include "record/hot_keys.h"
#include "record/recording_session.h"

#include <pugixml.hpp>

#include <chrono>
#include <iostream>
#include <optional>

namespace clickwisp::cli {
namespace {

struct RecordArgs {
    std::string file;
    bool noMouseMove = false;
    bool noKeyboard = false;
    std::optional<double> duration;
};

void complain(const std::string& message)
{
    std::cerr << "clickwisp-cli record: " << message << "\n";
}

// The stop-recording hot-key number from the GUI's config.xml, read only:
// the file is never created or rewritten from here. The GUI's default (F3)
// when there is no usable file or value.
int stopHotKeyNumber()
{
    constexpr int kDefault = 2;
    const auto path = TConfig::DefaultConfigPath();
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return kDefault;
    pugi::xml_document document;
    if (!document.load_file(path.c_str()))
        return kDefault;
    const pugi::xml_node root = document.document_element();
    // The GUI replaces files of another version by its defaults.
    if (std::string_view(root.name()) != "config" || std::string_view(root.attribute("versionNo").value()) != "2.0")
        return kDefault;
    const pugi::xml_attribute stop = root.child("shade").attribute("stop");
    return stop ? ParseInt32(stop.value()).value_or(kDefault) : kDefault;
}

// The output must be writable before anything is recorded, so a recording is
// never made only to be lost.
std::optional<std::string> outputProblem(const std::filesystem::path& file)
{
    std::error_code error;
    const auto folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    if (!std::filesystem::is_directory(folder, error))
        return file.string() + ": folder " + folder.string() + " does not exist";
    if (!IsWritableFolder(folder))
        return file.string() + ": folder " + folder.string() + " is not writable";
    if (std::filesystem::is_directory(file, error))
        return file.string() + ": is a folder";
    return std::nullopt;
}

enum class StopReason { Signal, HotKey, Duration, Failed };

// Waits on the recorder's owning thread, moving queued events into the
// recording as they come, until something asks to stop. A wake-up is the
// stop-recording hot key.
StopReason waitForStop(RecordingSession& recording, StopWatch& stops, std::optional<double> duration)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto deadline = duration
        ? start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*duration))
        : Clock::time_point::max();
    for (;;) {
        recording.drain();
        const auto now = Clock::now();
        if (now >= deadline)
            return StopReason::Duration;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        switch (stops.wait(std::chrono::milliseconds(std::min<long long>(100, left + 1)))) {
        case StopWatch::Event::Stop: return StopReason::Signal;
        case StopWatch::Event::Wake: return StopReason::HotKey;
        case StopWatch::Event::Failed: return StopReason::Failed;
        case StopWatch::Event::Timeout: break;
        }
    }
}

// Registers the stop-recording hot key, if the configured number names one,
// to wake stops; returns how the user can stop the recording.
std::string armStopHotKey(HotKeySource& hotKeys, int stopNumber, StopWatch& stops)
{
    const HotKeyOrigin stopKey = StopRecordingKey(stopNumber);
    if (stopNumber < 0 || stopNumber > 11) {
        complain("config.xml: shade stop " + std::to_string(stopNumber) + " is not a function key (0-11); stop with "
            + stopRequestText());
        return stopRequestText();
    }
    hotKeys.setHandler([&stops, stopKey](uint32_t modifiers, uint32_t vk) {
        if (modifiers == stopKey.modifiers && vk == stopKey.vk)
            stops.wake();
    });
    auto registered = RegisterStopRecordingKey(hotKeys, stopNumber);
    if (!registered) {
        complain(registered.error().message + "; stop with " + stopRequestText() + " instead");
        return stopRequestText();
    }
    return HotKeyText(stopKey.modifiers, stopKey.vk) + ", " + stopRequestText();
}

int writeRecording(const std::string& file, const ActionList& actions, size_t events)
{
    if (auto saved = SaveListFile(file, actions); !saved) {
        complain(saved.error().message);
        return kExitBadInput;
    }
    std::cout << "Recorded " << events << " events, wrote " << actions.size() << " actions to " << file << std::endl;
    return kExitOk;
}

int record(const RecordArgs& args)
{
    if (auto problem = outputProblem(args.file)) {
        complain(*problem);
        return kExitBadInput;
    }

    // Opened before the backend's threads start, so stop requests are read
    // here only.
    auto watch = StopWatch::open();
    if (!watch) {
        complain(watch.error().message);
        return kExitRunError;
    }
    StopWatch& stops = **watch;

    auto source = makeDesktopRecorder();
    if (!source) {
        complain(source.error().message);
        return kExitNoDisplay;
    }
    auto hotKeys = makeDesktopHotKeys();
    if (!hotKeys) {
        complain(hotKeys.error().message);
        return kExitNoDisplay;
    }

    const int stopNumber = stopHotKeyNumber();
    const HotKeyOrigin stopKey = StopRecordingKey(stopNumber);
    const std::string stopHint = armStopHotKey(**hotKeys, stopNumber, stops);

    RecordingSession recording(**source);
    if (auto started = recording.Start(!args.noMouseMove, !args.noKeyboard); !started) {
        complain(started.error().message);
        return kExitNoDisplay;
    }
    // One write, so a reader never sees half the line.
    std::cerr << ("Recording; stop with " + stopHint + "\n") << std::flush;

    const StopReason reason = waitForStop(recording, stops, args.duration);
    if (reason == StopReason::HotKey) {
        // Lets the hot key's own releases arrive, so they can be cut with it.
        (*hotKeys)->waitForRelease(stopKey.modifiers, stopKey.vk, kHotKeyReleaseLimit);
    }
    const ActionList actions = recording.Stop(reason == StopReason::HotKey ? std::optional(stopKey) : std::nullopt);
    if (reason == StopReason::Failed) {
        complain("waiting for the end of the recording failed");
        return kExitRunError;
    }
    return writeRecording(args.file, actions, recording.Events().size());
}

const bool registered = registerVerb([](CLI::App& app) {
    auto args = std::make_shared<RecordArgs>();
    CLI::App* command
        = app.add_subcommand("record", "Record the desktop's pointer and keyboard into an action list file.");
    command->add_option("FILE", args->file, "action list file to write")->required();
    command->add_flag("--no-mouse-move", args->noMouseMove, "leave out pointer moves");
    command->add_flag("--no-keyboard", args->noKeyboard, "leave out key presses and releases");
    command->add_option("--duration", args->duration, "stop after this many seconds")->check(CLI::PositiveNumber);
    return Verb { command, [args] { return record(*args); } };
});

} // namespace
} // namespace clickwisp::cli
