// The fake screen: a 24-bit BMP image (or plain black 1920 x 1080) served
// as the desktop; every capture leaves a trace line.
#include "platform/fake/fake_platform.h"
#include "screen/bitmap_data.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace clickwisp {
namespace {

class FakeScreen final : public ScreenSource {
public:
    FakeScreen(std::shared_ptr<FakeTrace> trace, std::unique_ptr<TBDBitmapData> image, ScreenSize size)
        : m_trace(std::move(trace))
        , m_image(std::move(image))
        , m_size(size)
    {
    }

    ScreenSize screenSize() override { return m_size; }

    bool capture(int32_t left, int32_t top, TBDBitmapData& target) override
    {
        m_trace->add("CaptureScreen " + std::to_string(left) + " " + std::to_string(top) + " "
            + std::to_string(target.Width()) + " " + std::to_string(target.Height()));
        if (target.DataSize() > 0)
            std::memset(target.Pixels(), 0, size_t(target.DataSize()));
        if (!m_image)
            return true; // all black
        // The part of the rectangle that lies on the image.
        const int64_t x0 = std::max<int64_t>(left, 0);
        const int64_t y0 = std::max<int64_t>(top, 0);
        const int64_t x1 = std::min<int64_t>(int64_t(left) + target.Width(), m_size.width);
        const int64_t y1 = std::min<int64_t>(int64_t(top) + target.Height(), m_size.height);
        if (x0 >= x1 || y0 >= y1)
            return true;
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* from = m_image->Row(int32_t(y)) + size_t(x0) * 3;
            uint8_t* to = target.Row(int32_t(y - top)) + size_t(x0 - left) * 3;
            std::memcpy(to, from, size_t(x1 - x0) * 3);
        }
        return true;
    }

private:
    std::shared_ptr<FakeTrace> m_trace;
    std::unique_ptr<TBDBitmapData> m_image; // null: black
    ScreenSize m_size;
};

} // namespace

Result<std::unique_ptr<ScreenSource>> makeFakeScreen(
    std::shared_ptr<FakeTrace> trace, const std::filesystem::path& screenImage)
{
    if (!trace)
        trace = std::make_shared<FakeTrace>();
    if (screenImage.empty())
        return std::make_unique<FakeScreen>(std::move(trace), nullptr, ScreenSize { 1920, 1080 });
    std::ifstream in(screenImage, std::ios::binary);
    if (!in)
        return fail("screen image " + screenImage.string() + ": cannot be opened");
    auto image = std::make_unique<TBDBitmapData>();
    if (!image->LoadFromStream(in))
        return fail("screen image " + screenImage.string() + ": not an uncompressed 24-bit BMP image");
    const ScreenSize size { image->Width(), image->Height() };
    return std::make_unique<FakeScreen>(std::move(trace), std::move(image), size);
}

} // namespace clickwisp
