#include "Lib/ImageLoading/ILDiskCache.h"
#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Platform/Crypto/Digest.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/Data.h"
#include "Support/TempHome.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utime.h>

extern char** environ;

namespace fs = std::filesystem;
using foundation::Data;

namespace {

class DiskCache : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = testsupport::makeScratchDir("disk-cache");
        folder_ = (root_ / "com.tallowind.ILImageCache" / "default").string();
        config_ = ILImageCacheConfig::create();
        cache_ = ILDiskCache::create(folder_, config_);
    }

    static foundation::Ref<Data> bytes(std::string_view text) { return Data::create(text); }

    // Sets both times of a file to `secondsSince1970`.
    static void age(const std::string& path, double secondsSince1970)
    {
        timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(secondsSince1970);
        times[0].tv_nsec = times[1].tv_nsec
            = static_cast<long>((secondsSince1970 - static_cast<double>(times[0].tv_sec)) * 1e9);
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }

    fs::path root_;
    std::string folder_;
    std::shared_ptr<ILImageCacheConfig> config_;
    std::shared_ptr<ILDiskCache> cache_;
};

} // namespace

TEST_F(DiskCache, FileNamesAreTheKeysDigestAndAPlainExtension)
{
    const std::string url = "https://example.test/previews/a.jpg?v=3&x=%20y";
    EXPECT_EQ(ILDiskCache::cachedFileNameForKey(url), crypto::md5Hex(url) + ".jpg")
        << "the query is not part of it";
    EXPECT_EQ(ILDiskCache::cachedFileNameForKey("plain-key"), crypto::md5Hex(std::string_view("plain-key")));
    EXPECT_EQ(ILDiskCache::cachedFileNameForKey("/tmp/picture.PNG"),
        crypto::md5Hex(std::string_view("/tmp/picture.PNG")) + ".PNG");
    // Extensions that could carry control characters, path parts or a name past the limit are dropped.
    for (const std::string& key : std::vector<std::string> { "https://h.test/a.p%0Ag",
             "https://h.test/a.png%2F..", std::string("/x/a.") + std::string(17, 'g'),
             std::string("/x/a.") + std::string(300, 'g'), "/x/a.jp g", "/x/a.\x01png", "/x/a.pn-g" }) {
        const std::string name = ILDiskCache::cachedFileNameForKey(key);
        EXPECT_EQ(name, crypto::md5Hex(key)) << key;
    }
    EXPECT_EQ(ILDiskCache::cachedFileNameForKey(std::string("/x/a.") + std::string(16, 'g')),
        crypto::md5Hex(std::string("/x/a.") + std::string(16, 'g')) + "." + std::string(16, 'g'));
}

TEST_F(DiskCache, StoresReadsAndRemovesByKey)
{
    const std::string key = "https://example.test/a.png";
    EXPECT_FALSE(cache_->containsDataForKey(key));
    EXPECT_EQ(cache_->dataForKey(key), nullptr);
    cache_->setData(bytes("first"), key);
    ASSERT_TRUE(cache_->containsDataForKey(key));
    EXPECT_EQ(cache_->dataForKey(key)->view(), "first");
    EXPECT_TRUE(fs::is_regular_file(cache_->cachePathForKey(key)));
    cache_->setData(bytes("second"), key);
    EXPECT_EQ(cache_->dataForKey(key)->view(), "second");
    EXPECT_EQ(cache_->totalCount(), 1u) << "no temporary file is left behind";
    EXPECT_EQ(cache_->totalSize(), 6u);
    cache_->removeDataForKey(key);
    EXPECT_FALSE(cache_->containsDataForKey(key));
    cache_->setData(nullptr, key);
    EXPECT_FALSE(cache_->containsDataForKey(key)) << "nil data writes nothing";
}

TEST_F(DiskCache, AFileWithoutExtensionServesAKeyWithOne)
{
    const std::string key = "https://example.test/b.webp";
    fs::create_directories(folder_);
    std::ofstream(fs::path(folder_) / crypto::md5Hex(key)) << "bare";
    EXPECT_TRUE(cache_->containsDataForKey(key));
    ASSERT_NE(cache_->dataForKey(key), nullptr);
    EXPECT_EQ(cache_->dataForKey(key)->view(), "bare");
    cache_->removeDataForKey(key);
    EXPECT_TRUE(cache_->containsDataForKey(key)) << "removal takes the name with the extension only";
}

