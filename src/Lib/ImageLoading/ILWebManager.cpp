#include "Lib/ImageLoading/ILWebManager.h"

#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageLoader.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILImageTransformer.h"
#include "Lib/ImageLoading/ILTransformedCacheKey.h"
#include "Lib/ImageLoading/ILWebCacheKeyFilterProtocol.h"
#include "Lib/ImageLoading/ILWebCacheSerializer.h"
#include "Lib/ImageLoading/ILWebCombinedOperation.h"
#include "Lib/ImageLoading/ILWebDownloader.h"
#include "Lib/ImageLoading/ILWebOptionsResult.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"

using foundation::Data;
using foundation::Id;
using foundation::Ref;

namespace {

foundation::Atomic<std::shared_ptr<ILImageCacheProtocol>>& defaultCacheSlot()
{
    static foundation::Atomic<std::shared_ptr<ILImageCacheProtocol>> slot;
    return slot;
}

foundation::Atomic<std::shared_ptr<ILImageLoader>>& defaultLoaderSlot()
{
    static foundation::Atomic<std::shared_ptr<ILImageLoader>> slot;
    return slot;
}

Ref<foundation::Error> invalidURLError()
{
    return ILWebMakeError(ILWebErrorInvalidURL, "Image url is nil");
}

ILCacheType cacheTypeOf(const ILContext& context, std::string_view key, ILCacheType fallback)
{
    const Id value = context ? context->objectForKey(key) : Id();
    return value.number() ? static_cast<ILCacheType>(value.integerValue()) : fallback;
}

} // namespace

std::shared_ptr<ILImageCacheProtocol> ILWebManager::defaultImageCache()
{
    return defaultCacheSlot().get();
}

void ILWebManager::setDefaultImageCache(std::shared_ptr<ILImageCacheProtocol> cache)
{
    defaultCacheSlot().set(std::move(cache));
}

std::shared_ptr<ILImageLoader> ILWebManager::defaultImageLoader()
{
    return defaultLoaderSlot().get();
}

void ILWebManager::setDefaultImageLoader(std::shared_ptr<ILImageLoader> loader)
{
    defaultLoaderSlot().set(std::move(loader));
}

std::shared_ptr<ILWebManager> ILWebManager::sharedManager()
{
    static const auto manager = create();
    return manager;
}

std::shared_ptr<ILWebManager> ILWebManager::create(
    std::shared_ptr<ILImageCacheProtocol> cache, std::shared_ptr<ILImageLoader> loader)
{
    if (!cache)
        cache = defaultImageCache();
    if (!cache)
        cache = ILImageCache::sharedImageCache();
    if (!loader)
        loader = defaultImageLoader();
    if (!loader)
        loader = ILWebDownloader::sharedDownloader();
    return std::make_shared<ILWebManager>(std::move(cache), std::move(loader));
}

ILWebManager::ILWebManager(std::shared_ptr<ILImageCacheProtocol> cache, std::shared_ptr<ILImageLoader> loader)
    : imageCache_(std::move(cache))
    , imageLoader_(std::move(loader))
{
}

std::shared_ptr<ILWebManager> ILWebManager::self()
{
    return std::static_pointer_cast<ILWebManager>(shared_from_this());
}

ILCacheKey ILWebManager::cacheKeyForURL(const Ref<foundation::URL>& url) const
{
    return cacheKeyForURL(url, cacheKeyFilter());
}

ILCacheKey ILWebManager::cacheKeyForURL(
    const Ref<foundation::URL>& url, const Ref<ILWebCacheKeyFilterProtocol>& filter) const
{
    if (!url)
        return foundation::String::create("");
    if (filter)
        return filter->cacheKeyForURL(url);
    return foundation::String::create(url->absoluteString());
}

std::shared_ptr<ILWebCombinedOperation> ILWebManager::loadImageWithURL(const Ref<foundation::URL>& url,
    ILLoadOptions options, ILImageLoaderProgressBlock progress, ILInternalCompletionBlock completed)
{
    return loadImageWithURL(url, options, nullptr, std::move(progress), std::move(completed));
}

