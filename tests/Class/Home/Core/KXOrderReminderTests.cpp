#include "Class/Home/Core/KXOrderReminder.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using foundation::Id;

namespace {

foundation::UserDefaults& defaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

// The badge as the hub would show it.
class Badge final : public KXOrderReminderDelegate {
public:
    void orderReminderHideBadge() override { shown = false; }
    void orderReminderPrepareBadge() override { prepared = true; }
    void orderReminderShowBadge(const std::string& value) override
    {
        shown = true;
        text = value;
    }
    void orderReminderUnpaidOrders() override { ++refreshes; }
    void orderReminderStarted() override { ++starts; }

    bool shown = false;
    bool prepared = false;
    std::string text = "untouched";
    int refreshes = 0;
    int starts = 0;
};

class KXOrderReminderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KXHomeProcessState::reset();
        defaults().setObject(Id("order-1"), KXOrderReminder::kOrderKey);
        reminder_ = KXOrderReminder::create([this](KXHTTPBUSINESS::Success success, KXHTTPBUSINESS::Failure failure) {
            asked_.push_back({std::move(success), std::move(failure)});
        });
        reminder_->setDelegate(badge_);
    }

    void TearDown() override { KXHomeProcessState::reset(); }

    static unsigned polls() { return KXHomeProcessState::shared().remainingOrderPolls; }
    static std::string orderKey() { return Id(defaults().stringForKey(KXOrderReminder::kOrderKey)).stringValue(); }
    static Id reply(long long errcode, const Id& num)
    {
        auto data = foundation::MutableDictionary::create();
        data->setValue(num, "num");
        return Id(foundation::Dictionary::create({{Id("errcode"), Id(errcode)}, {Id("corvane_data"), Id(data)}}));
    }
    // Answers the last request.
    void answer(long long errcode, const Id& num) { asked_.back().success(reply(errcode, num)); }
    void fail()
    {
        asked_.back().failure(foundation::Error::create("NSURLErrorDomain", -1001, "timed out"));
    }

    struct Request {
        KXHTTPBUSINESS::Success success;
        KXHTTPBUSINESS::Failure failure;
    };
    dispatch::VirtualClock::Scope clock_;
    std::shared_ptr<Badge> badge_ = std::make_shared<Badge>();
    std::shared_ptr<KXOrderReminder> reminder_;
    std::vector<Request> asked_;
};

} // namespace

TEST_F(KXOrderReminderTest, TheFirstRequestGoesOut300SecondsAfterTheHandOver)
{
    reminder_->tempCheckOrder();
    EXPECT_EQ(badge_->starts, 1);
    EXPECT_EQ(polls(), 499u);
    clock_.advance(299.9);
    EXPECT_TRUE(asked_.empty());
    clock_.advance(0.1);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_TRUE(badge_->prepared);
}

TEST_F(KXOrderReminderTest, NoOrderWaitingHidesTheBadgeAndAsksNothing)
{
    defaults().setObject(Id(""), KXOrderReminder::kOrderKey);
    badge_->shown = true;
    reminder_->tempCheckOrder();
    clock_.advance(1000);
    EXPECT_TRUE(asked_.empty());
    EXPECT_FALSE(badge_->shown);
    EXPECT_EQ(badge_->starts, 0);
    EXPECT_EQ(polls(), 0u);
}

TEST_F(KXOrderReminderTest, ACountShowsOnTheBadgeZeroHidesItAndThePollsGoOn)
{
    reminder_->tempCheckOrder();
    clock_.advance(300);
    answer(0, Id("3"));
    EXPECT_TRUE(badge_->shown);
    EXPECT_EQ(badge_->text, "3");
    EXPECT_EQ(badge_->refreshes, 1);
    clock_.advance(300);
    ASSERT_EQ(asked_.size(), 2u);
    answer(0, Id(0));
    EXPECT_FALSE(badge_->shown);
    EXPECT_EQ(badge_->text, "0");
    EXPECT_EQ(badge_->refreshes, 1);
    clock_.advance(300);
    EXPECT_EQ(asked_.size(), 3u) << "a zero count keeps polling";
    EXPECT_EQ(orderKey(), "order-1");
}

