#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <memory>
#include <string>

namespace foundation {
class Data;
}
class ILImageCacheConfig;

// What the image cache asks of its disk cache. Called on the image cache's io queue only.
class ILDiskCacheProtocol {
public:
    virtual ~ILDiskCacheProtocol() = default;
    virtual bool containsDataForKey(const std::string& key) = 0;
    virtual foundation::Ref<foundation::Data> dataForKey(const std::string& key) = 0;
    virtual void setData(const foundation::Ref<foundation::Data>& data, const std::string& key) = 0;
    virtual void removeDataForKey(const std::string& key) = 0;
    virtual void removeAllData() = 0;
    virtual void removeExpiredData() = 0;
    virtual std::string cachePathForKey(const std::string& key) = 0;
    virtual std::uint64_t totalSize() = 0;
    virtual std::uint64_t totalCount() = 0;
};

// One file per key in one folder: the file is named by the MD5 of the key (32 lower-case hex
// digits) and the key's extension, which is kept only when it is 1 to 16 ASCII letters and digits
// (anything else could carry control characters or run past the name limit). Reads also accept
// the name without extension.
//
// Writes go to a unique hidden temporary file in the folder, renamed into place, so processes
// sharing the folder never read half a file. Reads refuse links and files over
// kMaximumFileLength. Enumeration never follows links. The expiry pass deletes files older than
// maxDiskAge, leftover temporary files older than an hour, then trims the folder to half of
// maxDiskSize, oldest first. Not thread-safe: the image cache calls it from its serial io queue.
class ILDiskCache final : public ILDiskCacheProtocol {
public:
    static constexpr std::uint64_t kMaximumFileLength = 64ull * 1024 * 1024;
    static constexpr const char* kCacheDirectoryTag = "CACHEDIR.TAG";

    static std::shared_ptr<ILDiskCache> create(
        std::string cachePath, std::shared_ptr<ILImageCacheConfig> config);

    bool containsDataForKey(const std::string& key) override;
    foundation::Ref<foundation::Data> dataForKey(const std::string& key) override;
    void setData(const foundation::Ref<foundation::Data>& data, const std::string& key) override;
    void removeDataForKey(const std::string& key) override;
    void removeAllData() override;
    void removeExpiredData() override;
    std::string cachePathForKey(const std::string& key) override;
    std::uint64_t totalSize() override;
    std::uint64_t totalCount() override;

    // Moves the cache folder's content: equal paths, or a source that is not a folder, do nothing;
    // into an existing folder entry by entry (the source is removed after), else the whole folder.
    void moveCacheDirectory(const std::string& srcPath, const std::string& dstPath);

    // The file name of a key (no folder).
    static std::string cachedFileNameForKey(const std::string& key);

    const std::string& diskCachePath() const { return diskCachePath_; }
    const std::shared_ptr<ILImageCacheConfig>& config() const { return config_; }

    ILDiskCache(std::string cachePath, std::shared_ptr<ILImageCacheConfig> config);

private:
    void ensureFolder();

    const std::string diskCachePath_;
    const std::shared_ptr<ILImageCacheConfig> config_;
};
