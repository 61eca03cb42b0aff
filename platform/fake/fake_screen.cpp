// The fake screen: 24-bit BMP images (or plain black 1920 x 1080) served
// as the desktop, one after the other; every capture leaves a trace line.
#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace clickwisp {
namespace {

class FakeScreen final : public ScreenSource {
public:
    FakeScreen(std::shared_ptr<FakeTrace> trace, std::vector<ScreenImage> images, int32_t capturesEach)
        : m_trace(std::move(trace))
        , m_images(std::move(images))
        , m_capturesEach(std::max(capturesEach, 1))
    {
        show(0);
    }

    ScreenSize screenSize() override
    {
        show(m_captures / m_capturesEach);
        return m_size;
    }

    bool capture(int32_t left, int32_t top, const PixelView& target) override
    {
        m_trace->add("CaptureScreen " + std::to_string(left) + " " + std::to_string(top) + " "
            + std::to_string(target.width) + " " + std::to_string(target.height));
        show(m_captures / m_capturesEach);
        ++m_captures;
        // The part of the rectangle that lies on the image; only what lies
        // beyond it is blacked out first.
        const int64_t x0 = std::max<int64_t>(left, 0);
        const int64_t y0 = std::max<int64_t>(top, 0);
        const int64_t x1 = std::min<int64_t>(int64_t(left) + target.width, m_image ? m_size.width : 0);
        const int64_t y1 = std::min<int64_t>(int64_t(top) + target.height, m_image ? m_size.height : 0);
        const bool whole = x0 == left && y0 == top && x1 - x0 == target.width && y1 - y0 == target.height;
        if (!whole && target.bytes() > 0)
            std::memset(target.pixels, 0, target.bytes());
        if (x0 >= x1 || y0 >= y1)
            return true;
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* from = m_image->pixels.row(int32_t(y)) + size_t(x0) * 3;
            uint8_t* to = target.row(int32_t(y - top)) + size_t(x0 - left) * 3;
            std::memcpy(to, from, size_t(x1 - x0) * 3);
            if (whole) // the row's padding, as a fresh array has it
                std::memset(to + size_t(target.width) * 3, 0, size_t(target.stride) - size_t(target.width) * 3);
        }
        return true;
    }

private:
    void show(int64_t index)
    {
        if (m_images.empty())
            return;
        m_image = &m_images[size_t(std::min<int64_t>(index, int64_t(m_images.size()) - 1))];
        m_size = ScreenSize { m_image->pixels.width, m_image->pixels.height };
    }

    std::shared_ptr<FakeTrace> m_trace;
    std::vector<ScreenImage> m_images;
    int32_t m_capturesEach;
    int64_t m_captures = 0;
    const ScreenImage* m_image = nullptr; // none: black
    ScreenSize m_size { 1920, 1080 };
};

} // namespace

std::unique_ptr<ScreenSource> makeFakeScreen(std::shared_ptr<FakeTrace> trace, std::optional<ScreenImage> image)
{
    if (!trace)
        trace = std::make_shared<FakeTrace>();
    std::vector<ScreenImage> images;
    if (image)
        images.push_back(std::move(*image));
    return makeFakeScreens(std::move(trace), std::move(images), 1);
}

std::unique_ptr<ScreenSource> makeFakeScreens(
    std::shared_ptr<FakeTrace> trace, std::vector<ScreenImage> images, int32_t capturesEach)
{
    if (!trace)
        trace = std::make_shared<FakeTrace>();
    return std::make_unique<FakeScreen>(std::move(trace), std::move(images), capturesEach);
}

} // namespace clickwisp
