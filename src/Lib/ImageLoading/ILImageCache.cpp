#include "Lib/ImageLoading/ILImageCache.h"

#include "Lib/ImageLoading/ILAnimatedImageProtocol.h"
#include "Lib/ImageLoading/ILDiskCache.h"
#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageDecoding.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILImageTransformer.h"
#include "Lib/ImageLoading/ILMemoryCache.h"
#include "Lib/ImageLoading/ILTransformedCacheKey.h"
#include "Platform/Dispatch/Once.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/FreeSpace.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Storage/Paths.h"

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <filesystem>

using foundation::Data;
using foundation::Ref;
namespace fs = std::filesystem;

namespace {

constexpr const char* kFolder = "com.tallowind.ILImageCache";
// The first expiry pass of the shared cache waits until start-up is over.
constexpr double kExpiryDelayAfterStart = 10.0;

const std::string& text(const ILCacheKey& key)
{
    return key->utf8();
}

// A cache query's handle: cancelling it before the disk step runs ends the query with nothing.
class ILImageCacheQueryOperation final : public ILWebOperation {
public:
    void cancel() override { cancelled_ = true; }
    bool isCancelled() const { return cancelled_; }

private:
    std::atomic<bool> cancelled_ { false };
};

std::uint64_t costOf(const ILImageRef& image)
{
    return il_memoryCost(image);
}

// The bytes a store writes for an image given without data: PNG when it has alpha, else JPEG.
Ref<Data> encodedImage(const ILImageRef& image)
{
    return image
        ? ILImageCodersManager::sharedManager()->encodedDataWithImage(image, ILImageFormatUndefined, nullptr)
        : nullptr;
}

} // namespace

std::shared_ptr<ILImageCache> ILImageCache::sharedImageCache()
{
    static const auto cache = [] {
        auto made = create();
        std::weak_ptr<ILImageCache> weak = made;
        made->ioQueue_->after(kExpiryDelayAfterStart, [weak] {
            if (auto strong = weak.lock(); strong && !*strong->closed_)
                strong->diskCache_->removeExpiredData();
        });
        return made;
    }();
    return cache;
}

std::shared_ptr<ILImageCache> ILImageCache::create(const std::string& nameSpace, const std::string& directory,
    const std::shared_ptr<ILImageCacheConfig>& config)
{
    auto cache = std::make_shared<ILImageCache>(nameSpace, directory, config);
    cache->migrateDiskCacheDirectory();
    cache->observeTermination();
    cache->diskRoom_
        = foundation::addDiskRoomReclaimer([disk = std::weak_ptr(cache->diskCache_)](const std::string& path,
                                               std::uint64_t bytes) -> std::uint64_t {
              const auto strong = disk.lock();
              return strong ? strong->reclaimSpace(path, bytes) : 0;
          });
    return cache;
}

ILImageCache::ILImageCache(const std::string& nameSpace, const std::string& directory,
    const std::shared_ptr<ILImageCacheConfig>& config)
    : ioQueue_(dispatch::makeSerialQueue(kFolder))
    , config_((config ? config : ILImageCacheConfig::defaultCacheConfig())->copy())
{
    const auto shared = config_.get();
    memoryCache_ = shared->memoryCacheClass()(shared);
    diskCachePath_ = directory.empty() ? (foundation::Paths::cacheDirectory() / kFolder / nameSpace).string()
                                       : (fs::path(directory) / nameSpace).string();
    diskCache_ = shared->diskCacheClass()(diskCachePath_, shared);
}

ILImageCache::~ILImageCache() = default;

void ILImageCache::setConfig(const std::shared_ptr<ILImageCacheConfig>& config)
{
    if (config)
        config_.set(config->copy());
}

void ILImageCache::migrateDiskCacheDirectory()
{
    if (!std::dynamic_pointer_cast<ILDiskCache>(diskCache_))
        return;
    static dispatch::OnceToken once;
    once.run([this] {
        const fs::path caches = foundation::Paths::cacheDirectory();
        const std::string from = (caches / "default" / "com.tallowind.ILWebCache.default").string();
        const std::string to = (caches / kFolder / "default").string();
        ioQueue_->async([disk = std::static_pointer_cast<ILDiskCache>(diskCache_), from, to] {
            disk->moveCacheDirectory(from, to);
        });
    });
}

