#include "Lib/ImageLoading/ILImageFlippingTransformer.h"

#include "Lib/ImageLoading/ILImageTransform.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImageFlippingTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageFlippingTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImageFlippingTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImageFlippingTransformer> ILImageFlippingTransformer::transformerWithHorizontal(
    bool horizontal, bool vertical)
{
    auto transformer = std::make_shared<ILImageFlippingTransformer>();
    transformer->horizontal_ = horizontal;
    transformer->vertical_ = vertical;
    return transformer;
}

foundation::Ref<foundation::String> ILImageFlippingTransformer::transformerKey() const
{
    return foundation::String::stringWithFormat("ILImageFlippingTransformer(%d,%d)", horizontal_, vertical_);
}

foundation::Ref<graphics::Image> ILImageFlippingTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>&) const
{
    return image ? il_flippedImageWithHorizontal(image, horizontal_, vertical_) : nullptr;
}
