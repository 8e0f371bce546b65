#include "Lib/ImageLoading/ILImageCroppingTransformer.h"

#include "Lib/ImageLoading/ILImageTransform.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImageCroppingTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageCroppingTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImageCroppingTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImageCroppingTransformer> ILImageCroppingTransformer::transformerWithRect(
    const QRectF& rect)
{
    auto transformer = std::make_shared<ILImageCroppingTransformer>();
    transformer->rect_ = rect;
    return transformer;
}

foundation::Ref<foundation::String> ILImageCroppingTransformer::transformerKey() const
{
    return foundation::String::stringWithFormat(
        "ILImageCroppingTransformer({%f,%f,%f,%f})", rect_.x(), rect_.y(), rect_.width(), rect_.height());
}

foundation::Ref<graphics::Image> ILImageCroppingTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>&) const
{
    return image ? il_croppedImageWithRect(image, rect_) : nullptr;
}
