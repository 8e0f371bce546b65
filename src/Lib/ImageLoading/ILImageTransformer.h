#pragma once

#include "Platform/Foundation/Object.h"

namespace foundation {
class String;
}
namespace graphics {
class Image;
}

// Makes a new image from a downloaded one (rounded, resized, cropped, flipped, rotated, tinted,
// blurred or filtered). The manager stores the result under ILTransformedCacheKey(key,
// transformerKey()), so the key must name the transform and every parameter that changes it.
//
// Transformers are objects of the object model so that a load's context can carry one. They are
// called from global queues: configure one before handing it out; after that every method may be
// called from any thread.
class ILImageTransformer : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    virtual foundation::Ref<foundation::String> transformerKey() const = 0;
    // The new image, or nil; nil for a nil image. The key is the load's cache key.
    virtual foundation::Ref<graphics::Image> transformedImageWithImage(
        const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const = 0;

protected:
    ILImageTransformer() = default;
};
