#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using dispatch::Queue;

// Blocks the test thread until `count` reaches `target`; the bound only keeps a broken build
// from hanging CI.
class Latch {
public:
    void arrive()
    {
        std::lock_guard lock(mutex_);
        ++count_;
        changed_.notify_all();
    }
    bool waitFor(int target)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return count_ >= target; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

// --- Serial queues: order and exclusion ---

TEST(SerialQueueOrder, BlocksFromOneThreadRunInSubmissionOrder)
{
    auto queue = dispatch::makeSerialQueue("test.order");
    std::vector<int> seen;
    for (int i = 0; i < 20000; ++i)
        queue->async([&seen, i] { seen.push_back(i); });
    queue->sync([] {});
    ASSERT_EQ(seen.size(), 20000u);
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
}

TEST(SerialQueueOrder, NeverRunsTwoBlocksAtOnceAndKeepsEachSubmittersOrder)
{
    auto queue = dispatch::makeSerialQueue("test.exclusive");
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    std::vector<std::vector<int>> perThread(4);
    std::vector<std::thread> producers;
    for (int t = 0; t < 4; ++t) {
        producers.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                queue->async([&, t, i] {
                    const int now = running.fetch_add(1) + 1;
                    int seenMax = maxRunning.load();
                    while (now > seenMax && !maxRunning.compare_exchange_weak(seenMax, now)) {}
                    perThread[static_cast<std::size_t>(t)].push_back(i);
                    running.fetch_sub(1);
                });
            }
        });
    }
    for (auto& p : producers)
        p.join();
    queue->sync([] {});
    EXPECT_EQ(maxRunning.load(), 1);
    for (const auto& list : perThread) {
        ASSERT_EQ(list.size(), 2000u);
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(list[static_cast<std::size_t>(i)], i);
    }
}

TEST(SerialQueueOrder, SyncRunsAfterEarlierAsyncBlocks)
{
    auto queue = dispatch::makeSerialQueue("test.sync-order");
    std::vector<int> seen;
    for (int i = 0; i < 100; ++i)
        queue->async([&seen, i] { seen.push_back(i); });
    queue->sync([&seen] { seen.push_back(-1); });
    ASSERT_EQ(seen.size(), 101u);
    EXPECT_EQ(seen.back(), -1);
}

// --- sync: re-entry is a programming error, results and exceptions reach the caller ---

TEST(SyncMisuse, SyncOnTheSerialQueueRunningNowThrows)
{
    auto queue = dispatch::makeSerialQueue("test.reentry");
    bool threw = false;
    bool innerRan = false;
    queue->sync([&] {
        try {
            queue->sync([&] { innerRan = true; });
        } catch (const dispatch::ProgrammingError&) {
            threw = true;
        }
    });
    EXPECT_TRUE(threw);
    EXPECT_FALSE(innerRan);
}

TEST(SyncMisuse, SyncBackOntoTheOuterQueueThroughAnotherQueueThrows)
{
    auto outer = dispatch::makeSerialQueue("test.outer");
    auto inner = dispatch::makeSerialQueue("test.inner");
    // Keep `inner` busy so the sync below really runs on another thread.
    std::atomic<bool> release{false};
    inner->async([&] {
        while (!release.load())
            std::this_thread::yield();
    });
    bool threw = false;
    Latch done;
    outer->async([&] {
        std::thread([&] { release = true; }).detach();
        inner->sync([&] {
            EXPECT_TRUE(outer->isCurrent());
            EXPECT_TRUE(inner->isCurrent());
            try {
                outer->sync([] {});
            } catch (const dispatch::ProgrammingError&) {
                threw = true;
            }
        });
        done.arrive();
    });
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_TRUE(threw);
}

TEST(SyncMisuse, SyncOnTheMainQueueFromTheMainThreadThrows)
{
    ASSERT_TRUE(dispatch::isMainThread());
    EXPECT_THROW(dispatch::mainQueue().sync([] {}), dispatch::ProgrammingError);
}

