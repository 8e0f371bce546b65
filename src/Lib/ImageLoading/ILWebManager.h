#pragma once

#include "Lib/ImageLoading/ILImageCacheDefine.h"
#include "Platform/Foundation/Atomic.h"

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>

class ILImageLoader;
class ILImageTransformer;
class ILWebCacheKeyFilterProtocol;
class ILWebCacheSerializerProtocol;
class ILWebCombinedOperation;
class ILWebManager;
class ILWebOptionsProcessorProtocol;
class ILWebOptionsResult;

// Optional answers to the manager; nullopt means "no opinion" (the platform's unimplemented
// method): the manager then downloads, and asks its loader whether to block a failed URL.
class ILWebManagerDelegate {
public:
    virtual ~ILWebManagerDelegate() = default;
    virtual std::optional<bool> imageManagerShouldDownloadImageForURL(
        ILWebManager&, const foundation::Ref<foundation::URL>&)
    {
        return std::nullopt;
    }
    virtual std::optional<bool> imageManagerShouldBlockFailedURL(
        ILWebManager&, const foundation::Ref<foundation::URL>&, const foundation::Ref<foundation::Error>&)
    {
        return std::nullopt;
    }
};

// Turns a URL into an image: the cache first, then the loader, then the cache again to store the
// result, calling the requester back on the main queue (progress on the loader's queue). It keeps
// the URLs that failed for good, refused from then on unless a load asks to retry them, and the
// set of running loads.
//
// A load may start on any thread. The failed set and the running set have one lock each, never
// held together nor while calling out. An object of the object model, so a load's context can
// name another manager under "customManager".
class ILWebManager final : public foundation::Object {
public:
    static std::shared_ptr<ILWebManager> sharedManager();
    // With nil, the class defaults (else the shared image cache and the shared downloader).
    static std::shared_ptr<ILWebManager> create(std::shared_ptr<ILImageCacheProtocol> cache = nullptr,
        std::shared_ptr<ILImageLoader> loader = nullptr);
    static std::shared_ptr<ILImageCacheProtocol> defaultImageCache();
    static void setDefaultImageCache(std::shared_ptr<ILImageCacheProtocol> cache);
    static std::shared_ptr<ILImageLoader> defaultImageLoader();
    static void setDefaultImageLoader(std::shared_ptr<ILImageLoader> loader);

    const std::shared_ptr<ILImageCacheProtocol>& imageCache() const { return imageCache_; }
    const std::shared_ptr<ILImageLoader>& imageLoader() const { return imageLoader_; }
    std::shared_ptr<ILWebManagerDelegate> delegate() const { return delegate_.get().lock(); }
    void setDelegate(const std::shared_ptr<ILWebManagerDelegate>& delegate) { delegate_.set(delegate); }
    // Manager-wide defaults for the context keys "imageTransformer", "cacheKeyFilter" and
    // "cacheSerializer", and the options processor.
    foundation::Ref<ILImageTransformer> transformer() const { return transformer_.get(); }
    void setTransformer(foundation::Ref<ILImageTransformer> transformer)
    {
        transformer_.set(std::move(transformer));
    }
    foundation::Ref<ILWebCacheKeyFilterProtocol> cacheKeyFilter() const { return cacheKeyFilter_.get(); }
    void setCacheKeyFilter(foundation::Ref<ILWebCacheKeyFilterProtocol> filter)
    {
        cacheKeyFilter_.set(std::move(filter));
    }
    foundation::Ref<ILWebCacheSerializerProtocol> cacheSerializer() const { return cacheSerializer_.get(); }
    void setCacheSerializer(foundation::Ref<ILWebCacheSerializerProtocol> serializer)
    {
        cacheSerializer_.set(std::move(serializer));
    }
    std::shared_ptr<ILWebOptionsProcessorProtocol> optionsProcessor() const
    {
        return optionsProcessor_.get();
    }
    void setOptionsProcessor(std::shared_ptr<ILWebOptionsProcessorProtocol> processor)
    {
        optionsProcessor_.set(std::move(processor));
    }