TEST_F(DiskCache, LinksAndOversizedFilesAreNotRead)
{
    const std::string key = "linked";
    fs::create_directories(folder_);
    const fs::path secret = root_ / "secret.txt";
    std::ofstream(secret) << "not for the cache";
    fs::create_symlink(secret, cache_->cachePathForKey(key));
    EXPECT_EQ(cache_->dataForKey(key), nullptr);
    EXPECT_FALSE(cache_->containsDataForKey(key));

    const std::string big = "big";
    {
        std::ofstream out(cache_->cachePathForKey(big), std::ios::binary);
        out.seekp(static_cast<std::streamoff>(ILDiskCache::kMaximumFileLength));
        out.put('x');
    }
    EXPECT_EQ(cache_->dataForKey(big), nullptr) << "a file over the cap is a miss";
    EXPECT_EQ(cache_->totalCount(), 1u) << "the link is not counted";
}

TEST_F(DiskCache, TheCacheFolderIsTaggedForBackups)
{
    cache_->setData(bytes("x"), "k");
    const fs::path tag = root_ / "com.tallowind.ILImageCache" / "CACHEDIR.TAG";
    std::ifstream in(tag);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "Signature: 8a477f597d28d172789f06886806bc55");

    config_->setShouldDisableiCloud(false);
    const auto other = ILDiskCache::create((root_ / "plain" / "default").string(), config_);
    other->setData(bytes("x"), "k");
    EXPECT_FALSE(fs::exists(root_ / "plain" / "CACHEDIR.TAG"));
}

TEST_F(DiskCache, ExpiryDeletesFilesAsOldAsTheAgeAndLeftoverTemporaryFiles)
{
    dispatch::VirtualClock::Scope clock;
    const double now = clock.clock().secondsSince1970();
    config_->setMaxDiskAge(100);
    for (const char* key : { "exact", "younger", "older" })
        cache_->setData(bytes(key), key);
    age(cache_->cachePathForKey("exact"), now - 100);
    age(cache_->cachePathForKey("younger"), now - 99.5);
    age(cache_->cachePathForKey("older"), now - 5000);
    const std::string freshTemporary = folder_ + "/.abc.png.Q1w2e3";
    const std::string staleTemporary = folder_ + "/.abc.png.R4t5y6";
    std::ofstream(freshTemporary) << "half";
    std::ofstream(staleTemporary) << "half";
    age(freshTemporary, now - 600);
    age(staleTemporary, now - 3601);

    cache_->removeExpiredData();
    EXPECT_FALSE(cache_->containsDataForKey("exact")) << "a file exactly maxDiskAge old is expired";
    EXPECT_FALSE(cache_->containsDataForKey("older"));
    EXPECT_TRUE(cache_->containsDataForKey("younger"));
    EXPECT_TRUE(fs::exists(freshTemporary)) << "a writer may still be busy with it";
    EXPECT_FALSE(fs::exists(staleTemporary));

    config_->setMaxDiskAge(-1);
    age(cache_->cachePathForKey("younger"), now - 1e9);
    cache_->removeExpiredData();
    EXPECT_TRUE(cache_->containsDataForKey("younger")) << "a negative age switches age expiry off";
}

TEST_F(DiskCache, TrimmingDeletesTheOldestUntilBelowHalfTheLimit)
{
    dispatch::VirtualClock::Scope clock;
    const double now = clock.clock().secondsSince1970();
    config_->setMaxDiskAge(-1);
    // Ten files of 8 KiB (two 4 KiB blocks each whatever the file system), numbered oldest first.
    for (int i = 0; i < 10; ++i) {
        const std::string key = "file" + std::to_string(i);
        cache_->setData(Data::create(std::string(8192, 'a')), key);
        age(cache_->cachePathForKey(key), now - 1000 + i);
    }
    struct stat info { };
    ASSERT_EQ(::stat(cache_->cachePathForKey("file0").c_str(), &info), 0);
    const auto allocated = static_cast<std::uint64_t>(info.st_blocks) * 512;
    config_->setMaxDiskSize(allocated * 9); // 10 files are over it; the target is 4.5 files
    cache_->removeExpiredData();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(cache_->containsDataForKey("file" + std::to_string(i)), i >= 6) << i;

    config_->setMaxDiskSize(allocated * 4);
    cache_->removeExpiredData();
    EXPECT_EQ(cache_->totalCount(), 4u) << "exactly at the limit: nothing to trim";
}

