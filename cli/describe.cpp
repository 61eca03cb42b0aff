// clickwisp-cli describe FILE: the rows the list view shows for a list file.
#include "cli/verb.h"

#include "core/list_file.h"

#include <iostream>
#include <memory>
#include <string>

namespace clickwisp::cli {
namespace {

int describeList(const std::string& fileName)
{
    auto loaded = LoadListFile(fileName);
    if (!loaded) {
        std::cerr << "clickwisp-cli describe: " << loaded.error().message << '\n';
        return kExitBadInput;
    }
    // The default columns: "No.", "Type", "Action".
    std::cout << "No.\tType\tAction\n";
    int row = 0;
    for (const auto& action : loaded->actions)
        std::cout << ++row << '\t' << action->Describe("Type") << '\t' << action->Describe("Action") << '\n';
    std::cout.flush();
    if (loaded->itemError) {
        std::cerr << "clickwisp-cli describe: " << loaded->itemError->message << '\n';
        return kExitBadInput;
    }
    return kExitOk;
}

const bool registered = registerVerb([](CLI::App& app) {
    auto file = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("describe", "Print the rows the list view shows for a list file");
    command->footer("Prints the header line \"No.<TAB>Type<TAB>Action\" and one tab-separated line per action.\n"
                    "Exit status 2 when the file does not load, or when an item does not convert (the rows\n"
                    "before it are printed, the error names the item, attribute and value).");
    command->add_option("FILE", *file, "Action list file (XML)")->required();
    return Verb { command, [file] { return describeList(*file); } };
});

} // namespace
} // namespace clickwisp::cli
