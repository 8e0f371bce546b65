#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/Store/Core/KXOrderReadBack.h"
#include "Platform/Foundation/Foundation.h"
#include "ScriptedStoreService.h"

#include <gtest/gtest.h>

using foundation::Id;
using Operation = KXStoreService::Operation;
using Outcome = KXOrderReadBack::Outcome;

namespace {

Id unpaid(long long num)
{
    return storetest::envelope(0, Id(foundation::Dictionary::create({ { Id("num"), Id(num) } })));
}

foundation::Ref<foundation::Error> timedOut()
{
    return foundation::Error::create("NSURLErrorDomain", -1001, "The request timed out.");
}

class KXOrderReadBackTest : public testing::Test {
protected:
    KXOrderReadBack::Then record()
    {
        return [this](Outcome outcome) { outcomes.push_back(outcome); };
    }
    // The page opened with `count` unpaid orders, and an order sent and lost.
    void lostOrderAfter(long long count)
    {
        readBack.readCount();
        service->answer(Operation::Unpaid, reads(), unpaid(count));
        readBack.beforeOrder(record());
        readBack.orderSent();
        readBack.orderFailed(timedOut(), record());
    }
    std::size_t reads() const { return service->count(Operation::Unpaid) - 1; }

    std::shared_ptr<storetest::ScriptedStoreService> service
        = std::make_shared<storetest::ScriptedStoreService>();
    KXOrderReadBack readBack { service };
    std::vector<Outcome> outcomes;
};

TEST_F(KXOrderReadBackTest, AnOrderMadeAfterTheFirstReadBackIsFoundBeforeTheNextOne)
{
    lostOrderAfter(2);
    EXPECT_EQ(outcomes, std::vector<Outcome> { Outcome::NotPlaced }) << "nothing read before the first order";
    ASSERT_EQ(service->count(Operation::Unpaid), 2u) << "the count is read back after the failure";
    service->answer(Operation::Unpaid, 1, unpaid(2));
    EXPECT_EQ(outcomes.back(), Outcome::Unknown) << "not made yet";
    EXPECT_TRUE(readBack.isOutcomeUnknown());
    EXPECT_EQ(readBack.count(), 2);

    // The service makes it now; the next order reads first and finds it.
    readBack.beforeOrder(record());
    ASSERT_EQ(service->count(Operation::Unpaid), 3u);
    EXPECT_EQ(outcomes.size(), 2u) << "nothing is told before the count comes";
    service->answer(Operation::Unpaid, 2, unpaid(3));
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

    // The same count: the order may go, and it is lost too; the service then makes one of them.
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 4, unpaid(2));
    EXPECT_EQ(outcomes.back(), Outcome::NotPlaced);
    readBack.orderSent();
    readBack.orderFailed(timedOut(), record());
    service->answer(Operation::Unpaid, 5, unpaid(2));
    EXPECT_EQ(outcomes.back(), Outcome::Unknown);
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 6, unpaid(3));
    EXPECT_EQ(outcomes.back(), Outcome::Placed);
}

TEST_F(KXOrderReadBackTest, ACountBelowTheOneBeforeIsTheNextOrdersToCompareWith)
{
    lostOrderAfter(4);
    service->answer(Operation::Unpaid, 1, unpaid(4));
    // An order was paid elsewhere meanwhile.
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 2, unpaid(3));
    EXPECT_EQ(outcomes.back(), Outcome::NotPlaced);
    readBack.orderSent();
    readBack.orderFailed(timedOut(), record());
    service->answer(Operation::Unpaid, 3, unpaid(4));
    EXPECT_EQ(outcomes.back(), Outcome::Placed) << "one above the count it was sent with";
}

TEST_F(KXOrderReadBackTest, AnOrderReplyEndsTheUnknownAndTheCountIsReadAgain)
{
    lostOrderAfter(2);
    service->answer(Operation::Unpaid, 1, unpaid(2));
    readBack.beforeOrder(record());
    service->answer(Operation::Unpaid, 2, unpaid(2));
    readBack.orderSent();
    readBack.orderAnswered();
    EXPECT_FALSE(readBack.isOutcomeUnknown());
    EXPECT_EQ(readBack.count(), std::nullopt) << "nothing to compare with while it is read";
    ASSERT_EQ(service->count(Operation::Unpaid), 4u);
    service->answer(Operation::Unpaid, 3, unpaid(3));
    EXPECT_EQ(readBack.count(), 3);
    readBack.beforeOrder(record());
    EXPECT_EQ(outcomes.back(), Outcome::NotPlaced);
    EXPECT_EQ(service->count(Operation::Unpaid), 4u) << "no read before an order whose outcome is known";
}

TEST_F(KXOrderReadBackTest, WithoutACountOrForAnAccountGoneNothingIsReadBack)
{
    // The page's read has not come when the order goes.
    readBack.readCount();
    readBack.beforeOrder(record());
    readBack.orderSent();
    service->answer(Operation::Unpaid, 0, unpaid(2));
    readBack.orderFailed(timedOut(), record());
    EXPECT_EQ(outcomes.back(), Outcome::Unknown);
    EXPECT_EQ(service->count(Operation::Unpaid), 1u);
    EXPECT_FALSE(readBack.isOutcomeUnknown());

    // An older read that lands after a newer one was asked is not kept.
    readBack.readCount();
    readBack.readCount();
    service->answer(Operation::Unpaid, 2, unpaid(5));
    service->answer(Operation::Unpaid, 1, unpaid(9));
    EXPECT_EQ(readBack.count(), 5);

    readBack.beforeOrder(record());
    readBack.orderSent();
    readBack.orderFailed(KXRequestAccount::endedError(), record());
    EXPECT_EQ(outcomes.back(), Outcome::Unknown);
    EXPECT_EQ(service->count(Operation::Unpaid), 3u) << "no count of an account that has gone";
    EXPECT_FALSE(readBack.isOutcomeUnknown());
    EXPECT_EQ(readBack.count(), std::nullopt);
}

TEST_F(KXOrderReadBackTest, RepliesAfterTheReadBackIsGoneAreDropped)
{
    auto owned = std::make_unique<KXOrderReadBack>(service);
    owned->readCount();
    service->answer(Operation::Unpaid, 0, unpaid(1));
    owned->beforeOrder(record());
    owned->orderSent();
    owned->orderFailed(timedOut(), record());
    const std::size_t told = outcomes.size();
    owned.reset();
    service->answer(Operation::Unpaid, 1, unpaid(2));
    EXPECT_EQ(outcomes.size(), told);
}

} // namespace
