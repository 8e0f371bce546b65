#include "Lib/ImageLoading/ILImageMetadata.h"

#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"

using foundation::Id;
using foundation::Ref;
using graphics::Image;

namespace {

constexpr std::string_view kImageFormatKey = "il_imageFormat";
constexpr std::string_view kIsIncrementalKey = "il_isIncremental";
constexpr std::string_view kMemoryCostKey = "il_memoryCost";
constexpr std::string_view kIsDecodedKey = "il_isDecoded";

const Ref<graphics::BitmapImageRep>* representationOf(const Ref<Image>& image)
{
    return image && image->representation() ? &image->representation() : nullptr;
}

void attach(const Ref<Image>& image, std::string_view key, const Id& value)
{
    if (image)
        image->setAssociatedObject(key, value);
}

Id attached(const Ref<Image>& image, std::string_view key)
{
    return image ? image->associatedObject(key) : Id();
}

} // namespace

std::size_t il_imageLoopCount(const Ref<Image>& image)
{
    const auto* representation = representationOf(image);
    if (!representation)
        return 0;
    return static_cast<std::size_t>(
        (*representation)->valueForProperty(graphics::bitmapProperty::loopCount).unsignedLongLongValue());
}

void il_setImageLoopCount(const Ref<Image>& image, std::size_t loopCount)
{
    if (const auto* representation = representationOf(image))
        (*representation)
            ->setProperty(graphics::bitmapProperty::loopCount, Id(static_cast<unsigned long>(loopCount)));
}

bool il_isAnimated(const Ref<Image>& image)
{
    const auto* representation = representationOf(image);
    return representation
        && (*representation)->valueForProperty(graphics::bitmapProperty::frameCount).integerValue() > 1;
}

ILImageFormatCode il_imageFormat(const Ref<Image>& image)
{
    if (const Id format = attached(image, kImageFormatKey))
        return static_cast<ILImageFormatCode>(format.intValue());
    const auto* representation = representationOf(image);
    return representation ? il_imageFormatFromUTType((*representation)->typeIdentifier())
                          : ILImageFormatUndefined;
}

void il_setImageFormat(const Ref<Image>& image, ILImageFormatCode format)
{
    attach(image, kImageFormatKey, Id(static_cast<int>(format)));
}

bool il_isIncremental(const Ref<Image>& image)
{
    return attached(image, kIsIncrementalKey).boolValue();
}

void il_setIsIncremental(const Ref<Image>& image, bool incremental)
{
    attach(image, kIsIncrementalKey, Id(incremental));
}

bool il_isDecoded(const Ref<Image>& image)
{
    return attached(image, kIsDecodedKey).boolValue();
}

void il_setIsDecoded(const Ref<Image>& image, bool decoded)
{
    attach(image, kIsDecodedKey, Id(decoded));
}

std::size_t il_memoryCost(const Ref<Image>& image)
{
    if (!image)
        return 0;
    if (const Id cost = attached(image, kMemoryCostKey))
        return static_cast<std::size_t>(cost.unsignedLongLongValue());
    if (const auto* animated = dynamic_cast<const ILAnimatedImage*>(image.get()))
        return animated->memoryCostOfFrames();
    return image->memoryCost();
}

void il_setMemoryCost(const Ref<Image>& image, std::size_t cost)
{
    attach(image, kMemoryCostKey, Id(static_cast<unsigned long long>(cost)));
}
