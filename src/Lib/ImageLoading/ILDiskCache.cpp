#include "Lib/ImageLoading/ILDiskCache.h"

#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Platform/Crypto/Digest.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/FreeSpace.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double kTemporaryFileAge = 60.0 * 60;
// What a write is taken to allocate before it is made: its length in whole blocks of the usual size.
constexpr std::uint64_t kBlockSize = 4096;
constexpr std::size_t kMaximumExtensionLength = 16;

std::string keyExtension(const std::string& key)
{
    foundation::Ref<foundation::String> extension;
    if (const auto url = foundation::URL::URLWithString(key))
        extension = url->pathExtension();
    else
        extension = foundation::String::create(key)->pathExtension();
    if (!extension || extension->utf8().empty() || extension->utf8().size() > kMaximumExtensionLength)
        return {};
    const std::string& text = extension->utf8();
    const bool plain = std::all_of(text.begin(), text.end(),
        [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
    return plain ? text : std::string();
}

// The file's bytes, or nil when it is missing, not a regular file (links are not followed) or
// larger than the cap.
foundation::Ref<foundation::Data> readCacheFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || static_cast<std::uint64_t>(info.st_size) > ILDiskCache::kMaximumFileLength) {
        ::close(fd);
        return nullptr;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (done != bytes.size())
        return nullptr; // shortened while read
    return foundation::Data::create(std::move(bytes));
}

bool isRegularFile(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

double seconds(const timespec& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
}

struct CacheEntry {
    fs::path path;
    double date;
    std::uint64_t allocated;
    std::uint64_t size;
};

// Regular files of the folder and its subfolders, hidden ones apart; links are not followed.
void enumerate(const std::string& folder, bool accessDate, std::vector<CacheEntry>& files,
    std::vector<CacheEntry>* hidden)
{
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& path = it->path();
        const bool isHidden = path.filename().string().starts_with(".");
        struct stat info { };
        if (::lstat(path.c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (isHidden)
                it.disable_recursion_pending();
            continue;
        }
        if (!S_ISREG(info.st_mode))
            continue;
        CacheEntry entry { path, seconds(accessDate ? info.st_atim : info.st_mtim),
            static_cast<std::uint64_t>(info.st_blocks) * 512, static_cast<std::uint64_t>(info.st_size) };
        if (!isHidden)
            files.push_back(std::move(entry));
        else if (hidden)
            hidden->push_back(std::move(entry));
    }
}

const char kTagContent[]
    = "Signature: 8a477f597d28d172789f06886806bc55\n"
      "# This file marks the image cache of the Corvane font client.\n"
      "# Backup programs may skip this folder: everything in it is downloaded again on demand.\n";

} // namespace

std::shared_ptr<ILDiskCache> ILDiskCache::create(
    std::string cachePath, std::shared_ptr<ILImageCacheConfig> config)
{
    return std::make_shared<ILDiskCache>(std::move(cachePath), std::move(config));
}

ILDiskCache::ILDiskCache(std::string cachePath, std::shared_ptr<ILImageCacheConfig> config)
    : diskCachePath_(std::move(cachePath))
    , config_(config ? std::move(config) : ILImageCacheConfig::create())
{
}

std::string ILDiskCache::cachedFileNameForKey(const std::string& key)
{
    std::string name = crypto::md5Hex(std::string_view(key));
    const std::string extension = keyExtension(key);
    if (!extension.empty())
        name += "." + extension;
    return name;
}

std::string ILDiskCache::cachePathForKey(const std::string& key)
{
    return (fs::path(diskCachePath_) / cachedFileNameForKey(key)).string();
}

bool ILDiskCache::containsDataForKey(const std::string& key)
{
    const std::string path = cachePathForKey(key);
    if (isRegularFile(path))
        return true;
    return isRegularFile(fs::path(path).replace_extension().string());
}

foundation::Ref<foundation::Data> ILDiskCache::dataForKey(const std::string& key)
{
    const std::string path = cachePathForKey(key);
    if (auto data = readCacheFile(path))
        return data;
    const std::string bare = fs::path(path).replace_extension().string();
    return bare == path ? nullptr : readCacheFile(bare);
}

void ILDiskCache::ensureFolder()
{
    std::error_code ec;
    foundation::PrivateFiles::createFolder(diskCachePath_, ec);
    if (!config_->shouldDisableiCloud())
        return;
    const fs::path tag = fs::path(diskCachePath_).parent_path() / kCacheDirectoryTag;
    struct stat info { };
    if (::lstat(tag.c_str(), &info) != 0)
        foundation::PrivateFiles::writeFile(
            tag, std::span(reinterpret_cast<const std::uint8_t*>(kTagContent), sizeof kTagContent - 1));
}

void ILDiskCache::setData(const foundation::Ref<foundation::Data>& data, const std::string& key)
{
    if (!data || data->length() > kMaximumFileLength)
        return;
    ensureFolder();
    const fs::path path = cachePathForKey(key);
    const std::uint64_t allocation = (data->length() + kBlockSize - 1) / kBlockSize * kBlockSize;
    if (!makeRoomFor(path.string(), allocation))
        return;
    std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return;
    // A cache needs no flush to disk: a file lost in a crash is downloaded again.
    struct stat info { };
    const bool written = foundation::writeAllBytes(fd, data->span()) == 0
        && ::fchmod(fd, foundation::PrivateFiles::kFileMode) == 0 && ::fstat(fd, &info) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return;
    }
    const bool accessDate = config_->diskCacheExpireType() == ILImageCacheConfigExpireType::AccessDate;
    std::lock_guard lock(indexMutex_);
    recordLocked(path.string(),
        { seconds(accessDate ? info.st_atim : info.st_mtim), static_cast<std::uint64_t>(info.st_blocks) * 512,
            0 });
}