void ILImageCache::observeTermination()
{
    auto* application = QCoreApplication::instance();
    if (!application)
        return;
    std::weak_ptr<ILImageCache> weak = weak_from_this();
    auto connection = std::make_shared<QMetaObject::Connection>(
        QObject::connect(application, &QCoreApplication::aboutToQuit, [weak] {
            if (auto strong = weak.lock())
                strong->applicationWillTerminate();
        }));
    termination_ = std::shared_ptr<void>(nullptr, [connection](void*) { QObject::disconnect(*connection); });
}

std::function<bool()> ILImageCache::applicationWillTerminate()
{
    terminationPass_.run([this] {
        terminationPassEnded_ = std::make_shared<std::atomic<bool>>(false);
        ioQueue_->async([disk = diskCache_, ended = terminationPassEnded_, closed = closed_] {
            if (!*closed)
                disk->removeExpiredData();
            *ended = true;
        });
    });
    return [ended = terminationPassEnded_] { return ended->load(); };
}

std::function<bool()> ILImageCache::closeForExit()
{
    *closed_ = true;
    auto drained = std::make_shared<std::atomic<bool>>(false);
    ioQueue_->async([drained] { *drained = true; });
    return [drained] { return drained->load(); };
}

// Storing

void ILImageCache::storeImage(const ILImageRef& image, const ILCacheKey& key, ILWebNoParamsBlock completion)
{
    storeImage(image, nullptr, key, true, true, std::move(completion));
}

void ILImageCache::storeImage(
    const ILImageRef& image, const ILCacheKey& key, bool toDisk, ILWebNoParamsBlock completion)
{
    storeImage(image, nullptr, key, true, toDisk, std::move(completion));
}

void ILImageCache::storeImage(const ILImageRef& image, const Ref<Data>& imageData, const ILCacheKey& key,
    bool toDisk, ILWebNoParamsBlock completion)
{
    storeImage(image, imageData, key, true, toDisk, std::move(completion));
}

void ILImageCache::storeImage(const ILImageRef& image, const Ref<Data>& imageData, const ILCacheKey& key,
    bool toMemory, bool toDisk, ILWebNoParamsBlock completion)
{
    if (!image || !key) {
        if (completion)
            completion();
        return;
    }
    if (toMemory && config()->shouldCacheImagesInMemory())
        memoryCache_->setObject(image, text(key), costOf(image));
    if (!toDisk) {
        if (completion)
            completion();
        return;
    }
    ioQueue_->async(
        [self = shared_from_this(), image, imageData, key = text(key), completion = std::move(completion)] {
            if (!*self->closed_)
                self->storeDataOnQueue(imageData ? imageData : encodedImage(image), key);
            if (completion)
                dispatch::mainQueue().async(completion);
        });
}

void ILImageCache::storeDataOnQueue(const Ref<Data>& data, const std::string& key)
{
    if (data && !*closed_)
        diskCache_->setData(data, key);
}

void ILImageCache::storeImageToMemory(const ILImageRef& image, const ILCacheKey& key)
{
    if (image && key)
        memoryCache_->setObject(image, text(key), costOf(image));
}

void ILImageCache::storeImageDataToDisk(const Ref<Data>& imageData, const ILCacheKey& key)
{
    if (!imageData || !key)
        return;
    ioQueue_->sync([&] { storeDataOnQueue(imageData, text(key)); });
}

// Querying

void ILImageCache::diskImageExistsWithKey(const ILCacheKey& key, CheckCompletionBlock completion)
{
    ioQueue_->async([disk = diskCache_, key, completion = std::move(completion)] {
        const bool exists = key && disk->containsDataForKey(text(key));
        if (completion)
            dispatch::mainQueue().async([completion, exists] { completion(exists); });
    });
}

bool ILImageCache::diskImageDataExistsWithKey(const ILCacheKey& key)
{
    if (!key)
        return false;
    bool exists = false;
    ioQueue_->sync([&] { exists = diskCache_->containsDataForKey(text(key)); });
    return exists;
}

Ref<Data> ILImageCache::diskImageDataForKey(const ILCacheKey& key)
{
    Ref<Data> data;
    ioQueue_->sync([&] { data = diskImageDataBySearchingAllPathsForKey(key); });
    return data;
}