TEST(SyncMisuse, ExceptionOfASyncBlockReachesTheCaller)
{
    auto queue = dispatch::makeSerialQueue("test.throw");
    EXPECT_THROW(queue->sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
    // The queue is usable afterwards.
    int value = 0;
    queue->async([&] { value = 7; });
    queue->sync([] {});
    EXPECT_EQ(value, 7);
}

// --- Main queue: delivery on the main thread, in order, without Qt ---

TEST(MainQueue, BlocksFromWorkersRunOnTheMainThreadInOrder)
{
    constexpr int kWorkers = 4;
    constexpr int kEach = 250;
    std::vector<std::vector<int>> seen(kWorkers);
    int total = 0;
    bool allOnMain = true;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) {
                dispatch::mainQueue().async([&, w, i] {
                    allOnMain = allOnMain && dispatch::isMainThread() && dispatch::mainQueue().isCurrent();
                    seen[static_cast<std::size_t>(w)].push_back(i);
                    ++total;
                });
            }
        });
    }
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return total == kWorkers * kEach; }, 30));
    for (auto& w : workers)
        w.join();
    EXPECT_TRUE(allOnMain);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), static_cast<std::size_t>(kEach));
        for (int i = 0; i < kEach; ++i)
            ASSERT_EQ(list[static_cast<std::size_t>(i)], i);
    }
}

TEST(MainQueue, WorkerSyncWaitsForTheMainThread)
{
    std::atomic<bool> finished{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        dispatch::mainQueue().sync([&] { ranOn = std::this_thread::get_id(); });
        finished = true;
    });
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return finished.load(); }, 30));
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

// --- Which queue runs now ---

TEST(CurrentQueue, SpecificDataIsVisibleOnlyInsideItsQueue)
{
    static const char key = 0;
    auto queue = dispatch::makeSerialQueue("test.specific");
    auto other = dispatch::makeSerialQueue("test.other");
    int marker = 0;
    queue->setSpecific(&key, &marker);
    void* inside = nullptr;
    void* nested = nullptr;
    Queue* currentInside = nullptr;
    queue->sync([&] {
        inside = Queue::currentSpecific(&key);
        currentInside = Queue::current();
        other->sync([&] { nested = Queue::currentSpecific(&key); });
    });
    EXPECT_EQ(inside, &marker);
    EXPECT_EQ(currentInside, queue.get());
    EXPECT_EQ(nested, nullptr) << "the innermost queue answers";
    EXPECT_EQ(Queue::currentSpecific(&key), nullptr);
    EXPECT_EQ(Queue::current(), nullptr);

    queue->setSpecific(&key, nullptr);
    queue->sync([&] { inside = Queue::currentSpecific(&key); });
    EXPECT_EQ(inside, nullptr);
}

TEST(CurrentQueue, GlobalQueueBlocksKnowTheirQueue)
{
    Latch done;
    bool current = false;
    auto& queue = dispatch::globalQueue(dispatch::Priority::Low);
    queue.async([&] {
        current = queue.isCurrent() && !dispatch::globalQueue(dispatch::Priority::High).isCurrent();
        done.arrive();
    });
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_TRUE(current);
}

// --- The pool grows when its workers block ---

TEST(GlobalQueues, BlocksThatWaitDoNotStarveThePool)
{
    // Every block waits until all of them are running: with a fixed-size pool smaller than
    // kBlocks this would never finish.
    constexpr int kBlocks = 48;
    std::mutex mutex;
    std::condition_variable allStarted;
    int started = 0;
    Latch finished;
    for (int i = 0; i < kBlocks; ++i) {
        dispatch::globalQueue().async([&] {
            std::unique_lock lock(mutex);
            if (++started == kBlocks)
                allStarted.notify_all();
            allStarted.wait_for(lock, std::chrono::seconds(30), [&] { return started == kBlocks; });
            lock.unlock();
            finished.arrive();
        });
    }
    ASSERT_TRUE(finished.waitFor(kBlocks));
    std::lock_guard lock(mutex);
    EXPECT_EQ(started, kBlocks);
}

} // namespace
