#include "Lib/ImageLoading/ILWebCacheKeyFilter.h"
#include "Lib/ImageLoading/ILWebCacheSerializer.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

foundation::Ref<ILWebCacheKeyFilter> ILWebCacheKeyFilter::cacheKeyFilterWithBlock(Block block)
{
    return std::make_shared<ILWebCacheKeyFilter>(std::move(block));
}

foundation::Ref<foundation::String> ILWebCacheKeyFilter::cacheKeyForURL(
    const foundation::Ref<foundation::URL>& url) const
{
    return block_ ? block_(url) : nullptr;
}

foundation::Ref<ILWebCacheSerializer> ILWebCacheSerializer::cacheSerializerWithBlock(Block block)
{
    return std::make_shared<ILWebCacheSerializer>(std::move(block));
}

foundation::Ref<foundation::Data> ILWebCacheSerializer::cacheDataWithImage(const ILImageRef& image,
    const foundation::Ref<foundation::Data>& originalData,
    const foundation::Ref<foundation::URL>& imageURL) const
{
    return block_ ? block_(image, originalData, imageURL) : nullptr;
}
