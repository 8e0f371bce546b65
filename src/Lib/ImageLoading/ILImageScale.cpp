#include "Lib/ImageLoading/ILImageScale.h"

#include "Lib/ImageLoading/ILAnimatedImageRep.h"
#include "Lib/ImageLoading/ILImageCompatibility.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageSource.h"

double ILScaleFactorFromKey(const foundation::Ref<foundation::String>& key)
{
    if (!key || key->length() < 8)
        return 1;
    const bool isURL = key->hasPrefix("http://") || key->hasPrefix("https://");
    for (int factor : { 2, 3 }) {
        if (key->containsString(foundation::format("@%dx.", factor)))
            return factor;
        if (isURL && key->containsString(foundation::format("%%40%dx.", factor)))
            return factor;
    }
    return 1;
}

foundation::Ref<graphics::Image> ILImageScaledToFactor(
    double factor, const foundation::Ref<graphics::Image>& image)
{
    if (!image)
        return nullptr;
    if (factor <= 1 || factor == image->scale())
        return image;
    foundation::Ref<graphics::Image> scaled;
    if (il_isAnimated(image)) {
        const auto& representation = image->representation();
        const auto source = representation->source();
        if (!source)
            return nullptr;
        foundation::Ref<graphics::BitmapImageRep> copy
            = std::dynamic_pointer_cast<ILAnimatedImageRep>(representation)
            ? ILAnimatedImageRep::imageRepWithData(source->data())
            : graphics::BitmapImageRep::imageRepWithData(source->data());
        scaled = graphics::Image::create(std::move(copy), factor);
    } else {
        scaled = il_initWithCGImage(il_CGImage(image), factor, 1);
    }
    if (!scaled)
        return nullptr;
    il_setIsIncremental(scaled, il_isIncremental(image));
    il_setImageFormat(scaled, il_imageFormat(image));
    return scaled;
}

foundation::Ref<graphics::Image> ILImageScaledForKey(
    const foundation::Ref<foundation::String>& key, const foundation::Ref<graphics::Image>& image)
{
    return image ? ILImageScaledToFactor(ILScaleFactorFromKey(key), image) : nullptr;
}
