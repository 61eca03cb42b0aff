// The pixel buffer: layout, sizes and BMP loading.
#include "screen/bitmap_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace clickwisp {
namespace {

void put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + size_t(i)] = char(v >> (8 * i));
}

// A BMP file header and information header with the given fields.
std::string bmpHeader(
    int32_t width, int32_t height, uint16_t bits = 24, uint32_t compression = 0, uint32_t infoSize = 40)
{
    std::string h(54, '\0');
    h[0] = 'B';
    h[1] = 'M';
    put32(h, 10, 54);
    put32(h, 14, infoSize);
    put32(h, 18, uint32_t(width));
    put32(h, 22, uint32_t(height));
    h[26] = 1;
    h[28] = char(bits & 0xFF);
    h[29] = char(bits >> 8);
    put32(h, 30, compression);
    return h;
}

// A stream that cannot seek and serves a fixed text, to check that a
// lying header costs no more memory than the data that came.
class OneWayBuffer : public std::streambuf {
public:
    explicit OneWayBuffer(std::string data)
        : m_data(std::move(data))
    {
        setg(m_data.data(), m_data.data(), m_data.data() + m_data.size());
    }

private:
    std::string m_data;
};

TEST(PixelBuffer, SetSizeReusesTheArray)
{
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.SetSize(100, 50));
    buffer.Pixels()[0] = 0x5A;
    ASSERT_TRUE(buffer.SetSize(100, 50));
    EXPECT_EQ(buffer.AllocationCount(), 1);
    EXPECT_EQ(buffer.Pixels()[0], 0x5A) << "same size leaves the pixels alone";
    ASSERT_TRUE(buffer.SetSize(10, 10));
    EXPECT_EQ(buffer.AllocationCount(), 1) << "smaller fits the old array";
    EXPECT_EQ(buffer.Capacity(), 15000);
    EXPECT_EQ(buffer.DataSize(), 320);
    ASSERT_TRUE(buffer.SetSize(200, 50));
    EXPECT_EQ(buffer.AllocationCount(), 2);
    EXPECT_EQ(buffer.Capacity(), 30000);

    buffer.Clear();
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_EQ(buffer.Capacity(), 0);
    EXPECT_EQ(buffer.Pixels(), nullptr);
}

TEST(PixelBuffer, ImpossibleSizesFailWithoutAllocating)
{
    TBDBitmapData buffer;
    EXPECT_FALSE(buffer.SetSize(-1, 5));
    EXPECT_FALSE(buffer.SetSize(5, -1));
    EXPECT_FALSE(buffer.SetSize(TBDBitmapData::kMaxSide + 1, 1));
    EXPECT_FALSE(buffer.SetSize(TBDBitmapData::kMaxSide, TBDBitmapData::kMaxSide)) << "over 2 GiB of pixels";
    EXPECT_EQ(buffer.AllocationCount(), 0);
    EXPECT_EQ(buffer.Width(), 0);
}

TEST(PixelBuffer, FailedAllocationIsNotMistakenForTheSameSizeLater)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "an address-space limit breaks the sanitizer's own memory";
#elif defined(_WIN32)
    GTEST_SKIP() << "Windows has no address-space limit for a process";
#else
    rlimit old {};
    getrlimit(RLIMIT_AS, &old);
    rlimit small = old;
    small.rlim_cur = rlim_t(1) << 30;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &small), 0);
    TBDBitmapData buffer;
    const bool first = buffer.SetSize(30000, 20000); // 1.8 GB
    const bool second = buffer.SetSize(30000, 20000);
    setrlimit(RLIMIT_AS, &old);
    EXPECT_FALSE(first);
    EXPECT_FALSE(second) << "a buffer without an array must not report success";
    EXPECT_EQ(buffer.DataSize(), 0);
    EXPECT_EQ(buffer.Pixels(), nullptr);
    ASSERT_TRUE(buffer.SetSize(2, 2));
    EXPECT_NE(buffer.Pixels(), nullptr);
#endif
}

TEST(PixelBuffer, Loads3x2ImageBottomRowFirst)
{
    std::string file = bmpHeader(3, 2);
    // First row in the file: the bottom row of the image.
    const uint8_t bottom[12] = { 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0xEE, 0xEE, 0xEE };
    const uint8_t top[12] = { 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0xEE, 0xEE, 0xEE };
    file.append(reinterpret_cast<const char*>(bottom), 12);
    file.append(reinterpret_cast<const char*>(top), 12);
    std::istringstream stream(file);
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.LoadFromStream(stream));
    EXPECT_EQ(buffer.Width(), 3);
    EXPECT_EQ(buffer.Height(), 2);
    EXPECT_EQ(buffer.Stride(), 12);
    EXPECT_EQ(buffer.DataSize(), 24);
    EXPECT_EQ(buffer.PixelAt(0, 1), 0x030201u) << "blue first: 0x00RRGGBB";
    EXPECT_EQ(buffer.PixelAt(2, 1), 0x090807u);
    EXPECT_EQ(buffer.PixelAt(0, 0), 0x131211u);
    EXPECT_EQ(std::memcmp(buffer.Pixels(), bottom, 12), 0);

    // Saving writes the same pixel array back.
    std::ostringstream out;
    ASSERT_TRUE(buffer.SaveToStream(out));
    TBDBitmapData again;
    std::istringstream in(out.str());
    ASSERT_TRUE(again.LoadFromStream(in));
    EXPECT_EQ(std::memcmp(again.Pixels(), buffer.Pixels(), 24), 0);
}

