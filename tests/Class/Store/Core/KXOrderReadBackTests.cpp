#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/Store/Core/KXOrderReadBack.h"
#include "Class/Theme/ToastPresenter.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "ScriptedStoreService.h"

#include <gtest/gtest.h>

using foundation::Id;
using Operation = KXStoreService::Operation;
using Outcome = KXOrderReadBack::Outcome;

namespace {

Id unpaidReply(long long num)
{
    return storetest::envelope(0, Id(foundation::Dictionary::create({ { Id("num"), Id(num) } })));
}

foundation::Ref<foundation::Error> timedOut()
{
    return foundation::Error::create("NSURLErrorDomain", -1001, "The request timed out.");
}

// The toasts shown, with whether each went over a window of its own (none: the main window).
struct RecordingToasts final : ToastPresenter {
    void show(const std::string& message, ToastStyle, ToastWindow window) override
    {
        shown.push_back(message);
        overAWindow = overAWindow || window.handle;
    }
    void dismiss() override { }
    std::vector<std::string> shown;
    bool overAWindow = false;
};

// What the page that asked heard, in order: "made <order_id or nil>", "refused", "unknown".
struct RecordingPage final : KXOrderReadBack::Page {
    void orderMade(const Id& reply) override
    {
        heard.push_back(reply.isNil() ? "made nil" : "made " + reply["corvane_data"]["order_id"].stringValue());
    }
    void orderRefused(const Id&) override { heard.push_back("refused"); }
    void orderOutcomeUnknown(Outcome) override { heard.push_back("unknown"); }
    std::vector<std::string> heard;
};

Id acceptedOrder(long long order)
{
    return storetest::envelope(0, Id(foundation::Dictionary::create({ { Id("order_id"), Id(order) } })));
}

class KXOrderReadBackTest : public testing::Test {
protected:
    void SetUp() override
    {
        ToastPresenter::setShared(toasts);
        // The cart as read back after an order made: counted, and ended at once so that no read
        // is left on its way for the next one to join.
        KXAccountWrites::setReader(KXAccountWrites::Read::Cart, [this](KXAccountWrites::Done done) {
            ++cartReads;
            done({});
        });
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey(KXOrderReadBack::kOrderReminderKey);
    }
    void TearDown() override
    {
        KXAccountWrites::setReader(KXAccountWrites::Read::Cart, [](KXAccountWrites::Done done) { done({}); });
        ToastPresenter::setShared(nullptr);
    }
    KXOrderReadBack::Then record()
    {
        return [this](Outcome outcome) { outcomes.push_back(outcome); };
    }
    // The page opened with `count` unpaid orders, and an order sent and lost.
    void lostOrderAfter(long long count)
    {
        readBack.readCount();
        service->answer(Operation::Unpaid, reads(), unpaidReply(count));
        readBack.beforeOrder(record());
        readBack.orderSent();
        readBack.orderFailed(timedOut(), record());
    }
    std::size_t reads() const { return service->count(Operation::Unpaid) - 1; }

    std::shared_ptr<storetest::ScriptedStoreService> service
        = std::make_shared<storetest::ScriptedStoreService>();
    KXOrderReadBack readBack { service };
    std::vector<Outcome> outcomes;
    std::shared_ptr<RecordingToasts> toasts = std::make_shared<RecordingToasts>();
    std::size_t cartReads = 0;
};

TEST_F(KXOrderReadBackTest, AnOrderMadeAfterTheFirstReadBackIsFoundBeforeTheNextOne)
{
    lostOrderAfter(2);
    EXPECT_EQ(outcomes, std::vector<Outcome> { Outcome::NotPlaced }) << "nothing read before the first order";
    ASSERT_EQ(service->count(Operation::Unpaid), 2u) << "the count is read back after the failure";
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    EXPECT_EQ(outcomes.back(), Outcome::StillUnknown) << "not made yet";
    EXPECT_TRUE(readBack.isOutcomeUnknown());
    EXPECT_EQ(readBack.count(), 2);

    // The service makes it now; the next order reads first and finds it.
    readBack.beforeOrder(record());
    ASSERT_EQ(service->count(Operation::Unpaid), 3u);
    EXPECT_EQ(outcomes.size(), 2u) << "nothing is told before the count comes";
    service->answer(Operation::Unpaid, 2, unpaidReply(3));
    EXPECT_EQ(outcomes.back(), Outcome::Placed);
    EXPECT_FALSE(readBack.isOutcomeUnknown());
}

TEST_F(KXOrderReadBackTest, TheCountFromBeforeTheLostOrderStaysUntilItsOutcomeIsKnown)
{
    lostOrderAfter(2);
    service->fail(Operation::Unpaid, 1);
    EXPECT_EQ(outcomes.back(), Outcome::Unknown);
    // A read that fails sends nothing, and the count from before the order stays.
    readBack.beforeOrder(record());
    service->fail(Operation::Unpaid, 2);
    EXPECT_EQ(outcomes.back(), Outcome::Unknown);
    EXPECT_EQ(readBack.count(), 2);
    // A read of the page's own kind leaves it too.
    readBack.readCount();
    EXPECT_EQ(service->count(Operation::Unpaid), 3u);
    EXPECT_EQ(readBack.count(), 2);
    // A refused read tells nothing either.
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 3, storetest::envelope(1, Id()));
    EXPECT_EQ(outcomes.back(), Outcome::Unknown);