std::optional<std::uint64_t> ILDiskCache::freeBytes() const
{
    if (const auto probe = config_->diskFreeSpaceProbe())
        return probe(diskCachePath_);
    return foundation::freeBytesAt(diskCachePath_);
}

bool ILDiskCache::makeRoomFor(const std::string& path, std::uint64_t allocated)
{
    const std::uint64_t limit = config_->maxDiskSize();
    const std::uint64_t reserve = config_->minDiskFreeSpace();
    if (limit != 0 && allocated > limit)
        return false;
    std::lock_guard lock(indexMutex_);
    ensureIndexLocked();
    std::uint64_t freed = 0;
    if (limit != 0) {
        // The file it replaces goes with the write.
        const auto replaced = index_.find(path);
        const std::uint64_t kept = replaced == index_.end() ? 0 : replaced->second.allocated;
        while (
            indexedBytes_ - std::min(kept, indexedBytes_) + allocated > limit && evictOldestLocked(freed)) { }
    }
    if (reserve == 0)
        return true;
    const std::uint64_t wanted = allocated + reserve;
    std::optional<std::uint64_t> free = freeBytes();
    if (!free || *free >= wanted)
        return true;
    freed = 0;
    while (*free + freed < wanted && evictOldestLocked(freed)) { }
    // What the disk says, not what the index thinks it freed: other programs write there too.
    free = freeBytes();
    return !free || *free >= wanted;
}

std::uint64_t ILDiskCache::reclaimSpace(const std::string& path, std::uint64_t bytes)
{
    if (bytes == 0 || !foundation::onSameFileSystem(diskCachePath_, path))
        return 0;
    std::lock_guard lock(indexMutex_);
    ensureIndexLocked();
    std::uint64_t freed = 0;
    while (freed < bytes && evictOldestLocked(freed)) { }
    return freed;
}

void ILDiskCache::ensureIndexLocked()
{
    if (indexed_)
        return;
    const bool accessDate = config_->diskCacheExpireType() == ILImageCacheConfigExpireType::AccessDate;
    std::vector<CacheEntry> files;
    enumerate(diskCachePath_, accessDate, files, nullptr);
    for (const auto& file : files)
        recordLocked(file.path.string(), { file.date, file.allocated, 0 });
    indexed_ = true;
}

bool ILDiskCache::evictOldestLocked(std::uint64_t& freed)
{
    while (!byDate_.empty()) {
        const std::string path = std::get<2>(*byDate_.begin());
        const std::uint64_t allocated = index_[path].allocated;
        forgetLocked(path);
        // A file someone else removed meanwhile frees nothing here; the next one is tried.
        if (::unlink(path.c_str()) == 0) {
            freed += allocated;
            return true;
        }
    }
    return false;
}

void ILDiskCache::recordLocked(const std::string& path, IndexEntry entry)
{
    forgetLocked(path);
    entry.order = nextOrder_++;
    index_.emplace(path, entry);
    byDate_.emplace(entry.date, entry.order, path);
    indexedBytes_ += entry.allocated;
}

