#include "Class/ImageViews/ILImageConversion.h"

#include "Class/UIKit/KXImage.h"
#include "Platform/Graphics/Image.h"

ILImageRef il_imageFromKXImage(const KXImage& image)
{
    if (image.isNull())
        return nullptr;
    return graphics::Image::create(image.image(), image.image().devicePixelRatio());
}

KXImage il_kxImage(const ILImageRef& image)
{
    return image ? KXImage(image->image()) : KXImage();
}