std::shared_ptr<ILWebCombinedOperation> ILWebManager::loadImageWithURL(std::string_view url,
    ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
    ILInternalCompletionBlock completed)
{
    return loadImageWithURL(
        foundation::URL::URLWithString(url), options, context, std::move(progress), std::move(completed));
}

std::shared_ptr<ILWebCombinedOperation> ILWebManager::loadImageWithURL(const Ref<foundation::URL>& url,
    ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
    ILInternalCompletionBlock completed)
{
    auto operation = std::make_shared<ILWebCombinedOperation>();
    operation->setManager(self());
    const bool failed = url && isFailedURL(url);
    if (!url || url->absoluteString().empty() || (failed && !(options & ILLoadRetryFailed))) {
        callCompletion(completed, nullptr, nullptr, invalidURLError(), ILCacheTypeNone, true, url);
        return operation;
    }
    {
        std::lock_guard lock(runningOperationsLock_);
        runningOperations_.insert(operation);
    }
    const auto result = processedResultForURL(url, options, context);
    callCacheProcess(operation, url, result->options(), result->context(), progress, completed);
    return operation;
}

bool ILWebManager::isFailedURL(const Ref<foundation::URL>& url) const
{
    std::lock_guard lock(failedURLsLock_);
    return url && failedURLs_.contains(url->absoluteString());
}

std::shared_ptr<ILWebOptionsResult> ILWebManager::processedResultForURL(
    const Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context) const
{
    auto merged = foundation::MutableDictionary::create();
    const auto addDefault = [&](std::string_view key, Id value) {
        if (value && !(context && context->containsKey(key)))
            merged->setObject(value, Id(key));
    };
    addDefault(ILWebContextImageTransformer, Id(transformer()));
    addDefault(ILWebContextCacheKeyFilter, Id(cacheKeyFilter()));
    addDefault(ILWebContextCacheSerializer, Id(cacheSerializer()));
    ILContext mergedContext = context;
    if (!merged->empty()) {
        if (context)
            merged->addEntriesFromDictionary(*context);
        mergedContext = std::dynamic_pointer_cast<foundation::Dictionary>(merged->copy());
    }
    if (const auto processor = optionsProcessor())
        if (auto result = processor->processedResultForURL(url, options, mergedContext))
            return result;
    return std::make_shared<ILWebOptionsResult>(options, mergedContext);
}

void ILWebManager::callCacheProcess(const std::shared_ptr<ILWebCombinedOperation>& operation,
    const Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context,
    const ILImageLoaderProgressBlock& progress, const ILInternalCompletionBlock& completed)
{
    if (options & ILLoadFromLoaderOnly) {
        callDownloadProcess(
            operation, url, options, context, nullptr, nullptr, ILCacheTypeNone, progress, completed);
        return;
    }
    const auto filter = context
        ? context->objectForKey(ILWebContextCacheKeyFilter).as<ILWebCacheKeyFilterProtocol>()
        : nullptr;
    // The cache finds the copy for the context's thumbnail box and transformer itself.
    const ILCacheKey key = cacheKeyForURL(url, filter);
    std::weak_ptr<ILWebCombinedOperation> weakOperation = operation;
    std::weak_ptr<ILWebManager> weakSelf = self();
    auto query = imageCache_->queryImageForKey(key, options, context,
        [weakSelf, weakOperation, url, options, context, progress, completed](
            const ILImageRef& image, const Ref<Data>& data, ILCacheType cacheType) {
            auto strongOperation = weakOperation.lock();
            auto strongSelf = weakSelf.lock();
            if (!strongOperation || !strongSelf || strongOperation->isCancelled()) {
                callCompletion(completed, nullptr, nullptr, ILWebMakeError(ILWebErrorCancelled),
                    ILCacheTypeNone, true, url);
                if (strongSelf)
                    strongSelf->safelyRemoveOperationFromRunning(strongOperation);
                return;
            }
            strongSelf->callDownloadProcess(
                strongOperation, url, options, context, image, data, cacheType, progress, completed);
        });
    operation->setCacheOperation(std::move(query));
}

