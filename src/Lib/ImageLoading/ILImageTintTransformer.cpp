#include "Lib/ImageLoading/ILImageTintTransformer.h"

#include "Lib/ImageLoading/ILColor.h"
#include "Lib/ImageLoading/ILImageTransform.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImageTintTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageTintTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImageTintTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImageTintTransformer> ILImageTintTransformer::transformerWithColor(const QColor& tintColor)
{
    auto transformer = std::make_shared<ILImageTintTransformer>();
    transformer->tintColor_ = tintColor;
    return transformer;
}

foundation::Ref<foundation::String> ILImageTintTransformer::transformerKey() const
{
    return foundation::String::stringWithFormat("ILImageTintTransformer(%@)", il_hexTextOrNil(tintColor_));
}

foundation::Ref<graphics::Image> ILImageTintTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>&) const
{
    return image ? il_tintedImageWithColor(image, tintColor_) : nullptr;
}