TEST_F(KXOrderReminderTest, TheStopNumberEmptiesTheBadgeAndClearsTheOrder)
{
    reminder_->tempCheckOrder();
    clock_.advance(300);
    answer(0, Id(9999));
    EXPECT_TRUE(badge_->shown);
    EXPECT_EQ(badge_->text, "");
    EXPECT_EQ(polls(), 0u);
    EXPECT_EQ(orderKey(), "") << "the next cycle found no polls left";
    EXPECT_FALSE(reminder_->isWaiting());
    clock_.advance(3000);
    EXPECT_EQ(asked_.size(), 1u);
}

TEST_F(KXOrderReminderTest, AnErrorCodeEndsThePollingSilently)
{
    reminder_->tempCheckOrder();
    clock_.advance(300);
    answer(1, Id(2));
    EXPECT_EQ(badge_->text, "untouched");
    clock_.advance(3000);
    EXPECT_EQ(asked_.size(), 1u);
    EXPECT_EQ(orderKey(), "order-1");
}

TEST_F(KXOrderReminderTest, AFailureCostsTwoPolls)
{
    reminder_->tempCheckOrder();
    clock_.advance(300);
    EXPECT_EQ(polls(), 499u);
    fail();
    EXPECT_EQ(polls(), 497u);
    EXPECT_TRUE(reminder_->isWaiting());
    clock_.advance(300);
    EXPECT_EQ(asked_.size(), 2u);
}

TEST_F(KXOrderReminderTest, FiveHundredPollsEndWithTheOrderCleared)
{
    reminder_->tempCheckOrder();
    for (int i = 0; i < 600 && reminder_->isWaiting(); ++i) {
        clock_.advance(300);
        answer(0, Id("2"));
    }
    EXPECT_EQ(asked_.size(), 500u);
    EXPECT_EQ(orderKey(), "");
    EXPECT_EQ(clock_.clock().pendingCount(), 0u) << "nothing is left waiting";
}

TEST_F(KXOrderReminderTest, TheOrderPageOpenedMeanwhileEndsThePolling)
{
    reminder_->tempCheckOrder();
    defaults().setObject(Id(""), KXOrderReminder::kOrderKey);
    badge_->shown = true;
    clock_.advance(300);
    EXPECT_TRUE(asked_.empty());
    EXPECT_FALSE(badge_->shown);
    EXPECT_EQ(polls(), 0u);
}

TEST_F(KXOrderReminderTest, ANewOrderRestartsTheOneChain)
{
    reminder_->tempCheckOrder();
    clock_.advance(200);
    reminder_->tempCheckOrder();
    EXPECT_EQ(polls(), 499u) << "back to 500, less the cycle just begun";
    clock_.advance(100);
    EXPECT_TRUE(asked_.empty()) << "the first chain's cycle does nothing";
    clock_.advance(200);
    ASSERT_EQ(asked_.size(), 1u);

    // A reply of the old chain that arrives after the next order is dropped too.
    reminder_->tempCheckOrder();
    answer(0, Id(5));
    EXPECT_EQ(badge_->text, "untouched");
    clock_.advance(300);
    EXPECT_EQ(asked_.size(), 2u);
    EXPECT_EQ(clock_.clock().pendingCount(), 0u) << "one cycle waits at a time";
}

TEST_F(KXOrderReminderTest, StoppingLeavesNothingToRun)
{
    reminder_->tempCheckOrder();
    clock_.advance(300);
    reminder_->stop();
    answer(0, Id(4));
    clock_.advance(3000);
    EXPECT_EQ(asked_.size(), 1u);
    EXPECT_EQ(badge_->text, "untouched");
    EXPECT_EQ(polls(), 0u);
}

TEST_F(KXOrderReminderTest, AReminderGoneBeforeItsCycleDoesNothing)
{
    reminder_->tempCheckOrder();
    reminder_.reset();
    clock_.advance(300);
    EXPECT_TRUE(asked_.empty());
}
