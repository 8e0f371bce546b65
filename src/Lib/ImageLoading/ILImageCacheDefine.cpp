#include "Lib/ImageLoading/ILImageCacheDefine.h"

#include "Lib/ImageLoading/ILImageThumbnail.h"

namespace {

struct BitPair {
    ILLoadOptions load;
    ILCacheQueryOptions query;
};

constexpr BitPair kPairs[] = {
    { ILLoadQueryMemoryData, ILCacheQueryMemoryData },
    { ILLoadQueryMemoryDataSync, ILCacheQueryMemoryDataSync },
    { ILLoadQueryDiskDataSync, ILCacheQueryDiskDataSync },
    { ILLoadScaleDownLargeImages, ILCacheScaleDownLargeImages },
    { ILLoadAvoidDecodeImage, ILCacheAvoidDecodeImage },
    { ILLoadDecodeFirstFrameOnly, ILCacheDecodeFirstFrameOnly },
    { ILLoadPreloadAllFrames, ILCachePreloadAllFrames },
    { ILLoadMatchAnimatedImageClass, ILCacheMatchAnimatedImageClass },
};

} // namespace

ILCacheQueryOptions ILCacheQueryOptionsFromLoadOptions(ILLoadOptions options)
{
    ILCacheQueryOptions result = 0;
    for (const auto& pair : kPairs)
        if (options & pair.load)
            result |= pair.query;
    return result;
}

ILLoadOptions ILImageOptionsFromCacheOptions(ILCacheQueryOptions options)
{
    ILLoadOptions result = 0;
    for (const auto& pair : kPairs)
        if ((options & pair.query) && pair.query >= ILCacheScaleDownLargeImages)
            result |= pair.load;
    return result;
}

void ILImageCacheProtocol::storeImageForLoad(const ILImageRef& image,
    const foundation::Ref<foundation::Data>& imageData, const ILCacheKey& key, ILCacheType cacheType,
    const ILContext& context, ILWebNoParamsBlock completion)
{
    storeImage(image, imageData, ILThumbnailedCacheKey(key, context), cacheType, std::move(completion));
}
