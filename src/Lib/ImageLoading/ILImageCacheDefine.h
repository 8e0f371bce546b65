#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <functional>
#include <memory>

namespace foundation {
class String;
}

// A cache key: the manager's key for a URL (its absolute string, or a key filter's answer).
using ILCacheKey = foundation::Ref<foundation::String>;

// Option bits of a cache query, made from the load options.
using ILCacheQueryOptions = unsigned long;
enum : ILCacheQueryOptions {
    ILCacheQueryMemoryData = 0x1, // also read the disk data when memory has the image
    ILCacheQueryMemoryDataSync = 0x2, // that disk read runs synchronously
    ILCacheQueryDiskDataSync = 0x4, // the disk query runs synchronously
    ILCacheScaleDownLargeImages = 0x8,
    ILCacheAvoidDecodeImage = 0x10,
    ILCacheDecodeFirstFrameOnly = 0x20, // an animated memory hit is replaced by a still image
    ILCachePreloadAllFrames = 0x40,
    ILCacheMatchAnimatedImageClass = 0x80, // a memory hit must be of the context's animated class
};

ILCacheQueryOptions ILCacheQueryOptionsFromLoadOptions(ILLoadOptions options);
// The load options the decoders read (bits 0x8 to 0x80 back to 0x800 ... 0x200000).
ILLoadOptions ILImageOptionsFromCacheOptions(ILCacheQueryOptions options);

using ILImageCacheQueryCompletionBlock = std::function<void(
    const ILImageRef& image, const foundation::Ref<foundation::Data>& data, ILCacheType cacheType)>;
using ILImageCacheContainsCompletionBlock = std::function<void(ILCacheType containsCacheType)>;
using ILWebNoParamsBlock = std::function<void()>;

// What the manager asks of an image cache (the cache, or a caches manager over several).
// Completions run on the main queue or the cache's own queue, as each implementation says.
class ILImageCacheProtocol {
public:
    virtual ~ILImageCacheProtocol() = default;

    // The image for a key (memory, then disk); nil when the answer came at once. The context may
    // name the copy wanted (a transformer's, a thumbnail box's) of the image under the key.
    virtual std::shared_ptr<ILWebOperation> queryImageForKey(const ILCacheKey& key, ILLoadOptions options,
        const ILContext& context, ILImageCacheQueryCompletionBlock completion)
        = 0;
    // Cache type 0 stores nowhere, 1 disk only, 2 memory only, 3 both; other values only complete.
    virtual void storeImage(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
        const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion)
        = 0;
    // Stores what a load got: `key` is the load's own key, as its query was given, and `context` its
    // context. When the context names a thumbnail box the image is decoded to that box while the data
    // is the file as downloaded; a cache that decodes its disk hits for the query's context keeps the
    // image under the key marked with the box (ILThumbnailedCacheKey) and the data under the key
    // itself, so a load at another box finds the file. By default both go under the marked key.
    virtual void storeImageForLoad(const ILImageRef& image,
        const foundation::Ref<foundation::Data>& imageData, const ILCacheKey& key, ILCacheType cacheType,
        const ILContext& context, ILWebNoParamsBlock completion);
    virtual void removeImageForKey(
        const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion)
        = 0;
    virtual void containsImageForKey(
        const ILCacheKey& key, ILCacheType cacheType, ILImageCacheContainsCompletionBlock completion)
        = 0;
    virtual void clearWithCacheType(ILCacheType cacheType, ILWebNoParamsBlock completion) = 0;
};
