#pragma once

#include "Lib/ImageLoading/ILImageCacheDefine.h"
#include "Platform/Dispatch/Once.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Atomic.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class ILDiskCacheProtocol;
class ILImageCacheConfig;
class ILMemoryCacheProtocol;
class QMetaObject;

// The two-level cache behind every image loaded by URL: decoded images in a memory cache and the
// downloaded files in a disk cache folder, "<cache folder>/com.tallowind.ILImageCache/<namespace>"
// for the shared cache. All disk work runs on the serial io queue "com.tallowind.ILImageCache";
// memory hits answer at once without it.
//
// Completions of asynchronous disk work run on the main queue, except a query's when the query is
// synchronous or was cancelled (then on the io queue). Members that wait for the io queue must
// not be called from it. Thread-safe.
class ILImageCache final : public ILImageCacheProtocol, public std::enable_shared_from_this<ILImageCache> {
public:
    using AdditionalCachePathBlock = std::function<std::string(const std::string& key)>;
    using CheckCompletionBlock = std::function<void(bool isInCache)>;
    using CalculateSizeBlock = std::function<void(std::uint64_t fileCount, std::uint64_t totalSize)>;

    // The shared cache (namespace "default" in the user's cache folder). Made once; it expires
    // old files a little after it is made, and again at quit like every cache. Between those
    // passes each write keeps the disk cache within its limits (ILDiskCache), and every cache
    // gives its disk room back to a download short of it (foundation::reclaimDiskRoom).
    static std::shared_ptr<ILImageCache> sharedImageCache();
    // A cache in `directory`/`nameSpace`, or in the user's cache folder under
    // "com.tallowind.ILImageCache" when the directory is empty; the default configuration when
    // none is given (the cache keeps a copy).
    static std::shared_ptr<ILImageCache> create(const std::string& nameSpace = "default",
        const std::string& directory = {}, const std::shared_ptr<ILImageCacheConfig>& config = nullptr);
    ~ILImageCache() override;

    // The configuration the memory and disk caches were made with: changing it reaches them.
    // setConfig() stores a copy for the image cache only.
    std::shared_ptr<ILImageCacheConfig> config() const { return config_.get(); }
    void setConfig(const std::shared_ptr<ILImageCacheConfig>& config);
    const std::shared_ptr<ILMemoryCacheProtocol>& memoryCache() const { return memoryCache_; }
    const std::shared_ptr<ILDiskCacheProtocol>& diskCache() const { return diskCache_; }
    const std::string& diskCachePath() const { return diskCachePath_; }
    const dispatch::QueueRef& ioQueue() const { return ioQueue_; }
    AdditionalCachePathBlock additionalCachePathBlock() const { return additionalCachePath_.get(); }
    void setAdditionalCachePathBlock(AdditionalCachePathBlock block)
    {
        additionalCachePath_.set(std::move(block));
    }

    // Storing. Without image or key only the completion runs, at once.
    void storeImage(const ILImageRef& image, const ILCacheKey& key, ILWebNoParamsBlock completion);
    void storeImage(
        const ILImageRef& image, const ILCacheKey& key, bool toDisk, ILWebNoParamsBlock completion);
    void storeImage(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
        const ILCacheKey& key, bool toDisk, ILWebNoParamsBlock completion);
    // With toDisk the data (or, without data, the image encoded as PNG when it has alpha, else
    // JPEG) is written on the io queue and the completion runs on the main queue; else at once.
    void storeImage(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
        const ILCacheKey& key, bool toMemory, bool toDisk, ILWebNoParamsBlock completion);
    void storeImageToMemory(const ILImageRef& image, const ILCacheKey& key);
    void storeImageDataToDisk(const foundation::Ref<foundation::Data>& imageData, const ILCacheKey& key);

    // Querying.
    void diskImageExistsWithKey(const ILCacheKey& key, CheckCompletionBlock completion);
    bool diskImageDataExistsWithKey(const ILCacheKey& key);
    foundation::Ref<foundation::Data> diskImageDataForKey(const ILCacheKey& key);
    ILImageRef imageFromMemoryCacheForKey(const ILCacheKey& key);
    ILImageRef imageFromDiskCacheForKey(const ILCacheKey& key);
    ILImageRef imageFromCacheForKey(const ILCacheKey& key);
    // The disk cache's data, else the file the additional path block names. No queue of its own.
    foundation::Ref<foundation::Data> diskImageDataBySearchingAllPathsForKey(const ILCacheKey& key);
    ILImageRef diskImageForKey(const ILCacheKey& key);
    ILImageRef diskImageForKey(const ILCacheKey& key, const foundation::Ref<foundation::Data>& data);
    ILImageRef diskImageForKey(const ILCacheKey& key, const foundation::Ref<foundation::Data>& data,
        ILCacheQueryOptions options, const ILContext& context);
    std::shared_ptr<ILWebOperation> queryCacheOperationForKey(
        const ILCacheKey& key, ILImageCacheQueryCompletionBlock done);
    std::shared_ptr<ILWebOperation> queryCacheOperationForKey(
        const ILCacheKey& key, ILCacheQueryOptions options, ILImageCacheQueryCompletionBlock done);
    std::shared_ptr<ILWebOperation> queryCacheOperationForKey(const ILCacheKey& key,
        ILCacheQueryOptions options, const ILContext& context, ILImageCacheQueryCompletionBlock done);

