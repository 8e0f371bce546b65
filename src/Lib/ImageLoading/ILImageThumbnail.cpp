#include "Lib/ImageLoading/ILImageThumbnail.h"

#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"
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

Ref<Image> ILDecodedThumbnail(
    const std::shared_ptr<graphics::ImageSource>& source, double scale, const ILImageCoderOptions& options)
{
    if (!source || source->count() != 1)
        return nullptr;
    const Id properties(source->propertiesAtIndex(0));
    const QSize stored(properties[graphics::imageProperty::pixelWidth].intValue(),
        properties[graphics::imageProperty::pixelHeight].intValue());
    int orientation = properties[graphics::imageProperty::orientation].intValue();
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    const bool turned = orientation >= 5;
    const QSize upright = turned ? stored.transposed() : stored;
    const QSize wanted = ILThumbnailPixelSize(upright, options);
    if (wanted == upright)
        return nullptr;
    QImage pixels = source->imageAtIndex(0, turned ? wanted.transposed() : wanted);
    if (pixels.isNull())
        return nullptr;
    if (orientation != 1)
        pixels = ILImageCoderHelper::CGImageCreateDecoded(pixels, orientation);
    return keepingPoints(pixels, upright.width(), std::max(1.0, scale));
}

Ref<Image> ILImageShrunkForOptions(const Ref<Image>& image, const ILImageCoderOptions& options)
{
    if (!image || image->isEmpty() || il_isAnimated(image))
        return image;
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
