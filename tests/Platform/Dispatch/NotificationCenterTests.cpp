#include "Platform/Dispatch/NotificationCenter.h"

#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Data.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using dispatch::Notification;
using dispatch::NotificationCenter;

// --- Matching by name and sender identity ---

TEST(NotificationMatching, ByNameAndBySenderIdentity)
{
    NotificationCenter center;
    auto sender = foundation::Data::create(std::string_view("same"));
    auto lookalike = foundation::Data::create(std::string_view("same"));
    std::vector<std::string> seen;
    auto anyName = center.addObserver("", sender, nullptr, [&](const Notification& n) { seen.push_back("any:" + n.name); });
    auto byName = center.addObserver("com.ostrelle.networking.task.resume", {}, nullptr,
                                     [&](const Notification& n) { seen.push_back("name:" + n.name); });

    center.post("com.ostrelle.networking.task.resume", sender);
    center.post("com.ostrelle.networking.task.resume", lookalike); // equal bytes, other object
    center.post("other", sender);
    EXPECT_EQ(seen, (std::vector<std::string>{"any:com.ostrelle.networking.task.resume",
                                              "name:com.ostrelle.networking.task.resume",
                                              "name:com.ostrelle.networking.task.resume", "any:other"}));
}

TEST(NotificationMatching, SenderFilterDoesNotKeepTheSenderAlive)
{
    NotificationCenter center;
    auto sender = foundation::Data::create(std::string_view("x"));
    std::weak_ptr<foundation::Data> weak = sender;
    int calls = 0;
    auto token = center.addObserver("note", sender, nullptr, [&](const Notification&) { ++calls; });
    sender.reset();
    EXPECT_TRUE(weak.expired());
    center.post("note");
    EXPECT_EQ(calls, 0);
}

// --- Removal, also while posting ---

TEST(NotificationRemoval, TokenDestructionRemoves)
{
    NotificationCenter center;
    int calls = 0;
    {
        auto token = center.addObserver("note", {}, nullptr, [&](const Notification&) { ++calls; });
        center.post("note");
    }
    center.post("note");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationRemoval, ObserverRemovedByAnEarlierObserverIsNotCalled)
{
    NotificationCenter center;
    std::vector<std::string> seen;
    dispatch::Subscription second;
    dispatch::Subscription added;
    auto first = center.addObserver("note", {}, nullptr, [&](const Notification&) {
        seen.push_back("first");
        second.cancel();
        if (!added.isActive())
            added = center.addObserver("note", {}, nullptr, [&](const Notification&) { seen.push_back("added"); });
    });
    second = center.addObserver("note", {}, nullptr, [&](const Notification&) { seen.push_back("second"); });
    center.post("note");
    EXPECT_EQ(seen, (std::vector<std::string>{"first"}));
    seen.clear();
    center.post("note");
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "added"}));
}

TEST(NotificationRemoval, ObserverCanRemoveItselfWhileRunning)
{
    NotificationCenter center;
    int calls = 0;
    dispatch::Subscription self;
    self = center.addObserver("note", {}, nullptr, [&](const Notification&) {
        ++calls;
        self.cancel();
    });
    center.post("note");
    center.post("note");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationRemoval, TokenMayOutliveItsCentre)
{
    dispatch::Subscription token;
    {
        NotificationCenter center;
        token = center.addObserver("note", {}, nullptr, [](const Notification&) {});
    }
    token.cancel();
    EXPECT_FALSE(token.isActive());
}

TEST(NotificationRemoval, ConcurrentPostsAndRegistrations)
{
    NotificationCenter center;
    std::atomic<int> calls{0};
    auto stable = center.addObserver("note", {}, nullptr, [&](const Notification&) { calls.fetch_add(1); });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                auto temp = center.addObserver("note", {}, nullptr, [](const Notification&) {});
                center.post("note");
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(calls.load(), 2000);
}

// --- Queues and target observers ---

TEST(NotificationDelivery, QueueObserverRunsOnItsQueue)
{
    NotificationCenter center;
    bool onMain = false;
    int calls = 0;
    auto token = center.addObserver("note", {}, &dispatch::mainQueue(), [&](const Notification&) {
        onMain = dispatch::isMainThread();
        ++calls;
    });
    std::thread([&] { center.post("note"); }).join();
    EXPECT_EQ(calls, 0);
    dispatch::RunLoop::drain();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(onMain);

    // Posted on the main queue's own thread: delivered before post() returns.
    dispatch::mainQueue().async([&] { center.post("note"); });
    dispatch::RunLoop::drain();
    EXPECT_EQ(calls, 2);
}

TEST(NotificationDelivery, QueuedDeliveryIsDroppedWhenRemovedBeforeItRuns)
{
    NotificationCenter center;
    int calls = 0;
    auto token = center.addObserver("note", {}, &dispatch::mainQueue(), [&](const Notification&) { ++calls; });
    std::thread([&] { center.post("note"); }).join();
    token.cancel();
    dispatch::RunLoop::drain();
    EXPECT_EQ(calls, 0);
}

struct Listener {
    std::vector<std::string> names;
    void onNote(const Notification& n) { names.push_back(n.name); }
};

TEST(NotificationDelivery, TargetObserversEndWithTheirTargetOrOnRemoval)
{
    NotificationCenter center;
    auto listener = std::make_shared<Listener>();
    center.addObserver(listener, &Listener::onNote, "a");
    center.addObserver(listener, &Listener::onNote, "b");
    center.post("a");
    center.post("b");
    center.removeObserver(listener.get(), "a");
    center.post("a");
    center.post("b");
    EXPECT_EQ(listener->names, (std::vector<std::string>{"a", "b", "b"}));
    center.removeObserver(listener.get());
    center.post("b");
    EXPECT_EQ(listener->names.size(), 3u);

    auto shortLived = std::make_shared<Listener>();
    center.addObserver(shortLived, &Listener::onNote, "a");
    shortLived.reset();
    center.post("a"); // must not touch the gone listener
}

} // namespace
