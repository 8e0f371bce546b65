#include "Lib/ImageLoading/ILImageRotationTransformer.h"

#include "Lib/ImageLoading/ILImageTransform.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImageRotationTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageRotationTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImageRotationTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImageRotationTransformer> ILImageRotationTransformer::transformerWithAngle(
    double angle, bool fitSize)
{
    auto transformer = std::make_shared<ILImageRotationTransformer>();
    transformer->angle_ = angle;
    transformer->fitSize_ = fitSize;
    return transformer;
}

foundation::Ref<foundation::String> ILImageRotationTransformer::transformerKey() const
{
    return foundation::String::stringWithFormat("ILImageRotationTransformer(%f,%d)", angle_, fitSize_);
}

foundation::Ref<graphics::Image> ILImageRotationTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>&) const
{
    return image ? il_rotatedImageWithAngle(image, angle_, fitSize_) : nullptr;
}
