// A write whose reply never came may still reach the service after the client gave up on it (its
// request slow to arrive). Its read back then shows it not made: the state stays unsettled, each
// look at it reads it again, and once the settling time has passed it is read one last time.
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
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
    // It may land later still: each look reads it for a while yet, and then no more.
    KXAccountWrites::readIfStale(Read::Cart);
    ASSERT_EQ(reads.size(), 5u);
    answer(4);
    clock.advance(KXAccountWrites::kLateLookSeconds - 10);
    KXAccountWrites::readIfStale(Read::Cart);
    ASSERT_EQ(reads.size(), 6u);
    answer(5);
    clock.advance(10);
    KXAccountWrites::readIfStale(Read::Cart);
    EXPECT_EQ(reads.size(), 6u) << "settled: no more reads";
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

// A write that landed a minute after it was sent (well after the client gave up at 10 s) is still
// caught by the last read, which comes after it.
TEST_F(KXAccountWritesSettlingTest, TheLastReadComesAfterAWriteThatLandsAMinuteLate)
{
    lostAddToCart();
    answer(0);
    clock.advance(60);
    EXPECT_EQ(reads.size(), 1u) << "not settled before the late landing";
    clock.advance(KXAccountWrites::kSettlingSeconds - 60 + 1);
    EXPECT_EQ(reads.size(), 2u) << "read once more after it";
}

// The orders keep their own unknown outcome: while their keeper says one is unknown, each look
// reads the count, settling time or not.
TEST_F(KXAccountWritesSettlingTest, AKindWhoseCallerKeepsItsUnknownOutcomeIsReadAtEachLook)
{
    std::size_t counts = 0;
    bool unknown = false;
    KXAccountWrites::setReader(Read::UnpaidCount, [&counts](KXAccountWrites::Done done) {
        ++counts;
        done({ true, Id() });
    });
    KXAccountWrites::setStillUnknown(Read::UnpaidCount, [&unknown] { return unknown; });
    KXAccountWrites::readIfStale(Read::UnpaidCount);
    EXPECT_EQ(counts, 0u);
    unknown = true;
    KXAccountWrites::readIfStale(Read::UnpaidCount);
    clock.advance(KXAccountWrites::kSettlingSeconds * 3);
    KXAccountWrites::readIfStale(Read::UnpaidCount);
    EXPECT_EQ(counts, 2u);
    unknown = false;
    KXAccountWrites::readIfStale(Read::UnpaidCount);
    EXPECT_EQ(counts, 2u);
    KXAccountWrites::setStillUnknown(Read::UnpaidCount, {});
    KXAccountWrites::setReader(Read::UnpaidCount, {});
}

} // namespace

