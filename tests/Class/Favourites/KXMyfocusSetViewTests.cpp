// The followed collections page against the local service: its cards, the empty state and its
// way back, the back button by origin, a collection unfollowed in its detail page, and a late list
// after signing out.
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXHomeRecomDetailTopCell.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXMyfocusSetView.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "FavouritesTestSupport.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"

#include <QScrollBar>

using foundation::Id;

namespace {

class KXMyfocusSetViewTest : public favouritestest::FavouritesTest {
protected:
    KXMyfocusSetView* open(const QString& from = QString::fromUtf8(KXMyfocusSetView::kFollowedTab))
    {
        auto* page = new KXMyfocusSetView(QRect(0, 0, 310, 680));
        page->setFrom(from);
        favouritesstyle::pinOnTop(page, &host());
        EXPECT_TRUE(waitUntil([] { return requests("137") >= 2; }));
        settle(host());
        return page;
    }
    static foundation::Ref<foundation::Array> serverFollows()
    {
        return run([](auto s, auto f) { KXHTTPBUSINESS().GetFocusGroupsListSuceess(s, f); })
            .reply["corvane_data"]["follow"]
            .array();
    }
    static void follow(const Id& id, const char* state)
    {
        run([&](auto s, auto f) { KXHTTPBUSINESS().isAttentionGroup(id, Id(state), s, f); });
    }
};

} // namespace

TEST_F(KXMyfocusSetViewTest, ShowsTheFollowedCollectionsAndStoresThem)
{
    auto* page = open();
    ASSERT_TRUE(waitUntil([page] { return page->groupDataA()->count() == 2; }));
    settle(host());
    EXPECT_EQ(ids(page->groupDataA()), ids(serverFollows()));
    EXPECT_EQ(ids(KXUserCenterConfig::sharedKXUserCenterConfig().followsArray()), ids(page->groupDataA()));
    EXPECT_EQ(ids(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo()), ids(serverFolders()));
    EXPECT_EQ(page->tableview()->model()->rowCount(), 2);
    EXPECT_LT(page->scrollViewTop(), KXMyfocusSetView::kEmptyListTop);
    EXPECT_FALSE(page->toFoundBtn2()->isVisible());
    EXPECT_TRUE(page->backButton()->isHidden()) << "the tab has no back button";
}

TEST_F(KXMyfocusSetViewTest, ThePersonalCentresPageHasABackButton)
{
    auto* page = open(QString());
    EXPECT_FALSE(page->backButton()->isHidden());
    page->backButton()->click();
    EXPECT_EQ(page->parentWidget(), nullptr);
}

TEST_F(KXMyfocusSetViewTest, FollowingNothingShowsTheEmptyStateUntilRowsCome)
{
    signIn("newbie", "newbie123");
    auto* page = open();
    ASSERT_TRUE(waitUntil([page] { return page->scrollViewTop() == KXMyfocusSetView::kEmptyListTop; }));
    settle(host());
    EXPECT_EQ(page->tableview()->y(), KXMyfocusSetView::kEmptyListTop);
    EXPECT_TRUE(page->toFoundBtn()->isVisible());
    EXPECT_TRUE(page->toFoundBtn2()->isVisible());
    int findMore = 0;
    auto observer
        = dispatch::NotificationCenter::defaultCenter().addObserver(KXMyfocusSetView::kFindMoreNotification,
            Id(), nullptr, [&](const dispatch::Notification&) { ++findMore; });
    page->toFoundBtn()->click();
    page->toFoundBtn2()->click();
    EXPECT_EQ(findMore, 2);

    // Followed meanwhile: the next list brings the cards back to the top.
    const Id card = serverCards()->objectAtIndex(0);
    follow(card["id"], "1");
    page->recomDetailViewclosed();
    ASSERT_TRUE(waitUntil([page] { return page->groupDataA()->count() == 1; }));
    settle(host());
    EXPECT_LT(page->tableview()->y(), KXMyfocusSetView::kEmptyListTop);
    EXPECT_FALSE(page->toFoundBtn2()->isVisible());
    follow(card["id"], "0");
}

