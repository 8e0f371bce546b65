#include "Platform/Dispatch/Progress.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using dispatch::Progress;

TEST(ProgressFraction, ZeroWhenTheTotalIsUnknownOrZero)
{
    auto progress = Progress::create();
    EXPECT_EQ(progress->totalUnitCount(), -1);
    progress->setCompletedUnitCount(500);
    EXPECT_EQ(progress->fractionCompleted(), 0.0);
    progress->setTotalUnitCount(0);
    EXPECT_EQ(progress->fractionCompleted(), 0.0);
    EXPECT_FALSE(progress->isFinished());
}

TEST(ProgressFraction, SixtyFourBitCounts)
{
    auto progress = Progress::create(std::int64_t{1} << 40);
    progress->setCompletedUnitCount(std::int64_t{1} << 38);
    EXPECT_DOUBLE_EQ(progress->fractionCompleted(), 0.25);
    progress->setCompletedUnitCount(std::int64_t{1} << 40);
    EXPECT_TRUE(progress->isFinished());
}

TEST(ProgressObservers, CalledOnlyWhenTheFractionChanges)
{
    auto progress = Progress::create(-1);
    std::vector<double> seen;
    auto token = progress->observeFractionCompleted([&](Progress& p) { seen.push_back(p.fractionCompleted()); });
    progress->setCompletedUnitCount(10); // total unknown: still 0
    progress->setTotalUnitCount(0);      // still 0
    progress->setTotalUnitCount(40);     // 0.25
    progress->setTotalUnitCount(40);     // unchanged
    progress->setUnitCounts(20, 80);     // 0.25 again, in one step
    progress->setCompletedUnitCount(40); // 0.5
    EXPECT_EQ(seen, (std::vector<double>{0.25, 0.5}));
    token.cancel();
    progress->setCompletedUnitCount(80);
    EXPECT_EQ(seen.size(), 2u);
}

TEST(ProgressObservers, TokenOutlivingTheProgressIsHarmless)
{
    dispatch::Subscription token;
    {
        auto progress = Progress::create(10);
        token = progress->observeFractionCompleted([](Progress&) {});
    }
    token.cancel();
    EXPECT_FALSE(token.isActive());
}

TEST(ProgressCancel, HandlerRunsOnceAndLateHandlersRunAtOnce)
{
    auto progress = Progress::create(100);
    int cancelled = 0;
    progress->setCancellationHandler([&] { ++cancelled; });
    progress->cancel();
    progress->cancel();
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(progress->isCancelled());
    int late = 0;
    progress->setCancellationHandler([&] { ++late; });
    EXPECT_EQ(late, 1);
}

} // namespace
