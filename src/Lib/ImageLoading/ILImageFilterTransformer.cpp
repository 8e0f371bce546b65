#include "Lib/ImageLoading/ILImageFilterTransformer.h"

#include "Lib/ImageLoading/ILImageFilter.h"
#include "Lib/ImageLoading/ILImageTransform.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImageFilterTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageFilterTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImageFilterTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImageFilterTransformer> ILImageFilterTransformer::transformerWithFilter(
    const std::shared_ptr<ILImageFilter>& filter)
{
    auto transformer = std::make_shared<ILImageFilterTransformer>();
    transformer->filter_ = filter;
    return transformer;
}

foundation::Ref<foundation::String> ILImageFilterTransformer::transformerKey() const
{
    return foundation::String::stringWithFormat(
        "ILImageFilterTransformer(%@)", filter_ ? foundation::Id(filter_->name()) : foundation::Id());
}

foundation::Ref<graphics::Image> ILImageFilterTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>&) const
{
    return image ? il_filteredImageWithFilter(image, filter_) : nullptr;
}