TEST_F(DiskCache, RemoveAllLeavesAnEmptyFolder)
{
    cache_->setData(bytes("a"), "a");
    cache_->setData(bytes("b"), "b");
    cache_->removeAllData();
    EXPECT_TRUE(fs::is_directory(folder_));
    EXPECT_EQ(cache_->totalCount(), 0u);
}

TEST_F(DiskCache, MovingTheFolderMergesIntoAnExistingOne)
{
    const fs::path source = root_ / "old";
    const fs::path target = root_ / "new";
    fs::create_directories(source);
    std::ofstream(source / "a") << "a";
    std::ofstream(source / "b") << "b";
    cache_->moveCacheDirectory(source.string(), source.string());
    EXPECT_TRUE(fs::exists(source / "a")) << "equal paths do nothing";

    cache_->moveCacheDirectory(source.string(), target.string());
    EXPECT_FALSE(fs::exists(source));
    EXPECT_TRUE(fs::exists(target / "a"));

    fs::create_directories(source);
    std::ofstream(source / "c") << "c";
    cache_->moveCacheDirectory(source.string(), target.string());
    EXPECT_FALSE(fs::exists(source));
    EXPECT_TRUE(fs::exists(target / "a"));
    EXPECT_TRUE(fs::exists(target / "c"));

    std::ofstream(root_ / "file-in-the-way") << "x";
    fs::create_directories(source);
    std::ofstream(source / "d") << "d";
    cache_->moveCacheDirectory(source.string(), (root_ / "file-in-the-way").string());
    EXPECT_TRUE(fs::exists(root_ / "file-in-the-way" / "d")) << "a file where the folder goes is replaced";
    cache_->moveCacheDirectory((root_ / "missing").string(), target.string());
    EXPECT_TRUE(fs::exists(target / "a"));
}

// Two processes store one key over and over while this one reads it: every read is a whole file.
TEST_F(DiskCache, ConcurrentWritersNeverShowAHalfFile)
{
    const std::string key = "https://example.test/shared.png";
    std::vector<pid_t> writers;
    for (const char* fill : { "a", "b" }) {
        std::vector<std::string> args = { CORVANE_DISK_CACHE_WRITER, folder_, key, fill, "1000" };
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, CORVANE_DISK_CACHE_WRITER, nullptr, nullptr, argv.data(), environ), 0);
        writers.push_back(pid);
    }
    int reads = 0;
    int running = 2;
    while (running > 0) {
        if (const auto data = cache_->dataForKey(key)) {
            ++reads;
            const std::string_view text = data->view();
            ASSERT_EQ(text.size(), 65536u) << "a half-written file was read";
            ASSERT_EQ(text.find_first_not_of(text[0]), std::string_view::npos)
                << "two writers' bytes in one file";
        }
        running = 0;
        for (const pid_t pid : writers)
            running += ::waitpid(pid, nullptr, WNOHANG) == 0 ? 1 : 0;
    }
    EXPECT_GT(reads, 0);
    EXPECT_EQ(cache_->totalCount(), 1u);
}

namespace {

// A disk of `size` bytes that holds only the cache folder's files (and what a test adds).
struct SmallDisk {
    explicit SmallDisk(std::uint64_t bytes, std::string watched)
        : size(bytes)
        , folder(std::move(watched))
    {
    }
    std::optional<std::uint64_t> free(const std::string&) const
    {
        ++probes;
        std::uint64_t used = extra;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(folder, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            struct stat info { };
            if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode))
                used += static_cast<std::uint64_t>(info.st_blocks) * 512;
        }
        return used < size ? size - used : 0;
    }
    std::uint64_t size;
    std::string folder;
    std::uint64_t extra = 0;
    mutable int probes = 0;
};

std::uint64_t allocatedBytes(const std::string& folder)
{
    std::uint64_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        struct stat info { };
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode))
            total += static_cast<std::uint64_t>(info.st_blocks) * 512;
    }
    return total;
}

} // namespace

