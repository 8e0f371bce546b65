#pragma once

#include <cstddef>
#include <cstdint>

namespace graphics::detail {

// Rows of 8-bit samples as files store them, turned into paint-ready 32-bit pixels (0xAARRGGBB in
// native order). The SSSE3 paths, taken where the processor has them, give the same pixels as the
// plain ones.

// One pixel of each kind.
inline std::uint32_t rgbPixel(const std::uint8_t* rgb)
{
    return 0xff000000u | std::uint32_t(rgb[0]) << 16 | std::uint32_t(rgb[1]) << 8 | rgb[2];
}
inline std::uint32_t rgbaPixel(const std::uint8_t* rgba) // not premultiplied
{
    return std::uint32_t(rgba[3]) << 24 | std::uint32_t(rgba[0]) << 16 | std::uint32_t(rgba[1]) << 8
        | rgba[2];
}

// R, G, B bytes to opaque Format_RGB32 pixels.
void rgbToRgb32(const std::uint8_t* rgb, std::uint32_t* pixels, std::size_t count);
// R, G, B, A bytes to Format_ARGB32_Premultiplied pixels.
void rgbaToPremultiplied(const std::uint8_t* rgba, std::uint32_t* pixels, std::size_t count);

} // namespace graphics::detail