    // The same count: the lost order may still be made, so nothing may go but by the person's
    // choice; however often it is read, the count from before it stays.
    for (std::size_t read : {4u, 5u}) {
        readBack.beforeOrder(record());
        service->answer(Operation::Unpaid, read, unpaidReply(2));
        EXPECT_EQ(outcomes.back(), Outcome::StillUnknown);
        EXPECT_TRUE(readBack.isOutcomeUnknown());
    }
    // Submitted again, that order is lost too; the service then makes one of them.
    readBack.submitAgain();
    EXPECT_FALSE(readBack.isOutcomeUnknown());
    readBack.beforeOrder(record());
    EXPECT_EQ(outcomes.back(), Outcome::NotPlaced) << "at once: the count read last is known";
    readBack.orderSent();
    readBack.orderFailed(timedOut(), record());
    service->answer(Operation::Unpaid, 6, unpaidReply(2));
    EXPECT_EQ(outcomes.back(), Outcome::StillUnknown);
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 7, unpaidReply(3));
    EXPECT_EQ(outcomes.back(), Outcome::Placed);
}

// The unknown outcome of an account's lost order outlives the client: the next start's read-back
// of that account still asks before anything is sent; another account's knows nothing of it.
TEST_F(KXOrderReadBackTest, AnUnknownOutcomeIsKeptForItsAccountAcrossStarts)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(KXOrderReadBack::kStoredKey);
    {
        KXOrderReadBack kept { service, "uid 7" };
        kept.readCount();
        service->answer(Operation::Unpaid, 0, unpaidReply(5));
        kept.beforeOrder(record());
        kept.orderSent();
        kept.orderFailed(timedOut(), record());
        service->answer(Operation::Unpaid, 1, unpaidReply(5));
    }
    KXOrderReadBack again { service, "uid 7" };
    EXPECT_TRUE(again.isOutcomeUnknown());
    EXPECT_EQ(again.count(), 5);
    again.beforeOrder(record());
    service->answer(Operation::Unpaid, 2, unpaidReply(5));
    EXPECT_EQ(outcomes.back(), Outcome::StillUnknown);
    EXPECT_FALSE((KXOrderReadBack { service, "uid 8" }.isOutcomeUnknown())) << "another account's";
    // Found made: nothing is kept any more.
    again.beforeOrder(record());
    service->answer(Operation::Unpaid, 3, unpaidReply(6));
    EXPECT_EQ(outcomes.back(), Outcome::Placed);
    EXPECT_FALSE((KXOrderReadBack { service, "uid 7" }.isOutcomeUnknown()));
    EXPECT_TRUE(defaults.objectForKey(KXOrderReadBack::kStoredKey).isNil());
}

TEST_F(KXOrderReadBackTest, ACountBelowTheOneBeforeIsTheNextOrdersToCompareWith)
{
    lostOrderAfter(4);
    service->answer(Operation::Unpaid, 1, unpaidReply(4));
    // An order was paid elsewhere meanwhile: the lost one may still come, so the person is asked;
    // an order submitted again compares with the count read last.
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 2, unpaidReply(3));
    EXPECT_EQ(outcomes.back(), Outcome::StillUnknown);
    readBack.submitAgain();
    EXPECT_EQ(readBack.count(), 3);
    readBack.orderSent();
    readBack.orderFailed(timedOut(), record());
    service->answer(Operation::Unpaid, 3, unpaidReply(4));
    EXPECT_EQ(outcomes.back(), Outcome::Placed) << "one above the count it was sent with";
}

