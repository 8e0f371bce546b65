// The recommended collections page against the local service: its cards and the session's lists,
// signed in and out, the cards' caps, opening a card, and the publish window made once.
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXHomeRecommendCell.h"
#include "Class/Favourites/KXHomeRecommendView.h"
#include "Class/Favourites/KXPublishFavoritesWindowsController.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "FavouritesTestSupport.h"
#include "Platform/Foundation/Foundation.h"

using foundation::Id;

namespace {

class KXHomeRecommendViewTest : public favouritestest::FavouritesTest {
protected:
    KXHomeRecommendView* open()
    {
        auto* page = new KXHomeRecommendView(QRect(0, 0, 310, 680));
        favouritesstyle::pinOnTop(page, &host());
        EXPECT_TRUE(waitUntil([page] { return page->groupDataA()->count() > 0; }));
        settle(host());
        return page;
    }
};

Id card(const Id& visits, const Id& followers)
{
    return Id(foundation::Dictionary::create(
        { { Id("collect_name"), Id("合集") }, { Id("visits"), visits }, { Id("follow_num"), followers } }));
}

} // namespace

TEST_F(KXHomeRecommendViewTest, SignedInLoadsTheCardsAndRefreshesTheSessionsLists)
{
    auto* page = open();
    EXPECT_EQ(ids(page->groupDataA()), ids(serverCards()));
    EXPECT_EQ(page->tableview()->model()->rowCount(), static_cast<int>(page->groupDataA()->count()));
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    ASSERT_TRUE(waitUntil([&] { return session.followsArray() && session.groupsInfo(); }));
    EXPECT_EQ(session.followsArray()->count(), 2u);
    EXPECT_EQ(ids(session.groupsInfo()), ids(serverFolders()));
    EXPECT_EQ(page->tableview()->rowRect(page->tableview()->model()->index(1, 0)).top(), 280 + 15);
    EXPECT_EQ(page->bridge(), nullptr);
}

TEST_F(KXHomeRecommendViewTest, SignedOutOnlyTheCardsAreAsked)
{
    signOut();
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    const auto kept
        = foundation::MutableArray::create({ Id(foundation::Dictionary::create({ { Id("id"), Id(7) } })) });
    session.setFollowsArray(kept);
    auto* page = open();
    EXPECT_FALSE(page->groupDataA()->empty());
    EXPECT_EQ(requests("137"), 0u);
    EXPECT_EQ(session.followsArray(), kept);
}

TEST_F(KXHomeRecommendViewTest, AnEmptyTokenIsSignedInAndTheSessionsListsAreAsked)
{
    setDefault("token", Id(""));
    open();
    EXPECT_TRUE(waitUntil([] { return requests("137") == 2; })) << "the folders and the follows";
}

TEST_F(KXHomeRecommendViewTest, TheCardsCountsAreCapped)
{
    using Card = KXHomeRecommendCell::Card;
    const Card below = KXHomeRecommendCell::card(card(Id(9999), Id(99)));
    EXPECT_EQ(below.visits, QStringLiteral("9999"));
    EXPECT_EQ(below.followers, QStringLiteral("99"));
    const Card at = KXHomeRecommendCell::card(card(Id(10000), Id(100)));
    EXPECT_EQ(at.visits, QStringLiteral("9999+"));
    EXPECT_EQ(at.followers, QStringLiteral("99+"));
    EXPECT_TRUE(KXHomeRecommendCell::card(Id()).title.isEmpty());
}

TEST_F(KXHomeRecommendViewTest, ARefusedReplyKeepsTheCards)
{
    auto* page = open();
    const auto shown = ids(page->groupDataA());
    setFault("getCollectList", localservice::Fault::Kind::ErrorCode, 1, "busy");
    page->setUPData();
    ASSERT_TRUE(waitUntil([] { return requests("143") >= 2; }));
    settle(host());
    EXPECT_EQ(ids(page->groupDataA()), shown);
    EXPECT_EQ(page->tableview()->model()->rowCount(), static_cast<int>(shown.size()));
}

TEST_F(KXHomeRecommendViewTest, ACardOpensItsCollectionOverThePage)
{
    auto* page = open();
    page->tablecellClick(-1);
    EXPECT_EQ(KXHomeListOverlays::topSubview(page), page->tableview()) << "no row, nothing opened";

    auto* viewport = page->tableview()->viewport();
    favouritestest::clickViewport(
        viewport, page->tableview()->rowRect(page->tableview()->model()->index(0, 0)).center());
    auto* detail = qobject_cast<KXHomeRecomDetailView*>(KXHomeListOverlays::topSubview(page));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->parentWidget(), page);
    EXPECT_EQ(
        Id(detail->infoDic())["id"].stringValue(), page->groupDataA()->objectAtIndex(0)["id"].stringValue());
    settle(host());
    EXPECT_EQ(detail->geometry(), page->rect());
}

TEST_F(KXHomeRecommendViewTest, TheUploadButtonShowsOnePublishWindow)
{
    auto* page = open();
    EXPECT_EQ(page->pubWindowsController(), nullptr);
    page->upLoadBtnClick();
    auto* first = page->pubWindowsController();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->window()->isVisible());
    EXPECT_EQ(first->window()->windowTitle(), QStringLiteral("公开收藏夹"));
    first->window()->orderOut();
    page->upLoadBtnClick();
    EXPECT_EQ(page->pubWindowsController(), first);
    EXPECT_TRUE(first->window()->isVisible());
}

TEST_F(KXHomeRecommendViewTest, Screenshots)
{
    const favouritestest::WebImages images;
    auto* page = open();
    // Covers and avatars come from the service.
    settle(host());
    waitUntil([page] {
        return page->tableview()->images().loadsStarted() > 0
            && page->tableview()->images().loadsInFlight() == 0;
    });
    EXPECT_TRUE(favouritestest::saveScreenshots(*page, QStringLiteral("favourites-recommend")));
}
