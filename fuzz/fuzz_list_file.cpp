// Any bytes given to the list reader: no crash, and whatever loads writes
// back to a document that reads back to the same list.
#include "core/list_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace clickwisp;
    auto loaded = ListFromText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    if (!loaded)
        return 0;
    for (const auto& action : loaded->actions) {
        action->Describe("Type");
        action->Describe("Action");
        auto copy = CopyAction(*action);
        if (copy->Describe("Action") != action->Describe("Action"))
            std::abort();
    }
    const std::string written = ListToText(loaded->actions);
    auto again = ListFromText(written, "rewritten");
    if (!again || again->itemError || again->actions.size() != loaded->actions.size())
        std::abort();
    if (ListToText(again->actions) != written)
        std::abort();
    return 0;
}