TEST_F(KXOrderReadBackTest, AnOrderReplyEndsTheUnknownAndTheCountIsReadAgain)
{
    lostOrderAfter(2);
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 2, unpaidReply(2));
    readBack.orderSent();
    readBack.orderAnswered();
    EXPECT_FALSE(readBack.isOutcomeUnknown());
    EXPECT_EQ(readBack.count(), std::nullopt) << "nothing to compare with while it is read";
    ASSERT_EQ(service->count(Operation::Unpaid), 4u);
    service->answer(Operation::Unpaid, 3, unpaidReply(3));
    EXPECT_EQ(readBack.count(), 3);
    readBack.beforeOrder(record());
    EXPECT_EQ(outcomes.back(), Outcome::NotPlaced);
    EXPECT_EQ(service->count(Operation::Unpaid), 4u) << "no read before an order whose outcome is known";
}

TEST_F(KXOrderReadBackTest, NoOrderGoesWithoutACountFromBeforeIt)
{
    // The page's read has not come when the order is pressed: the count is read first.
    readBack.readCount();
    readBack.beforeOrder(record());
    EXPECT_TRUE(outcomes.empty());
    ASSERT_EQ(service->count(Operation::Unpaid), 2u);
    service->fail(Operation::Unpaid, 1);
    EXPECT_EQ(outcomes.back(), Outcome::Unknown) << "a read that fails sends nothing";
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 2, unpaidReply(2));
    EXPECT_EQ(outcomes.back(), Outcome::NotPlaced);
    EXPECT_EQ(readBack.count(), 2);
    // The opening read landing late does not change the count the order goes with.
    service->answer(Operation::Unpaid, 0, unpaidReply(9));
    EXPECT_EQ(readBack.count(), 2);

    // While the order is on its way another press sends nothing, and no read moves its count.
    readBack.orderSent();
    readBack.beforeOrder(record());
    EXPECT_EQ(outcomes.back(), Outcome::Unknown);
    readBack.readCount();
    EXPECT_EQ(service->count(Operation::Unpaid), 3u);
    readBack.orderFailed(timedOut(), record());
    ASSERT_EQ(service->count(Operation::Unpaid), 4u) << "read back against the count from before";
    service->answer(Operation::Unpaid, 3, unpaidReply(3));
    EXPECT_EQ(outcomes.back(), Outcome::Placed);
}

TEST_F(KXOrderReadBackTest, ALostOrderOfAnAccountGoneWaitsForItsReturn)
{
    readBack.readCount();
    service->answer(Operation::Unpaid, 0, unpaidReply(5));
    readBack.beforeOrder(record());
    readBack.orderSent();
    readBack.orderFailed(KXRequestAccount::endedError(), record());
    EXPECT_EQ(outcomes.back(), Outcome::Unknown);
    EXPECT_EQ(service->count(Operation::Unpaid), 1u) << "no read for an account that has gone";
    EXPECT_TRUE(readBack.isOutcomeUnknown());
    EXPECT_EQ(readBack.count(), 5);

    // Back again: the page's read keeps the count from before, the press reads and finds it.
    readBack.readCount();
    EXPECT_EQ(service->count(Operation::Unpaid), 1u);
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 1, unpaidReply(6));
    EXPECT_EQ(outcomes.back(), Outcome::Placed);
}

