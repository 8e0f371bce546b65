#include "Lib/ImageLoading/ILImageRoundCornerTransformer.h"

#include "Lib/ImageLoading/ILColor.h"
#include "Lib/ImageLoading/ILImageTransform.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImageRoundCornerTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageRoundCornerTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImageRoundCornerTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImageRoundCornerTransformer> ILImageRoundCornerTransformer::transformerWithRadius(
    double cornerRadius, unsigned corners, double borderWidth, const QColor& borderColor)
{
    auto transformer = std::make_shared<ILImageRoundCornerTransformer>();
    transformer->cornerRadius_ = cornerRadius;
    transformer->corners_ = corners;
    transformer->borderWidth_ = borderWidth;
    transformer->borderColor_ = borderColor;
    return transformer;
}

foundation::Ref<foundation::String> ILImageRoundCornerTransformer::transformerKey() const
{
    return foundation::String::stringWithFormat("ILImageRoundCornerTransformer(%f,%lu,%f,%@)", cornerRadius_,
        static_cast<unsigned long>(corners_), borderWidth_, il_hexTextOrNil(borderColor_));
}

foundation::Ref<graphics::Image> ILImageRoundCornerTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>&) const
{
    return image ? il_roundedCornerImageWithRadius(image, cornerRadius_, corners_, borderWidth_, borderColor_)
                 : nullptr;
}
