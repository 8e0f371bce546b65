#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageDecoding.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILImageTintTransformer.h"
#include "Lib/ImageLoading/ILTransformedCacheKey.h"
#include "Lib/ImageLoading/ILWebCacheKeyFilter.h"
#include "Lib/ImageLoading/ILWebCombinedOperation.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Lib/ImageLoading/ILWebOptionsResult.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageTestSupport.h"
#include "Support/FakeImageParts.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

using foundation::Id;
using foundation::Ref;
using imagetest::FakeImageCache;
using imagetest::FakeImageLoader;

namespace {

struct Delivery {
    ILImageRef image;
    Ref<foundation::Error> error;
    ILCacheType type;
    bool finished;
    bool onMainQueue;
};

class Manager : public ::testing::Test {
protected:
    void SetUp() override
    {
        cache_ = std::make_shared<FakeImageCache>();
        loader_ = std::make_shared<FakeImageLoader>();
        manager_ = ILWebManager::create(cache_, loader_);
    }
    void TearDown() override { loader_->reset(); }

    std::shared_ptr<ILWebCombinedOperation> load(
        const std::string& url, ILLoadOptions options = 0, const ILContext& context = nullptr)
    {
        auto operation = manager_->loadImageWithURL(foundation::URL::URLWithString(url), options, context,
            nullptr,
            [this](const ILImageRef& image, const Ref<foundation::Data>&, const Ref<foundation::Error>& error,
                ILCacheType type, bool finished, const Ref<foundation::URL>&) {
                deliveries_.push_back({ image, error, type, finished, dispatch::mainQueue().isCurrent() });
            });
        dispatch::RunLoop::drain();
        return operation;
    }

    // Answers the newest loader request.
    void answer(const ILImageRef& image, const Ref<foundation::Error>& error = nullptr, bool finished = true)
    {
        ASSERT_FALSE(loader_->requests.empty());
        loader_->requests.back().completed(
            image, image ? foundation::Data::create(std::string_view("bytes")) : nullptr, error, finished);
        dispatch::RunLoop::drain();
    }

    std::shared_ptr<FakeImageCache> cache_;
    std::shared_ptr<FakeImageLoader> loader_;
    std::shared_ptr<ILWebManager> manager_;
    std::vector<Delivery> deliveries_;
};

const std::string kURL = "https://example.test/previews/a.png";

} // namespace

TEST_F(Manager, ACacheMissDownloadsStoresAndDeliversOnTheMainQueue)
{
    load(kURL);
    EXPECT_EQ(cache_->queries, std::vector<std::string> { kURL }) << "the cache key is the absolute URL";
    ASSERT_EQ(loader_->requests.size(), 1u);
    EXPECT_TRUE(manager_->isRunning());
    const auto image = imagetest::makeImage();
    answer(image);
    ASSERT_EQ(deliveries_.size(), 1u);
    EXPECT_EQ(deliveries_[0].image, image);
    EXPECT_EQ(deliveries_[0].type, ILCacheTypeNone);
    EXPECT_TRUE(deliveries_[0].finished);
    EXPECT_TRUE(deliveries_[0].onMainQueue);
    ASSERT_EQ(cache_->stores.size(), 1u);
    EXPECT_EQ(cache_->stores[0].type, ILCacheTypeAll);
    EXPECT_EQ(cache_->stores[0].key, kURL);
    EXPECT_FALSE(manager_->isRunning());

    load(kURL);
    ASSERT_EQ(deliveries_.size(), 2u);
    EXPECT_EQ(deliveries_[1].image, image);
    EXPECT_EQ(deliveries_[1].type, ILCacheTypeMemory);
    EXPECT_EQ(loader_->requests.size(), 1u) << "a hit downloads nothing";
}

