#include "Platform/Graphics/detail/FrameDecoder.h"
#include "Platform/Graphics/detail/PixelRows.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

using graphics::detail::premultiplied;
using graphics::detail::rgbaPixel;
using graphics::detail::rgbaToPremultiplied;
using graphics::detail::rgbPixel;
using graphics::detail::rgbToRgb32;

namespace {

// Random samples whose alpha bytes (every fourth, for RGBA) mix 0, 255 and values between.
std::vector<std::uint8_t> samples(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = std::uint8_t(random());
    for (std::size_t i = 3; i < count; i += 4) {
        unsigned pick = random() % 4;
        bytes[i] = pick == 0 ? 0 : pick == 1 ? 255 : pick == 2 ? 255 : bytes[i];
    }
    return bytes;
}

} // namespace

// Every length around the vector widths, from an odd address, against the pixel-by-pixel rule; the
// pixel after the row stays untouched.
TEST(PixelRows, RowsEqualThePixelByPixelConversion)
{
    for (std::size_t count = 0; count <= 41; ++count) {
        SCOPED_TRACE(count);
        const auto bytes = samples(1 + 4 * count, unsigned(count));
        const std::uint8_t* row = bytes.data() + 1;

        std::vector<std::uint32_t> pixels(count + 1, 0x12345678u);
        rgbToRgb32(row, pixels.data(), count);
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(pixels[i], rgbPixel(row + 3 * i)) << "rgb pixel " << i;
        EXPECT_EQ(pixels[count], 0x12345678u);

        pixels.assign(count + 1, 0x12345678u);
        rgbaToPremultiplied(row, pixels.data(), count);
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(pixels[i], premultiplied(rgbaPixel(row + 4 * i))) << "rgba pixel " << i;
        EXPECT_EQ(pixels[count], 0x12345678u);
    }
}

TEST(PixelRows, PixelsAreInPaintOrder)
{
    const std::uint8_t rgb[] = { 0x11, 0x22, 0x33 };
    EXPECT_EQ(rgbPixel(rgb), 0xff112233u);
    const std::uint8_t rgba[] = { 0xff, 0x80, 0x00, 0x80 };
    EXPECT_EQ(rgbaPixel(rgba), 0x80ff8000u);
    EXPECT_EQ(premultiplied(rgbaPixel(rgba)), 0x80804000u);
    const std::uint8_t clear[] = { 0xff, 0xff, 0xff, 0x00 };
    EXPECT_EQ(premultiplied(rgbaPixel(clear)), 0u);
}
