// A write whose reply never came may still reach the service after the client gave up on it (its
// request slow to arrive). Its read back then shows it not made: the state stays unsettled, each
// look at it reads it again, and once the settling time has passed it is read one last time.
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

#include <vector>

using foundation::Id;
using Read = KXAccountWrites::Read;

namespace {

foundation::Ref<foundation::Error> settlingTimedOut()
{
    return foundation::Error::create("NSURLErrorDomain", -1001, "The request timed out.");
}

class KXAccountWritesSettlingTest : public testing::Test {
protected:
    void SetUp() override
    {
        signIn("settling-token");
        KXAccountWrites::setReader(Read::Cart, [this](KXAccountWrites::Done done) { reads.push_back(std::move(done)); });
    }
    void TearDown() override
    {
        // Whatever a case left scheduled runs out here, answered, so that no kind stays unsettled.
        clock.advance(KXAccountWrites::kSettlingSeconds * 2);
        for (std::size_t answered = 0; answered < reads.size(); ++answered)
            if (reads[answered])
                std::exchange(reads[answered], nullptr)({true, Id()});
        KXAccountWrites::setReader(Read::Cart, {});
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        KXRequestAccount::changed();
    }
    static void signIn(const std::string& token)
    {
        foundation::UserDefaults::standardUserDefaults().setObject(Id(token), "token");
        KXRequestAccount::changed();
    }
    // An item added to the cart whose reply never came.
    static void lostAddToCart()
    {
        const auto* write = KXAccountWrites::find("153", "addCarts");
        ASSERT_NE(write, nullptr);
        KXAccountWrites::readingBackOnFailure(*write, {})(settlingTimedOut());
    }
    // Answers the read `index` with a cart that succeeded (the write not seen in it).
    void answer(std::size_t index)
    {
        ASSERT_LT(index, reads.size());
        std::exchange(reads[index], nullptr)({true, Id()});
    }

    dispatch::VirtualClock::Scope clock;
    std::vector<KXAccountWrites::Done> reads;
};

TEST_F(KXAccountWritesSettlingTest, EveryLookReadsAgainUntilTheWriteHasSettledThenOneLastRead)
{
    lostAddToCart();
    ASSERT_EQ(reads.size(), 1u) << "the read back";
    answer(0);
    EXPECT_FALSE(KXAccountWrites::isStale(Read::Cart)) << "the read itself succeeded";

    // The cart page opened, the window activated: each look reads it again, as the write may
    // still land.
    KXAccountWrites::readIfStale(Read::Cart);
    ASSERT_EQ(reads.size(), 2u);
    answer(1);
    KXAccountWrites::readIfStale(Read::Cart);
    ASSERT_EQ(reads.size(), 3u);
    answer(2);

    clock.advance(KXAccountWrites::kSettlingSeconds - 1);
    EXPECT_EQ(reads.size(), 3u);
    clock.advance(2);
    ASSERT_EQ(reads.size(), 4u) << "read once more when it has settled, without a look";
    answer(3);
    KXAccountWrites::readIfStale(Read::Cart);
    EXPECT_EQ(reads.size(), 4u) << "settled: no more reads";
}

TEST_F(KXAccountWritesSettlingTest, ALaterLostWriteSettlesOnItsOwnTimeAndAnotherAccountIsNotRead)
{
    lostAddToCart();
    answer(0);
    clock.advance(KXAccountWrites::kSettlingSeconds / 2);
    lostAddToCart();
    ASSERT_EQ(reads.size(), 2u);
    answer(1);
    clock.advance(KXAccountWrites::kSettlingSeconds / 2 + 1);
    EXPECT_EQ(reads.size(), 2u) << "the second write may still land";
    KXAccountWrites::readIfStale(Read::Cart);
    ASSERT_EQ(reads.size(), 3u);
    answer(2);

    // The account changes before the second write settles: nothing is read for the new one.
    signIn("another-account");
    KXAccountWrites::readIfStale(Read::Cart);
    clock.advance(KXAccountWrites::kSettlingSeconds);
    EXPECT_EQ(reads.size(), 3u);
}

} // namespace
