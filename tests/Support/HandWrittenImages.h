#pragma once

#include <cstdint>
#include <vector>

namespace testimages {

// A lossless WebP still of `side` x `side` pixels of one opaque colour (0xAARRGGBB), written by hand: one
// single-symbol prefix code for each channel, so every pixel takes no bits at all. A few dozen
// bytes whatever the side: a huge image for the decoders without the cost of coding one.
std::vector<std::uint8_t> losslessWebP(int side, std::uint32_t argb);

} // namespace testimages