// Every road that finds an order made (its reply, the read after a lost reply, the read before
// the next order) ends with the page that asked, while it stands, and the cart is read again.
TEST_F(KXOrderReadBackTest, AnOrderMadeReachesThePageThatAskedWhicheverRoadFoundIt)
{
    auto page = std::make_shared<RecordingPage>();
    readBack.readCount();
    service->answer(Operation::Unpaid, 0, unpaidReply(1));
    readBack.sendOrder("[]", page);
    service->answer(Operation::Order, 0, storetest::envelope(1, Id()));
    EXPECT_EQ(page->heard, std::vector<std::string> { "refused" });
    EXPECT_EQ(readBack.ordersMade(), 0u);
    EXPECT_EQ(cartReads, 0u) << "nothing was made";

    service->answer(Operation::Unpaid, reads(), unpaidReply(1));
    readBack.sendOrder("[]", page);
    service->answer(Operation::Order, 1, acceptedOrder(41));
    EXPECT_EQ(page->heard.back(), "made 41");
    EXPECT_EQ(readBack.ordersMade(), 1u);
    EXPECT_EQ(cartReads, 1u);

    // Lost, then read back: not made yet, then made by the next press's read.
    service->answer(Operation::Unpaid, reads(), unpaidReply(2));
    readBack.sendOrder("[]", page);
    service->fail(Operation::Order, 2);
    service->answer(Operation::Unpaid, reads(), unpaidReply(2));
    EXPECT_EQ(page->heard.back(), "unknown");
    readBack.beforeOrder([&](Outcome outcome) {
        outcomes.push_back(outcome);
        EXPECT_EQ(page->heard.back(), "made nil") << "the page has its order before the press goes on";
    }, page);
    service->answer(Operation::Unpaid, reads(), unpaidReply(3));
    EXPECT_EQ(outcomes, std::vector<Outcome> { Outcome::Placed });
    EXPECT_EQ(readBack.ordersMade(), 2u);

    // Lost and found made by its own read back.
    readBack.sendOrder("[]", page);
    service->fail(Operation::Order, 3);
    service->answer(Operation::Unpaid, reads(), unpaidReply(4));
    EXPECT_EQ(page->heard, (std::vector<std::string> { "refused", "made 41", "unknown", "made nil", "made nil" }));
    EXPECT_EQ(readBack.ordersMade(), 3u);
    EXPECT_EQ(cartReads, 3u);
    EXPECT_TRUE(toasts->shown.empty()) << "the page tells it";
    EXPECT_TRUE(Id(foundation::UserDefaults::standardUserDefaults().objectForKey(KXOrderReadBack::kOrderReminderKey)).isNil());
}

// With the page that asked gone, an order made is told over the main window at once, the reminder
// watches it and the cart is read again; the next press goes on, since the outcome is known.
TEST_F(KXOrderReadBackTest, AnOrderMadeAfterItsPageWentIsToldOverTheMainWindow)
{
    std::size_t checks = 0;
    const auto checked = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXOrderReadBack::kCheckOrderNotification, Id(), nullptr, [&checks](const dispatch::Notification&) { ++checks; });
    readBack.readCount();
    service->answer(Operation::Unpaid, 0, unpaidReply(1));
    auto page = std::make_shared<RecordingPage>();
    readBack.sendOrder("[]", page);
    page.reset();
    service->fail(Operation::Order, 0);
    EXPECT_TRUE(toasts->shown.empty()) << "not before the read";
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    EXPECT_EQ(toasts->shown, std::vector<std::string> { "订单已提交，请在个人中心-我的订单中完成支付" });
    EXPECT_FALSE(toasts->overAWindow);
    EXPECT_EQ(checks, 1u);
    EXPECT_EQ(Id(foundation::UserDefaults::standardUserDefaults().objectForKey(KXOrderReadBack::kOrderReminderKey)).stringValue(), "0");
    EXPECT_EQ(cartReads, 1u);
    EXPECT_EQ(readBack.ordersMade(), 1u);
    readBack.beforeOrder(record());
    EXPECT_EQ(outcomes, std::vector<Outcome> { Outcome::NotPlaced }) << "told once, and known";

    // Its reply after the page went: the same.
    page = std::make_shared<RecordingPage>();
    readBack.sendOrder("[]", page);
    page.reset();
    service->answer(Operation::Order, 1, acceptedOrder(42));
    EXPECT_EQ(toasts->shown.size(), 2u);
    EXPECT_EQ(checks, 2u);
    EXPECT_EQ(cartReads, 2u);
    EXPECT_FALSE(readBack.isOrderOnItsWay());
    EXPECT_EQ(service->count(Operation::Unpaid), 3u) << "the count is read again after a reply";
}

TEST_F(KXOrderReadBackTest, RepliesAfterTheReadBackIsGoneAreDropped)
{
    auto owned = std::make_unique<KXOrderReadBack>(service);
    owned->readCount();
    service->answer(Operation::Unpaid, 0, unpaidReply(1));
    owned->beforeOrder(record());
    owned->orderSent();
    owned->orderFailed(timedOut(), record());
    const std::size_t told = outcomes.size();
    owned.reset();
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    EXPECT_EQ(outcomes.size(), told);
}

} // namespace

