#include "app/target_check.h"

#include "screen/best_match.h"

#include <algorithm>

namespace clickwisp {
namespace {

std::string pointText(const ScreenPoint& point)
{
    return "(" + std::to_string(point.x) + " : " + std::to_string(point.y) + ")";
}

// The texts and the place of an explained search; the mark is a width x
// height rectangle centred (halves rounded down) on the point.
TargetCheck describe(const ExplainedSearch& search, int32_t width, int32_t height)
{
    TargetCheck check;
    check.found = search.found.has_value();
    check.point = check.found ? search.found : search.best.place;
    if (check.found) {
        check.text = "Found at " + pointText(*check.point);
    } else if (check.point) {
        check.bestSimilarity = search.best.similarity;
        check.text
            = "Not found \u2014 best " + std::to_string(search.best.similarity) + " % at " + pointText(*check.point);
    } else {
        check.text = "Not found at any similarity";
    }
    if (check.point) {
        check.left = check.point->x - width / 2;
        check.top = check.point->y - height / 2;
        check.width = width;
        check.height = height;
    }
    return check;
}

} // namespace

Result<TargetCheck> CheckColorTarget(ScreenSource& screen, std::string_view colorText, int32_t similarity)
{
    const ScreenSize size = screen.screenSize();
    auto search = ExplainColorOnScreen(screen, colorText, 0, 0, size.width, size.height, similarity);
    if (!search)
        return std::unexpected(search.error());
    return describe(*search, kColorMarkSide, kColorMarkSide);
}

Result<TargetCheck> CheckPictureTarget(ScreenSource& screen, const TBDBitmapData& picture, int32_t similarity)
{
    const ScreenSize size = screen.screenSize();
    auto search = ExplainPictureOnScreen(screen, picture, 0, 0, size.width, size.height, similarity);
    if (!search)
        return std::unexpected(search.error());
    return describe(*search, std::max(picture.Width(), 1), std::max(picture.Height(), 1));
}

} // namespace clickwisp
