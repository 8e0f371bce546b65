#include "Lib/ImageLoading/ILAsyncBlockOperation.h"
#include "Lib/ImageLoading/ILImageLoadersManager.h"
#include "Lib/ImageLoading/ILWebDownloader.h"
#include "Platform/Dispatch/OperationQueue.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/URL.h"
#include "Support/FakeImageParts.h"

#include <atomic>
#include <gtest/gtest.h>

using foundation::Ref;
using imagetest::FakeImageLoader;

TEST(LoadersManager, TheLoaderAddedLastServes)
{
    const auto manager = ILImageLoadersManager::create();
    ASSERT_EQ(manager->loaders().size(), 1u);
    EXPECT_EQ(manager->loaders()[0], ILWebDownloader::sharedDownloader());
    const auto first = std::make_shared<FakeImageLoader>();
    const auto second = std::make_shared<FakeImageLoader>();
    manager->setLoaders({ first, second });
    const auto url = foundation::URL::URLWithString("https://example.test/a.png");
    EXPECT_NE(manager->requestImageWithURL(url, 0, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(second->requests.size(), 1u);
    EXPECT_TRUE(first->requests.empty());

    second->accepts = false;
    manager->requestImageWithURL(url, 0, nullptr, nullptr, nullptr);
    EXPECT_EQ(first->requests.size(), 1u) << "the next one down that takes the URL";
    EXPECT_TRUE(manager->shouldBlockFailedURLWithURL(url, ILWebMakeError(ILWebErrorBadImageData)));

    first->accepts = false;
    bool called = false;
    EXPECT_EQ(manager->requestImageWithURL(url, 0, nullptr, nullptr,
                  [&](const auto&, const auto&, const auto&, bool) { called = true; }),
        nullptr);
    EXPECT_FALSE(manager->canRequestImageForURL(url));
    EXPECT_FALSE(manager->shouldBlockFailedURLWithURL(url, ILWebMakeError(ILWebErrorBadImageData)));
    EXPECT_EQ(manager->requestImageWithURL(nullptr, 0, nullptr, nullptr,
                  [&](const auto&, const auto&, const auto&, bool) { called = true; }),
        nullptr);
    EXPECT_FALSE(called) << "nothing to ask: no completion";
    manager->removeLoader(first);
    manager->setLoaders({});
    EXPECT_TRUE(manager->loaders().empty());
}

TEST(AsyncBlockOperation, StaysExecutingUntilCompleted)
{
    auto queue = dispatch::OperationQueue::create("async-block");
    queue->setMaxConcurrentOperationCount(1);
    std::atomic<ILAsyncBlockOperation*> running { nullptr };
    std::atomic<int> secondRan { 0 };
    auto first = ILAsyncBlockOperation::blockOperationWithBlock(
        [&](ILAsyncBlockOperation& operation) { running = &operation; });
    auto second = ILAsyncBlockOperation::blockOperationWithBlock([&](ILAsyncBlockOperation& operation) {
        ++secondRan;
        operation.complete();
    });
    queue->addOperation(first);
    queue->addOperation(second);
    while (!running)
        std::this_thread::yield();
    EXPECT_TRUE(first->isExecuting());
    EXPECT_EQ(secondRan, 0) << "the queue waits for the block to report completion";
    running.load()->complete();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(secondRan, 1);
    EXPECT_TRUE(first->isFinished());
}

TEST(AsyncBlockOperation, CancelledBeforeStartNeverRunsAndCancelCompletesARunningOne)
{
    auto queue = dispatch::OperationQueue::create("async-cancel");
    queue->setSuspended(true);
    bool ran = false;
    auto waiting
        = ILAsyncBlockOperation::blockOperationWithBlock([&](ILAsyncBlockOperation&) { ran = true; });
    queue->addOperation(waiting);
    waiting->cancel();
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(waiting->isFinished());

    std::atomic<bool> started { false };
    auto running
        = ILAsyncBlockOperation::blockOperationWithBlock([&](ILAsyncBlockOperation&) { started = true; });
    queue->addOperation(running);
    while (!started)
        std::this_thread::yield();
    running->cancel();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(running->isFinished());
}