ILImageRef ILImageCache::imageFromMemoryCacheForKey(const ILCacheKey& key)
{
    return key ? memoryCache_->objectForKey(text(key)) : nullptr;
}

ILImageRef ILImageCache::imageFromDiskCacheForKey(const ILCacheKey& key)
{
    const auto image = diskImageForKey(key, diskImageDataForKey(key));
    if (image && config()->shouldCacheImagesInMemory())
        memoryCache_->setObject(image, text(key), costOf(image));
    return image;
}

ILImageRef ILImageCache::imageFromCacheForKey(const ILCacheKey& key)
{
    if (auto image = imageFromMemoryCacheForKey(key))
        return image;
    return imageFromDiskCacheForKey(key);
}

Ref<Data> ILImageCache::diskImageDataBySearchingAllPathsForKey(const ILCacheKey& key)
{
    if (!key)
        return nullptr;
    if (auto data = diskCache_->dataForKey(text(key)))
        return data;
    const auto additional = additionalCachePathBlock();
    const std::string path = additional ? additional(text(key)) : std::string();
    if (path.empty())
        return nullptr;
    return Data::dataWithContentsOfFile(path);
}

ILImageRef ILImageCache::diskImageForKey(const ILCacheKey& key)
{
    return diskImageForKey(key, diskImageDataForKey(key));
}

ILImageRef ILImageCache::diskImageForKey(const ILCacheKey& key, const Ref<Data>& data)
{
    return diskImageForKey(key, data, 0, nullptr);
}

ILImageRef ILImageCache::diskImageForKey(
    const ILCacheKey& key, const Ref<Data>& data, ILCacheQueryOptions options, const ILContext& context)
{
    if (!data)
        return nullptr;
    return ILDecodeCachedData(data, key, ILImageOptionsFromCacheOptions(options), context);
}

std::shared_ptr<ILWebOperation> ILImageCache::queryCacheOperationForKey(
    const ILCacheKey& key, ILImageCacheQueryCompletionBlock done)
{
    return queryCacheOperationForKey(key, 0, nullptr, std::move(done));
}

std::shared_ptr<ILWebOperation> ILImageCache::queryCacheOperationForKey(
    const ILCacheKey& key, ILCacheQueryOptions options, ILImageCacheQueryCompletionBlock done)
{
    return queryCacheOperationForKey(key, options, nullptr, std::move(done));
}

std::shared_ptr<ILWebOperation> ILImageCache::queryCacheOperationForKey(const ILCacheKey& key,
    ILCacheQueryOptions options, const ILContext& context, ILImageCacheQueryCompletionBlock done)
{
    if (!key) {
        if (done)
            done(nullptr, nullptr, ILCacheTypeNone);
        return nullptr;
    }
    // An image decoded to a thumbnail box is kept in memory under the key marked with the box; the
    // file on disk is the whole one, under the key itself, and a disk hit is decoded to the box. A
    // transformer's image is made from the decoded one, so its file depends on the box too.
    ILCacheKey lookup = ILThumbnailedCacheKey(key, context);
    ILCacheKey diskKey = key;
    const Ref<ILImageTransformer> transformer
        = context ? context->objectForKey(ILWebContextImageTransformer).as<ILImageTransformer>() : nullptr;
    if (transformer) {
        lookup = ILTransformedCacheKey(lookup, transformer->transformerKey());
        diskKey = lookup;
    }
    ILImageRef image = imageFromMemoryCacheForKey(lookup);
    if (image && (options & ILCacheDecodeFirstFrameOnly)) {
        if (il_isAnimated(image) || dynamic_cast<const ILAnimatedImageProtocol*>(image.get()))
            image = graphics::Image::create(image->image(), image->scale());
    } else if (image && (options & ILCacheMatchAnimatedImageClass)) {
        const foundation::Class* wanted = context
            ? foundation::ClassValue::classFrom(context->objectForKey(ILWebContextAnimatedImageClass))
            : nullptr;
        if (wanted && !image->isKindOfClass(wanted))
            image = nullptr;
    }
    if (image && !(options & ILCacheQueryMemoryData)) {
        if (done)
            done(image, nullptr, ILCacheTypeMemory);
        return nullptr;
    }
    auto operation = std::make_shared<ILImageCacheQueryOperation>();
    const bool synchronous
        = image ? (options & ILCacheQueryMemoryDataSync) != 0 : (options & ILCacheQueryDiskDataSync) != 0;
    auto step = [self = shared_from_this(), operation, image, lookup, diskKey, options, context, done,
                    synchronous] {
        if (operation->isCancelled()) {
            if (done)
                done(nullptr, nullptr, ILCacheTypeNone);
            return;
        }
        Ref<Data> data = self->diskImageDataBySearchingAllPathsForKey(diskKey);
        ILImageRef answer = image;
        ILCacheType type = ILCacheTypeNone;
        if (image) {
            type = ILCacheTypeMemory;
        } else if (data) {
            type = ILCacheTypeDisk;
            answer = self->diskImageForKey(diskKey, data, options, context);
            if (answer && il_isIncremental(answer)) {
                // A file cut short (kept by an earlier version) is no copy of the image: a miss, so
                // the image is fetched again and its whole data replaces the file.
                self->diskCache_->removeDataForKey(text(diskKey));
                answer = nullptr;
                data = nullptr;
                type = ILCacheTypeNone;
            }
            if (answer && self->config()->shouldCacheImagesInMemory())
                self->memoryCache_->setObject(answer, text(lookup), costOf(answer));
        }
        if (!done)
            return;
        if (synchronous)
            done(answer, data, type);
        else
            dispatch::mainQueue().async([done, answer, data, type] { done(answer, data, type); });
    };
    if (synchronous)
        ioQueue_->sync(step);
    else
        ioQueue_->async(std::move(step));
    return operation;
}

