#include "Lib/ImageLoading/ILImageCompatibility.h"

#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

#include <algorithm>

using foundation::Ref;
using graphics::Image;

QImage il_CGImage(const Ref<Image>& image)
{
    return image && !image->isEmpty() ? image->image() : QImage();
}

double il_scale(const Ref<Image>& image)
{
    return image ? std::max(1.0, image->scale()) : 1.0;
}

Ref<Image> il_initWithCGImage(const QImage& pixels, double scale, int orientation)
{
    if (pixels.isNull())
        return nullptr;
    const QImage upright
        = orientation == 1 ? pixels : ILImageCoderHelper::CGImageCreateDecoded(pixels, orientation);
    return Image::create(upright, std::max(1.0, scale));
}

Ref<Image> il_initWithData(const Ref<foundation::Data>& data, double scale)
{
    const Ref<graphics::BitmapImageRep> representation = graphics::BitmapImageRep::imageRepWithData(data);
    if (!representation)
        return nullptr;
    scale = std::max(1.0, scale);
    if (const auto source = representation->source()) {
        const int orientation
            = foundation::Id(source->propertiesAtIndex(0))[graphics::imageProperty::orientation].intValue();
        if (orientation > 1 && orientation <= 8)
            return il_initWithCGImage(representation->image(), scale, orientation);
    }
    return Image::create(representation, scale);
}
