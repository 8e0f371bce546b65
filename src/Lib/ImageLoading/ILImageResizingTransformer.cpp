#include "Lib/ImageLoading/ILImageResizingTransformer.h"

#include "Lib/ImageLoading/ILImageTransform.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImageResizingTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageResizingTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImageResizingTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImageResizingTransformer> ILImageResizingTransformer::transformerWithSize(
    const QSizeF& size, ILScaleMode scaleMode)
{
    auto transformer = std::make_shared<ILImageResizingTransformer>();
    transformer->size_ = size;
    transformer->scaleMode_ = scaleMode;
    return transformer;
}

foundation::Ref<foundation::String> ILImageResizingTransformer::transformerKey() const
{
    return foundation::String::stringWithFormat("ILImageResizingTransformer({%f,%f},%lu)", size_.width(),
        size_.height(), static_cast<unsigned long>(scaleMode_));
}

foundation::Ref<graphics::Image> ILImageResizingTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>&) const
{
    return image ? il_resizedImageWithSize(image, size_, scaleMode_) : nullptr;
}
