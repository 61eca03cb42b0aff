#include "platform/portal/portal_text_plan.h"

namespace clickwisp {

TextPlan PlanText(const std::u32string& text, const KeymapKeys& keys)
{
    TextPlan plan;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\n' && i > 0 && text[i - 1] == U'\r')
            continue;
        if (auto stroke = keys.strokeFor(text[i]))
            plan.strokes.push_back(std::move(*stroke));
        else
            plan.untyped += text[i];
    }
    return plan;
}

} // namespace clickwisp