TEST_F(Manager, NilEmptyAndBlockedURLsAreRefused)
{
    manager_->loadImageWithURL(Ref<foundation::URL>(), 0, nullptr, nullptr,
        [&](const ILImageRef&, const auto&, const Ref<foundation::Error>& error, ILCacheType, bool finished,
            const auto&) {
            deliveries_.push_back({ nullptr, error, ILCacheTypeNone, finished, true });
        });
    dispatch::RunLoop::drain();
    ASSERT_EQ(deliveries_.size(), 1u);
    EXPECT_EQ(deliveries_[0].error->code(), ILWebErrorInvalidURL);
    EXPECT_EQ(deliveries_[0].error->localizedDescription(), "Image url is nil");
    EXPECT_TRUE(deliveries_[0].finished);
    EXPECT_FALSE(manager_->isRunning());

    // A blocking failure: the next load of the URL, from any view, is refused at once.
    load(kURL);
    answer(nullptr, ILWebMakeError(ILWebErrorBadImageData, "Downloaded image has 0 pixels"));
    EXPECT_TRUE(manager_->isFailedURL(foundation::URL::URLWithString(kURL)));
    load(kURL);
    EXPECT_EQ(loader_->requests.size(), 1u);
    EXPECT_EQ(deliveries_.back().error->code(), ILWebErrorInvalidURL);
    EXPECT_EQ(deliveries_.back().error->localizedDescription(), "Image url is nil");

    // Retrying loads it, and a success unblocks it.
    load(kURL, ILLoadRetryFailed);
    ASSERT_EQ(loader_->requests.size(), 2u);
    answer(imagetest::makeImage());
    EXPECT_FALSE(manager_->isFailedURL(foundation::URL::URLWithString(kURL)));

    // A failure the loader does not block leaves the URL free.
    load("https://example.test/other.png");
    answer(nullptr, ILWebMakeError(ILWebErrorInvalidDownloadStatusCode));
    EXPECT_FALSE(manager_->isFailedURL(foundation::URL::URLWithString("https://example.test/other.png")));
}

TEST_F(Manager, ARefreshDeliversTheCachedImageThenTheDownloadUnlessNotModified)
{
    const auto cached = imagetest::makeImage();
    cache_->images[kURL] = cached;
    load(kURL, ILLoadRefreshCached);
    ASSERT_EQ(deliveries_.size(), 1u);
    EXPECT_EQ(deliveries_[0].image, cached);
    EXPECT_TRUE(deliveries_[0].finished);
    ASSERT_EQ(loader_->requests.size(), 1u);
    EXPECT_EQ(loader_->requests[0].context->objectForKey(ILWebContextLoaderCachedImage).get(), cached.get());
    const auto fresh = imagetest::makeImage(8, 8);
    answer(fresh);
    ASSERT_EQ(deliveries_.size(), 2u);
    EXPECT_EQ(deliveries_[1].image, fresh);

    load(kURL, ILLoadRefreshCached);
    answer(nullptr, ILWebMakeError(ILWebErrorCacheNotModified));
    EXPECT_EQ(deliveries_.size(), 3u) << "only the cached image when the server says it is current";
    EXPECT_FALSE(manager_->isRunning());
}

TEST_F(Manager, CacheOnlyAndLoaderOnly)
{
    load(kURL, ILLoadFromCacheOnly);
    ASSERT_EQ(deliveries_.size(), 1u);
    EXPECT_EQ(deliveries_[0].image, nullptr);
    EXPECT_EQ(deliveries_[0].error, nullptr);
    EXPECT_EQ(deliveries_[0].type, ILCacheTypeNone);
    EXPECT_TRUE(loader_->requests.empty());

    cache_->queries.clear();
    load(kURL, ILLoadFromLoaderOnly);
    EXPECT_TRUE(cache_->queries.empty()) << "the cache is not asked";
    answer(imagetest::makeImage());
    EXPECT_EQ(cache_->stores.size(), 1u) << "but the download is stored";
}

TEST_F(Manager, PartialImagesAreDeliveredButNeverStored)
{
    load(kURL, ILLoadProgressiveLoad);
    answer(imagetest::makeImage(), nullptr, false);
    answer(imagetest::makeImage(), nullptr, false);
    EXPECT_TRUE(cache_->stores.empty());
    EXPECT_TRUE(manager_->isRunning());
    answer(imagetest::makeImage(), nullptr, true);
    ASSERT_EQ(deliveries_.size(), 3u);
    EXPECT_FALSE(deliveries_[0].finished);
    EXPECT_TRUE(deliveries_[2].finished);
    EXPECT_EQ(cache_->stores.size(), 1u);
    EXPECT_FALSE(manager_->isRunning());
}

