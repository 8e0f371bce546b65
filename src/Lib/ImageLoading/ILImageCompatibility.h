#pragma once

#include "Platform/Foundation/Object.h"

#include <QImage>

namespace foundation {
class Data;
}
namespace graphics {
class Image;
}

// Images from pixels and data at a scale, and the pixels and scale of an image. Free functions of
// graphics::Image; safe on any thread.

// The pixels of the frame the image shows (premultiplied ARGB32 or RGB32, device pixel ratio = the
// scale); null for a nil or empty image.
QImage il_CGImage(const foundation::Ref<graphics::Image>& image);
// The image's scale, 1 when it is below 1 or there is no image.
double il_scale(const foundation::Ref<graphics::Image>& image);
// An image of `pixels` at max(1, scale), first turned upright when `orientation` (EXIF 1-8) is not 1;
// nil for null pixels.
foundation::Ref<graphics::Image> il_initWithCGImage(const QImage& pixels, double scale, int orientation);
// An image of the first frame of `data` at max(1, scale), backed by a representation that keeps the
// data's frames; a frame stored with an orientation other than 1 is turned upright (and the image
// is then a still of those pixels). nil when the first frame does not decode.
foundation::Ref<graphics::Image> il_initWithData(const foundation::Ref<foundation::Data>& data, double scale);