// While the client runs, every write keeps the folder within the size limit: the oldest files make
// way, and the newest stay.
TEST_F(DiskCache, EveryWriteKeepsTheFolderWithinTheSizeLimitOldestFirst)
{
    config_->setMinDiskFreeSpace(0);
    const std::uint64_t limit = 10 * 16384;
    config_->setMaxDiskSize(limit);
    const std::string file(16384, 'a'); // four blocks
    for (int i = 0; i < 40; ++i) {
        cache_->setData(Data::create(file), "file" + std::to_string(i));
        ASSERT_LE(allocatedBytes(folder_), limit) << "after write " << i;
        ASSERT_TRUE(cache_->containsDataForKey("file" + std::to_string(i))) << i;
    }
    EXPECT_GE(cache_->totalCount(), 8u) << "the limit is used, not emptied at each write";
    EXPECT_FALSE(cache_->containsDataForKey("file0"));
    EXPECT_TRUE(cache_->containsDataForKey("file39"));
    // A file written again is counted once.
    cache_->setData(Data::create(file), "file39");
    EXPECT_LE(allocatedBytes(folder_), limit);

    // Files already there when the cache is made count too (a cache made at the next start).
    const auto next = ILDiskCache::create(folder_, config_);
    config_->setMaxDiskSize(4 * 16384);
    next->setData(Data::create(file), "after-restart");
    EXPECT_LE(allocatedBytes(folder_), 4 * 16384u);
    EXPECT_TRUE(next->containsDataForKey("after-restart"));

    config_->setMaxDiskSize(8192);
    next->setData(Data::create(file), "larger-than-the-limit");
    EXPECT_FALSE(next->containsDataForKey("larger-than-the-limit"));
}

// The cache never writes into the room a download needs: a write that would leave less than the
// reserve free makes way first, and is skipped when even an empty cache would.
TEST_F(DiskCache, EveryWriteLeavesTheFreeSpaceReserve)
{
    const std::uint64_t reserve = 64 * 4096;
    auto disk = std::make_shared<SmallDisk>(reserve + 20 * 4096, folder_);
    config_->setMaxDiskSize(0);
    config_->setMinDiskFreeSpace(reserve);
    config_->setDiskFreeSpaceProbe([disk](const std::string& path) { return disk->free(path); });
    const std::string file(4 * 4096, 'b');
    for (int i = 0; i < 30; ++i) {
        cache_->setData(Data::create(file), "file" + std::to_string(i));
        ASSERT_GE(*disk->free(folder_), reserve) << "after write " << i;
    }
    EXPECT_TRUE(cache_->containsDataForKey("file29"));
    EXPECT_FALSE(cache_->containsDataForKey("file0"));
    EXPECT_GE(cache_->totalCount(), 4u);

    // Another program takes the disk: the cache gives up its files and skips the write.
    disk->extra = 20 * 4096;
    cache_->setData(Data::create(file), "no-room");
    EXPECT_FALSE(cache_->containsDataForKey("no-room"));
    EXPECT_EQ(cache_->totalCount(), 0u);
    EXPECT_TRUE(fs::is_empty(folder_)) << "no temporary file is left";
}

TEST_F(DiskCache, ReclaimingFreesTheOldestFilesOnTheSameDiskOnly)
{
    config_->setMinDiskFreeSpace(0);
    for (int i = 0; i < 6; ++i)
        cache_->setData(Data::create(std::string(8192, 'c')), "file" + std::to_string(i));
    const std::uint64_t each = allocatedBytes(folder_) / 6;
    EXPECT_EQ(cache_->reclaimSpace((root_ / "downloads" / "font.zip").string(), each + 1), 2 * each);
    EXPECT_FALSE(cache_->containsDataForKey("file0"));
    EXPECT_FALSE(cache_->containsDataForKey("file1"));
    EXPECT_TRUE(cache_->containsDataForKey("file2"));
    EXPECT_EQ(cache_->reclaimSpace("/proc/self/status", 1u << 30), 0u) << "another file system";
    EXPECT_EQ(cache_->reclaimSpace(root_.string(), 1u << 30), 4 * each) << "down to empty";
    EXPECT_EQ(cache_->totalCount(), 0u);
}