TEST_F(Manager, CancellingTwiceIsHarmlessAndBeforeTheCacheAnswersGives2002)
{
    cache_->holdQueries = true;
    auto operation = load(kURL);
    EXPECT_TRUE(manager_->isRunning());
    operation->cancel();
    operation->cancel();
    EXPECT_FALSE(manager_->isRunning());
    cache_->answerQueries();
    dispatch::RunLoop::drain();
    ASSERT_EQ(deliveries_.size(), 1u);
    EXPECT_EQ(deliveries_[0].error->code(), ILWebErrorCancelled);
    EXPECT_TRUE(deliveries_[0].error->userInfo()->empty());
    EXPECT_TRUE(loader_->requests.empty());

    cache_->holdQueries = false;
    operation = load(kURL);
    operation->cancel();
    EXPECT_TRUE(*loader_->requests.back().cancelled) << "the loader's request is cancelled with it";
    answer(nullptr, ILWebMakeError(ILWebErrorCancelled));
    EXPECT_EQ(deliveries_.back().error->code(), ILWebErrorCancelled);
    EXPECT_FALSE(manager_->isFailedURL(foundation::URL::URLWithString(kURL)));
}

TEST_F(Manager, ContextChoosesKeysAndStores)
{
    const auto filter = ILWebCacheKeyFilter::cacheKeyFilterWithBlock([](const Ref<foundation::URL>& url) {
        return foundation::String::create("key:" + url->lastPathComponent()->utf8());
    });
    auto context = foundation::Dictionary::create({ { Id(ILWebContextCacheKeyFilter), Id(filter) },
        { Id(ILWebContextStoreCacheType), Id(static_cast<long>(ILCacheTypeMemory)) } });
    load(kURL, 0, context);
    EXPECT_EQ(cache_->queries.back(), "key:a.png");
    answer(imagetest::makeImage());
    ASSERT_EQ(cache_->stores.size(), 1u);
    EXPECT_EQ(cache_->stores[0].key, "key:a.png");
    EXPECT_EQ(cache_->stores[0].type, ILCacheTypeMemory);

    // A manager-wide filter applies when the context has none; the options processor decides last.
    manager_->setCacheKeyFilter(filter);
    EXPECT_EQ(manager_->cacheKeyForURL(foundation::URL::URLWithString(kURL))->utf8(), "key:a.png");
    EXPECT_EQ(manager_->cacheKeyForURL(nullptr)->utf8(), "");
    manager_->setOptionsProcessor(ILWebOptionsProcessor::optionsProcessorWithBlock(
        [](const Ref<foundation::URL>&, ILLoadOptions options, const ILContext& merged) {
            EXPECT_NE(merged->objectForKey(ILWebContextCacheKeyFilter).get(), nullptr);
            return std::make_shared<ILWebOptionsResult>(options | ILLoadFromCacheOnly, merged);
        }));
    const auto before = loader_->requests.size();
    load("https://example.test/b.png");
    EXPECT_EQ(loader_->requests.size(), before) << "the processed options forbid the download";
}

TEST_F(Manager, TheDelegateMayForbidDownloadsAndDecideBlocking)
{
    struct Refusing : ILWebManagerDelegate {
        std::optional<bool> imageManagerShouldDownloadImageForURL(
            ILWebManager&, const Ref<foundation::URL>& url) override
        {
            return url->lastPathComponent()->utf8() != "no.png";
        }
        std::optional<bool> imageManagerShouldBlockFailedURL(
            ILWebManager&, const Ref<foundation::URL>&, const Ref<foundation::Error>&) override
        {
            return true;
        }
    };
    auto delegate = std::make_shared<Refusing>();
    manager_->setDelegate(delegate);
    load("https://example.test/no.png");
    EXPECT_TRUE(loader_->requests.empty());
    EXPECT_EQ(deliveries_.back().error, nullptr);
    load(kURL);
    answer(nullptr, ILWebMakeError(ILWebErrorInvalidDownloadStatusCode));
    EXPECT_TRUE(manager_->isFailedURL(foundation::URL::URLWithString(kURL)))
        << "the delegate's answer wins over the loader's";

    loader_->accepts = false;
    manager_->setDelegate(nullptr);
    load("https://example.test/c.png");
    EXPECT_EQ(deliveries_.back().error, nullptr) << "a loader that cannot take the URL: nothing, no error";
}

