#pragma once

#include "core/error.h"

#include <chrono>
#include <filesystem>
#include <memory>

namespace clickwisp::cli {

// What a verb waits on while something runs: the user's request to stop
// (Ctrl+C or SIGTERM; on Windows Ctrl+C, Ctrl+Break or the console closing)
// and wake-ups from the verb's own threads (a run that ended, a hot key).
// Open it before starting threads: on POSIX it blocks the two signals for
// the calling thread and so for the threads it starts afterwards.
class StopWatch {
public:
    enum class Event { Stop, Wake, Timeout, Failed };

    static Result<std::unique_ptr<StopWatch>> open();
    virtual ~StopWatch() = default;

    // Makes a wait return Wake (now, or the next one); any thread may call it.
    virtual void wake() = 0;
    // Waits until a stop request or a wake-up, at most timeout (negative: no
    // limit). Each request and each wake-up is reported once.
    virtual Event wait(std::chrono::milliseconds timeout) = 0;
    // The exit status for a program ended by the last stop request (128 plus
    // the signal's number, as a shell reports it).
    virtual int stopStatus() const = 0;
};

// How the user asks a verb to stop, for messages: "Ctrl+C or SIGTERM"
// ("Ctrl+C" on Windows).
const char* stopRequestText();

} // namespace clickwisp::cli