void ILWebManager::callDownloadProcess(const std::shared_ptr<ILWebCombinedOperation>& operation,
    const Ref<foundation::URL>& url, ILLoadOptions options, ILContext context, const ILImageRef& cachedImage,
    const Ref<Data>& cachedData, ILCacheType cacheType, const ILImageLoaderProgressBlock& progress,
    const ILInternalCompletionBlock& completed)
{
    bool shouldDownload
        = !(options & ILLoadFromCacheOnly) && (!cachedImage || (options & ILLoadRefreshCached));
    if (shouldDownload)
        if (const auto delegate = this->delegate())
            shouldDownload = delegate->imageManagerShouldDownloadImageForURL(*this, url).value_or(true);
    shouldDownload = shouldDownload && imageLoader_->canRequestImageForURL(url);
    if (!shouldDownload) {
        callCompletion(completed, cachedImage, cachedData, nullptr, cachedImage ? cacheType : ILCacheTypeNone,
            true, url);
        safelyRemoveOperationFromRunning(operation);
        return;
    }
    if (cachedImage && (options & ILLoadRefreshCached)) {
        // The requester gets the cached image now and the downloaded one after the refresh.
        callCompletion(completed, cachedImage, cachedData, nullptr, cacheType, true, url);
        auto copied = context ? foundation::MutableDictionary::dictionaryWithDictionary(*context)
                              : foundation::MutableDictionary::create();
        copied->setObject(Id(cachedImage), Id(ILWebContextLoaderCachedImage));
        context = std::dynamic_pointer_cast<foundation::Dictionary>(copied->copy());
    }
    std::weak_ptr<ILWebCombinedOperation> weakOperation = operation;
    std::weak_ptr<ILWebManager> weakSelf = self();
    const bool hadCachedImage = cachedImage != nullptr;
    auto request = imageLoader_->requestImageWithURL(url, options, context, progress,
        [weakSelf, weakOperation, url, options, context, completed, hadCachedImage](const ILImageRef& image,
            const Ref<Data>& data, const Ref<foundation::Error>& error, bool finished) {
            auto strongOperation = weakOperation.lock();
            auto strongSelf = weakSelf.lock();
            if (!strongOperation || !strongSelf || strongOperation->isCancelled()) {
                callCompletion(completed, nullptr, nullptr, ILWebMakeError(ILWebErrorCancelled),
                    ILCacheTypeNone, true, url);
            } else if (hadCachedImage && (options & ILLoadRefreshCached)
                && ILWebErrorIs(error, ILWebErrorCacheNotModified)) {
                // The cached copy is current and the requester has it already.
            } else if (ILWebErrorIs(error, ILWebErrorCancelled)) {
                callCompletion(completed, nullptr, nullptr, error, ILCacheTypeNone, finished, url);
            } else if (error) {
                callCompletion(completed, nullptr, nullptr, error, ILCacheTypeNone, finished, url);
                if (strongSelf->shouldBlockFailedURL(url, error)) {
                    std::lock_guard lock(strongSelf->failedURLsLock_);
                    strongSelf->failedURLs_.insert(url->absoluteString());
                }
            } else {
                if (options & ILLoadRetryFailed) {
                    std::lock_guard lock(strongSelf->failedURLsLock_);
                    strongSelf->failedURLs_.erase(url->absoluteString());
                }
                strongSelf->callStoreCacheProcess(
                    strongOperation, url, options, context, image, data, finished, completed);
            }
            if (finished && strongSelf)
                strongSelf->safelyRemoveOperationFromRunning(strongOperation);
        });
    operation->setLoaderOperation(std::move(request));
}

