#pragma once

#include "Platform/Graphics/detail/FrameDecoder.h"

#include <memory>

namespace graphics::detail {

// GIF: an own block walker finds the frames, their control extensions and the NETSCAPE2.0 loop
// count; giflib decodes each frame's pixels; frames are composed by their disposal.
std::unique_ptr<FrameDecoder> makeGifDecoder();

} // namespace graphics::detail
