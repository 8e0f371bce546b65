#include "Lib/ImageLoading/ILImageCacheConfig.h"

#include "Lib/ImageLoading/ILDiskCache.h"
#include "Lib/ImageLoading/ILMemoryCache.h"

ILImageCacheConfig::ILImageCacheConfig()
{
    auto initial = fields();
    initial.memoryCacheClass
        = [](std::shared_ptr<ILImageCacheConfig> config) -> std::shared_ptr<ILMemoryCacheProtocol> {
        return ILMemoryCache::create(std::move(config));
    };
    initial.diskCacheClass = [](const std::string& path, std::shared_ptr<ILImageCacheConfig> config)
        -> std::shared_ptr<ILDiskCacheProtocol> { return ILDiskCache::create(path, std::move(config)); };
    setFields(std::move(initial));
}

std::shared_ptr<ILImageCacheConfig> ILImageCacheConfig::defaultCacheConfig()
{
    static const auto config = std::make_shared<ILImageCacheConfig>();
    return config;
}

std::shared_ptr<ILImageCacheConfig> ILImageCacheConfig::copy() const
{
    auto other = std::make_shared<ILImageCacheConfig>();
    other->setFields(fields());
    return other;
}

bool ILImageCacheConfig::shouldDisableiCloud() const
{
    return read(&ILImageCacheConfigFields::shouldDisableiCloud);
}
void ILImageCacheConfig::setShouldDisableiCloud(bool value)
{
    write(&ILImageCacheConfigFields::shouldDisableiCloud, value, "shouldDisableiCloud");
}
bool ILImageCacheConfig::shouldCacheImagesInMemory() const
{
    return read(&ILImageCacheConfigFields::shouldCacheImagesInMemory);
}
void ILImageCacheConfig::setShouldCacheImagesInMemory(bool value)
{
    write(&ILImageCacheConfigFields::shouldCacheImagesInMemory, value, "shouldCacheImagesInMemory");
}
bool ILImageCacheConfig::shouldUseWeakMemoryCache() const
{
    return read(&ILImageCacheConfigFields::shouldUseWeakMemoryCache);
}
void ILImageCacheConfig::setShouldUseWeakMemoryCache(bool value)
{
    write(&ILImageCacheConfigFields::shouldUseWeakMemoryCache, value, "shouldUseWeakMemoryCache");
}
bool ILImageCacheConfig::shouldRemoveExpiredDataWhenEnterBackground() const
{
    return read(&ILImageCacheConfigFields::shouldRemoveExpiredDataWhenEnterBackground);
}
void ILImageCacheConfig::setShouldRemoveExpiredDataWhenEnterBackground(bool value)
{
    write(&ILImageCacheConfigFields::shouldRemoveExpiredDataWhenEnterBackground, value,
        "shouldRemoveExpiredDataWhenEnterBackground");
}
unsigned long ILImageCacheConfig::diskCacheReadingOptions() const
{
    return read(&ILImageCacheConfigFields::diskCacheReadingOptions);
}
void ILImageCacheConfig::setDiskCacheReadingOptions(unsigned long value)
{
    write(&ILImageCacheConfigFields::diskCacheReadingOptions, value, "diskCacheReadingOptions");
}
unsigned long ILImageCacheConfig::diskCacheWritingOptions() const
{
    return read(&ILImageCacheConfigFields::diskCacheWritingOptions);
}
void ILImageCacheConfig::setDiskCacheWritingOptions(unsigned long value)
{
    write(&ILImageCacheConfigFields::diskCacheWritingOptions, value, "diskCacheWritingOptions");
}
double ILImageCacheConfig::maxDiskAge() const
{
    return read(&ILImageCacheConfigFields::maxDiskAge);
}
void ILImageCacheConfig::setMaxDiskAge(double seconds)
{
    write(&ILImageCacheConfigFields::maxDiskAge, seconds, "maxDiskAge");
}
std::uint64_t ILImageCacheConfig::maxDiskSize() const
{
    return read(&ILImageCacheConfigFields::maxDiskSize);
}
void ILImageCacheConfig::setMaxDiskSize(std::uint64_t bytes)
{
    write(&ILImageCacheConfigFields::maxDiskSize, bytes, "maxDiskSize");
}
std::uint64_t ILImageCacheConfig::minDiskFreeSpace() const
{
    return read(&ILImageCacheConfigFields::minDiskFreeSpace);
}
void ILImageCacheConfig::setMinDiskFreeSpace(std::uint64_t bytes)
{
    write(&ILImageCacheConfigFields::minDiskFreeSpace, bytes, "minDiskFreeSpace");
}
ILFreeSpaceProbe ILImageCacheConfig::diskFreeSpaceProbe() const
{
    return read(&ILImageCacheConfigFields::diskFreeSpaceProbe);
}
void ILImageCacheConfig::setDiskFreeSpaceProbe(ILFreeSpaceProbe probe)
{
    write(&ILImageCacheConfigFields::diskFreeSpaceProbe, std::move(probe), "diskFreeSpaceProbe");
}
std::uint64_t ILImageCacheConfig::maxMemoryCost() const
{
    return read(&ILImageCacheConfigFields::maxMemoryCost);
}
void ILImageCacheConfig::setMaxMemoryCost(std::uint64_t cost)
{
    write(&ILImageCacheConfigFields::maxMemoryCost, cost, "maxMemoryCost");
}
std::uint64_t ILImageCacheConfig::maxMemoryCount() const
{
    return read(&ILImageCacheConfigFields::maxMemoryCount);
}
void ILImageCacheConfig::setMaxMemoryCount(std::uint64_t count)
{
    write(&ILImageCacheConfigFields::maxMemoryCount, count, "maxMemoryCount");
}
ILImageCacheConfigExpireType ILImageCacheConfig::diskCacheExpireType() const
{
    return read(&ILImageCacheConfigFields::diskCacheExpireType);
}
void ILImageCacheConfig::setDiskCacheExpireType(ILImageCacheConfigExpireType type)
{
    write(&ILImageCacheConfigFields::diskCacheExpireType, type, "diskCacheExpireType");
}
ILImageCacheConfig::MemoryCacheFactory ILImageCacheConfig::memoryCacheClass() const
{
    return read(&ILImageCacheConfigFields::memoryCacheClass);
}
void ILImageCacheConfig::setMemoryCacheClass(MemoryCacheFactory factory)
{
    write(&ILImageCacheConfigFields::memoryCacheClass, std::move(factory), "memoryCacheClass");
}
ILImageCacheConfig::DiskCacheFactory ILImageCacheConfig::diskCacheClass() const
{
    return read(&ILImageCacheConfigFields::diskCacheClass);
}
void ILImageCacheConfig::setDiskCacheClass(DiskCacheFactory factory)
{
    write(&ILImageCacheConfigFields::diskCacheClass, std::move(factory), "diskCacheClass");
}
