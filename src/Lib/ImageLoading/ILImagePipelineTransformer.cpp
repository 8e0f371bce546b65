#include "Lib/ImageLoading/ILImagePipelineTransformer.h"

#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

const foundation::Class* ILImagePipelineTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImagePipelineTransformer", ILImageTransformer::classObject());
    return cls;
}

const foundation::Class* ILImagePipelineTransformer::isa() const
{
    return classObject();
}

foundation::Ref<ILImagePipelineTransformer> ILImagePipelineTransformer::transformerWithTransformers(
    Transformers transformers)
{
    auto pipeline = std::make_shared<ILImagePipelineTransformer>();
    pipeline->setTransformers(std::move(transformers));
    return pipeline;
}

ILImagePipelineTransformer::Transformers ILImagePipelineTransformer::transformers() const
{
    std::lock_guard lock(mutex_);
    return transformers_;
}

void ILImagePipelineTransformer::setTransformers(Transformers transformers)
{
    std::erase(transformers, nullptr);
    foundation::Ref<foundation::String> key = cacheKeyForTransformers(transformers);
    std::lock_guard lock(mutex_);
    transformers_ = std::move(transformers);
    transformerKey_ = std::move(key);
}

foundation::Ref<foundation::String> ILImagePipelineTransformer::transformerKey() const
{
    std::lock_guard lock(mutex_);
    return transformerKey_ ? transformerKey_ : foundation::String::empty();
}

foundation::Ref<graphics::Image> ILImagePipelineTransformer::transformedImageWithImage(
    const foundation::Ref<graphics::Image>& image, const foundation::Ref<foundation::String>& key) const
{
    if (!image)
        return nullptr;
    foundation::Ref<graphics::Image> result = image;
    for (const auto& transformer : transformers()) {
        result = transformer->transformedImageWithImage(result, key);
        if (!result)
            return nullptr;
    }
    return result;
}

foundation::Ref<foundation::String> ILImagePipelineTransformer::cacheKeyForTransformers(
    const Transformers& transformers)
{
    std::string key;
    bool first = true;
    for (const auto& transformer : transformers) {
        if (!transformer)
            continue;
        if (!first)
            key += '-';
        first = false;
        const foundation::Ref<foundation::String> memberKey = transformer->transformerKey();
        key += memberKey ? memberKey->utf8() : std::string();
    }
    return foundation::String::create(std::move(key));
}