namespace {

// What the writes kept ahead leave to the next start. Each case signs in its own account, so that
// its start is that account's first in the run.
class KXAccountWritesKeptTest : public KXAccountWritesSettlingTest {
protected:
    void SetUp() override
    {
        KXAccountWritesSettlingTest::SetUp();
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey(
            KXAccountWrites::kWritesOnTheirWayKey);
        KXAccountWrites::setAccountKey([this] { return account; });
        for (Read read : { Read::Folders, Read::Follows, Read::UserData, Read::UnpaidCount })
            KXAccountWrites::setReader(read, [this, read](KXAccountWrites::Done done) {
                kindsRead.push_back(read);
                done({ true, Id() });
            });
    }
    void TearDown() override
    {
        for (Read read : { Read::Folders, Read::Follows, Read::UserData, Read::UnpaidCount })
            KXAccountWrites::setReader(read, {});
        KXAccountWrites::setAccountKey({});
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey(
            KXAccountWrites::kWritesOnTheirWayKey);
        KXAccountWritesSettlingTest::TearDown();
    }
    std::string account;
    std::vector<Read> kindsRead;
};

// Every write of the table kept ahead, ended at each moment (before its request leaves, on its way,
// after its reply, after a failure within its settling time): the next start reads its state back
// once signed in, unless its reply settled it; a write whose doubling costs the person and that is
// not kept fails here.
TEST_F(KXAccountWritesKeptTest, AnEndOfTheClientAtAnyMomentLeavesTheWriteToTheNextStart)
{
    enum class End { BeforeItLeaves, OnItsWay, AfterItsReply, AfterItsFailure };
    std::vector<std::string> kept;
    int accounts = 0;
    for (const auto& write : KXAccountWrites::table()) {
        if (!write.keptAhead)
            continue;
        kept.emplace_back(write.name);
        for (End end : { End::BeforeItLeaves, End::OnItsWay, End::AfterItsReply, End::AfterItsFailure }) {
            SCOPED_TRACE(std::string(write.name) + " " + std::to_string(static_cast<int>(end)));
            account = "uid " + std::to_string(++accounts);
            const unsigned long long number = KXAccountWrites::keepAhead(write);
            ASSERT_NE(number, 0u);
            EXPECT_FALSE(Id(foundation::UserDefaults::standardUserDefaults().dictionaryForKey(
                KXAccountWrites::kWritesOnTheirWayKey))[account]
                             .isNil())
                << "kept before it leaves";
            auto landed = KXAccountWrites::landingOnReply(write, number, {});
            auto failed = KXAccountWrites::readingBackOnFailure(write, number, {});
            if (end == End::AfterItsReply)
                landed(Id(foundation::Dictionary::create({ { Id("errcode"), Id(0) } })));
            if (end == End::AfterItsFailure)
                failed(settlingTimedOut());
            kindsRead.clear();
            // The next start, once the account is signed in.
            KXAccountWrites::settleKept();
            if (end == End::AfterItsReply) {
                EXPECT_TRUE(kindsRead.empty());
                continue;
            }
            EXPECT_EQ(kindsRead, std::vector<Read> { write.read });
            KXAccountWrites::settleKept();
            EXPECT_EQ(kindsRead.size(), 1u) << "read once per start";
            KXAccountWrites::readIfStale(write.read);
            EXPECT_EQ(kindsRead.size(), 2u) << "unsettled: each look reads it";
            clock.advance(KXAccountWrites::kSettlingSeconds + 1);
            EXPECT_EQ(kindsRead.size(), 3u) << "its last read";
            EXPECT_TRUE(Id(foundation::UserDefaults::standardUserDefaults().dictionaryForKey(
                KXAccountWrites::kWritesOnTheirWayKey))[account]
                            .isNil())
                << "settled: no longer kept";
        }
    }
    EXPECT_EQ(kept, (std::vector<std::string> { "createCollect", "publishCollection" }));
}

// A write is kept with its subject, and counts as unknown for that subject once it has failed
// (not while on its way, its reply or failure will say) until a read settles it; one kept by an
// older client, without a subject, counts for every subject and is still read back at a start.
TEST_F(KXAccountWritesKeptTest, AWriteIsKeptWithItsSubjectAndOneKeptWithoutCountsForEverySubject)
{
    account = "uid subject";
    const auto* create = KXAccountWrites::find("133", "createCollect");
    ASSERT_NE(create, nullptr);
    const unsigned long long number = KXAccountWrites::keepAhead(*create, "海报");
    const Id stored = Id(foundation::UserDefaults::standardUserDefaults().dictionaryForKey(
        KXAccountWrites::kWritesOnTheirWayKey))[account];
    ASSERT_EQ(stored.count(), 1u);
    const Id entry = Id(stored.dictionary()->allValues()->objectAtIndex(0));
    EXPECT_EQ(entry["tag"].stringValue(), "133");
    EXPECT_EQ(entry["subject"].stringValue(), "海报");
    EXPECT_FALSE(KXAccountWrites::keptUnknown("133", "海报")) << "on its way";
    KXAccountWrites::readingBackOnFailure(*create, number, {})(settlingTimedOut());
    EXPECT_TRUE(KXAccountWrites::keptUnknown("133", "海报"));
    EXPECT_FALSE(KXAccountWrites::keptUnknown("133", "正文"));
    EXPECT_FALSE(KXAccountWrites::keptUnknown("136", "海报"));
    KXAccountWrites::forgetKept("133", "海报");
    EXPECT_FALSE(KXAccountWrites::keptUnknown("133", "海报"));

    account = "uid older";
    foundation::UserDefaults::standardUserDefaults().setObject(
        Id(foundation::Dictionary::create(
            { { Id(account), Id(foundation::Dictionary::create({ { Id("1-1"), Id("136") } })) } })),
        KXAccountWrites::kWritesOnTheirWayKey);
    EXPECT_TRUE(KXAccountWrites::keptUnknown("136", "12"));
    EXPECT_TRUE(KXAccountWrites::keptUnknown("136", "13"));
    EXPECT_FALSE(KXAccountWrites::keptUnknown("133", "12"));
    kindsRead.clear();
    KXAccountWrites::settleKept();
    EXPECT_EQ(kindsRead, std::vector<Read> { Read::Folders });
}

// A read asked after a write's reply never joins one asked before it (which may have left before
// the write landed), for every kind of read the table's writes have: a new kind is walked too.
TEST_F(KXAccountWritesKeptTest, AReadAskedAfterAWritesReplyNeverJoinsAnOlderOne)
{
    std::vector<KXAccountWrites::Done> pending;
    std::map<Read, std::size_t> asked;
    std::set<Read> walked;
    for (const auto& write : KXAccountWrites::table()) {
        if (write.read == Read::None)
            continue;
        walked.insert(write.read);
        SCOPED_TRACE(std::string(write.name));
        KXAccountWrites::setReader(
            write.read, [&pending, &asked, read = write.read](KXAccountWrites::Done done) {
                ++asked[read];
                pending.push_back(std::move(done));
            });
        asked[write.read] = 0;
        KXAccountWrites::read(write.read);
        ASSERT_EQ(asked[write.read], 1u);
        KXAccountWrites::read(write.read);
        EXPECT_EQ(asked[write.read], 1u) << "joined while no write landed";
        KXAccountWrites::landingOnReply(write, {})(
            Id(foundation::Dictionary::create({ { Id("errcode"), Id(0) } })));
        KXAccountWrites::read(write.read);
        EXPECT_EQ(asked[write.read], 2u) << "a read after the reply left on its own";
        for (auto& done : pending)
            if (done)
                std::exchange(done, nullptr)({ true, Id() });
        pending.clear();
        KXAccountWrites::setReader(write.read, {});
    }
    EXPECT_EQ(walked,
        (std::set<Read> { Read::Folders, Read::Follows, Read::Cart, Read::UnpaidCount, Read::UserData }));
}

} // namespace
