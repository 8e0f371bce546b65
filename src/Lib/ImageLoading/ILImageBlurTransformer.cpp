#include "Lib/ImageLoading/ILImageBlurTransformer.h"

#include "Lib/ImageLoading/ILImageTransform.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImageBlurTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageBlurTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImageBlurTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImageBlurTransformer> ILImageBlurTransformer::transformerWithRadius(double blurRadius)
{
    auto transformer = std::make_shared<ILImageBlurTransformer>();
    transformer->blurRadius_ = blurRadius;
    return transformer;
}

foundation::Ref<foundation::String> ILImageBlurTransformer::transformerKey() const
{
    return foundation::String::stringWithFormat("ILImageBlurTransformer(%f)", blurRadius_);
}

foundation::Ref<graphics::Image> ILImageBlurTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>&) const
{
    return image ? il_blurredImageWithRadius(image, blurRadius_) : nullptr;
}
