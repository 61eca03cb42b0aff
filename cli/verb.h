#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace clickwisp::cli {

// Exit statuses shared by every verb.
enum ExitStatus : int {
    kExitOk = 0,
    kExitNotFound = 1, // a search found nothing
    kExitBadInput = 2, // a file or value that does not load or convert
    kExitRunError = 3, // a run that ended by an error
    kExitRemoteRefused = 4, // the desktop program refused a remote command
    kExitNoProgram = 5, // no desktop program listens for remote commands
    kExitUsage = 64, // wrong command line
    kExitNoDisplay = 69 // no display, or a display without a needed extension
};

// A verb's subcommand and the function that runs it once the command line
// has been parsed; it returns the exit status.
struct Verb {
    CLI::App* command = nullptr;
    std::function<int()> run;
};

// A verb adds its subcommand to the app.
using VerbSetup = std::function<Verb(CLI::App& app)>;

// Registers a verb; each cli/<verb>.cpp calls this from a static initialiser.
bool registerVerb(VerbSetup setup);
std::vector<VerbSetup>& registeredVerbs();

} // namespace clickwisp::cli
