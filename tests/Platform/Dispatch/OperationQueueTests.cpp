#include "Platform/Dispatch/OperationQueue.h"

#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Dispatch/Semaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using dispatch::BlockOperation;
using dispatch::OperationQueue;
using dispatch::QueuePriority;

// Operations that hold their slot until the test opens the gate for them one by one.
struct GatedWork {
    dispatch::Semaphore gate{0};
    dispatch::Semaphore started{0};
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    std::atomic<int> finished{0};

    dispatch::Block block()
    {
        return [this] {
            const int now = running.fetch_add(1) + 1;
            int seen = maxRunning.load();
            while (now > seen && !maxRunning.compare_exchange_weak(seen, now)) {}
            started.signal();
            gate.wait();
            running.fetch_sub(1);
            finished.fetch_add(1);
        };
    }
};

class RecordingList {
public:
    void add(std::string s)
    {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(s));
    }
    std::vector<std::string> items()
    {
        std::lock_guard lock(mutex_);
        return items_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> items_;
};

// --- Concurrency limit ---

TEST(OperationLimit, NeverMoreThanTheLimitExecuting)
{
    auto queue = OperationQueue::create("test.limit");
    queue->setMaxConcurrentOperationCount(3);
    GatedWork work;
    constexpr int kOps = 12;
    for (int i = 0; i < kOps; ++i)
        queue->addOperation(work.block());
    for (int i = 0; i < kOps; ++i) {
        ASSERT_TRUE(work.started.wait(30));
        if (i >= 2)
            work.gate.signal(); // keep three in flight, release one per newcomer
    }
    work.gate.signal();
    work.gate.signal();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(work.finished.load(), kOps);
    EXPECT_EQ(work.maxRunning.load(), 3);
    EXPECT_EQ(queue->operationCount(), 0u);
}

TEST(OperationLimit, RaisingTheLimitStartsWaitingOperationsAtOnce)
{
    auto queue = OperationQueue::create();
    queue->setMaxConcurrentOperationCount(1);
    GatedWork work;
    for (int i = 0; i < 4; ++i)
        queue->addOperation(work.block());
    ASSERT_TRUE(work.started.wait(30));
    queue->setMaxConcurrentOperationCount(3);
    // Two more start although nothing finished.
    ASSERT_TRUE(work.started.wait(30));
    ASSERT_TRUE(work.started.wait(30));
    EXPECT_EQ(work.running.load(), 3);
    EXPECT_EQ(work.finished.load(), 0);
    queue->setMaxConcurrentOperationCount(1);
    for (int i = 0; i < 3; ++i)
        work.gate.signal();
    ASSERT_TRUE(work.started.wait(30));
    work.gate.signal();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(work.maxRunning.load(), 3);
}

TEST(OperationLimit, SuspendedQueueStartsNothingUntilResumed)
{
    auto queue = OperationQueue::create();
    queue->setSuspended(true);
    std::atomic<int> ran{0};
    for (int i = 0; i < 3; ++i)
        queue->addOperation([&] { ran.fetch_add(1); });
    EXPECT_EQ(queue->operationCount(), 3u);
    EXPECT_EQ(ran.load(), 0);
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 3);
}

TEST(OperationLimit, PendingWorkRunsAfterTheQueueIsDropped)
{
    auto blocker = BlockOperation::create([] {});
    auto dependent = BlockOperation::create([] {});
    dependent->addDependency(blocker);
    std::weak_ptr<OperationQueue> weakQueue;
    {
        auto queue = OperationQueue::create();
        weakQueue = queue;
        queue->addOperation(dependent);
    }
    EXPECT_FALSE(weakQueue.expired()) << "a waiting operation keeps its queue";
    blocker->start();
    dependent->waitUntilFinished();
    EXPECT_TRUE(dependent->isFinished());
}

// --- Order: dependencies and priorities ---

