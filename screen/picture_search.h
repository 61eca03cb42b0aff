#pragma once

#include "screen/bitmap_data.h"

#include <optional>

// The fast colour and picture searches behind TBDBitmapData's Locate
// operations. They return exactly what the plain scan returns, for every
// input; only the work differs.
namespace clickwisp::search {

// Knobs for the exact picture search; tests set them to force each path.
struct Tuning {
    // Bytes compared while confirming probe hits before the search switches
    // to the hash search, whose cost does not depend on the content.
    // Negative: never switch.
    int64_t confirmBudget = 12 << 20;
    // Go straight to the hash search.
    bool hashOnly = false;
    // The same for a search with a tolerance: bytes compared before the
    // search works out the area filter (area_filter.h) and goes on with only
    // the placements it keeps, and again before it adds the pattern filter
    // (or at once when the picture has no uniform areas). Negative: never.
    int64_t nearConfirmBudget = 2 << 20;
    // The pattern filter leaves out its patterns when what its single pixels
    // (and the area filter) keep would cost at most this many bytes to
    // compare in full. Negative: never left out.
    int64_t patternSkipBytes = 2 << 20;
    // Placement rows handled as one band, in memory order.
    int32_t bandRows = 16;
};

// tolerance null: exact.
std::optional<ScreenPoint> findColor(const TBDBitmapData& screen, uint32_t color, const ColorTolerance* tolerance);
std::optional<ScreenPoint> findPicture(const TBDBitmapData& screen, const TBDBitmapData& picture,
    const ColorTolerance* tolerance, const Tuning& tuning = {});

} // namespace clickwisp::search
