#pragma once

#include "Lib/ImageLoading/ILImageFormat.h"
#include "Platform/Foundation/Object.h"

#include <cstddef>

namespace graphics {
class Image;
}

// What the image layer knows about an image beyond its pixels: values attached to the image under
// the getters' names ("il_imageFormat", "il_isIncremental", "il_memoryCost", "il_isDecoded") and
// the animation properties of its representation. Safe on any thread (the image guards its attached
// values; the representation its properties). A nil image reads 0, NO or undefined and ignores
// setters.

// The representation's "NSImageLoopCount" (0 = endless, and for still images).
std::size_t il_imageLoopCount(const foundation::Ref<graphics::Image>& image);
void il_setImageLoopCount(const foundation::Ref<graphics::Image>& image, std::size_t loopCount);

// The representation has more than one frame.
bool il_isAnimated(const foundation::Ref<graphics::Image>& image);

// The attached format, else the format of the representation's source type.
ILImageFormatCode il_imageFormat(const foundation::Ref<graphics::Image>& image);
void il_setImageFormat(const foundation::Ref<graphics::Image>& image, ILImageFormatCode format);

// Marked as decoded from partial data.
bool il_isIncremental(const foundation::Ref<graphics::Image>& image);
void il_setIsIncremental(const foundation::Ref<graphics::Image>& image, bool incremental);

// Marked as decoded (nothing in this layer forces decoding; decoders yield decoded pixels).
bool il_isDecoded(const foundation::Ref<graphics::Image>& image);
void il_setIsDecoded(const foundation::Ref<graphics::Image>& image, bool decoded);

// Bytes the image costs a memory cache: an attached cost when one was set, else every pixel buffer
// the image holds (its representation's frame, a source's kept canvas, an animated image's loaded
// frames) and its kept encoded data.
std::size_t il_memoryCost(const foundation::Ref<graphics::Image>& image);
void il_setMemoryCost(const foundation::Ref<graphics::Image>& image, std::size_t cost);
