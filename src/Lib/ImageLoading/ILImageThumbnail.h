#pragma once

#include "Lib/ImageLoading/ILImageCacheDefine.h"
#include "Lib/ImageLoading/ILImageCoder.h"
#include "Lib/ImageLoading/ILWebDefine.h"

#include <QSize>
#include <cstdint>
#include <memory>

namespace graphics {
class ImageSource;
}

// Decoding to the size an image is shown at. A load's context may name the box, in device pixels,
// its image is drawn in ("imageThumbnailPixelSize", [width, height]) and whether the image covers
// the box ("imageThumbnailFill": cropped or stretched) or fits inside it (the default). A still
// image larger than that is decoded straight to the smaller size, and never above
// ILImageDecodedPixelLimit pixels whatever is asked, so a huge picture from the network costs
// memory for what the screen shows only. The smaller image keeps the size in points the whole one
// would have had (its scale drops instead), so layouts that follow an image's size do not change.
// An animation drawn in a smaller box has every frame decoded to the box's size; when its frames
// at that size would be more than imageLimits::maxFramesBytes, its first frame alone is decoded,
// as a still image. Without a box, animations are decoded as they are.
//
// Every function may be called from any thread.

// The most pixels a still image is decoded to: 2048 x 2048.
inline constexpr std::int64_t ILImageDecodedPixelLimit = 2048LL * 2048;

// The pixel size for an image of `stored` pixels drawn in `box` (invalid or empty: no box): the
// smallest size keeping the aspect ratio that fills (`fill`) or fits the box, never larger than
// `stored`, then shrunk to at most `pixelLimit` pixels.
QSize ILThumbnailPixelSize(
    QSize stored, QSize box, bool fill, std::int64_t pixelLimit = ILImageDecodedPixelLimit);
// The same with the box and the fill given by decode options.
QSize ILThumbnailPixelSize(QSize stored, const ILImageCoderOptions& options);

// A context that asks for `box` (device pixels) and `fill`; the other keys of `context` stay.
ILContext ILContextWithThumbnail(const ILContext& context, QSize box, bool fill);
// The box a context or an option dictionary names; invalid without one.
QSize ILThumbnailBoxOf(const foundation::Ref<foundation::Dictionary>& dictionary, std::string_view key);

// The key an image decoded for `context` is cached under: `key` itself when the context names no
// box, else the key marked with the box, so a view that shows the same address larger does not get
// the smaller image.
ILCacheKey ILThumbnailedCacheKey(const ILCacheKey& key, const ILContext& context);

// Frame 0 of a still `source` decoded to the size `options` ask for, at `scale` adjusted to keep its
// size in points, and turned upright as its orientation says; for an animation and a box, every
// frame so (or the first frame still, as above, also while its data is still arriving). Nil when
// the image needs no shrinking or is an animation without a box (the caller decodes it as usual),
// and nil when the shrunk decode failed or was refused (a frame whose decoder would hold more than
// the sources allow for a smaller size): `shrinkAsked` then says true, and the caller must not
// decode the frame whole instead.
foundation::Ref<graphics::Image> ILDecodedThumbnail(const std::shared_ptr<graphics::ImageSource>& source,
    double scale, const ILImageCoderOptions& options, bool* shrinkAsked = nullptr);

// An image shrunk to the size `options` ask for, keeping its size in points (an animation read from
// data through ILDecodedThumbnail); the image itself when it is small enough or nil. For decoders
// that cannot decode to a size.
foundation::Ref<graphics::Image> ILImageShrunkForOptions(
    const foundation::Ref<graphics::Image>& image, const ILImageCoderOptions& options);