namespace {

constexpr const char* kTwoFonts = R"([{"bid":"12","fids":"1049,1002"}])";
constexpr const char* kTwoFontsAgain = R"([{"bid":"12","fids":"1002,1049"}])";
constexpr const char* kOtherFont = R"([{"bid":"12","fids":"1048"}])";
constexpr const char* kOverlapping = R"([{"bid":"12","fids":"1049,1002,1048"}])";

class KXOrderKeptTest : public KXOrderReadBackTest {
protected:
    void SetUp() override
    {
        KXOrderReadBackTest::SetUp();
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey(KXOrderReadBack::kStoredKey);
    }
    void TearDown() override
    {
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey(KXOrderReadBack::kStoredKey);
        KXOrderReadBackTest::TearDown();
    }
    // The orders sent by the read-backs of this case.
    std::size_t ordersSent() const { return service->count(Operation::Order); }
};

// Whatever moment the client ends at (the order not sent yet, on its way, answered, lost), the
// next start knows what settles it, and no second order goes without the person's choice.
TEST_F(KXOrderKeptTest, AnEndOfTheClientAtAnyMomentLeavesTheOrderKnownToTheNextStart)
{
    enum class End { BeforeItLeaves, OnItsWay, AfterItsReply, AfterItsFailure };
    long long unpaid = 3;
    for (End end : { End::BeforeItLeaves, End::OnItsWay, End::AfterItsReply, End::AfterItsFailure }) {
        SCOPED_TRACE(static_cast<int>(end));
        const std::size_t sentBefore = ordersSent();
        {
            KXOrderReadBack first { service, "uid 7" };
            first.readCount();
            service->answer(Operation::Unpaid, reads(), unpaidReply(unpaid));
            if (end == End::BeforeItLeaves) {
                // Kept as the request is made, before the transport has sent a byte of it.
                first.orderSent(kTwoFonts);
            } else {
                first.sendOrder(kTwoFonts, {});
                if (end == End::AfterItsReply) {
                    service->answer(Operation::Order, ordersSent() - 1, acceptedOrder(50));
                    ++unpaid;
                } else if (end == End::AfterItsFailure) {
                    service->fail(Operation::Order, ordersSent() - 1);
                    service->answer(Operation::Unpaid, reads(), unpaidReply(unpaid));
                }
            }
        }
        KXOrderReadBack next { service, "uid 7" };
        const std::size_t readsBefore = service->count(Operation::Unpaid);
        if (end == End::AfterItsReply) {
            EXPECT_FALSE(next.isOutcomeUnknown()) << "answered: nothing is kept";
            continue;
        }
        ASSERT_TRUE(next.isOutcomeUnknown());
        EXPECT_EQ(next.count(), unpaid) << "the count from before it";
        // A press of the same fonts reads first; not made yet, it sends nothing and asks.
        outcomes.clear();
        next.beforeOrder(record(), {}, std::string(kTwoFonts));
        ASSERT_EQ(service->count(Operation::Unpaid), readsBefore + 1);
        service->answer(Operation::Unpaid, reads(), unpaidReply(unpaid));
        EXPECT_EQ(outcomes, std::vector<Outcome> { Outcome::StillUnknown });
        EXPECT_EQ(ordersSent(), sentBefore + (end == End::BeforeItLeaves ? 0 : 1)) << "no second order";
        // The service made it meanwhile: the start's read (once signed in) finds it and tells.
        next.settle();
        service->answer(Operation::Unpaid, reads(), unpaidReply(++unpaid));
        EXPECT_FALSE(next.isOutcomeUnknown());
        EXPECT_EQ(toasts->shown.back(), KXOrderReadBack::kOrderPlacedMessage);
        EXPECT_FALSE((KXOrderReadBack { service, "uid 7" }.isOutcomeUnknown())) << "settled: no longer kept";
    }
}

// An order kept by an earlier version holds the count alone: its fonts are unknown, so a press
// that finds it made is told of an earlier order and goes on.
TEST_F(KXOrderKeptTest, TheOlderFormIsReadAsAnOrderWhoseFontsAreUnknown)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(
        Id(foundation::Dictionary::create({ { Id("uid 7"), Id(5) } })), KXOrderReadBack::kStoredKey);
    KXOrderReadBack kept { service, "uid 7" };
    ASSERT_TRUE(kept.isOutcomeUnknown());
    EXPECT_EQ(kept.count(), 5);
    auto page = std::make_shared<RecordingPage>();
    kept.beforeOrder(record(), page, std::string(kTwoFonts));
    service->answer(Operation::Unpaid, 0, unpaidReply(6));
    EXPECT_EQ(outcomes, std::vector<Outcome> { Outcome::NotPlaced });
    EXPECT_TRUE(page->heard.empty()) << "not this press's order";
    EXPECT_EQ(toasts->shown, std::vector<std::string> { KXOrderReadBack::kEarlierOrderPlacedMessage });
    EXPECT_EQ(kept.count(), 6) << "the press compares with the count just read";
}

