#include "Class/Favourites/Core/KXCollectionFollow.h"

#include <gtest/gtest.h>

using Answer = KXCollectionFollow::Answer;
using Click = KXCollectionFollow::Click;
using Then = KXCollectionFollow::Then;

TEST(KXCollectionFollow, ASignedInClickMovesTheCountWithTheButtonAndARefusalPutsBoth)
{
    KXCollectionFollow follow;
    follow.showRecord(false);
    EXPECT_EQ(follow.click(true), Click::Send);
    EXPECT_EQ(follow.countShift(), 1);
    EXPECT_EQ(follow.begin(), 1);
    EXPECT_EQ(follow.click(true), Click::Refused) << "one request at a time";
    EXPECT_EQ(follow.finished(Answer::Refused), Then::Nothing);
    EXPECT_EQ(follow.state(), 0);
    EXPECT_EQ(follow.countShift(), 0);

    // A collection followed already: an unfollow takes the user's own follow off the count.
    follow.showRecord(true);
    follow.click(true);
    follow.begin();
    EXPECT_EQ(follow.finished(Answer::Accepted), Then::Nothing);
    EXPECT_EQ(follow.state(), 0);
    EXPECT_EQ(follow.countShift(), -1);
}

TEST(KXCollectionFollow, ALostFollowTakesTheStateFromTheListAndTheCountFromTheRecord)
{
    // The list comes first.
    KXCollectionFollow follow;
    follow.showRecord(false);
    follow.click(true);
    follow.begin();
    ASSERT_EQ(follow.finished(Answer::Failed), Then::ReadBack);
    EXPECT_EQ(follow.state(), 0) << "put back until the service is read";
    const auto read = follow.read();
    EXPECT_TRUE(follow.followsRead(read, true)) << "applied after all";
    EXPECT_EQ(follow.state(), 1);
    EXPECT_TRUE(follow.recordRead(read));
    EXPECT_EQ(follow.countShift(), 0) << "the record counts the follow";
    follow.click(true);
    EXPECT_EQ(follow.countShift(), -1);

    // The record comes first; the follow was not applied.
    KXCollectionFollow other;
    other.showRecord(false);
    other.click(true);
    other.begin();
    ASSERT_EQ(other.finished(Answer::Failed), Then::ReadBack);
    EXPECT_TRUE(other.recordRead(other.read()));
    EXPECT_EQ(other.countShift(), 0);
    EXPECT_FALSE(other.followsRead(other.read(), false));
    EXPECT_EQ(other.state(), 0);
    other.click(true);
    EXPECT_EQ(other.countShift(), 1);
}

TEST(KXCollectionFollow, AFollowThroughTheSignInIsCountedByTheRecord)
{
    KXCollectionFollow follow;
    follow.showRecord(false);
    EXPECT_EQ(follow.click(false), Click::AwaitSignIn);
    EXPECT_EQ(follow.click(false), Click::AwaitSignIn);
    EXPECT_EQ(follow.click(false), Click::AwaitSignIn);
    EXPECT_EQ(follow.countShift(), 0) << "nothing sent yet";
    ASSERT_TRUE(follow.signedIn(false));
    EXPECT_FALSE(follow.isWaitingForSignIn());
    EXPECT_EQ(follow.begin(), 1);
    // The reply is lost; the record already counts the follow the service applied.
    ASSERT_EQ(follow.finished(Answer::Failed), Then::ReadBack);
    const auto read = follow.read();
    EXPECT_TRUE(follow.recordRead(read));
    EXPECT_EQ(follow.countShift(), 0);
    follow.followsRead(read, true);
    EXPECT_EQ(follow.state(), 1);
    EXPECT_EQ(follow.countShift(), 0);
    follow.click(true);
    EXPECT_EQ(follow.countShift(), -1) << "an unfollow goes back to the count without it";

    // Answered: the record is read again and shown as it is.
    KXCollectionFollow answered;
    answered.showRecord(false);
    answered.click(false);
    answered.signedIn(false);
    answered.begin();
    ASSERT_EQ(answered.finished(Answer::Accepted), Then::ReadRecord);
    EXPECT_TRUE(answered.recordRead(answered.read()));
    EXPECT_EQ(answered.countShift(), 0);
}

TEST(KXCollectionFollow, TheOwnerSigningInSendsNothing)
{
    KXCollectionFollow follow;
    follow.showRecord(false);
    follow.click(false);
    EXPECT_FALSE(follow.signedIn(true));
    EXPECT_FALSE(follow.isWaitingForSignIn());
    EXPECT_EQ(follow.state(), 0);
    EXPECT_FALSE(follow.signedIn(false)) << "no click waits any more";
}

TEST(KXCollectionFollow, ReadsOvertakenByAClickOrARecordOrOfAnAccountGoneChangeNothing)
{
    KXCollectionFollow follow;
    follow.showRecord(false);
    follow.click(true);
    follow.begin();
    ASSERT_EQ(follow.finished(Answer::Failed), Then::ReadBack);
    const auto stale = follow.read();
    follow.click(true);
    EXPECT_FALSE(follow.followsRead(stale, false));
    EXPECT_FALSE(follow.recordRead(stale));
    EXPECT_EQ(follow.state(), 1);
    EXPECT_EQ(follow.countShift(), 1);

    follow.begin();
    EXPECT_EQ(follow.finished(Answer::Ended), Then::Nothing);
    EXPECT_EQ(follow.state(), 0);
    follow.showRecord(true);
    EXPECT_FALSE(follow.recordRead(stale));
    EXPECT_EQ(follow.state(), 1);
}

TEST(KXCollectionFollow, AFollowedListStoredByAnyReadSetsTheStateExceptWhileARequestOrASignInDecides)
{
    // A lost follow whose own read back failed: the next list anyone reads ends the read back.
    KXCollectionFollow follow;
    follow.showRecord(false);
    follow.click(true);
    follow.begin();
    ASSERT_EQ(follow.finished(Answer::Failed), Then::ReadBack);
    const auto stored = follow.followsStored(true);
    EXPECT_TRUE(stored.changed);
    EXPECT_TRUE(stored.applied) << "the follow was made after all";
    EXPECT_EQ(follow.state(), 1);
    follow.recordStored();
    EXPECT_EQ(follow.countShift(), 0) << "the list's copy of the record counts the follow";
    EXPECT_FALSE(follow.followsRead(follow.read(), true)) << "the read back ended with the list";

    // No request on its way: the list moves the state, and is not an outcome.
    const auto unfollowed = follow.followsStored(false);
    EXPECT_TRUE(unfollowed.changed);
    EXPECT_FALSE(unfollowed.applied);
    EXPECT_EQ(follow.state(), 0);
    EXPECT_FALSE(follow.followsStored(false).changed);

    // While a request runs, its answer decides.
    follow.click(true);
    follow.begin();
    EXPECT_FALSE(follow.followsStored(false).changed);
    EXPECT_EQ(follow.state(), 1);
    follow.finished(Answer::Accepted);

    // A click waiting for the sign-in is kept until the sign-in sends it.
    follow.showRecord(false);
    ASSERT_EQ(follow.click(false), Click::AwaitSignIn);
    EXPECT_FALSE(follow.followsStored(false).changed);
    EXPECT_EQ(follow.state(), 1);
}