    // The load's handle, also for a refused URL (that one never runs).
    std::shared_ptr<ILWebCombinedOperation> loadImageWithURL(const foundation::Ref<foundation::URL>& url,
        ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
        ILInternalCompletionBlock completed);
    std::shared_ptr<ILWebCombinedOperation> loadImageWithURL(const foundation::Ref<foundation::URL>& url,
        ILLoadOptions options, ILImageLoaderProgressBlock progress, ILInternalCompletionBlock completed);
    // A URL given as text (nil when it does not parse).
    std::shared_ptr<ILWebCombinedOperation> loadImageWithURL(std::string_view url, ILLoadOptions options,
        const ILContext& context, ILImageLoaderProgressBlock progress, ILInternalCompletionBlock completed);

    // "" for a nil URL; the filter's key, else the URL's absolute string. A load whose context
    // names a thumbnail box keeps its image in memory under that key marked with the box
    // (ILThumbnailedCacheKey) and the downloaded file on disk under the key itself, which a load
    // at any box decodes again to its own.
    ILCacheKey cacheKeyForURL(const foundation::Ref<foundation::URL>& url) const;
    ILCacheKey cacheKeyForURL(const foundation::Ref<foundation::URL>& url,
        const foundation::Ref<ILWebCacheKeyFilterProtocol>& filter) const;

    void cancelAll();
    bool isRunning() const;
    bool isFailedURL(const foundation::Ref<foundation::URL>& url) const;

    // Used by the combined operation's cancel.
    void safelyRemoveOperationFromRunning(const std::shared_ptr<ILWebCombinedOperation>& operation);

    ILWebManager(std::shared_ptr<ILImageCacheProtocol> cache, std::shared_ptr<ILImageLoader> loader);

private:
    std::shared_ptr<ILWebManager> self();
    std::shared_ptr<ILWebOptionsResult> processedResultForURL(
        const foundation::Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context) const;
    void callCacheProcess(const std::shared_ptr<ILWebCombinedOperation>& operation,
        const foundation::Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context,
        const ILImageLoaderProgressBlock& progress, const ILInternalCompletionBlock& completed);
    void callDownloadProcess(const std::shared_ptr<ILWebCombinedOperation>& operation,
        const foundation::Ref<foundation::URL>& url, ILLoadOptions options, ILContext context,
        const ILImageRef& cachedImage, const foundation::Ref<foundation::Data>& cachedData,
        ILCacheType cacheType, const ILImageLoaderProgressBlock& progress,
        const ILInternalCompletionBlock& completed);
    void callStoreCacheProcess(const std::shared_ptr<ILWebCombinedOperation>& operation,
        const foundation::Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context,
        const ILImageRef& downloadedImage, const foundation::Ref<foundation::Data>& downloadedData,
        bool finished, const ILInternalCompletionBlock& completed);
    static void callCompletion(const ILInternalCompletionBlock& completed, const ILImageRef& image,
        const foundation::Ref<foundation::Data>& data, const foundation::Ref<foundation::Error>& error,
        ILCacheType cacheType, bool finished, const foundation::Ref<foundation::URL>& url);
    bool shouldBlockFailedURL(
        const foundation::Ref<foundation::URL>& url, const foundation::Ref<foundation::Error>& error);

    const std::shared_ptr<ILImageCacheProtocol> imageCache_;
    const std::shared_ptr<ILImageLoader> imageLoader_;
    foundation::Atomic<std::weak_ptr<ILWebManagerDelegate>> delegate_;
    foundation::Atomic<foundation::Ref<ILImageTransformer>> transformer_;
    foundation::Atomic<foundation::Ref<ILWebCacheKeyFilterProtocol>> cacheKeyFilter_;
    foundation::Atomic<foundation::Ref<ILWebCacheSerializerProtocol>> cacheSerializer_;
    foundation::Atomic<std::shared_ptr<ILWebOptionsProcessorProtocol>> optionsProcessor_;

    mutable std::mutex failedURLsLock_;
    std::unordered_set<std::string> failedURLs_;
    mutable std::mutex runningOperationsLock_;
    std::set<std::shared_ptr<ILWebCombinedOperation>> runningOperations_;
};
