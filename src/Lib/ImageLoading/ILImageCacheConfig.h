#pragma once

#include "Lib/ImageLoading/ILObservableSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class ILImageCacheConfig;
class ILMemoryCacheProtocol;
class ILDiskCacheProtocol;

// Which date ages a disk-cache file in the expiry pass.
enum class ILImageCacheConfigExpireType : long { AccessDate = 0, ModificationDate = 1 };

// Makers of the two caches of an image cache (the configuration's memoryCacheClass and
// diskCacheClass).
using ILMemoryCacheFactory
    = std::function<std::shared_ptr<ILMemoryCacheProtocol>(std::shared_ptr<ILImageCacheConfig>)>;
using ILDiskCacheFactory = std::function<std::shared_ptr<ILDiskCacheProtocol>(
    const std::string& cachePath, std::shared_ptr<ILImageCacheConfig>)>;
// The free bytes of the file system holding `path`; nullopt when unknown.
using ILFreeSpaceProbe = std::function<std::optional<std::uint64_t>(const std::string& path)>;

// Free space the disk cache leaves on its disk: the room a download needs (its file and the
// 128 MiB every download leaves free) is not the cache's to take. 128 MiB for the downloads' own
// reserve and 256 MiB for the file of a large font or package arriving meanwhile.
inline constexpr std::uint64_t ILDefaultDiskFreeSpaceReserve = std::uint64_t { 384 } << 20;

struct ILImageCacheConfigFields {
    bool shouldDisableiCloud = true;
    bool shouldCacheImagesInMemory = true;
    bool shouldUseWeakMemoryCache = true;
    bool shouldRemoveExpiredDataWhenEnterBackground = true;
    unsigned long diskCacheReadingOptions = 0;
    unsigned long diskCacheWritingOptions = 1;
    double maxDiskAge = 60.0 * 60 * 24 * 7;
    std::uint64_t maxDiskSize = 0;
    std::uint64_t minDiskFreeSpace = ILDefaultDiskFreeSpaceReserve;
    ILFreeSpaceProbe diskFreeSpaceProbe;
    std::uint64_t maxMemoryCost = 0;
    std::uint64_t maxMemoryCount = 0;
    ILImageCacheConfigExpireType diskCacheExpireType = ILImageCacheConfigExpireType::ModificationDate;
    ILMemoryCacheFactory memoryCacheClass;
    ILDiskCacheFactory diskCacheClass;
};

// The settings of an image cache; observeChanges() reports each change by its key
// ("maxMemoryCost", "maxMemoryCount", ...). The cache's memory and disk caches share one config object, so
// a change reaches both; the memory cache follows "maxMemoryCost" and "maxMemoryCount" through
// the change callbacks. Every member may be called from any thread; callbacks run on the thread
// that made the change, after it.
class ILImageCacheConfig : public ILObservableSettings<ILImageCacheConfigFields>,
                           public std::enable_shared_from_this<ILImageCacheConfig> {
public:
    using MemoryCacheFactory = ILMemoryCacheFactory;
    using DiskCacheFactory = ILDiskCacheFactory;

    // The shared default configuration, made once.
    static std::shared_ptr<ILImageCacheConfig> defaultCacheConfig();
    static std::shared_ptr<ILImageCacheConfig> create() { return std::make_shared<ILImageCacheConfig>(); }
    // Every field, not the observers.
    std::shared_ptr<ILImageCacheConfig> copy() const;

    // Marks the cache folder as a cache (a CACHEDIR.TAG beside the namespaces), so backups skip it.
    bool shouldDisableiCloud() const;
    void setShouldDisableiCloud(bool value);
    bool shouldCacheImagesInMemory() const;
    void setShouldCacheImagesInMemory(bool value);
    // Stored only: the memory cache keeps no weak mirror here.
    bool shouldUseWeakMemoryCache() const;
    void setShouldUseWeakMemoryCache(bool value);
    // Stored only: expiry runs after start-up and at quit instead.
    bool shouldRemoveExpiredDataWhenEnterBackground() const;
    void setShouldRemoveExpiredDataWhenEnterBackground(bool value);
    unsigned long diskCacheReadingOptions() const;
    void setDiskCacheReadingOptions(unsigned long value);
    // Bit 1: write through a temporary file and rename (the default); writes are atomic anyway.
    unsigned long diskCacheWritingOptions() const;
    void setDiskCacheWritingOptions(unsigned long value);
    // Seconds; files this old are expired; negative: no age expiry.
    double maxDiskAge() const;
    void setMaxDiskAge(double seconds);
    // Bytes; 0: no limit. Every write keeps the disk cache within it.
    std::uint64_t maxDiskSize() const;
    void setMaxDiskSize(std::uint64_t bytes);
    // Bytes every disk cache write leaves free on its disk (ILDefaultDiskFreeSpaceReserve by
    // default); 0: none.
    std::uint64_t minDiskFreeSpace() const;
    void setMinDiskFreeSpace(std::uint64_t bytes);
    // How the disk cache learns its disk's free bytes; unset, the system is asked. A seam for
    // tests, which stand in a small disk.
    ILFreeSpaceProbe diskFreeSpaceProbe() const;
    void setDiskFreeSpaceProbe(ILFreeSpaceProbe probe);
    // Total cost of the memory cache; 0 means the default bound (ILMemoryCache::defaultCostLimit()).
    std::uint64_t maxMemoryCost() const;
    void setMaxMemoryCost(std::uint64_t cost);
    // Object count of the memory cache; 0: no limit.
    std::uint64_t maxMemoryCount() const;
    void setMaxMemoryCount(std::uint64_t count);
    ILImageCacheConfigExpireType diskCacheExpireType() const;
    void setDiskCacheExpireType(ILImageCacheConfigExpireType type);
    // Factories of the two caches; the defaults make an ILMemoryCache and an ILDiskCache.
    MemoryCacheFactory memoryCacheClass() const;
    void setMemoryCacheClass(MemoryCacheFactory factory);
    DiskCacheFactory diskCacheClass() const;
    void setDiskCacheClass(DiskCacheFactory factory);

    ILImageCacheConfig();
    ILImageCacheConfig(const ILImageCacheConfig&) = delete;
    ILImageCacheConfig& operator=(const ILImageCacheConfig&) = delete;
};