// Removing

void ILImageCache::removeImageForKey(const ILCacheKey& key, ILWebNoParamsBlock completion)
{
    removeImageForKey(key, true, true, std::move(completion));
}

void ILImageCache::removeImageForKey(const ILCacheKey& key, bool fromDisk, ILWebNoParamsBlock completion)
{
    removeImageForKey(key, true, fromDisk, std::move(completion));
}

void ILImageCache::removeImageForKey(
    const ILCacheKey& key, bool fromMemory, bool fromDisk, ILWebNoParamsBlock completion)
{
    if (!key)
        return;
    if (fromMemory && config()->shouldCacheImagesInMemory())
        memoryCache_->removeObjectForKey(text(key));
    if (!fromDisk) {
        if (completion)
            completion();
        return;
    }
    ioQueue_->async([disk = diskCache_, key = text(key), completion = std::move(completion)] {
        disk->removeDataForKey(key);
        if (completion)
            dispatch::mainQueue().async(completion);
    });
}

void ILImageCache::removeImageFromMemoryForKey(const ILCacheKey& key)
{
    if (key)
        memoryCache_->removeObjectForKey(text(key));
}

void ILImageCache::removeImageFromDiskForKey(const ILCacheKey& key)
{
    if (key)
        ioQueue_->sync([&] { diskCache_->removeDataForKey(text(key)); });
}

// Cleaning

void ILImageCache::clearMemory()
{
    memoryCache_->removeAllObjects();
}

void ILImageCache::clearDiskOnCompletion(ILWebNoParamsBlock completion)
{
    ioQueue_->async([disk = diskCache_, completion = std::move(completion)] {
        disk->removeAllData();
        if (completion)
            dispatch::mainQueue().async(completion);
    });
}

void ILImageCache::deleteOldFilesWithCompletionBlock(ILWebNoParamsBlock completion)
{
    ioQueue_->async([disk = diskCache_, completion = std::move(completion)] {
        disk->removeExpiredData();
        if (completion)
            dispatch::mainQueue().async(completion);
    });
}

// Cache information

std::uint64_t ILImageCache::totalDiskSize()
{
    std::uint64_t size = 0;
    ioQueue_->sync([&] { size = diskCache_->totalSize(); });
    return size;
}

std::uint64_t ILImageCache::totalDiskCount()
{
    std::uint64_t count = 0;
    ioQueue_->sync([&] { count = diskCache_->totalCount(); });
    return count;
}

void ILImageCache::calculateSizeWithCompletionBlock(CalculateSizeBlock completion)
{
    ioQueue_->async([disk = diskCache_, completion = std::move(completion)] {
        const std::uint64_t count = disk->totalCount();
        const std::uint64_t size = disk->totalSize();
        if (completion)
            dispatch::mainQueue().async([completion, count, size] { completion(count, size); });
    });
}