TEST_F(Manager, CancelAllCancelsEveryRunningLoad)
{
    cache_->holdQueries = true;
    load("https://example.test/1.png");
    load("https://example.test/2.png");
    manager_->cancelAll();
    EXPECT_FALSE(manager_->isRunning());
    cache_->answerQueries();
    dispatch::RunLoop::drain();
    ASSERT_EQ(deliveries_.size(), 2u);
    EXPECT_EQ(deliveries_[0].error->code(), ILWebErrorCancelled);
    EXPECT_EQ(deliveries_[1].error->code(), ILWebErrorCancelled);
}

// A transformer's image is stored under the transformed key, which the same context finds again;
// the untransformed download is stored only when the context asks for it.
TEST(ManagerTransforms, TheTransformedImageIsStoredUnderItsOwnKey)
{
    auto cache = std::make_shared<FakeImageCache>();
    auto loader = std::make_shared<FakeImageLoader>();
    auto manager = ILWebManager::create(cache, loader);
    const auto tint = ILImageTintTransformer::transformerWithColor(QColor(255, 0, 0, 128));
    const auto context = foundation::Dictionary::create({ { Id(ILWebContextImageTransformer), Id(tint) } });
    ILImageRef delivered;
    const auto url = foundation::URL::URLWithString(kURL);
    manager->loadImageWithURL(url, 0, context, nullptr,
        [&](const ILImageRef& image, const auto&, const auto&, ILCacheType, bool, const auto&) {
            delivered = image;
        });
    const auto downloaded = imagetest::makeImage();
    loader->requests.back().completed(
        downloaded, foundation::Data::create(std::string_view("bytes")), nullptr, true);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return delivered != nullptr; }, 10));
    EXPECT_NE(delivered, downloaded) << "the tinted image is delivered";
    const std::string transformedKey
        = ILTransformedCacheKey(foundation::String::create(kURL), tint->transformerKey())->utf8();
    ASSERT_EQ(cache->stores.size(), 2u);
    EXPECT_EQ(cache->stores[0].type, ILCacheTypeNone) << "the original, nowhere by default";
    EXPECT_EQ(cache->stores[1].key, transformedKey);
    EXPECT_EQ(cache->stores[1].image, delivered);
    EXPECT_EQ(cache->stores[1].data, nullptr) << "the downloaded bytes are not the tinted image";
    loader->reset();
}

TEST(CacheQueries, TransformedKeysFirstFramesAndAnimatedClasses)
{
    const auto cache = ILImageCache::create("queries", testsupport::makeScratchDir("queries").string());
    const auto tint = ILImageTintTransformer::transformerWithColor(Qt::red);
    const auto key = foundation::String::create(kURL);
    const auto tinted = imagetest::makeImage();
    cache->storeImage(
        tinted, nullptr, ILTransformedCacheKey(key, tint->transformerKey()), ILCacheTypeMemory, nullptr);
    ILImageRef found;
    cache->queryImageForKey(key, 0,
        foundation::Dictionary::create({ { Id(ILWebContextImageTransformer), Id(tint) } }),
        [&](const ILImageRef& image, const auto&, ILCacheType) { found = image; });
    EXPECT_EQ(found, tinted);

    // A memory hit of another class than the one asked for counts as a miss.
    const auto still = imagetest::makeImage();
    cache->storeImage(still, nullptr, key, ILCacheTypeMemory, nullptr);
    const auto wantsAnimated = foundation::Dictionary::create({ { Id(ILWebContextAnimatedImageClass),
        Id(foundation::ClassValue::create(ILAnimatedImage::classObject())) } });
    bool answered = false;
    cache->queryImageForKey(key, ILLoadMatchAnimatedImageClass | ILLoadQueryDiskDataSync, wantsAnimated,
        [&](const ILImageRef& image, const auto&, ILCacheType type) {
            answered = true;
            EXPECT_EQ(image, nullptr);
            EXPECT_EQ(type, ILCacheTypeNone);
        });
    EXPECT_TRUE(answered);

    // First frame only: an animated memory hit comes back as a still of its first frame.
    const auto animated = ILAnimatedImage::imageWithData(imagetest::gifData(), 1);
    ASSERT_NE(animated, nullptr);
    cache->storeImage(animated, nullptr, key, ILCacheTypeMemory, nullptr);
    cache->queryImageForKey(key, ILLoadDecodeFirstFrameOnly, nullptr,
        [&](const ILImageRef& image, const auto&, ILCacheType) { found = image; });
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found, animated);
    EXPECT_EQ(dynamic_cast<ILAnimatedImageProtocol*>(found.get()), nullptr);
    EXPECT_EQ(found->image().size(), animated->image().size());
}

