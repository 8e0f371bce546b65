#include "Lib/ImageLoading/ILImageCachesManager.h"
#include "Lib/ImageLoading/ILImageCachesManagerOperation.h"
#include "Lib/ImageLoading/ILWebCacheKeyFilter.h"
#include "Lib/ImageLoading/ILWebCacheSerializer.h"
#include "Lib/ImageLoading/ILWebOptionsResult.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Support/FakeImageParts.h"

#include <gtest/gtest.h>

using foundation::Ref;
using imagetest::FakeImageCache;

namespace {

ILCacheKey key(const char* text)
{
    return foundation::String::create(text);
}

class CachesManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        manager_ = ILImageCachesManager::create();
        low_ = std::make_shared<FakeImageCache>();
        high_ = std::make_shared<FakeImageCache>();
        manager_->setCaches({ low_, high_ });
    }

    std::shared_ptr<ILImageCachesManager> manager_;
    std::shared_ptr<FakeImageCache> low_;
    std::shared_ptr<FakeImageCache> high_;
};

} // namespace

TEST_F(CachesManager, WithoutCachesNothingAnswers)
{
    manager_->setCaches({});
    bool called = false;
    EXPECT_EQ(manager_->queryImageForKey(
                  key("k"), 0, nullptr, [&](const auto&, const auto&, ILCacheType) { called = true; }),
        nullptr);
    manager_->storeImage(imagetest::makeImage(), nullptr, key("k"), ILCacheTypeAll, [&] { called = true; });
    manager_->removeImageForKey(key("k"), ILCacheTypeAll, [&] { called = true; });
    manager_->containsImageForKey(key("k"), ILCacheTypeAll, [&](ILCacheType) { called = true; });
    manager_->clearWithCacheType(ILCacheTypeAll, [&] { called = true; });
    EXPECT_FALSE(called);
}

TEST_F(CachesManager, StoresGoToTheHighestAndRemovalsToAll)
{
    bool stored = false;
    manager_->storeImage(imagetest::makeImage(), nullptr, key("k"), ILCacheTypeAll, [&] { stored = true; });
    EXPECT_TRUE(stored);
    EXPECT_EQ(high_->stores.size(), 1u);
    EXPECT_TRUE(low_->stores.empty());
    int removed = 0;
    manager_->removeImageForKey(key("k"), ILCacheTypeAll, [&] { ++removed; });
    EXPECT_EQ(removed, 1) << "one completion after every cache answered";
    EXPECT_EQ(low_->removals.size(), 1u);
    EXPECT_EQ(high_->removals.size(), 1u);
    manager_->storeOperationPolicy = ILCachesPolicy::LowestOnly;
    manager_->storeImage(imagetest::makeImage(), nullptr, key("k"), ILCacheTypeAll, nullptr);
    EXPECT_EQ(low_->stores.size(), 1u);
    manager_->storeOperationPolicy = ILCachesPolicy::Serial;
    manager_->storeImage(imagetest::makeImage(), nullptr, nullptr, ILCacheTypeAll, [&] { stored = false; });
    EXPECT_TRUE(stored) << "a nil key does nothing";
}

TEST_F(CachesManager, ASerialQueryStopsAtTheFirstCacheWithTheImage)
{
    const auto image = imagetest::makeImage();
    high_->images["k"] = image;
    low_->images["k"] = imagetest::makeImage();
    ILImageRef found;
    auto operation = manager_->queryImageForKey(
        key("k"), 0, nullptr, [&](const ILImageRef& i, const auto&, ILCacheType) { found = i; });
    EXPECT_EQ(found, image);
    EXPECT_TRUE(low_->queries.empty()) << "the highest priority cache answered";
    auto handle = std::dynamic_pointer_cast<ILImageCachesManagerOperation>(operation);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->isFinished());

    int answers = 0;
    ILCacheType type = ILCacheTypeAll;
    manager_->queryImageForKey(key("none"), 0, nullptr, [&](const auto&, const auto&, ILCacheType t) {
        ++answers;
        type = t;
    });
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(type, ILCacheTypeNone);
    EXPECT_EQ(low_->queries.back(), "none") << "the walk went on down to the lowest";
}