std::string ILImageCache::cachePathForKey(const ILCacheKey& key)
{
    return key ? diskCache_->cachePathForKey(text(key)) : std::string();
}

// The protocol of the manager

std::shared_ptr<ILWebOperation> ILImageCache::queryImageForKey(const ILCacheKey& key, ILLoadOptions options,
    const ILContext& context, ILImageCacheQueryCompletionBlock completion)
{
    return queryCacheOperationForKey(
        key, ILCacheQueryOptionsFromLoadOptions(options), context, std::move(completion));
}

void ILImageCache::storeImage(const ILImageRef& image, const Ref<Data>& imageData, const ILCacheKey& key,
    ILCacheType cacheType, ILWebNoParamsBlock completion)
{
    switch (cacheType) {
    case ILCacheTypeNone:
        storeImage(image, imageData, key, false, false, std::move(completion));
        return;
    case ILCacheTypeDisk:
        storeImage(image, imageData, key, false, true, std::move(completion));
        return;
    case ILCacheTypeMemory:
        storeImage(image, imageData, key, true, false, std::move(completion));
        return;
    case ILCacheTypeAll:
        storeImage(image, imageData, key, true, true, std::move(completion));
        return;
    }
    if (completion)
        completion();
}

void ILImageCache::storeImageForLoad(const ILImageRef& image, const Ref<Data>& imageData,
    const ILCacheKey& key, ILCacheType cacheType, const ILContext& context, ILWebNoParamsBlock completion)
{
    const ILCacheKey marked = ILThumbnailedCacheKey(key, context);
    if (marked == key || !image) {
        storeImage(image, imageData, key, cacheType, std::move(completion));
        return;
    }
    const bool toMemory = cacheType == ILCacheTypeMemory || cacheType == ILCacheTypeAll;
    const bool toDisk = (cacheType == ILCacheTypeDisk || cacheType == ILCacheTypeAll) && imageData;
    if (toMemory && config()->shouldCacheImagesInMemory())
        storeImageToMemory(image, marked);
    storeImage(image, imageData, key, false, toDisk, std::move(completion));
}

void ILImageCache::removeImageForKey(
    const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion)
{
    switch (cacheType) {
    case ILCacheTypeNone:
        removeImageForKey(key, false, false, std::move(completion));
        return;
    case ILCacheTypeDisk:
        removeImageForKey(key, false, true, std::move(completion));
        return;
    case ILCacheTypeMemory:
        removeImageForKey(key, true, false, std::move(completion));
        return;
    case ILCacheTypeAll:
        removeImageForKey(key, true, true, std::move(completion));
        return;
    }
    if (completion)
        completion();
}

void ILImageCache::containsImageForKey(
    const ILCacheKey& key, ILCacheType cacheType, ILImageCacheContainsCompletionBlock completion)
{
    const auto answer = [completion](ILCacheType type) {
        if (completion)
            completion(type);
    };
    switch (cacheType) {
    case ILCacheTypeDisk:
        diskImageExistsWithKey(
            key, [answer](bool exists) { answer(exists ? ILCacheTypeDisk : ILCacheTypeNone); });
        return;
    case ILCacheTypeMemory:
        answer(imageFromMemoryCacheForKey(key) ? ILCacheTypeMemory : ILCacheTypeNone);
        return;
    case ILCacheTypeAll:
        if (imageFromMemoryCacheForKey(key))
            return answer(ILCacheTypeMemory);
        diskImageExistsWithKey(
            key, [answer](bool exists) { answer(exists ? ILCacheTypeDisk : ILCacheTypeNone); });
        return;
    default:
        answer(ILCacheTypeNone);
    }
}

void ILImageCache::clearWithCacheType(ILCacheType cacheType, ILWebNoParamsBlock completion)
{
    switch (cacheType) {
    case ILCacheTypeDisk:
        clearDiskOnCompletion(std::move(completion));
        return;
    case ILCacheTypeMemory:
        clearMemory();
        break;
    case ILCacheTypeAll:
        clearMemory();
        clearDiskOnCompletion(std::move(completion));
        return;
    default:
        break;
    }
    if (completion)
        completion();
}
