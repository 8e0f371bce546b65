#include "Platform/Graphics/detail/PixelRows.h"

#include "Platform/Graphics/detail/FrameDecoder.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVANE_PIXEL_ROWS_SSSE3 1
#endif

namespace graphics::detail {

namespace {

#ifdef CORVANE_PIXEL_ROWS_SSSE3

bool hasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

// Four pixels a step: a 16-byte load holds four RGB pixels and four spare bytes, so the loop stops
// while at least 16 bytes remain and the plain loop finishes the row.
__attribute__((target("ssse3"))) std::size_t rgbToRgb32Ssse3(
    const std::uint8_t* rgb, std::uint32_t* pixels, std::size_t count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
    std::size_t i = 0;
    for (; i + 6 <= count; i += 4) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * i));
        __m128i out = _mm_or_si128(_mm_shuffle_epi8(in, order), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), out);
    }
    return i;
}

// Four pixels a step; a group with any alpha under 255 is premultiplied pixel by pixel.
__attribute__((target("ssse3"))) std::size_t rgbaToPremultipliedSsse3(
    const std::uint8_t* rgba, std::uint32_t* pixels, std::size_t count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    const __m128i alpha = _mm_set1_epi32(int(0xff000000u));
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgba + 4 * i));
        __m128i out = _mm_shuffle_epi8(in, order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), out);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(out, alpha), alpha)) != 0xffff) {
            for (std::size_t k = i; k < i + 4; ++k)
                pixels[k] = premultiplied(pixels[k]);
        }
    }
    return i;
}

#endif

} // namespace

void rgbToRgb32(const std::uint8_t* rgb, std::uint32_t* pixels, std::size_t count)
{
    std::size_t i = 0;
#ifdef CORVANE_PIXEL_ROWS_SSSE3
    if (hasSsse3())
        i = rgbToRgb32Ssse3(rgb, pixels, count);
#endif
    for (; i < count; ++i)
        pixels[i] = rgbPixel(rgb + 3 * i);
}

void rgbaToPremultiplied(const std::uint8_t* rgba, std::uint32_t* pixels, std::size_t count)
{
    std::size_t i = 0;
#ifdef CORVANE_PIXEL_ROWS_SSSE3
    if (hasSsse3())
        i = rgbaToPremultipliedSsse3(rgba, pixels, count);
#endif
    for (; i < count; ++i)
        pixels[i] = premultiplied(rgbaPixel(rgba + 4 * i));
}

} // namespace graphics::detail