TEST_F(CachesManager, ACancelledQueryPassesNoAnswerOn)
{
    high_->holdQueries = true;
    low_->holdQueries = true;
    low_->images["k"] = imagetest::makeImage();
    for (const ILCachesPolicy policy : { ILCachesPolicy::Serial, ILCachesPolicy::Concurrent }) {
        manager_->queryOperationPolicy = policy;
        bool answered = false;
        auto operation = manager_->queryImageForKey(
            key("k"), 0, nullptr, [&](const auto&, const auto&, ILCacheType) { answered = true; });
        operation->cancel();
        high_->answerQueries();
        low_->answerQueries();
        EXPECT_FALSE(answered) << static_cast<long>(policy);
    }
}

TEST_F(CachesManager, ConcurrentQueriesAnswerOnceWithTheFirstHit)
{
    manager_->queryOperationPolicy = ILCachesPolicy::Concurrent;
    high_->holdQueries = true;
    low_->holdQueries = true;
    const auto image = imagetest::makeImage();
    low_->images["k"] = image;
    high_->images["k"] = imagetest::makeImage();
    std::vector<ILImageRef> answers;
    manager_->queryImageForKey(
        key("k"), 0, nullptr, [&](const ILImageRef& i, const auto&, ILCacheType) { answers.push_back(i); });
    EXPECT_EQ(high_->queries.size(), 1u);
    EXPECT_EQ(low_->queries.size(), 1u) << "every cache is asked at once";
    low_->answerQueries();
    high_->answerQueries();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], image);

    std::vector<ILCacheType> contains;
    manager_->containsOperationPolicy = ILCachesPolicy::Concurrent;
    manager_->containsImageForKey(key("none"), ILCacheTypeAll, [&](ILCacheType t) { contains.push_back(t); });
    EXPECT_EQ(contains, std::vector<ILCacheType> { ILCacheTypeNone }) << "after every cache said no";
}

TEST_F(CachesManager, ClearReachesEveryCache)
{
    int cleared = 0;
    manager_->clearWithCacheType(ILCacheTypeAll, [&] { ++cleared; });
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(low_->clears, 1);
    EXPECT_EQ(high_->clears, 1);
}

TEST(CachesManagerOperation, CountsDownAndNeverBelowZero)
{
    ILImageCachesManagerOperation operation;
    std::vector<std::string> keys;
    auto observation = operation.observeChanges([&](const std::string& k) { keys.push_back(k); });
    operation.beginWithTotalCount(2);
    EXPECT_TRUE(operation.isExecuting());
    operation.completeOne();
    operation.completeOne();
    operation.completeOne();
    EXPECT_EQ(operation.pendingCount(), 0);
    operation.done();
    EXPECT_TRUE(operation.isFinished());
    EXPECT_FALSE(operation.isExecuting());
    EXPECT_EQ(keys, (std::vector<std::string> { "isExecuting", "isFinished", "isExecuting" }));
}

TEST(BlockWrappers, AnswerWithTheirBlocksOrNil)
{
    const auto url = foundation::URL::URLWithString("https://example.test/a.png");
    EXPECT_EQ(ILWebCacheKeyFilter().cacheKeyForURL(url), nullptr);
    EXPECT_EQ(
        ILWebCacheKeyFilter::cacheKeyFilterWithBlock([](const auto& u) { return u->lastPathComponent(); })
            ->cacheKeyForURL(url)
            ->utf8(),
        "a.png");
    EXPECT_EQ(ILWebCacheSerializer().cacheDataWithImage(nullptr, nullptr, url), nullptr);
    const auto data = foundation::Data::create(std::string_view("x"));
    EXPECT_EQ(ILWebCacheSerializer::cacheSerializerWithBlock([&](const auto&, const auto&, const auto&) {
        return data;
    })->cacheDataWithImage(nullptr, nullptr, url),
        data);
    EXPECT_EQ(ILWebOptionsProcessor().processedResultForURL(url, 5, nullptr), nullptr);
    const auto result = ILWebOptionsProcessor::optionsProcessorWithBlock(
        [](const auto&, ILLoadOptions options, const ILContext& context) {
            return std::make_shared<ILWebOptionsResult>(options | 2, context);
        })->processedResultForURL(url, 5, nullptr);
    EXPECT_EQ(result->options(), 7u);
}
