// The fake screen: a 24-bit BMP image (or plain black 1920 x 1080) served
// as the desktop; every capture leaves a trace line.
#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace clickwisp {
namespace {

class FakeScreen final : public ScreenSource {
public:
    FakeScreen(std::shared_ptr<FakeTrace> trace, std::optional<ScreenImage> image)
        : m_trace(std::move(trace))
        , m_image(std::move(image))
        , m_size(m_image ? ScreenSize { m_image->pixels.width, m_image->pixels.height } : ScreenSize { 1920, 1080 })
    {
    }

    ScreenSize screenSize() override { return m_size; }

    bool capture(int32_t left, int32_t top, const PixelView& target) override
    {
        m_trace->add("CaptureScreen " + std::to_string(left) + " " + std::to_string(top) + " "
            + std::to_string(target.width) + " " + std::to_string(target.height));
        if (target.bytes() > 0)
            std::memset(target.pixels, 0, target.bytes());
        if (!m_image)
            return true; // all black
        // The part of the rectangle that lies on the image.
        const int64_t x0 = std::max<int64_t>(left, 0);
        const int64_t y0 = std::max<int64_t>(top, 0);
        const int64_t x1 = std::min<int64_t>(int64_t(left) + target.width, m_size.width);
        const int64_t y1 = std::min<int64_t>(int64_t(top) + target.height, m_size.height);
        if (x0 >= x1 || y0 >= y1)
            return true;
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* from = m_image->pixels.row(int32_t(y)) + size_t(x0) * 3;
            uint8_t* to = target.row(int32_t(y - top)) + size_t(x0 - left) * 3;
            std::memcpy(to, from, size_t(x1 - x0) * 3);
        }
        return true;
    }

private:
    std::shared_ptr<FakeTrace> m_trace;
    std::optional<ScreenImage> m_image; // none: black
    ScreenSize m_size;
};

} // namespace

std::unique_ptr<ScreenSource> makeFakeScreen(std::shared_ptr<FakeTrace> trace, std::optional<ScreenImage> image)
{
    if (!trace)
        trace = std::make_shared<FakeTrace>();
    return std::make_unique<FakeScreen>(std::move(trace), std::move(image));
}

} // namespace clickwisp
