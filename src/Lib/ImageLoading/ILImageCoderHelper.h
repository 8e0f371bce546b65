#pragma once

#include "Lib/ImageLoading/ILImageFrame.h"
#include "Platform/Foundation/Object.h"

#include <QImage>
#include <cstddef>
#include <optional>

// Frames in and out of animated images, and pixel helpers of the coders. Stateless; every method
// may be called from any thread.
class ILImageCoderHelper {
public:
    // An animated image of the frames (written as GIF, so at most 256 colours a frame) at the first
    // frame's scale; nil for no frames, frames over the memory limit for frames held at once, or data
    // that cannot be written.
    static foundation::Ref<graphics::Image> animatedImageWithFrames(const ILImageFrames& frames);
    // Every frame of an animated image with its duration, at the image's scale, read without
    // changing the frame the image shows; nullopt for a nil or still image, or frames that together
    // would pass the memory limit for frames held at once.
    static std::optional<ILImageFrames> framesFromAnimatedImage(
        const foundation::Ref<graphics::Image>& image);

    // Whether the pixels carry alpha.
    static bool CGImageContainsAlpha(const QImage& image);
    // The pixels turned upright from EXIF `orientation` (1-8; anything else counts as 1): 2 mirrors
    // left to right, 3 turns half round, 4 mirrors top to bottom, 5 transposes, 6 turns a quarter
    // clockwise, 7 transverses, 8 turns a quarter counter-clockwise; 5-8 swap width and height. The
    // result is premultiplied ARGB32 with alpha, RGB32 without; null for a null or empty image.
    static QImage CGImageCreateDecoded(const QImage& image, int orientation = 1);

    // Hands the image back unchanged: the decoders already yield decoded pixels.
    static foundation::Ref<graphics::Image> decodedImageWithImage(
        const foundation::Ref<graphics::Image>& image);
    // A still image shrunk to at most `limitBytes` of pixels (four bytes a pixel; 0 or less than a
    // pixel: ILImageDecodedPixelLimit pixels), keeping its size in points; the image itself when it
    // is smaller, animated or nil.
    static foundation::Ref<graphics::Image> decodedAndScaledDownImageWithImage(
        const foundation::Ref<graphics::Image>& image, std::size_t limitBytes);
};
