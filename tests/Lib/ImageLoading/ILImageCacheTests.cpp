#include "Lib/ImageLoading/ILDiskCache.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Lib/ImageLoading/ILMemoryCache.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Storage/Paths.h"
#include "Support/TempHome.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <mutex>

namespace fs = std::filesystem;
using foundation::Data;
using foundation::Ref;

namespace {

ILCacheKey key(const std::string& text)
{
    return foundation::String::create(text);
}

ILImageRef picture(bool alpha)
{
    QImage pixels(6, 4, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    pixels.fill(alpha ? QColor(0, 0, 255, 128) : QColor(Qt::green));
    return graphics::Image::create(pixels);
}

Ref<Data> png(int width = 3, int height = 2)
{
    QImage pixels(width, height, QImage::Format_RGB32);
    pixels.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixels.save(&buffer, "PNG");
    return Data::create(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

class ImageCache : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = testsupport::makeScratchDir("image-cache");
        cache_ = ILImageCache::create("test", root_.string());
    }

    bool onDisk(const std::string& k) { return cache_->diskImageDataExistsWithKey(key(k)); }
    bool inMemory(const std::string& k) { return cache_->imageFromMemoryCacheForKey(key(k)) != nullptr; }
    static bool waitFor(const std::function<bool()>& predicate)
    {
        return dispatch::RunLoop::runUntil(predicate, 10);
    }

    fs::path root_;
    std::shared_ptr<ILImageCache> cache_;
};

} // namespace

// The migration runs once per process, for the first cache made: this test comes before every
// other that makes one.
TEST(ImageCacheMigration, TheFormerFolderMovesIntoTheCacheFolderOnce)
{
    const fs::path caches = foundation::Paths::cacheDirectory();
    const fs::path former = caches / "default" / "com.tallowind.ILWebCache.default";
    fs::create_directories(former);
    std::ofstream(former / "0123456789abcdef0123456789abcdef.png") << "old";
    const auto cache = ILImageCache::create("migration");
    cache->ioQueue()->sync([] {});
    EXPECT_FALSE(fs::exists(former));
    EXPECT_TRUE(fs::exists(
        caches / "com.tallowind.ILImageCache" / "default" / "0123456789abcdef0123456789abcdef.png"));
}

TEST_F(ImageCache, StoresByCacheType)
{
    struct Case {
        long type;
        bool memory;
        bool disk;
    };
    for (const Case c : { Case { 0, false, false }, Case { 1, false, true }, Case { 2, true, false },
             Case { 3, true, true }, Case { 7, false, false } }) {
        const std::string k = "https://example.test/store-" + std::to_string(c.type) + ".png";
        bool completed = false;
        cache_->storeImage(
            picture(false), png(), key(k), static_cast<ILCacheType>(c.type), [&] { completed = true; });
        ASSERT_TRUE(waitFor([&] { return completed; })) << c.type;
        EXPECT_EQ(inMemory(k), c.memory) << c.type;
        EXPECT_EQ(onDisk(k), c.disk) << c.type;
    }
    bool completed = false;
    cache_->storeImage(nullptr, png(), key("no-image"), ILCacheTypeAll, [&] { completed = true; });
    EXPECT_TRUE(completed) << "without an image only the completion runs, at once";
    EXPECT_FALSE(onDisk("no-image"));
}

TEST_F(ImageCache, RemovesByCacheTypeAndIgnoresANilKey)
{
    const std::string k = "https://example.test/remove.png";
    for (const long type : { 1L, 2L, 3L }) {
        bool stored = false;
        cache_->storeImage(picture(false), png(), key(k), ILCacheTypeAll, [&] { stored = true; });
        ASSERT_TRUE(waitFor([&] { return stored; }));
        bool removed = false;
        cache_->removeImageForKey(key(k), static_cast<ILCacheType>(type), [&] { removed = true; });
        ASSERT_TRUE(waitFor([&] { return removed; }));
        EXPECT_EQ(inMemory(k), type == 1) << type;
        EXPECT_EQ(onDisk(k), type == 2) << type;
        cache_->clearMemory();
    }
    bool called = false;
    cache_->removeImageForKey(nullptr, ILCacheTypeAll, [&] { called = true; });
    // Completions come in order: once a later removal's has come, the nil key's would have.
    bool later = false;
    cache_->removeImageForKey(key("https://example.test/later.png"), ILCacheTypeAll, [&] { later = true; });
    ASSERT_TRUE(waitFor([&] { return later; }));
    EXPECT_FALSE(called) << "a nil key calls no completion";
}

TEST_F(ImageCache, AnImageWithoutDataIsWrittenAsPngWithAlphaElseJpeg)
{
    bool done = false;
    cache_->storeImage(picture(true), key("alpha"), [&] { done = true; });
    ASSERT_TRUE(waitFor([&] { return done; }));
    done = false;
    cache_->storeImage(picture(false), key("opaque"), [&] { done = true; });
    ASSERT_TRUE(waitFor([&] { return done; }));
    const auto alpha = cache_->diskImageDataForKey(key("alpha"));
    const auto opaque = cache_->diskImageDataForKey(key("opaque"));
    ASSERT_TRUE(alpha && opaque);
    EXPECT_EQ(alpha->view().substr(0, 4), "\x89PNG");
    EXPECT_EQ(opaque->view().substr(0, 2), "\xFF\xD8");
}

TEST_F(ImageCache, AMemoryHitAnswersAtOnceWithoutTheDisk)
{
    const std::string k = "https://example.test/memory.png";
    const auto image = picture(false);
    cache_->storeImage(image, nullptr, key(k), ILCacheTypeMemory, nullptr);
    ILImageRef answered;
    long type = -1;
    auto operation = cache_->queryImageForKey(
        key(k), 0, nullptr, [&](const ILImageRef& found, const Ref<Data>& data, ILCacheType t) {
            answered = found;
            type = t;
            EXPECT_EQ(data, nullptr);
        });
    EXPECT_EQ(operation, nullptr);
    EXPECT_EQ(answered, image) << "before the query returned";
    EXPECT_EQ(type, ILCacheTypeMemory);

    // Asking for the data too goes to the disk (none there), still reporting the memory image.
    bool done = false;
    cache_->queryImageForKey(key(k), ILLoadQueryMemoryData, nullptr,
        [&](const ILImageRef& found, const Ref<Data>& data, ILCacheType t) {
            done = true;
            EXPECT_EQ(found, image);
            EXPECT_EQ(data, nullptr);
            EXPECT_EQ(t, ILCacheTypeMemory);
        });
    EXPECT_FALSE(done) << "asynchronous unless asked to be synchronous";
    ASSERT_TRUE(waitFor([&] { return done; }));
}

TEST_F(ImageCache, ADiskHitIsDecodedAndKeptInMemory)
{
    const std::string k = "https://example.test/previews/a@2x.png?v=1";
    cache_->storeImageDataToDisk(png(6, 4), key(k));
    ILImageRef found;
    Ref<Data> data;
    long type = -1;
    cache_->queryImageForKey(key(k), ILLoadQueryDiskDataSync, nullptr,
        [&](const ILImageRef& i, const Ref<Data>& d, ILCacheType t) {
            found = i;
            data = d;
            type = t;
        });
    ASSERT_NE(found, nullptr) << "a synchronous query answers before it returns";
    EXPECT_EQ(type, ILCacheTypeDisk);
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(found->scale(), 2.0) << "the scale comes from the key";
    EXPECT_TRUE(inMemory(k));

    cache_->storeImageDataToDisk(Data::create(std::string_view("not an image")), key("broken"));
    bool done = false;
    cache_->queryImageForKey(
        key("broken"), 0, nullptr, [&](const ILImageRef& i, const Ref<Data>& d, ILCacheType t) {
            done = true;
            EXPECT_EQ(i, nullptr);
            EXPECT_NE(d, nullptr) << "an undecodable file still answers its data";
            EXPECT_EQ(t, ILCacheTypeDisk);
        });
    ASSERT_TRUE(waitFor([&] { return done; }));
}

TEST_F(ImageCache, ACancelledQueryAnswersNothingOnTheIoQueue)
{
    cache_->storeImageDataToDisk(png(), key("k"));
    // Hold the io queue so that the cancel comes before the disk step.
    std::atomic<bool> release { false };
    cache_->ioQueue()->async([&] {
        while (!release)
            std::this_thread::yield();
    });
    bool onIoQueue = false;
    bool done = false;
    auto operation = cache_->queryImageForKey(
        key("k"), 0, nullptr, [&](const ILImageRef& i, const Ref<Data>& d, ILCacheType t) {
            onIoQueue = cache_->ioQueue()->isCurrent();
            EXPECT_EQ(i, nullptr);
            EXPECT_EQ(d, nullptr);
            EXPECT_EQ(t, ILCacheTypeNone);
            done = true;
        });
    ASSERT_NE(operation, nullptr);
    operation->cancel();
    release = true;
    cache_->ioQueue()->sync([] {});
    EXPECT_TRUE(done);
    EXPECT_TRUE(onIoQueue);
}

TEST_F(ImageCache, ClosingForExitGivesUpQueuedWritesAndSaysWhenTheIoQueueDrained)
{
    cache_->storeImageDataToDisk(png(), key("before"));
    // The io queue is held, so that the writes below are still queued when the cache closes.
    std::promise<void> release;
    cache_->ioQueue()->async([held = release.get_future().share()] { held.wait(); });
    cache_->storeImage(picture(false), png(), key("with data"), ILCacheTypeAll, nullptr);
    cache_->storeImage(picture(true), key("encoded on the queue"), nullptr);
    const auto drained = cache_->closeForExit();
    EXPECT_FALSE(drained());
    cache_->storeImage(picture(false), png(), key("after"), ILCacheTypeAll, nullptr);
    release.set_value();
    ASSERT_TRUE(waitFor(drained));

    EXPECT_TRUE(onDisk("before"));
    EXPECT_FALSE(onDisk("with data"));
    EXPECT_FALSE(onDisk("encoded on the queue"));
    EXPECT_FALSE(onDisk("after"));
    EXPECT_TRUE(inMemory("after"));
    // A removal still runs: what a sign-out clears does not stay behind.
    cache_->removeImageFromDiskForKey(key("before"));
    EXPECT_FALSE(onDisk("before"));
}

TEST_F(ImageCache, ContainsAndClearByType)
{
    cache_->storeImage(picture(false), png(), key("both"), ILCacheTypeAll, nullptr);
    cache_->storeImage(picture(false), png(), key("disk"), ILCacheTypeDisk, nullptr);
    cache_->ioQueue()->sync([] {});
    std::vector<long> answers;
    for (const char* k : { "both", "disk", "none" })
        cache_->containsImageForKey(key(k), ILCacheTypeAll, [&](ILCacheType t) { answers.push_back(t); });
    cache_->containsImageForKey(key("both"), ILCacheTypeDisk, [&](ILCacheType t) { answers.push_back(t); });
    cache_->containsImageForKey(key("disk"), ILCacheTypeMemory, [&](ILCacheType t) { answers.push_back(t); });
    cache_->containsImageForKey(
        key("both"), static_cast<ILCacheType>(9), [&](ILCacheType t) { answers.push_back(t); });
    ASSERT_TRUE(waitFor([&] { return answers.size() == 6; }));
    // Memory answers come at once, disk answers later on the main queue.
    EXPECT_EQ(answers, (std::vector<long> { 2, 0, 0, 1, 0, 1 }));

    bool cleared = false;
    cache_->clearWithCacheType(ILCacheTypeMemory, [&] { cleared = true; });
    EXPECT_TRUE(cleared);
    EXPECT_FALSE(inMemory("both"));
    EXPECT_TRUE(onDisk("both"));
    cleared = false;
    cache_->clearWithCacheType(ILCacheTypeDisk, [&] { cleared = true; });
    ASSERT_TRUE(waitFor([&] { return cleared; }));
    EXPECT_EQ(cache_->totalDiskCount(), 0u);
}

TEST_F(ImageCache, TheConfigurationReachesTheMemoryCacheAndCopiesStayApart)
{
    const auto memory = std::dynamic_pointer_cast<ILMemoryCache>(cache_->memoryCache());
    ASSERT_NE(memory, nullptr);
    cache_->config()->setMaxMemoryCount(20480);
    EXPECT_EQ(memory->countLimit(), 20480u);
    const auto other = ILImageCacheConfig::create();
    other->setMaxMemoryCount(1);
    cache_->setConfig(other);
    EXPECT_EQ(memory->countLimit(), 20480u) << "a new config is the image cache's own copy";
    EXPECT_EQ(cache_->config()->maxMemoryCount(), 1u);
    EXPECT_NE(cache_->config(), other);
}

TEST_F(ImageCache, FolderLayoutAndTheExpiryAtQuit)
{
    EXPECT_EQ(cache_->diskCachePath(), (root_ / "test").string());
    EXPECT_EQ(cache_->cachePathForKey(key("k")),
        (root_ / "test" / ILDiskCache::cachedFileNameForKey("k")).string());
    EXPECT_EQ(cache_->cachePathForKey(nullptr), "");
    const auto defaultPlace = ILImageCache::create();
    EXPECT_EQ(defaultPlace->diskCachePath(),
        (foundation::Paths::cacheDirectory() / "com.tallowind.ILImageCache" / "default").string());

    cache_->config()->setMaxDiskAge(0);
    cache_->storeImageDataToDisk(png(), key("old"));
    const auto ended = cache_->applicationWillTerminate();
    ASSERT_TRUE(waitFor(ended));
    EXPECT_FALSE(onDisk("old"));
}

namespace {

// A disk cache that holds nothing and counts its expiry passes.
class CountingDiskCache final : public ILDiskCacheProtocol {
public:
    int expiryPasses() const { return expiryPasses_; }

