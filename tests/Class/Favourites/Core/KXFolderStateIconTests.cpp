#include "Class/Favourites/Core/KXFolderStateIcon.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;

TEST(KXFolderStateIcon, ThePlainRuleFollowsTheReviewState)
{
    EXPECT_EQ(KXFolderStateIcon::imageName(0, 0), "fontManagerStateWait");
    EXPECT_EQ(KXFolderStateIcon::imageName(1, 0), "fontManagerStateChecking");
    EXPECT_EQ(KXFolderStateIcon::imageName(2, 0), "fontManagerStateallPub");
    EXPECT_EQ(KXFolderStateIcon::imageName(3, 0), "fontManagerStateNoPass");
    EXPECT_EQ(KXFolderStateIcon::imageName(5, 0), "fontManagerStateNoPass");
    EXPECT_EQ(KXFolderStateIcon::imageName(-1, 0), "fontManagerStateNoPass");
}

TEST(KXFolderStateIcon, APasswordShowsHalfPublishedExceptWaitingAndRefused)
{
    EXPECT_EQ(KXFolderStateIcon::imageName(2, 1), "fontManagerStatehalfPub");
    EXPECT_EQ(KXFolderStateIcon::imageName(1, 1), "fontManagerStatehalfPub");
    EXPECT_EQ(KXFolderStateIcon::imageName(5, 1), "fontManagerStatehalfPub");
    EXPECT_EQ(KXFolderStateIcon::imageName(3, 1), "fontManagerStateNoPass");
    EXPECT_EQ(KXFolderStateIcon::imageName(0, 1), "fontManagerStateWait");
    EXPECT_EQ(KXFolderStateIcon::imageName(2, -4), "fontManagerStatehalfPub") << "any non-zero value";
}

TEST(KXFolderStateIcon, RecordsAreReadAsIntegersWhateverTheirKind)
{
    const Id texts(foundation::Dictionary::create({{Id("is_publish"), Id("2")}, {Id("is_encrypt"), Id("1")}}));
    EXPECT_EQ(KXFolderStateIcon::imageName(texts), "fontManagerStatehalfPub");
    const Id numbers(foundation::Dictionary::create({{Id("is_publish"), Id(1)}}));
    EXPECT_EQ(KXFolderStateIcon::imageName(numbers), "fontManagerStateChecking");
    EXPECT_EQ(KXFolderStateIcon::imageName(Id()), "fontManagerStateWait") << "nothing known: not submitted";
    EXPECT_EQ(KXFolderStateIcon::imageName(Id("not a record")), "fontManagerStateWait");
}
