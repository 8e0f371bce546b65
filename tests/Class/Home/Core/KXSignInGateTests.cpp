#include "Class/Home/Core/KXSignInGate.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

using foundation::Id;

namespace {

foundation::UserDefaults& gateDefaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

Id user(const char* token, long long isAgree)
{
    return Id(foundation::Dictionary::create({{Id("token"), Id(token)}, {Id("is_agree"), Id(isAgree)}, {Id("uname"), Id("newbie")}}));
}

std::string token()
{
    return Id(gateDefaults().stringForKey("token")).stringValue();
}

class KXSignInGateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KXHomeProcessState::reset();
        gateDefaults().removeObjectForKey("token");
        gateDefaults().removeObjectForKey(KXSignInGate::kPendingKey);
    }
    void TearDown() override { KXHomeProcessState::reset(); }

    static bool marked() { return !gateDefaults().objectForKey(KXSignInGate::kPendingKey).isNil(); }
};

} // namespace

TEST_F(KXSignInGateTest, AnAgreedUserSignsInAtOnce)
{
    EXPECT_EQ(KXSignInGate::receive(user("t-1", 1)), KXSignInGate::Step::SignIn);
    EXPECT_EQ(token(), "t-1");
    EXPECT_FALSE(KXSignInGate::isWaiting());
}

TEST_F(KXSignInGateTest, ARefusalTakesTheTokenBack)
{
    EXPECT_EQ(KXSignInGate::receive(user("t-2", 0)), KXSignInGate::Step::AwaitAgreement);
    EXPECT_EQ(token(), "t-2") << "stored while the window asks";
    EXPECT_TRUE(KXSignInGate::isWaiting());
    EXPECT_TRUE(KXSignInGate::answer(Id("0")).isNil());
    EXPECT_TRUE(gateDefaults().objectForKey("token").isNil());
    EXPECT_FALSE(KXSignInGate::isWaiting());
}

TEST_F(KXSignInGateTest, AnAcceptanceSignsTheWaitingUserInOnce)
{
    KXSignInGate::receive(user("t-3", 0));
    const Id accepted = KXSignInGate::answer(Id("1"));
    EXPECT_EQ(accepted["uname"].stringValue(), "newbie");
    EXPECT_EQ(token(), "t-3");
    EXPECT_TRUE(KXSignInGate::answer(Id("1")).isNil()) << "a second answer signs nobody in";
    EXPECT_TRUE(KXSignInGate::answer(Id("0")).isNil());
    EXPECT_EQ(token(), "t-3") << "nor does a later refusal sign the user out";
}

TEST_F(KXSignInGateTest, QuittingWithTheQuestionOpenLeavesNoToken)
{
    KXSignInGate::abandon();
    gateDefaults().setObject(Id("kept"), "token");
    KXSignInGate::abandon();
    EXPECT_EQ(token(), "kept") << "nobody waited";
    KXSignInGate::receive(user("t-4", 0));
    KXSignInGate::abandon();
    EXPECT_TRUE(gateDefaults().objectForKey("token").isNil());
    EXPECT_FALSE(KXSignInGate::isWaiting());
}

TEST_F(KXSignInGateTest, ASignInAndARefusalEachLeaveTheRequestsAskedBeforeBehind)
{
    KXSignInGate::receive(user("t-5", 1));
    const auto before = KXRequestAccount::current();
    // The service hands a user who signs in again the same token: still a later sign-in.
    KXSignInGate::receive(user("t-5", 1));
    EXPECT_FALSE(KXRequestAccount::isCurrent(before));
    EXPECT_TRUE(KXRequestAccount::isCurrent(KXRequestAccount::current()));

    KXSignInGate::receive(user("t-6", 0));
    const auto waiting = KXRequestAccount::current();
    KXSignInGate::answer(Id("0"));
    EXPECT_FALSE(KXRequestAccount::isCurrent(waiting));
    // Nor does the refused user's token written back by anything else bring the account back.
    gateDefaults().setObject(Id("t-6"), "token");
    EXPECT_FALSE(KXRequestAccount::isCurrent(waiting));
}

TEST_F(KXSignInGateTest, TheQuestionOpenIsMarkedBesideTheTokenUntilItIsAnswered)
{
    KXSignInGate::receive(user("t-7", 0));
    EXPECT_TRUE(marked());
    KXSignInGate::answer(Id("1"));
    EXPECT_FALSE(marked()) << "accepted: an ordinary token from now on";
    EXPECT_EQ(token(), "t-7");

    KXSignInGate::receive(user("t-8", 0));
    KXSignInGate::answer(Id("0"));
    EXPECT_FALSE(marked());
    EXPECT_TRUE(gateDefaults().objectForKey("token").isNil());

    KXSignInGate::receive(user("t-9", 0));
    KXSignInGate::abandon();
    EXPECT_FALSE(marked());

    // An agreed user signing in over a question still open takes its place.
    KXSignInGate::receive(user("t-10", 0));
    KXSignInGate::receive(user("t-11", 1));
    EXPECT_FALSE(marked());
    EXPECT_FALSE(KXSignInGate::isWaiting());
    EXPECT_TRUE(KXSignInGate::answer(Id("1")).isNil()) << "the earlier user is not signed in by a late answer";
}

TEST_F(KXSignInGateTest, AtTheNextStartATokenLeftUnansweredGoesWithItsMark)
{
    KXSignInGate::receive(user("t-12", 0));
    // The process ends without an answer: only what is on disk remains.
    KXHomeProcessState::reset();
    const auto before = KXRequestAccount::current();
    EXPECT_TRUE(KXSignInGate::discardUnanswered());
    EXPECT_TRUE(gateDefaults().objectForKey("token").isNil());
    EXPECT_FALSE(marked());
    EXPECT_FALSE(KXRequestAccount::isCurrent(before));

    gateDefaults().setObject(Id("agreed"), "token");
    EXPECT_FALSE(KXSignInGate::discardUnanswered());
    EXPECT_EQ(token(), "agreed") << "an ordinary token stays";
    // Not while this very process asks.
    KXSignInGate::receive(user("t-13", 0));
    EXPECT_FALSE(KXSignInGate::discardUnanswered());
    EXPECT_EQ(token(), "t-13");
}
