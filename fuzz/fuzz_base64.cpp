// Any text to the Base64 decoder: decoded bytes encode and decode back to
// themselves, and any bytes survive an encode/decode round trip.
#include "core/base64.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace clickwisp;
    if (auto decoded = Base64Decode(std::string_view(reinterpret_cast<const char*>(data), size))) {
        auto again = Base64Decode(Base64Encode(*decoded));
        if (!again || *again != *decoded)
            std::abort();
    }
    auto round = Base64Decode(Base64Encode(std::span(data, size)));
    if (!round || round->size() != size || !std::equal(round->begin(), round->end(), data))
        std::abort();
    return 0;
}
