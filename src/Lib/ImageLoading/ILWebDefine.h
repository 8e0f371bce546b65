#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace foundation {
class Data;
class Dictionary;
class Error;
class URL;
} // namespace foundation
namespace graphics {
class Image;
}

// Option bits of one image load. The same value passes from a view through the manager to the
// cache (as query options) and the loader (as download options).
using ILLoadOptions = unsigned long;
enum : ILLoadOptions {
    ILLoadRetryFailed = 0x1, // load a URL in the failed set; a success removes it
    ILLoadLowPriority = 0x2,
    ILLoadProgressiveLoad = 0x4, // partial images while downloading
    ILLoadRefreshCached = 0x8, // deliver the cached image, then download again
    ILLoadContinueInBackground = 0x10,
    ILLoadHandleCookies = 0x20,
    ILLoadAllowInvalidSSLCertificates = 0x40,
    ILLoadHighPriority = 0x80,
    ILLoadDelayPlaceholder = 0x100, // the placeholder only when the load ends without image
    ILLoadTransformAnimatedImage = 0x200,
    ILLoadAvoidAutoSetImage = 0x400, // the view is not changed; every result reaches the caller
    ILLoadScaleDownLargeImages = 0x800,
    ILLoadQueryMemoryData = 0x1000,
    ILLoadQueryMemoryDataSync = 0x2000,
    ILLoadQueryDiskDataSync = 0x4000,
    ILLoadFromCacheOnly = 0x8000,
    ILLoadFromLoaderOnly = 0x10000,
    ILLoadForceTransition = 0x20000,
    ILLoadAvoidDecodeImage = 0x40000,
    ILLoadDecodeFirstFrameOnly = 0x80000,
    ILLoadPreloadAllFrames = 0x100000,
    ILLoadMatchAnimatedImageClass = 0x200000,
};

// Where an image came from, or where to store one. Other values may reach the stores and mean
// "nowhere".
enum ILCacheType : long {
    ILCacheTypeNone = 0,
    ILCacheTypeDisk = 1,
    ILCacheTypeMemory = 2,
    ILCacheTypeAll = 3,
};

// The keys of a load's context dictionary.
inline constexpr std::string_view ILWebContextSetImageOperationKey = "setImageOperationKey";
inline constexpr std::string_view ILWebContextCustomManager = "customManager";
inline constexpr std::string_view ILWebContextImageTransformer = "imageTransformer";
inline constexpr std::string_view ILWebContextImageScaleFactor = "imageScaleFactor";
inline constexpr std::string_view ILWebContextStoreCacheType = "storeCacheType";
inline constexpr std::string_view ILWebContextOriginalStoreCacheType = "originalStoreCacheType";
inline constexpr std::string_view ILWebContextAnimatedImageClass = "animatedImageClass";
inline constexpr std::string_view ILWebContextDownloadRequestModifier = "downloadRequestModifier";
inline constexpr std::string_view ILWebContextCacheKeyFilter = "cacheKeyFilter";
inline constexpr std::string_view ILWebContextCacheSerializer = "cacheSerializer";
inline constexpr std::string_view ILWebContextLoaderCachedImage = "loaderCachedImage";
// The box an image is drawn in and whether it covers it: see ILImageThumbnail.h.
inline constexpr std::string_view ILWebContextImageThumbnailPixelSize = "imageThumbnailPixelSize";
inline constexpr std::string_view ILWebContextImageThumbnailFill = "imageThumbnailFill";

inline constexpr std::string_view ILWebErrorDomain = "ILWebErrorDomain";
enum ILWebErrorCode : long long {
    ILWebErrorInvalidURL = 1000,
    ILWebErrorBadImageData = 1001,
    ILWebErrorCacheNotModified = 1002,
    ILWebErrorInvalidDownloadOperation = 2000,
    ILWebErrorInvalidDownloadStatusCode = 2001,
    ILWebErrorCancelled = 2002,
};
inline constexpr std::string_view ILWebErrorDownloadStatusCodeKey = "ILWebErrorDownloadStatusCodeKey";

// An "ILWebErrorDomain" error; with a description it carries NSLocalizedDescription, else no
// user info.
foundation::Ref<foundation::Error> ILWebMakeError(ILWebErrorCode code, std::string_view description = {});
// Whether `error` is of "ILWebErrorDomain" with that code.
bool ILWebErrorIs(const foundation::Ref<foundation::Error>& error, ILWebErrorCode code);

// Something an image load runs that can be cancelled: the manager's combined operation, a
// download token, a cache query. Cancelling twice is harmless. Thread-safe.
class ILWebOperation {
public:
    virtual ~ILWebOperation() = default;
    virtual void cancel() = 0;
};

using ILImageRef = foundation::Ref<graphics::Image>;
using ILContext = foundation::Ref<foundation::Dictionary>;

// Block shapes shared by the manager, the loaders and the views.
using ILImageLoaderProgressBlock = std::function<void(
    std::int64_t receivedSize, std::int64_t expectedSize, const foundation::Ref<foundation::URL>& targetURL)>;
using ILImageLoaderCompletedBlock
    = std::function<void(const ILImageRef& image, const foundation::Ref<foundation::Data>& data,
        const foundation::Ref<foundation::Error>& error, bool finished)>;
using ILInternalCompletionBlock = std::function<void(const ILImageRef& image,
    const foundation::Ref<foundation::Data>& data, const foundation::Ref<foundation::Error>& error,
    ILCacheType cacheType, bool finished, const foundation::Ref<foundation::URL>& imageURL)>;

// The main-queue rule of image loading: runs `block` at once when the caller is on the main
// queue, else posts it there.
void ILDispatchMainAsyncSafe(std::function<void()> block);
