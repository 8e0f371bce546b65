#include "Class/Favourites/Core/KXReplyGate.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

namespace {

using Verdict = KXReplyGate::Verdict;

class KXReplyGateTest : public ::testing::Test {
protected:
    void SetUp() override { setToken("token-a"); }
    void TearDown() override { foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token"); }
    static void setToken(const char* token)
    {
        foundation::UserDefaults::standardUserDefaults().setObject(foundation::Id(token), "token");
    }
};

} // namespace

TEST_F(KXReplyGateTest, AnOlderReplyNeverReplacesANewerOne)
{
    KXReplyGate gate;
    const auto first = gate.issue();
    const auto second = gate.issue();
    EXPECT_EQ(gate.admit(second), Verdict::Admitted);
    EXPECT_EQ(gate.admit(first), Verdict::Newer) << "the slow first reply lands last";
    const auto third = gate.issue();
    EXPECT_EQ(gate.admit(third), Verdict::Admitted);
}

TEST_F(KXReplyGateTest, RepliesInOrderAreAllApplied)
{
    KXReplyGate gate;
    const auto first = gate.issue();
    const auto second = gate.issue();
    EXPECT_EQ(gate.admit(first), Verdict::Admitted);
    EXPECT_EQ(gate.admit(second), Verdict::Admitted);
    EXPECT_EQ(gate.admit(second), Verdict::Newer) << "once";
}

TEST_F(KXReplyGateTest, AKnownChangeSupersedesEveryEarlierRequest)
{
    KXReplyGate gate;
    const auto before = gate.issue();
    const auto alsoBefore = gate.issue();
    gate.supersede();
    EXPECT_EQ(gate.admit(before), Verdict::Superseded) << "nothing newer yet: ask again";
    const auto after = gate.issue();
    EXPECT_EQ(gate.admit(after), Verdict::Admitted);
    EXPECT_EQ(gate.admit(alsoBefore), Verdict::Newer) << "a list made after the change is shown";
}

TEST_F(KXReplyGateTest, AReplyOfAFormerSessionIsDropped)
{
    KXReplyGate gate;
    const auto ticket = gate.issue();
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
    EXPECT_FALSE(KXReplyGate::sameSession(ticket));
    EXPECT_EQ(gate.admit(ticket), Verdict::OtherSession) << "signed out";
    setToken("token-a");
    const auto again = gate.issue();
    setToken("token-b");
    EXPECT_EQ(gate.admit(again), Verdict::OtherSession) << "another user signed in meanwhile";
    EXPECT_EQ(gate.admit(gate.issue()), Verdict::Admitted);
}