TEST(OperationOrder, DependenciesRunFirstAcrossQueues)
{
    auto first = OperationQueue::create();
    auto second = OperationQueue::create();
    RecordingList order;
    auto a = BlockOperation::create([&] { order.add("a"); });
    auto b = BlockOperation::create([&] { order.add("b"); });
    auto c = BlockOperation::create([&] { order.add("c"); });
    c->addDependency(b);
    b->addDependency(a);
    EXPECT_FALSE(c->isReady());
    second->addOperation(c);
    first->addOperation(b);
    second->addOperation(a);
    c->waitUntilFinished();
    EXPECT_EQ(order.items(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(OperationOrder, HigherPriorityStartsFirstAmongReadyOperations)
{
    auto queue = OperationQueue::create();
    queue->setMaxConcurrentOperationCount(1);
    queue->setSuspended(true);
    RecordingList order;
    const std::pair<const char*, QueuePriority> specs[] = {
        {"low", QueuePriority::Low},      {"normal-1", QueuePriority::Normal},
        {"very-high", QueuePriority::VeryHigh}, {"normal-2", QueuePriority::Normal},
        {"high", QueuePriority::High},    {"very-low", QueuePriority::VeryLow},
    };
    for (const auto& [name, priority] : specs) {
        auto op = BlockOperation::create([&order, label = std::string(name)] { order.add(label); });
        op->setQueuePriority(priority);
        queue->addOperation(op);
    }
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(order.items(), (std::vector<std::string>{"very-high", "high", "normal-1", "normal-2",
                                                       "low", "very-low"}));
}

TEST(OperationOrder, LifoByMakingOlderWorkWaitForTheNewest)
{
    auto queue = OperationQueue::create();
    queue->setMaxConcurrentOperationCount(1);
    dispatch::Semaphore gate(0);
    RecordingList order;
    queue->addOperation([&] {
        gate.wait();
        order.add("0");
    });
    std::shared_ptr<BlockOperation> newest;
    for (int i = 1; i <= 4; ++i) {
        auto op = BlockOperation::create([&order, i] { order.add(std::to_string(i)); });
        if (newest)
            newest->addDependency(op);
        queue->addOperation(op);
        newest = op;
    }
    gate.signal();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(order.items(), (std::vector<std::string>{"0", "4", "3", "2", "1"}));
}

// --- Cancellation ---

TEST(OperationCancel, CancelledBeforeStartFinishesWithoutRunning)
{
    auto queue = OperationQueue::create();
    queue->setSuspended(true);
    bool ran = false;
    bool completed = false;
    auto op = BlockOperation::create([&] { ran = true; });
    op->setCompletionBlock([&] { completed = true; });
    RecordingList keys;
    auto token = op->observeChanges([&](dispatch::Operation&, const std::string& key) { keys.add(key); });
    queue->addOperation(op);
    queue->cancelAllOperations();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(completed);
    EXPECT_TRUE(op->isCancelled());
    EXPECT_TRUE(op->isFinished());
    EXPECT_FALSE(op->isExecuting());
    EXPECT_EQ(keys.items(), (std::vector<std::string>{"isCancelled", "isReady", "isFinished"}));
}

TEST(OperationCancel, CancelledOperationIgnoresUnfinishedDependencies)
{
    auto queue = OperationQueue::create();
    auto blocker = BlockOperation::create([] {});
    auto dependent = BlockOperation::create([] {});
    dependent->addDependency(blocker); // blocker is never added anywhere
    queue->addOperation(dependent);
    EXPECT_FALSE(dependent->isReady());
    dependent->cancel();
    dependent->waitUntilFinished();
    EXPECT_TRUE(dependent->isFinished());
}

TEST(OperationCancel, CancelDuringExecutionIsSeenByTheRunningWork)
{
    auto queue = OperationQueue::create();
    dispatch::Semaphore started(0);
    std::weak_ptr<BlockOperation> weakOp;
    int loops = 0;
    auto op = BlockOperation::create([&] {
        started.signal();
        auto self = weakOp.lock();
        while (!self->isCancelled())
            ++loops;
    });
    weakOp = op;
    queue->addOperation(op);
    ASSERT_TRUE(started.wait(30));
    EXPECT_TRUE(op->isExecuting());
    queue->cancelAllOperations();
    op->waitUntilFinished();
    EXPECT_TRUE(op->isCancelled());
    EXPECT_TRUE(op->isFinished());
    EXPECT_FALSE(op->isExecuting());
}

// --- Life cycle and its change callbacks ---

TEST(OperationLifeCycle, ChangeCallbacksSeeEachStateAsItChanges)
{
    auto queue = OperationQueue::create("named");
    auto op = BlockOperation::create([] {});
    op->setName("work");
    RecordingList seen;
    auto token = op->observeChanges([&](dispatch::Operation& o, const std::string& key) {
        seen.add(key + "=" + (key == "isExecuting" ? std::to_string(o.isExecuting())
                                                   : std::to_string(o.isFinished())));
    });
    queue->addOperation(op);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(seen.items(),
              (std::vector<std::string>{"isExecuting=1", "isExecuting=0", "isFinished=1"}));
    EXPECT_EQ(op->name(), "work");
    EXPECT_EQ(queue->name(), "named");
}

TEST(OperationLifeCycle, RemovedObserverIsNotCalled)
{
    auto op = BlockOperation::create([] {});
    int calls = 0;
    auto token = op->observeChanges([&](dispatch::Operation&, const std::string&) { ++calls; });
    token.cancel();
    op->start();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(op->isFinished());
}

class ManualOperation : public dispatch::Operation {
public:
    bool isAsynchronous() const override { return true; }
    std::atomic<bool> mainReturned{false};

protected:
    void main() override { mainReturned = true; }
};

TEST(OperationLifeCycle, AsynchronousOperationHoldsItsSlotUntilFinished)
{
    auto queue = OperationQueue::create();
    queue->setMaxConcurrentOperationCount(1);
    auto manual = std::make_shared<ManualOperation>();
    std::atomic<bool> nextRan{false};
    queue->addOperation(manual);
    auto next = queue->addOperation([&] { nextRan = true; });
    while (!manual->mainReturned.load())
        std::this_thread::yield();
    EXPECT_TRUE(manual->isExecuting());
    EXPECT_FALSE(manual->isFinished());
    EXPECT_FALSE(nextRan.load());
    std::thread([&] { manual->finish(); }).join();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(manual->isFinished());
    EXPECT_TRUE(nextRan.load());
}

TEST(OperationMisuse, AddingTwiceOrStartingTwiceThrows)
{
    auto queue = OperationQueue::create();
    queue->setSuspended(true);
    auto op = BlockOperation::create([] {});
    queue->addOperation(op);
    EXPECT_THROW(queue->addOperation(op), dispatch::ProgrammingError);
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_THROW(op->start(), dispatch::ProgrammingError);
}

TEST(OperationMisuse, WaitingForItselfThrows)
{
    std::shared_ptr<BlockOperation> op;
    bool threw = false;
    op = BlockOperation::create([&] {
        try {
            op->waitUntilFinished();
        } catch (const dispatch::ProgrammingError&) {
            threw = true;
        }
    });
    op->start();
    EXPECT_TRUE(threw);
}

// --- The main operation queue ---

TEST(MainOperationQueue, RunsOnTheMainThreadAndKnowsItsQueue)
{
    bool onMain = false;
    OperationQueue* current = nullptr;
    auto op = OperationQueue::mainQueue().addOperation([&] {
        onMain = dispatch::isMainThread();
        current = OperationQueue::currentQueue();
    });
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return op->isFinished(); }, 30));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(current, &OperationQueue::mainQueue());
    EXPECT_EQ(OperationQueue::currentQueue(), nullptr);
}

} // namespace
