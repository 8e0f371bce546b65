#pragma once

#include "Platform/Graphics/detail/FrameDecoder.h"

#include <memory>

namespace graphics::detail {

// PNG and APNG. An own walker reads the animation chunks (acTL, fcTL, fdAT) that Debian's libpng
// skips, hands each frame to libpng as a PNG of its own and composes the frames.
std::unique_ptr<FrameDecoder> makePngDecoder();

} // namespace graphics::detail
