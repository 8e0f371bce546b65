#include "Lib/ImageLoading/ILWebManager.h"
#include "Lib/ImageLoading/ILWebPrefetchToken.h"
#include "Lib/ImageLoading/ILWebPrefetcher.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/URL.h"
#include "Support/FakeImageParts.h"

#include <gtest/gtest.h>

using foundation::Ref;
using imagetest::FakeImageCache;
using imagetest::FakeImageLoader;

namespace {

using Pair = std::pair<unsigned long, unsigned long>;

class Prefetcher : public ::testing::Test {
protected:
    struct Recorder : ILWebPrefetcherDelegate {
        std::vector<Pair> progress;
        std::vector<Pair> finishes;
        void imagePrefetcherDidPrefetchURL(ILWebPrefetcher&, const Ref<foundation::URL>&,
            unsigned long finished, unsigned long total) override
        {
            progress.emplace_back(finished, total);
        }
        void imagePrefetcherDidFinish(ILWebPrefetcher&, unsigned long total, unsigned long skipped) override
        {
            finishes.emplace_back(total, skipped);
        }
    };

    void SetUp() override
    {
        cache_ = std::make_shared<FakeImageCache>();
        loader_ = std::make_shared<FakeImageLoader>();
        prefetcher_ = ILWebPrefetcher::create(ILWebManager::create(cache_, loader_));
        delegate_ = std::make_shared<Recorder>();
        prefetcher_->setDelegate(delegate_);
    }
    void TearDown() override
    {
        prefetcher_->cancelPrefetching();
        loader_->reset();
    }

    static std::vector<Ref<foundation::URL>> urls(const std::string& batch, int count)
    {
        std::vector<Ref<foundation::URL>> list;
        for (int i = 0; i < count; ++i)
            list.push_back(foundation::URL::URLWithString(
                "https://example.test/" + batch + "/" + std::to_string(i) + ".png"));
        return list;
    }

    bool waitForRequests(std::size_t count)
    {
        return dispatch::RunLoop::runUntil([&] { return loader_->requestCount() >= count; }, 10);
    }

    // Answers loader request `index`, then lets the main queue deliver.
    void answer(std::size_t index, bool fails, bool finished = true)
    {
        const auto request = loader_->request(index);
        request.completed(fails ? nullptr : imagetest::makeImage(), nullptr,
            fails ? ILWebMakeError(ILWebErrorInvalidDownloadStatusCode) : nullptr, finished);
        dispatch::RunLoop::runUntil([] { return false; }, 0.05);
    }

    std::shared_ptr<FakeImageCache> cache_;
    std::shared_ptr<FakeImageLoader> loader_;
    std::shared_ptr<ILWebPrefetcher> prefetcher_;
    std::shared_ptr<Recorder> delegate_;
};

} // namespace

TEST_F(Prefetcher, AnEmptyListCompletesAtOnce)
{
    Pair completion { 9, 9 };
    EXPECT_EQ(prefetcher_->prefetchURLs({}, nullptr,
                  [&](unsigned long f, unsigned long s) {
                      completion = { f, s };
                  }),
        nullptr);
    EXPECT_EQ(completion, Pair(0, 0));
}

TEST_F(Prefetcher, ABatchCountsFinishedAndSkippedURLsAtLowPriority)
{
    std::vector<Pair> progress;
    std::optional<Pair> completion;
    auto token = prefetcher_->prefetchURLs(
        urls("a", 3), [&](unsigned long f, unsigned long t) { progress.emplace_back(f, t); },
        [&](unsigned long f, unsigned long s) { completion = Pair(f, s); });
    ASSERT_NE(token, nullptr);
    ASSERT_TRUE(waitForRequests(3));
    EXPECT_TRUE(loader_->request(0).options & ILLoadLowPriority);
    answer(1, false, false); // a partial image counts for nothing
    answer(1, false);
    answer(0, true);
    answer(2, false);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return completion.has_value(); }, 10));
    EXPECT_EQ(progress, (std::vector<Pair> { { 1, 3 }, { 2, 3 }, { 3, 3 } }));
    EXPECT_EQ(*completion, Pair(3, 1));
    EXPECT_EQ(delegate_->finishes, (std::vector<Pair> { { 3, 1 } }));
    EXPECT_EQ(prefetcher_->countOfRunningTokens(), 0u);
}

