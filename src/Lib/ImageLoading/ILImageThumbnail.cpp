#include "Lib/ImageLoading/ILImageThumbnail.h"

#include "Lib/ImageLoading/ILAnimatedImageRep.h"
#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageIOAnimatedCoder.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

#include <algorithm>
#include <cmath>
#include <string>

using foundation::Id;
using foundation::Ref;
using graphics::Image;

namespace {

int side(double length, bool roundUp)
{
    return std::max(1, int(roundUp ? std::ceil(length - 1e-6) : std::floor(length)));
}

bool fillOf(const Ref<foundation::Dictionary>& dictionary, std::string_view key)
{
    return dictionary && dictionary->objectForKey(key).boolValue();
}

// An image of `pixels` standing for one of `storedWidth` pixels across at `scale`.
Ref<Image> keepingPoints(const QImage& pixels, int storedWidth, double scale)
{
    if (pixels.isNull() || storedWidth <= 0)
        return nullptr;
    return Image::create(pixels, scale * pixels.width() / storedWidth);
}

// Frame `index` of `source` at `wanted` (upright), turned as `orientation` says.
QImage uprightFrame(const graphics::ImageSource& source, std::size_t index, QSize wanted, int orientation)
{
    const bool turned = orientation >= 5;
    QImage pixels = source.imageAtIndex(index, turned ? wanted.transposed() : wanted);
    if (!pixels.isNull() && orientation != 1)
        pixels = ILImageCoderHelper::CGImageCreateDecoded(pixels, orientation);
    return pixels;
}

// Every frame of an animated `source` at `wanted`, as an animation of its own with the source's
// delays and loop count (kept as lossless PNG frames); nil when the frames at that size would be
// more than imageLimits::maxFramesBytes, the data is still arriving or a frame does not decode.
Ref<Image> shrunkAnimation(
    const graphics::ImageSource& source, QSize wanted, int orientation, int storedWidth, double scale)
{
    const std::size_t count = source.count();
    const std::size_t frameBytes = std::size_t(wanted.width()) * std::size_t(wanted.height()) * 4;
    const ILAnimatedCoderTraits* traits = ILImageIOAnimatedCoder::traitsForType(source.type());
    if (!traits || source.status() != graphics::ImageSourceStatus::Complete || frameBytes == 0
        || count > graphics::imageLimits::maxFramesBytes / frameBytes)
        return nullptr;
    auto destination = graphics::ImageDestination::create(graphics::typeIdentifier::png, count);
    if (!destination)
        return nullptr;
    const auto format = [](std::string_view key, const Id& value) {
        return foundation::Dictionary::create({ { Id(graphics::imageProperty::pngDictionary),
            Id(foundation::Dictionary::create({ { Id(key), value } })) } });
    };
    destination->setProperties(format(graphics::imageProperty::loopCount,
        Id(static_cast<long long>(ILImageIOAnimatedCoder::imageLoopCountWithSource(*traits, source)))));
    for (std::size_t index = 0; index < count; ++index) {
        const QImage pixels = uprightFrame(source, index, wanted, orientation);
        if (pixels.isNull())
            return nullptr;
        destination->addImage(pixels,
            format(graphics::imageProperty::delayTime,
                Id(ILImageIOAnimatedCoder::frameDurationAtIndex(*traits, index, source))));
    }
    const Ref<foundation::Data> data = destination->finalize();
    const Ref<ILAnimatedImageRep> representation
        = data ? ILAnimatedImageRep::imageRepWithData(data) : nullptr;
    if (!representation)
        return nullptr;
    return Image::create(representation, scale * wanted.width() / storedWidth);
}

} // namespace

QSize ILThumbnailPixelSize(QSize stored, QSize box, bool fill, std::int64_t pixelLimit)
{
    if (stored.isEmpty())
        return stored;
    double ratio = 1;
    if (box.isValid() && !box.isEmpty()) {
        const double across = double(box.width()) / stored.width();
        const double down = double(box.height()) / stored.height();
        ratio = std::min(1.0, fill ? std::max(across, down) : std::min(across, down));
    }
    const double pixels = double(stored.width()) * stored.height() * ratio * ratio;
    const bool limited = pixelLimit > 0 && pixels > double(pixelLimit);
    if (limited)
        ratio = std::sqrt(double(pixelLimit) / (double(stored.width()) * stored.height()));
    if (ratio >= 1)
        return stored;
    return QSize(side(stored.width() * ratio, !limited), side(stored.height() * ratio, !limited))
        .boundedTo(stored);
}