    // Removing. A nil key does nothing, not even the completion.
    void removeImageForKey(const ILCacheKey& key, ILWebNoParamsBlock completion);
    void removeImageForKey(const ILCacheKey& key, bool fromDisk, ILWebNoParamsBlock completion);
    void removeImageForKey(
        const ILCacheKey& key, bool fromMemory, bool fromDisk, ILWebNoParamsBlock completion);
    void removeImageFromMemoryForKey(const ILCacheKey& key);
    void removeImageFromDiskForKey(const ILCacheKey& key);

    // Cleaning.
    void clearMemory();
    void clearDiskOnCompletion(ILWebNoParamsBlock completion);
    void deleteOldFilesWithCompletionBlock(ILWebNoParamsBlock completion);
    // What quitting runs: the expiry pass, started once on the io queue, by the application's quit
    // signal (every cache observes it while it lives) or by this call, whichever comes first; later
    // calls answer for the same pass. The answer tells whether it has ended. The cache never waits
    // for it: the application's quit sequence owns the one bounded wait, beside its other waits.
    std::function<bool()> applicationWillTerminate();
    // The end of the quit sequence, once its wait is over: disk writes still queued are given up
    // (as are the expiry passes not yet begun), later stores keep to memory, and a block that
    // marks the io queue drained is queued behind what runs. The answer tells whether the queue
    // has drained; the caller bounds its wait for it, so that no worker still writes when the
    // process's exit handlers run. Removals and clears still run.
    std::function<bool()> closeForExit();

    // Cache information.
    std::uint64_t totalDiskSize();
    std::uint64_t totalDiskCount();
    void calculateSizeWithCompletionBlock(CalculateSizeBlock completion);
    std::string cachePathForKey(const ILCacheKey& key);

    // The protocol of the manager.
    std::shared_ptr<ILWebOperation> queryImageForKey(const ILCacheKey& key, ILLoadOptions options,
        const ILContext& context, ILImageCacheQueryCompletionBlock completion) override;
    void storeImage(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
        const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion) override;
    // A load whose context names a thumbnail box: the image in memory under the key marked with
    // the box, the downloaded data on disk under the key itself (without data, nothing on disk: an
    // image of the box is no copy of the file). Queries with a box decode disk hits to the box.
    void storeImageForLoad(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
        const ILCacheKey& key, ILCacheType cacheType, const ILContext& context,
        ILWebNoParamsBlock completion) override;
    void removeImageForKey(
        const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion) override;
    void containsImageForKey(const ILCacheKey& key, ILCacheType cacheType,
        ILImageCacheContainsCompletionBlock completion) override;
    void clearWithCacheType(ILCacheType cacheType, ILWebNoParamsBlock completion) override;

    // Use create().
    ILImageCache(const std::string& nameSpace, const std::string& directory,
        const std::shared_ptr<ILImageCacheConfig>& config);

private:
    void migrateDiskCacheDirectory();
    void storeDataOnQueue(const foundation::Ref<foundation::Data>& data, const std::string& key);
    void observeTermination();

    const dispatch::QueueRef ioQueue_;
    foundation::Atomic<std::shared_ptr<ILImageCacheConfig>> config_;
    std::shared_ptr<ILMemoryCacheProtocol> memoryCache_;
    std::string diskCachePath_;
    std::shared_ptr<ILDiskCacheProtocol> diskCache_;
    foundation::Atomic<AdditionalCachePathBlock> additionalCachePath_;
    dispatch::OnceToken terminationPass_;
    std::shared_ptr<std::atomic<bool>> terminationPassEnded_;
    // Set by closeForExit(); read by the blocks on the io queue.
    const std::shared_ptr<std::atomic<bool>> closed_ = std::make_shared<std::atomic<bool>>(false);
    // The connection to the application's quit signal, when there is an application.
    std::shared_ptr<void> termination_;
    // The disk cache's offer of room to downloads short of it.
    std::shared_ptr<void> diskRoom_;
};