    bool containsDataForKey(const std::string&) override { return false; }
    Ref<Data> dataForKey(const std::string&) override { return nullptr; }
    void setData(const Ref<Data>&, const std::string&) override { }
    void removeDataForKey(const std::string&) override { }
    void removeAllData() override { }
    void removeExpiredData() override { ++expiryPasses_; }
    std::string cachePathForKey(const std::string&) override { return {}; }
    std::uint64_t totalSize() override { return 0; }
    std::uint64_t totalCount() override { return 0; }

private:
    std::atomic<int> expiryPasses_ { 0 };
};

// Holds a queue until opened.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
};

} // namespace

// The shared cache is made here, inside an application and on a counting disk cache; no other
// test of this program uses it.
TEST(ImageCacheQuit, TheQuitSignalStartsOnePassAndLeavesTheWaitToTheQuitSequence)
{
    int argc = 1;
    char name[] = "ImageLoadingCacheTests";
    char* argv[] = { name, nullptr };
    QCoreApplication application(argc, argv);
    const auto defaults = ILImageCacheConfig::defaultCacheConfig();
    const auto diskCacheClass = defaults->diskCacheClass();
    const auto disk = std::make_shared<CountingDiskCache>();
    defaults->setDiskCacheClass(
        [disk](const std::string&, std::shared_ptr<ILImageCacheConfig>) { return disk; });
    const auto cache = ILImageCache::sharedImageCache();
    defaults->setDiskCacheClass(diskCacheClass);
    ASSERT_EQ(cache->diskCache(), disk);

    // The io queue stays held until a main-queue block opens it: a wait for the pass inside the
    // quit signal would run that block there.
    const auto gate = std::make_shared<Gate>();
    cache->ioQueue()->async([gate] {
        std::unique_lock lock(gate->mutex);
        gate->changed.wait(lock, [&] { return gate->open; });
    });
    dispatch::mainQueue().async([gate] {
        std::lock_guard lock(gate->mutex);
        gate->open = true;
        gate->changed.notify_all();
    });
    EXPECT_TRUE(QMetaObject::invokeMethod(&application, "aboutToQuit", Qt::DirectConnection));
    {
        std::lock_guard lock(gate->mutex);
        EXPECT_FALSE(gate->open) << "the cache waited inside the quit signal";
    }
    // The application's quit sequence asks as well, and does the waiting.
    const auto ended = cache->applicationWillTerminate();
    ASSERT_TRUE(dispatch::RunLoop::runUntil(ended, 10));
    EXPECT_EQ(disk->expiryPasses(), 1) << "one expiry pass at quit, however many ask";
}
