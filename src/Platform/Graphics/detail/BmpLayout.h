#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace graphics::detail {

// What a BMP file's headers say about its pixels, checked against the file's length: every offset
// read from the file lies inside it.
struct BmpLayout {
    enum class Coding { Rows, Rle8, Rle4 };

    std::int64_t width = 0;
    std::int64_t height = 0;
    bool bottomUp = true;
    int bitsPerPixel = 0;
    Coding coding = Coding::Rows;
    // Red, green, blue and alpha masks of a 16, 24 or 32-bit pixel; alpha 0 when there is none.
    std::array<std::uint32_t, 4> masks {};
    // Opaque ARGB colours of an indexed image; an index past its end reads opaque black.
    std::vector<std::uint32_t> palette;
    std::size_t pixelOffset = 0; // below the file's length
    bool alpha = false; // run-length codes can skip pixels, which stay transparent
};

// The layout of the BMP `file`; nothing when its headers are broken or describe a kind of BMP
// not read (embedded JPEG or PNG, OS/2 2.x headers, bit depths the coding does not allow).
std::optional<BmpLayout> readBmpLayout(std::span<const std::uint8_t> file);

} // namespace graphics::detail