TEST_F(KXMyfocusSetViewTest, ACollectionUnfollowedInItsDetailLeavesTheList)
{
    auto* page = open();
    ASSERT_TRUE(waitUntil([page] { return page->groupDataA()->count() == 2; }));
    settle(host());
    page->tablecellClick(-1);
    EXPECT_EQ(qobject_cast<KXHomeRecomDetailView*>(KXHomeListOverlays::topSubview(page)), nullptr);
    const Id gone = page->groupDataA()->objectAtIndex(0);
    favouritestest::clickViewport(page->tableview()->viewport(),
        page->tableview()->rowRect(page->tableview()->model()->index(0, 0)).center());
    auto* detail = qobject_cast<KXHomeRecomDetailView*>(KXHomeListOverlays::topSubview(page));
    ASSERT_NE(detail, nullptr);
    settle(host());
    auto* header = detail->topCell();
    EXPECT_EQ(header->attentionState(), 1) << "followed";
    header->attentionBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return requests("138") == 1 && header->attentionBtn()->isEnabled(); }));
    detail->backBtnClick();
    ASSERT_TRUE(waitUntil([page] { return page->groupDataA()->count() == 1; }));
    EXPECT_NE(page->groupDataA()->objectAtIndex(0)["id"].stringValue(), gone["id"].stringValue());
    follow(gone["id"], "1");
}

TEST_F(KXMyfocusSetViewTest, AListArrivingAfterTheSignOutIsDropped)
{
    holdNextReply("getMyCollect");
    auto* page = new KXMyfocusSetView(QRect(0, 0, 310, 680));
    favouritesstyle::pinOnTop(page, &host());
    signOut();
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    settle(host());
    EXPECT_EQ(page->groupDataA()->count(), 0u);
    const auto follows = KXUserCenterConfig::sharedKXUserCenterConfig().followsArray();
    EXPECT_TRUE(!follows || follows->count() == 0);
}

// A followed list read elsewhere while the person scrolls the page (a follow's read back, another
// view's load) keeps the list where the person left it; the page's own load shows it as it comes.
TEST_F(KXMyfocusSetViewTest, AListReadElsewhereKeepsTheScroll)
{
    std::vector<Id> followed;
    const auto cards = serverCards();
    const auto before = serverFollows();
    for (const Id& card : *cards) {
        bool already = false;
        for (const Id& shown : *before)
            already = already || shown["id"].stringValue() == card["id"].stringValue();
        if (!already) {
            follow(card["id"], "1");
            followed.push_back(card["id"]);
        }
    }
    ASSERT_GE(serverFollows()->count(), 4u);
    auto* page = open();
    ASSERT_TRUE(waitUntil([&] { return page->groupDataA()->count() == serverFollows()->count(); }));
    settle(host());
    QScrollBar* bar = page->tableview()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum() / 2 + 1);
    settle(host());
    const int scrolled = bar->value();
    ASSERT_GT(scrolled, 0);

    // The last card unfollowed behind the page, then read back as a lost follow is.
    follow(followed.back(), "0");
    followed.pop_back();
    KXAccountWrites::read(KXAccountWrites::Read::Follows);
    ASSERT_TRUE(waitForQuietTraffic());
    settle(host());
    ASSERT_EQ(page->groupDataA()->count(), serverFollows()->count());
    EXPECT_EQ(bar->value(), scrolled);

    for (const Id& id : followed)
        follow(id, "0");
}

TEST_F(KXMyfocusSetViewTest, Screenshots)
{
    const favouritestest::WebImages images;
    auto* page = open(QString());
    ASSERT_TRUE(waitUntil([page] { return page->groupDataA()->count() == 2; }));
    settle(host());
    waitUntil([page] {
        return page->tableview()->images().loadsStarted() > 0
            && page->tableview()->images().loadsInFlight() == 0;
    });
    EXPECT_TRUE(favouritestest::saveScreenshots(*page, QStringLiteral("favourites-followed")));
    kx_removeFromSuperview(page);
    signIn("newbie", "newbie123");
    auto* empty = open();
    ASSERT_TRUE(waitUntil([empty] { return empty->scrollViewTop() == KXMyfocusSetView::kEmptyListTop; }));
    EXPECT_TRUE(favouritestest::saveScreenshots(*empty, QStringLiteral("favourites-followed-empty")));
}
