#include "Lib/ImageLoading/ILImageCoderHelper.h"

#include "Lib/ImageLoading/ILAnimatedImageRep.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"

#include <QTransform>
#include <algorithm>

using foundation::Ref;
using graphics::Image;

namespace {

std::size_t pixelBytes(std::int64_t width, std::int64_t height)
{
    return static_cast<std::size_t>(std::max<std::int64_t>(width, 0))
        * static_cast<std::size_t>(std::max<std::int64_t>(height, 0)) * 4;
}

QImage turned(const QImage& image, int quarterTurnsClockwise)
{
    return image.transformed(QTransform().rotate(90.0 * quarterTurnsClockwise));
}

} // namespace

Ref<Image> ILImageCoderHelper::animatedImageWithFrames(const ILImageFrames& frames)
{
    if (frames.empty())
        return nullptr;
    std::size_t total = 0;
    for (const ILImageFrame& frame : frames) {
        if (!frame.image || frame.image->isEmpty())
            return nullptr;
        const QImage pixels = frame.image->image();
        total += pixelBytes(pixels.width(), pixels.height());
        if (total > graphics::imageLimits::maxFramesBytes)
            return nullptr;
    }
    auto destination = graphics::ImageDestination::create(graphics::typeIdentifier::gif, frames.size());
    if (!destination)
        return nullptr;
    for (const ILImageFrame& frame : frames) {
        const auto delay = foundation::Dictionary::create(
            { { foundation::Id(graphics::imageProperty::delayTime), foundation::Id(frame.duration) } });
        destination->addImage(frame.image->image(),
            foundation::Dictionary::create(
                { { foundation::Id(graphics::imageProperty::gifDictionary), delay } }));
    }
    const Ref<foundation::Data> data = destination->finalize();
    if (!data)
        return nullptr;
    const Ref<ILAnimatedImageRep> representation = ILAnimatedImageRep::imageRepWithData(data);
    if (!representation)
        return nullptr;
    return Image::create(representation, std::max(1.0, frames.front().image->scale()));
}

std::optional<ILImageFrames> ILImageCoderHelper::framesFromAnimatedImage(const Ref<Image>& image)
{
    if (!image || image->isEmpty())
        return std::nullopt;
    const Ref<graphics::BitmapImageRep>& representation = image->representation();
    const long long frameCount
        = representation->valueForProperty(graphics::bitmapProperty::frameCount).integerValue();
    if (frameCount <= 0)
        return std::nullopt;
    const std::size_t frameBytes = pixelBytes(representation->pixelsWide(), representation->pixelsHigh());
    if (frameBytes == 0
        || static_cast<std::size_t>(frameCount) > graphics::imageLimits::maxFramesBytes / frameBytes)
        return std::nullopt;
    ILImageFrames frames;
    frames.reserve(static_cast<std::size_t>(frameCount));
    for (std::size_t index = 0; index < static_cast<std::size_t>(frameCount); ++index) {
        const QImage pixels = representation->frameAtIndex(index);
        if (pixels.isNull())
            return std::nullopt;
        frames.push_back(ILImageFrame::frameWithImage(Image::create(pixels, image->scale()),
            ILAnimatedImageRep::frameDuration(*representation, index)));
    }
    return frames;
}

bool ILImageCoderHelper::CGImageContainsAlpha(const QImage& image)
{
    return !image.isNull() && image.hasAlphaChannel();
}

QImage ILImageCoderHelper::CGImageCreateDecoded(const QImage& image, int orientation)
{
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return {};
    QImage upright;
    switch (orientation) {
    case 2:
        upright = image.mirrored(true, false);
        break;
    case 3:
        upright = image.mirrored(true, true);
        break;
    case 4:
        upright = image.mirrored(false, true);
        break;
    case 5:
        upright = turned(image, 1).mirrored(true, false);
        break;
    case 6:
        upright = turned(image, 1);
        break;
    case 7:
        upright = turned(image, 1).mirrored(false, true);
        break;
    case 8:
        upright = turned(image, 3);
        break;
    default:
        upright = image;
        break;
    }
    upright.setDevicePixelRatio(1);
    return upright.convertToFormat(
        CGImageContainsAlpha(image) ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

Ref<Image> ILImageCoderHelper::decodedImageWithImage(const Ref<Image>& image)
{
    return image;
}

Ref<Image> ILImageCoderHelper::decodedAndScaledDownImageWithImage(
    const Ref<Image>& image, std::size_t limitBytes)
{
    const auto limitPixels = limitBytes >= 4 ? std::int64_t(limitBytes / 4) : ILImageDecodedPixelLimit;
    const QImage pixels = image && !image->isEmpty() ? image->image() : QImage();
    if (pixels.isNull() || il_isAnimated(image))
        return image;
    const QSize wanted = ILThumbnailPixelSize(pixels.size(), QSize(), false, limitPixels);
    auto options = foundation::MutableDictionary::create();
    options->setObject(foundation::Id(foundation::Array::create(
                           { foundation::Id(wanted.width()), foundation::Id(wanted.height()) })),
        foundation::Id(ILImageCoderDecodeThumbnailPixelSize));
    return ILImageShrunkForOptions(image, options);
}