TEST(PixelBuffer, RejectedImagesLeaveANewBufferEmpty)
{
    const std::string pixels(16 * 16 * 4, '\x7F');
    const std::pair<const char*, std::string> cases[] = {
        { "32-bit", bmpHeader(2, 2, 32) + pixels },
        { "8-bit", bmpHeader(2, 2, 8) + pixels },
        { "compressed", bmpHeader(2, 2, 24, 1) + pixels },
        { "other header size", bmpHeader(2, 2, 24, 0, 108) + pixels },
        { "not BM", "XY" + bmpHeader(2, 2).substr(2) + pixels },
        { "top-down", bmpHeader(2, -2) + pixels },
        { "negative width", bmpHeader(-2, 2) + pixels },
        { "short header", bmpHeader(2, 2).substr(0, 53) },
        { "empty", "" },
        { "huge claim", bmpHeader(30000, 30000) + pixels },
        { "over the side cap", bmpHeader(TBDBitmapData::kMaxSide + 1, 1) + pixels },
        { "int32 wrap", bmpHeader(INT32_MAX, INT32_MAX) + pixels },
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        std::istringstream stream(bytes);
        TBDBitmapData buffer;
        EXPECT_FALSE(buffer.LoadFromStream(stream));
        EXPECT_EQ(buffer.Width(), 0);
        EXPECT_EQ(buffer.Height(), 0);
        EXPECT_EQ(buffer.AllocationCount(), 0);

        OneWayBuffer oneWay(bytes);
        std::istream oneWayStream(&oneWay);
        TBDBitmapData fromPipe;
        EXPECT_FALSE(fromPipe.LoadFromStream(oneWayStream));
        EXPECT_EQ(fromPipe.AllocationCount(), 0);
    }
}

TEST(PixelBuffer, ImageCutShortKeepsTheHeadersSizeWithBlackForTheRest)
{
    // 4 x 4 (stride 12) with 20 of its 48 data bytes: the bottom row and
    // part of the next came.
    const std::string bytes = bmpHeader(4, 4) + std::string(20, '\x7F');
    std::istringstream seekable(bytes);
    OneWayBuffer oneWay(bytes);
    std::istream oneWayStream(&oneWay);
    for (std::istream* stream : { static_cast<std::istream*>(&seekable), &oneWayStream }) {
        TBDBitmapData buffer;
        EXPECT_FALSE(buffer.LoadFromStream(*stream));
        ASSERT_EQ(buffer.Width(), 4);
        ASSERT_EQ(buffer.Height(), 4);
        EXPECT_EQ(buffer.PixelAt(0, 3), 0x7F7F7Fu);
        EXPECT_EQ(buffer.PixelAt(3, 3), 0x7F7F7Fu);
        EXPECT_EQ(buffer.PixelAt(1, 2), 0x7F7F7Fu);
        EXPECT_EQ(buffer.PixelAt(2, 2), 0x007F7Fu) << "two of its three bytes came";
        EXPECT_EQ(buffer.PixelAt(3, 2), 0u);
        EXPECT_EQ(buffer.PixelAt(0, 0), 0u);
    }

    // A reused array is blacked out too, not left with the older picture.
    std::istringstream white(bmpHeader(4, 4) + std::string(48, '\xFF'));
    TBDBitmapData reused;
    ASSERT_TRUE(reused.LoadFromStream(white));
    std::istringstream cut(bmpHeader(4, 4) + std::string(12, '\x01'));
    EXPECT_FALSE(reused.LoadFromStream(cut));
    EXPECT_EQ(reused.PixelAt(0, 3), 0x010101u);
    EXPECT_EQ(reused.PixelAt(0, 2), 0u);
    EXPECT_EQ(reused.AllocationCount(), 1);
}

TEST(PixelBuffer, FailedLoadKeepsAnEarlierPicture)
{
    std::istringstream good(bmpHeader(1, 1) + std::string("\x01\x02\x03\x00", 4));
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.LoadFromStream(good));
    std::istringstream bad(bmpHeader(2, 2, 32));
    EXPECT_FALSE(buffer.LoadFromStream(bad));
    EXPECT_EQ(buffer.Width(), 1);
    EXPECT_EQ(buffer.PixelAt(0, 0), 0x030201u);
}

} // namespace
} // namespace clickwisp