TEST_F(Prefetcher, AtMostThreeLoadsRunAtOnce)
{
    prefetcher_->prefetchURLs(urls("b", 5));
    ASSERT_TRUE(waitForRequests(3));
    dispatch::RunLoop::runUntil([] { return false; }, 0.1);
    EXPECT_EQ(loader_->requestCount(), 3u);
    answer(0, false);
    ASSERT_TRUE(waitForRequests(4));
}

TEST_F(Prefetcher, TwoBatchesSumForTheDelegateWhichHearsOnlyTheLastFinish)
{
    prefetcher_->setMaxConcurrentPrefetchCount(10);
    std::optional<Pair> firstDone, secondDone;
    prefetcher_->prefetchURLs(
        urls("one", 1), nullptr, [&](unsigned long f, unsigned long s) { firstDone = Pair(f, s); });
    prefetcher_->prefetchURLs(
        urls("two", 2), nullptr, [&](unsigned long f, unsigned long s) { secondDone = Pair(f, s); });
    ASSERT_TRUE(waitForRequests(3));
    std::size_t firstIndex = 0;
    for (std::size_t i = 0; i < 3; ++i)
        if (loader_->request(i).url->absoluteString().find("/one/") != std::string::npos)
            firstIndex = i;
    answer(firstIndex, false);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return firstDone.has_value(); }, 10));
    EXPECT_TRUE(delegate_->finishes.empty()) << "another batch still runs";
    ASSERT_EQ(delegate_->progress.size(), 1u);
    EXPECT_EQ(delegate_->progress[0], Pair(1, 3)) << "summed over both batches";
    for (std::size_t i = 0; i < 3; ++i)
        if (i != firstIndex)
            answer(i, false);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return secondDone.has_value(); }, 10));
    EXPECT_EQ(delegate_->finishes, (std::vector<Pair> { { 2, 0 } }));
}

TEST_F(Prefetcher, ACancelledBatchStartsNothingMoreAndReportsNothingMore)
{
    prefetcher_->setMaxConcurrentPrefetchCount(2);
    std::vector<Pair> cancelledProgress;
    bool cancelledDone = false;
    auto cancelled = prefetcher_->prefetchURLs(
        urls("c", 4), [&](unsigned long f, unsigned long t) { cancelledProgress.emplace_back(f, t); },
        [&](unsigned long, unsigned long) { cancelledDone = true; });
    ASSERT_TRUE(waitForRequests(2));
    cancelled->cancel();
    cancelled->cancel();
    EXPECT_TRUE(*loader_->request(0).cancelled);
    std::optional<Pair> otherDone;
    prefetcher_->prefetchURLs(
        urls("d", 1), nullptr, [&](unsigned long f, unsigned long s) { otherDone = Pair(f, s); });
    ASSERT_TRUE(waitForRequests(3));
    // The cancelled batch's loads end late, while the other batch runs.
    answer(0, false);
    answer(1, false);
    answer(2, false);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return otherDone.has_value(); }, 10));
    dispatch::RunLoop::runUntil([] { return false; }, 0.1);
    EXPECT_EQ(loader_->requestCount(), 3u) << "the cancelled batch's queued URLs never load";
    EXPECT_TRUE(cancelledProgress.empty());
    EXPECT_FALSE(cancelledDone);
    EXPECT_EQ(delegate_->progress, (std::vector<Pair> { { 1, 1 } })) << "only the other batch is counted";
    EXPECT_EQ(delegate_->finishes, (std::vector<Pair> { { 1, 0 } }));
}

TEST_F(Prefetcher, CancelPrefetchingCancelsEveryBatch)
{
    auto a = prefetcher_->prefetchURLs(urls("e", 2));
    auto b = prefetcher_->prefetchURLs(urls("f", 2));
    ASSERT_TRUE(waitForRequests(3));
    prefetcher_->cancelPrefetching();
    EXPECT_TRUE(a->isCancelled());
    EXPECT_TRUE(b->isCancelled());
    EXPECT_EQ(prefetcher_->countOfRunningTokens(), 0u);
    dispatch::RunLoop::runUntil([] { return false; }, 0.1);
    EXPECT_EQ(loader_->requestCount(), 3u);
}