void ILDiskCache::forgetLocked(const std::string& path)
{
    const auto found = index_.find(path);
    if (found == index_.end())
        return;
    byDate_.erase({ found->second.date, found->second.order, path });
    indexedBytes_ -= std::min(indexedBytes_, found->second.allocated);
    index_.erase(found);
}

void ILDiskCache::resetIndex(std::vector<std::pair<std::string, IndexEntry>> entries)
{
    std::lock_guard lock(indexMutex_);
    index_.clear();
    byDate_.clear();
    indexedBytes_ = 0;
    for (auto& [path, entry] : entries)
        recordLocked(path, entry);
    indexed_ = true;
}

void ILDiskCache::removeDataForKey(const std::string& key)
{
    const std::string path = cachePathForKey(key);
    ::unlink(path.c_str());
    std::lock_guard lock(indexMutex_);
    forgetLocked(path);
}

void ILDiskCache::removeAllData()
{
    std::error_code ec;
    fs::remove_all(diskCachePath_, ec);
    foundation::PrivateFiles::createFolder(diskCachePath_, ec);
    resetIndex({});
}

void ILDiskCache::removeExpiredData()
{
    const bool accessDate = config_->diskCacheExpireType() == ILImageCacheConfigExpireType::AccessDate;
    const double age = config_->maxDiskAge();
    const std::uint64_t sizeLimit = config_->maxDiskSize();
    const double now = dispatch::Clock::current()->secondsSince1970();

    std::vector<CacheEntry> files;
    std::vector<CacheEntry> hidden;
    enumerate(diskCachePath_, accessDate, files, &hidden);
    // Temporary files of writers that never finished (a crash, a full disk).
    for (const auto& entry : hidden)
        if (entry.date <= now - kTemporaryFileAge)
            ::unlink(entry.path.c_str());

    std::vector<CacheEntry> kept;
    std::uint64_t total = 0;
    for (auto& entry : files) {
        if (age >= 0 && entry.date <= now - age) {
            ::unlink(entry.path.c_str());
            continue;
        }
        total += entry.allocated;
        kept.push_back(std::move(entry));
    }
    if (sizeLimit != 0 && total > sizeLimit) {
        const std::uint64_t target = sizeLimit / 2;
        std::stable_sort(kept.begin(), kept.end(),
            [](const CacheEntry& a, const CacheEntry& b) { return a.date < b.date; });
        std::size_t removed = 0;
        for (const auto& entry : kept) {
            if (total < target)
                break;
            ++removed;
            if (::unlink(entry.path.c_str()) == 0)
                total -= entry.allocated;
        }
        kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(removed));
    }
    std::vector<std::pair<std::string, IndexEntry>> entries;
    entries.reserve(kept.size());
    for (const auto& entry : kept)
        entries.emplace_back(entry.path.string(), IndexEntry { entry.date, entry.allocated, 0 });
    resetIndex(std::move(entries));
}

std::uint64_t ILDiskCache::totalSize()
{
    std::vector<CacheEntry> files;
    enumerate(diskCachePath_, false, files, nullptr);
    std::uint64_t total = 0;
    for (const auto& entry : files)
        total += entry.size;
    return total;
}

std::uint64_t ILDiskCache::totalCount()
{
    std::vector<CacheEntry> files;
    enumerate(diskCachePath_, false, files, nullptr);
    return files.size();
}

void ILDiskCache::moveCacheDirectory(const std::string& srcPath, const std::string& dstPath)
{
    if (srcPath == dstPath)
        return;
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(srcPath, ec)))
        return;
    if (fs::is_directory(fs::symlink_status(dstPath, ec))) {
        std::vector<fs::path> entries;
        for (auto it = fs::directory_iterator(srcPath, ec); !ec && it != fs::directory_iterator();
             it.increment(ec))
            entries.push_back(it->path());
        for (const auto& entry : entries)
            fs::rename(entry, fs::path(dstPath) / entry.filename(), ec);
        fs::remove_all(srcPath, ec);
        return;
    }
    if (fs::exists(fs::symlink_status(dstPath, ec)))
        fs::remove(dstPath, ec);
    foundation::PrivateFiles::createFolder(fs::path(dstPath).parent_path(), ec);
    fs::rename(srcPath, dstPath, ec);
}
