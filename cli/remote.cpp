// clickwisp-cli remote COMMAND: drives the running desktop program through
// its remote control (start and stop recording and playback, its state).
#include "cli/verb.h"

#include "core/control_protocol.h"
#include "platform/control_channel.h"

#include <iostream>
#include <memory>
#include <string>

namespace clickwisp::cli {
namespace {

int remote(const std::string& command)
{
    auto reply = SendControlRequest(ControlAddress(), command);
    if (!reply) {
        std::cerr << "clickwisp-cli remote: " << reply.error().message << '\n';
        return kExitNoProgram;
    }
    auto parsed = ParseControlReply(*reply);
    if (!parsed) {
        std::cerr << "clickwisp-cli remote: the program sent a " << parsed.error().message << '\n';
        return kExitRemoteRefused;
    }
    if (!parsed->ok) {
        std::cerr << "clickwisp-cli remote " << command << ": " << parsed->text << '\n';
        return kExitRemoteRefused;
    }
    std::cout << parsed->text << '\n';
    return kExitOk;
}

const bool registered = registerVerb([](CLI::App& app) {
    auto command = std::make_shared<std::string>();
    CLI::App* verb = app.add_subcommand("remote", "Drive the running desktop program: recording, playback, state");
    verb->footer("COMMAND is start-record, stop-record, start-run, stop-run or status. The program listens on\n"
        + ControlAddressText()
        + " and\n"
          "takes commands only from its own user. Prints the program's reply: for status\n"
          "\"idle|recording|playing actions=<count> list=<file>\" (an empty file for a new list).\n"
          "Exit status 0 when done, 4 when the program refused the command (the reason on standard\n"
          "error), 5 when no program is listening.");
    verb->add_option("COMMAND", *command, "start-record, stop-record, start-run, stop-run or status")
        ->required()
        ->check(CLI::IsMember({ "start-record", "stop-record", "start-run", "stop-run", "status" }));
    return Verb { verb, [command] { return remote(*command); } };
});

} // namespace
} // namespace clickwisp::cli