// A lost order found made is that order with its fonts: it settles a press of exactly those fonts
// and licences, and only that one.
TEST_F(KXOrderKeptTest, AFoundOrderSettlesOnlyAPressOfTheSameFontsAndLicences)
{
    std::size_t checks = 0;
    const auto checked
        = dispatch::NotificationCenter::defaultCenter().addObserver(KXOrderReadBack::kCheckOrderNotification,
            Id(), nullptr, [&checks](const dispatch::Notification&) { ++checks; });
    long long unpaid = 1;
    auto page = std::make_shared<RecordingPage>();
    for (const char* pressed : { kOtherFont, kOverlapping, kTwoFontsAgain }) {
        SCOPED_TRACE(pressed);
        outcomes.clear();
        page->heard.clear();
        toasts->shown.clear();
        readBack.readCount();
        service->answer(Operation::Unpaid, reads(), unpaidReply(unpaid));
        readBack.sendOrder(kTwoFonts, {});
        service->fail(Operation::Order, ordersSent() - 1);
        service->answer(Operation::Unpaid, reads(), unpaidReply(unpaid));
        ASSERT_TRUE(readBack.isOutcomeUnknown());
        // It lands; the person then presses an order.
        readBack.beforeOrder(record(), page, std::string(pressed));
        service->answer(Operation::Unpaid, reads(), unpaidReply(++unpaid));
        EXPECT_FALSE(readBack.isOutcomeUnknown());
        if (pressed == kTwoFontsAgain) {
            EXPECT_EQ(outcomes, std::vector<Outcome> { Outcome::Placed });
            EXPECT_EQ(page->heard, std::vector<std::string> { "made nil" });
            EXPECT_TRUE(toasts->shown.empty());
        } else {
            EXPECT_EQ(outcomes, std::vector<Outcome> { Outcome::NotPlaced })
                << "the press goes on as a new order";
            EXPECT_TRUE(page->heard.empty()) << "never this press's success";
            EXPECT_EQ(toasts->shown,
                std::vector<std::string> { "之前的订单已提交，请在个人中心-我的订单中完成支付" });
            EXPECT_EQ(readBack.count(), unpaid);
        }
    }
    EXPECT_EQ(checks, 2u) << "the orders are watched for each earlier order told";
    EXPECT_EQ(readBack.ordersMade(), 3u);
}

// With its page gone, a lost order is settled by a count read elsewhere (a look, the badge, the
// settling read): told over the main window, and the cart is read.
TEST_F(KXOrderKeptTest, ALostOrderWhosePageWentIsFoundByACountReadElsewhere)
{
    readBack.readCount();
    service->answer(Operation::Unpaid, 0, unpaidReply(5));
    auto page = std::make_shared<RecordingPage>();
    readBack.sendOrder(kTwoFonts, page);
    readBack.countRead(6);
    EXPECT_TRUE(toasts->shown.empty()) << "on its way: its own reply decides";
    page.reset();
    service->fail(Operation::Order, 0);
    readBack.countRead(6);
    EXPECT_TRUE(toasts->shown.empty()) << "its own read back decides";
    service->answer(Operation::Unpaid, 1, unpaidReply(5));
    ASSERT_TRUE(readBack.isOutcomeUnknown());
    readBack.countRead(5);
    EXPECT_TRUE(readBack.isOutcomeUnknown()) << "not made yet";
    EXPECT_EQ(cartReads, 0u);
    readBack.countRead(6);
    EXPECT_FALSE(readBack.isOutcomeUnknown());
    EXPECT_EQ(toasts->shown, std::vector<std::string> { KXOrderReadBack::kOrderPlacedMessage });
    EXPECT_EQ(cartReads, 1u);
    readBack.countRead(7);
    EXPECT_EQ(toasts->shown.size(), 1u) << "told once";
}

} // namespace
