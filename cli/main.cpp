// clickwisp-cli: plays, records, describes and searches from scripts.
// Each verb lives in a file of its own and registers itself.
#include "build_info.h"
#include "cli/desktop_backend.h"
#include "cli/verb.h"

#ifdef _WIN32
#include "platform/win32/win32_platform.h"

#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <iostream>

namespace clickwisp::cli {

std::vector<VerbSetup>& registeredVerbs()
{
    static std::vector<VerbSetup> verbs;
    return verbs;
}

bool registerVerb(VerbSetup setup)
{
    registeredVerbs().push_back(std::move(setup));
    return true;
}

} // namespace clickwisp::cli

int main(int argc, char** argv)
{
    using namespace clickwisp::cli;
#ifdef _WIN32
    // Output byte for byte as on other systems: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Coordinates in physical pixels, whatever the display's scale.
    clickwisp::enableDpiAwareness();
#endif
    CLI::App app { "Clickwisp command line: play, record and search desktop macros.", "clickwisp-cli" };
    app.require_subcommand(1);
    // The active backend is looked up only when asked for.
    app.set_version_flag("--version", std::function<std::string()>([] {
        return std::string("clickwisp-cli ") + clickwisp::kVersion + " (backends: " + clickwisp::kBackends
            + "; active: " + activeBackendText() + ")";
    }));
    std::vector<Verb> verbs;
    for (auto& setup : registeredVerbs())
        verbs.push_back(setup(app));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    for (auto& verb : verbs) {
        if (verb.command->parsed())
            return verb.run();
    }
    return kExitUsage;
}
