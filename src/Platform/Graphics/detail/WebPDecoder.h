#pragma once

#include "Platform/Graphics/detail/FrameDecoder.h"

#include <memory>

namespace graphics::detail {

// WebP: WebPDecode for whole stills, WebPIDecoder for stills that arrive in parts, WebPDemux for the
// frames, durations and loop count of animations and WebPAnimDecoder for their composed frames.
// An animation shows no frame until its data is complete.
std::unique_ptr<FrameDecoder> makeWebPDecoder();

} // namespace graphics::detail
