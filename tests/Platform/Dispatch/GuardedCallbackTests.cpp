#include "Platform/Dispatch/GuardedCallback.h"

#include "Platform/Dispatch/RunLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace {

struct Panel {
    std::string last;
    int calls = 0;
};

TEST(GuardedCallback, CallsWhileTheOwnerLivesAndDropsAfterwards)
{
    auto panel = std::make_shared<Panel>();
    auto callback = dispatch::guarded(std::weak_ptr<Panel>(panel), [](Panel& p, const std::string& text) {
        p.last = text;
        ++p.calls;
    });
    callback(std::string("first"));
    EXPECT_EQ(panel->last, "first");
    std::weak_ptr<Panel> weak = panel;
    panel.reset();
    callback(std::string("second")); // must not touch the freed panel
    EXPECT_TRUE(weak.expired());
}

TEST(GuardedCallback, QueuedCallIsCheckedOnTheQueueThatRunsIt)
{
    auto panel = std::make_shared<Panel>();
    bool ranOnMain = false;
    auto callback = dispatch::guarded(std::weak_ptr<Panel>(panel), &dispatch::mainQueue(), [&](Panel& p, int n) {
        ranOnMain = dispatch::isMainThread();
        p.calls += n;
    });
    std::thread([&] { callback(3); }).join();
    EXPECT_EQ(panel->calls, 0) << "nothing runs before the main queue is drained";
    dispatch::RunLoop::drain();
    EXPECT_EQ(panel->calls, 3);
    EXPECT_TRUE(ranOnMain);

    // Posted while the owner lived, owner gone before the queue ran it: dropped.
    std::thread([&] { callback(4); }).join();
    std::weak_ptr<Panel> weak = panel;
    panel.reset();
    ranOnMain = false;
    EXPECT_EQ(dispatch::RunLoop::drain(), 1);
    EXPECT_FALSE(ranOnMain);
    EXPECT_TRUE(weak.expired());
}

} // namespace