// The file is kept once whatever box a load draws in: a load at another box decodes it again from
// disk instead of downloading it, and each box's image stays in memory under its own key.
TEST(ThumbnailLoads, AnotherBoxDecodesTheFileOnDiskAgain)
{
    const auto cache = ILImageCache::create("boxes", testsupport::makeScratchDir("boxes").string());
    auto loader = std::make_shared<FakeImageLoader>();
    auto manager = ILWebManager::create(cache, loader);
    const auto url = foundation::URL::URLWithString(kURL);
    const auto key = foundation::String::create(kURL);
    QImage picture(400, 200, QImage::Format_RGB32);
    picture.fill(qRgb(32, 128, 192));
    const auto file = graphicstest::qtEncoded(picture, "png");
    const ILContext small = ILContextWithThumbnail(nullptr, QSize(40, 40), false);
    const ILContext larger = ILContextWithThumbnail(nullptr, QSize(100, 100), false);

    std::vector<Delivery> deliveries;
    const auto load = [&](const ILContext& context) {
        manager->loadImageWithURL(url, 0, context, nullptr,
            [&](const ILImageRef& image, const auto&, const Ref<foundation::Error>& error, ILCacheType type,
                bool finished, const auto&) {
                deliveries.push_back({ image, error, type, finished, true });
            });
    };
    load(small);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return loader->requestCount() == 1; }, 10));
    loader->request(0).completed(ILDecodeDownloadedData(file, url, 0, small), file, nullptr, true);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return deliveries.size() == 1; }, 10));
    ASSERT_TRUE(deliveries[0].image);
    EXPECT_EQ(deliveries[0].image->image().size(), QSize(40, 20));
    EXPECT_TRUE(cache->diskImageDataExistsWithKey(key)) << "the file under the plain key";
    EXPECT_FALSE(cache->diskImageDataExistsWithKey(ILThumbnailedCacheKey(key, small)));
    EXPECT_EQ(cache->imageFromMemoryCacheForKey(ILThumbnailedCacheKey(key, small)), deliveries[0].image);
    EXPECT_EQ(cache->imageFromMemoryCacheForKey(key), nullptr) << "no small image for a load without a box";

    load(larger);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return deliveries.size() == 2; }, 10));
    EXPECT_EQ(loader->requestCount(), 1u) << "nothing downloaded again";
    EXPECT_EQ(deliveries[1].type, ILCacheTypeDisk);
    ASSERT_TRUE(deliveries[1].image);
    EXPECT_EQ(deliveries[1].image->image().size(), QSize(100, 50)) << "decoded at the new box";
    EXPECT_EQ(cache->imageFromMemoryCacheForKey(ILThumbnailedCacheKey(key, larger)), deliveries[1].image);

    // The first box is still answered from memory.
    load(small);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return deliveries.size() == 3; }, 10));
    EXPECT_EQ(deliveries[2].type, ILCacheTypeMemory);
    EXPECT_EQ(deliveries[2].image, deliveries[0].image);
    loader->reset();
}
