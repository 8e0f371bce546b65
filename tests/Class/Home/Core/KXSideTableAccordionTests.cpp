#include "Class/Home/Core/KXSideTableAccordion.h"

#include <gtest/gtest.h>

TEST(KXSideTableAccordion, SixRowsShowTheRestScrolls)
{
    EXPECT_EQ(KXSideTableAccordion::openHeight(0), 0);
    EXPECT_EQ(KXSideTableAccordion::openHeight(3), 75);
    EXPECT_EQ(KXSideTableAccordion::openHeight(6), 150);
    EXPECT_EQ(KXSideTableAccordion::openHeight(7), 150);
    EXPECT_EQ(KXSideTableAccordion::tableHeight(7), 175);
}

TEST(KXSideTableAccordion, OneTableOpenAtATime)
{
    KXSideTableAccordion accordion;
    accordion.toggleCollection(3);
    EXPECT_EQ(accordion.collectionHeight(), 75);
    accordion.toggleFollow(7);
    EXPECT_EQ(accordion.collectionHeight(), 0) << "opening the followed table closes the folders";
    EXPECT_EQ(accordion.followHeight(), 150);
    accordion.toggleCollection(3);
    EXPECT_EQ(accordion.followHeight(), 0);
    EXPECT_EQ(accordion.collectionHeight(), 75);
    accordion.toggleCollection(3);
    EXPECT_FALSE(accordion.isCollectionOpen());
    EXPECT_FALSE(accordion.isFollowOpen()) << "closing one opens nothing";
}

TEST(KXSideTableAccordion, AnOpenTableFollowsItsRows)
{
    KXSideTableAccordion accordion;
    accordion.toggleFollow(2);
    accordion.rowsChanged(9, 4);
    EXPECT_EQ(accordion.followHeight(), 100);
    EXPECT_EQ(accordion.collectionHeight(), 0) << "a closed table stays closed";
    accordion.closeBoth();
    EXPECT_FALSE(accordion.isFollowOpen());
}
