#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

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
    // Deletes files, oldest first, until `bytes` are freed on the file system of `path` or none is
    // left; the bytes freed. Unlike the members above, callable from any thread (a download short
    // of room asks from its own). A cache that keeps nothing there gives nothing.
    virtual std::uint64_t reclaimSpace(const std::string& path, std::uint64_t bytes)
    {
        (void)path;
        (void)bytes;
        return 0;
    }
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
// maxDiskSize, oldest first.
//
// Between those passes every write keeps the folder within maxDiskSize and leaves
// minDiskFreeSpace free on its disk: it deletes the oldest files first (by the date the expiry
// pass reads), and is skipped when even an empty cache would leave too little free. The sizes
// are kept in an index made by one walk of the folder at the first write, so a write costs no walk;
// each pass makes the index anew. Files over kMaximumFileLength are never written (they would
// never be read).
//
// Not thread-safe but for reclaimSpace(): the image cache calls it from its serial io queue. The
// index has a mutex of its own, so that a download may take room back from any thread.
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
    std::uint64_t reclaimSpace(const std::string& path, std::uint64_t bytes) override;

    // Moves the cache folder's content: equal paths, or a source that is not a folder, do nothing;
    // into an existing folder entry by entry (the source is removed after), else the whole folder.
    void moveCacheDirectory(const std::string& srcPath, const std::string& dstPath);

    // The file name of a key (no folder).
    static std::string cachedFileNameForKey(const std::string& key);

    const std::string& diskCachePath() const { return diskCachePath_; }
    const std::shared_ptr<ILImageCacheConfig>& config() const { return config_; }

    ILDiskCache(std::string cachePath, std::shared_ptr<ILImageCacheConfig> config);

private:
    struct IndexEntry {
        double date = 0;
        std::uint64_t allocated = 0;
        std::uint64_t order = 0; // tells apart files of one date (a coarse clock): the later write is newer
    };

    void ensureFolder();
    std::optional<std::uint64_t> freeBytes() const;
    // Deletes what keeps a file of `allocated` bytes at `path` from fitting the size limit and the
    // free-space reserve; false when it still cannot fit.
    bool makeRoomFor(const std::string& path, std::uint64_t allocated);
    // Under the mutex: the index made on first use; the oldest file deleted (false when none is
    // left), its bytes added to `freed`; a file's entry set or dropped.
    void ensureIndexLocked();
    bool evictOldestLocked(std::uint64_t& freed);
    void recordLocked(const std::string& path, IndexEntry entry);
    void forgetLocked(const std::string& path);
    void resetIndex(std::vector<std::pair<std::string, IndexEntry>> entries);

    const std::string diskCachePath_;
    const std::shared_ptr<ILImageCacheConfig> config_;

    std::mutex indexMutex_;
    bool indexed_ = false;
    std::unordered_map<std::string, IndexEntry> index_;
    std::set<std::tuple<double, std::uint64_t, std::string>> byDate_;
    std::uint64_t indexedBytes_ = 0;
    std::uint64_t nextOrder_ = 0;
};