QSize ILThumbnailPixelSize(QSize stored, const ILImageCoderOptions& options)
{
    return ILThumbnailPixelSize(stored, ILThumbnailBoxOf(options, ILImageCoderDecodeThumbnailPixelSize),
        fillOf(options, ILImageCoderDecodeThumbnailFill));
}

ILContext ILContextWithThumbnail(const ILContext& context, QSize box, bool fill)
{
    auto copied = context ? foundation::MutableDictionary::dictionaryWithDictionary(*context)
                          : foundation::MutableDictionary::create();
    copied->setObject(Id(foundation::Array::create({ Id(box.width()), Id(box.height()) })),
        Id(ILWebContextImageThumbnailPixelSize));
    copied->setObject(Id(fill), Id(ILWebContextImageThumbnailFill));
    return std::dynamic_pointer_cast<foundation::Dictionary>(copied->copy());
}

QSize ILThumbnailBoxOf(const Ref<foundation::Dictionary>& dictionary, std::string_view key)
{
    if (!dictionary)
        return {};
    const Id value = dictionary->objectForKey(key);
    const auto* pair = value.ptr<foundation::Array>();
    if (!pair || pair->count() != 2)
        return {};
    const QSize box(value[0].intValue(), value[1].intValue());
    return box.isEmpty() ? QSize() : box;
}

ILCacheKey ILThumbnailedCacheKey(const ILCacheKey& key, const ILContext& context)
{
    const QSize box = ILThumbnailBoxOf(context, ILWebContextImageThumbnailPixelSize);
    if (!key || !box.isValid())
        return key;
    return foundation::String::create(Id(key).stringValue() + "-Thumbnail(" + std::to_string(box.width())
        + "x" + std::to_string(box.height())
        + (fillOf(context, ILWebContextImageThumbnailFill) ? ",fill)" : ")"));
}

Ref<Image> ILDecodedThumbnail(const std::shared_ptr<graphics::ImageSource>& source, double scale,
    const ILImageCoderOptions& options, bool* shrinkAsked)
{
    if (shrinkAsked)
        *shrinkAsked = false;
    if (!source || source->count() == 0)
        return nullptr;
    const Id properties(source->propertiesAtIndex(0));
    const QSize stored(properties[graphics::imageProperty::pixelWidth].intValue(),
        properties[graphics::imageProperty::pixelHeight].intValue());
    int orientation = properties[graphics::imageProperty::orientation].intValue();
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    const QSize upright = orientation >= 5 ? stored.transposed() : stored;
    const QSize wanted = ILThumbnailPixelSize(upright, options);
    // An animation is shrunk for a box it is drawn in only, not to the pixel limit alone.
    const bool animated = source->count() > 1;
    if (wanted == upright
        || (animated && !ILThumbnailBoxOf(options, ILImageCoderDecodeThumbnailPixelSize).isValid()))
        return nullptr;
    if (shrinkAsked)
        *shrinkAsked = true;
    scale = std::max(1.0, scale);
    if (animated) {
        if (Ref<Image> animation = shrunkAnimation(*source, wanted, orientation, upright.width(), scale))
            return animation;
        // Past the frames' budget, or still arriving: the first frame alone, still.
    }
    return keepingPoints(uprightFrame(*source, 0, wanted, orientation), upright.width(), scale);
}

Ref<Image> ILImageShrunkForOptions(const Ref<Image>& image, const ILImageCoderOptions& options)
{
    if (!image || image->isEmpty())
        return image;
    if (il_isAnimated(image)) {
        const std::shared_ptr<graphics::ImageSource> source = image->representation()->source();
        Ref<Image> shrunk = ILDecodedThumbnail(source, image->scale(), options);
        if (!shrunk)
            return image;
        il_setImageFormat(shrunk, il_imageFormat(image));
        return shrunk;
    }
    const QImage pixels = image->image();
    const QSize wanted = ILThumbnailPixelSize(pixels.size(), options);
    if (pixels.isNull() || wanted == pixels.size())
        return image;
    QImage shrunk = pixels.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    shrunk.setDevicePixelRatio(1);
    Ref<Image> result = keepingPoints(shrunk, pixels.width(), image->scale());
    if (result)
        il_setImageFormat(result, il_imageFormat(image));
    return result ? result : image;
}
