#pragma once

#include "Platform/Graphics/detail/FrameDecoder.h"

#include <memory>
#include <string_view>

namespace graphics::detail {

// Formats read only once their data is complete: TIFF (libtiff on memory, every directory a frame,
// handlers silenced), HEIC and HEIF (libheif; the primary image only), BMP (an own reader: the
// headers by BmpLayout, the pixels by BmpPixels), ICO (QImageReader told the format).
std::unique_ptr<FrameDecoder> makeTiffDecoder();
std::unique_ptr<FrameDecoder> makeHeifDecoder();
std::unique_ptr<FrameDecoder> makeBmpDecoder();
std::unique_ptr<FrameDecoder> makeQtReaderDecoder(std::string_view format);
bool heifCanDecode();

} // namespace graphics::detail
