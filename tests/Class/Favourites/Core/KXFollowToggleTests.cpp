#include "Class/Favourites/Core/KXFollowToggle.h"

#include <gtest/gtest.h>

TEST(KXFollowToggle, ARefusedFollowComesBack)
{
    KXFollowToggle toggle(0);
    ASSERT_TRUE(toggle.click());
    EXPECT_EQ(toggle.state(), 1) << "shown at once";
    EXPECT_EQ(toggle.begin(), 1);
    EXPECT_FALSE(toggle.click()) << "no second request while one runs";
    toggle.setState(0);
    EXPECT_EQ(toggle.state(), 1) << "a refill waits for the answer";
    toggle.finished(false);
    EXPECT_EQ(toggle.state(), 0);
    EXPECT_FALSE(toggle.isPending());
}

TEST(KXFollowToggle, AnAcceptedUnfollowStays)
{
    KXFollowToggle toggle(1);
    ASSERT_TRUE(toggle.click());
    EXPECT_EQ(toggle.begin(), 0);
    toggle.finished(true);
    EXPECT_EQ(toggle.state(), 0);
    EXPECT_TRUE(toggle.click());
}

TEST(KXFollowToggle, ClicksWhileSignedOutSendTheStateShownAtSignIn)
{
    KXFollowToggle toggle(0);
    toggle.click();
    toggle.click();
    EXPECT_EQ(toggle.begin(), 0) << "two clicks before signing in: the state shown then";
    toggle.finished(false);
    EXPECT_EQ(toggle.state(), 1) << "the failure restores the state the request would have left";
}
