#include "Platform/DispatchQt/QtMainQueueDrain.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Spins Qt's event loop until `done` is set by a main-queue block; the timer only keeps a broken
// build from hanging CI.
void runQtLoopUntilQuit(QEventLoop& loop)
{
    QTimer::singleShot(30000, &loop, [&loop] { loop.exit(1); });
    ASSERT_EQ(loop.exec(), 0) << "the main queue was not drained by Qt";
}

TEST(QtDrain, WorkerBlocksRunOnTheGuiThreadInOrder)
{
    auto drain = dispatch::QtMainQueueDrain::install();
    ASSERT_TRUE(dispatch::isMainThread());
    constexpr int kWorkers = 3;
    constexpr int kEach = 200;
    std::vector<std::vector<int>> seen(kWorkers);
    int total = 0;
    bool allOnGui = true;
    QEventLoop loop;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) {
                dispatch::mainQueue().async([&, w, i] {
                    allOnGui = allOnGui && QThread::currentThread() == qApp->thread();
                    seen[static_cast<std::size_t>(w)].push_back(i);
                    if (++total == kWorkers * kEach)
                        loop.exit(0);
                });
            }
        });
    }
    runQtLoopUntilQuit(loop);
    for (auto& w : workers)
        w.join();
    EXPECT_TRUE(allOnGui);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), static_cast<std::size_t>(kEach));
        for (int i = 0; i < kEach; ++i)
            ASSERT_EQ(list[static_cast<std::size_t>(i)], i);
    }
}

TEST(QtDrain, QtEventsStillRunBetweenLargeBatches)
{
    auto drain = dispatch::QtMainQueueDrain::install();
    // Far more blocks than one drain event runs: a queued Qt call posted after the first of them
    // must not wait for all of them.
    constexpr int kBlocks = 5000;
    int ran = 0;
    int ranWhenQtCallCame = -1;
    QEventLoop loop;
    for (int i = 0; i < kBlocks; ++i) {
        dispatch::mainQueue().async([&] {
            if (++ran == kBlocks)
                loop.exit(0);
        });
    }
    QMetaObject::invokeMethod(qApp, [&] { ranWhenQtCallCame = ran; }, Qt::QueuedConnection);
    runQtLoopUntilQuit(loop);
    EXPECT_GE(ranWhenQtCallCame, 0);
    EXPECT_LT(ranWhenQtCallCame, kBlocks);
}

TEST(QtDrain, AfterRemovalTheRunLoopDrainsAgain)
{
    {
        auto drain = dispatch::QtMainQueueDrain::install();
    }
    bool ran = false;
    std::thread([&] { dispatch::mainQueue().async([&] { ran = true; }); }).join();
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return ran; }, 30));
}

} // namespace