void ILWebManager::callStoreCacheProcess(const std::shared_ptr<ILWebCombinedOperation>&,
    const Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context,
    const ILImageRef& downloadedImage, const Ref<Data>& downloadedData, bool finished,
    const ILInternalCompletionBlock& completed)
{
    const ILCacheType storeType = cacheTypeOf(context, ILWebContextStoreCacheType, ILCacheTypeAll);
    const ILCacheType originalStoreType
        = cacheTypeOf(context, ILWebContextOriginalStoreCacheType, ILCacheTypeNone);
    const auto filter = context
        ? context->objectForKey(ILWebContextCacheKeyFilter).as<ILWebCacheKeyFilterProtocol>()
        : nullptr;
    // The downloaded image is stored for the load's context (the cache keeps an image decoded to a
    // thumbnail box apart from the file); a transformed one under the key marked with the box.
    const ILCacheKey key = cacheKeyForURL(url, filter);
    const ILCacheKey markedKey = ILThumbnailedCacheKey(key, context);
    const auto transformer
        = context ? context->objectForKey(ILWebContextImageTransformer).as<ILImageTransformer>() : nullptr;
    const auto serializer = context
        ? context->objectForKey(ILWebContextCacheSerializer).as<ILWebCacheSerializerProtocol>()
        : nullptr;
    const bool transform = downloadedImage && transformer
        && (!il_isAnimated(downloadedImage) || (options & ILLoadTransformAnimatedImage));
    const auto diskInvolved
        = [](ILCacheType type) { return type == ILCacheTypeDisk || type == ILCacheTypeAll; };

    // An image whose data was cut short is shown but kept in no cache: the next view fetches it again.
    const bool whole = finished && !il_isIncremental(downloadedImage);
    if (downloadedImage && whole) {
        const ILCacheType targetType = transform ? originalStoreType : storeType;
        if (serializer && diskInvolved(targetType)) {
            dispatch::globalQueue(dispatch::Priority::High)
                .async([cache = imageCache_, serializer, downloadedImage, downloadedData, url, key,
                           targetType, context] {
                    const auto data = serializer->cacheDataWithImage(downloadedImage, downloadedData, url);
                    cache->storeImageForLoad(downloadedImage, data, key, targetType, context, nullptr);
                });
        } else {
            imageCache_->storeImageForLoad(
                downloadedImage, downloadedData, key, targetType, context, nullptr);
        }
    }
    if (!transform) {
        callCompletion(completed, downloadedImage, downloadedData, nullptr, ILCacheTypeNone, finished, url);
        return;
    }
    dispatch::globalQueue(dispatch::Priority::High)
        .async([cache = imageCache_, transformer, serializer, downloadedImage, downloadedData, url,
                   key = markedKey, storeType, finished, whole, completed, diskInvolved] {
            const ILImageRef transformed = transformer->transformedImageWithImage(downloadedImage, key);
            if (transformed && whole) {
                const ILCacheKey transformedKey = ILTransformedCacheKey(key, transformer->transformerKey());
                // The downloaded bytes describe the transformed image only when it is the same image.
                const bool same = transformed == downloadedImage;
                Ref<Data> data;
                if (serializer && diskInvolved(storeType))
                    data = serializer->cacheDataWithImage(transformed, same ? downloadedData : nullptr, url);
                else if (same)
                    data = downloadedData;
                cache->storeImage(transformed, data, transformedKey, storeType, nullptr);
            }
            callCompletion(completed, transformed, downloadedData, nullptr, ILCacheTypeNone, finished, url);
        });
}

void ILWebManager::callCompletion(const ILInternalCompletionBlock& completed, const ILImageRef& image,
    const Ref<Data>& data, const Ref<foundation::Error>& error, ILCacheType cacheType, bool finished,
    const Ref<foundation::URL>& url)
{
    if (!completed)
        return;
    ILDispatchMainAsyncSafe([completed, image, data, error, cacheType, finished, url] {
        completed(image, data, error, cacheType, finished, url);
    });
}

bool ILWebManager::shouldBlockFailedURL(const Ref<foundation::URL>& url, const Ref<foundation::Error>& error)
{
    if (const auto delegate = this->delegate())
        if (const auto answer = delegate->imageManagerShouldBlockFailedURL(*this, url, error))
            return *answer;
    return imageLoader_->shouldBlockFailedURLWithURL(url, error);
}

void ILWebManager::safelyRemoveOperationFromRunning(const std::shared_ptr<ILWebCombinedOperation>& operation)
{
    if (!operation)
        return;
    std::lock_guard lock(runningOperationsLock_);
    runningOperations_.erase(operation);
}

void ILWebManager::cancelAll()
{
    std::set<std::shared_ptr<ILWebCombinedOperation>> copy;
    {
        std::lock_guard lock(runningOperationsLock_);
        copy = runningOperations_;
    }
    for (const auto& operation : copy)
        operation->cancel();
}

bool ILWebManager::isRunning() const
{
    std::lock_guard lock(runningOperationsLock_);
    return !runningOperations_.empty();
}
