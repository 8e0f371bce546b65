#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <functional>

// Chooses the bytes the disk cache keeps for a downloaded (or transformed) image; a load's context
// carries one under "cacheSerializer". Called on a global queue.
class ILWebCacheSerializerProtocol : public foundation::Object {
public:
    virtual foundation::Ref<foundation::Data> cacheDataWithImage(const ILImageRef& image,
        const foundation::Ref<foundation::Data>& originalData,
        const foundation::Ref<foundation::URL>& imageURL) const = 0;

protected:
    ILWebCacheSerializerProtocol() = default;
};

// A cache serializer that answers with a block (nil without one).
class ILWebCacheSerializer final : public ILWebCacheSerializerProtocol {
public:
    using Block = std::function<foundation::Ref<foundation::Data>(const ILImageRef& image,
        const foundation::Ref<foundation::Data>& data, const foundation::Ref<foundation::URL>& imageURL)>;

    static foundation::Ref<ILWebCacheSerializer> cacheSerializerWithBlock(Block block);
    explicit ILWebCacheSerializer(Block block = {})
        : block_(std::move(block))
    {
    }
    foundation::Ref<foundation::Data> cacheDataWithImage(const ILImageRef& image,
        const foundation::Ref<foundation::Data>& originalData,
        const foundation::Ref<foundation::URL>& imageURL) const override;

private:
    const Block block_;
};
