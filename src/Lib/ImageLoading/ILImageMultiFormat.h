#pragma once

#include "Lib/ImageLoading/ILImageFormat.h"
#include "Platform/Foundation/Object.h"

#include <cstddef>

namespace foundation {
class Data;
}
namespace graphics {
class Image;
}

// Decoding and encoding through the shared coders manager, forced decoding and GIF decoding, as
// free functions of graphics::Image. Safe on any thread. Nil data or a nil image gives nil.

foundation::Ref<graphics::Image> il_imageWithData(
    const foundation::Ref<foundation::Data>& data, double scale = 1, bool firstFrameOnly = false);

// Format -1 writes PNG for pixels with alpha and JPEG without.
foundation::Ref<foundation::Data> il_imageData(const foundation::Ref<graphics::Image>& image);
foundation::Ref<foundation::Data> il_imageDataAsFormat(const foundation::Ref<graphics::Image>& image,
    ILImageFormatCode format, double compressionQuality = 1.0, bool firstFrameOnly = false);

// The image itself: decoders already yield decoded pixels, and nothing is scaled down.
foundation::Ref<graphics::Image> il_decodedImageWithImage(const foundation::Ref<graphics::Image>& image);
foundation::Ref<graphics::Image> il_decodedAndScaledDownImageWithImage(
    const foundation::Ref<graphics::Image>& image, std::size_t limitBytes = 0);

// GIF data through the shared GIF coder, without options.
foundation::Ref<graphics::Image> il_imageWithGIFData(const foundation::Ref<foundation::Data>& data);
