// The collection detail against the local service: header and rows, the header's texts and height,
// the palette it holds however it leaves, the user's own records without a request, following
// (accepted, refused, signed out), sharing, a late reply for another record, and the folder dialog's
// report resolved by font.
#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/Core/KXCollectionHeaderLayout.h"
#include "Class/Favourites/Core/KXPaletteHold.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupAddView.h"
#include "Class/Favourites/KXHomeRecomDetailTopCell.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXShareCollectionGroupView.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "FavouritesTestSupport.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextDocument>

#include <cmath>

using foundation::Id;

namespace {

class KXHomeRecomDetailViewTest : public favouritestest::FavouritesTest {
protected:
    // The recommended card with that name.
    static Id cardNamed(const std::string& name)
    {
        for (const Id& card : *serverCards())
            if (card["collect_name"].stringValue() == name)
                return card;
        ADD_FAILURE() << "no card " << name;
        return {};
    }
    KXHomeRecomDetailView* openCard(const Id& card)
    {
        auto* detail = new KXHomeRecomDetailView;
        favouritesstyle::pinOnTop(detail, &host());
        detail->setInfoDic(card.dictionary());
        EXPECT_TRUE(waitUntil([detail] { return detail->groupDataA()->count() > 0; }));
        settle(host());
        return detail;
    }
    static std::vector<long long> fontids(KXHomeRecomDetailView* detail)
    {
        std::vector<long long> out;
        for (int row = 0; row < detail->listModel()->rowCount(); ++row)
            out.push_back(detail->listModel()->recordAt(row)->fontid);
        return out;
    }
    static std::size_t followed(const std::string& id)
    {
        const auto list = run([](auto s, auto f) {
            KXHTTPBUSINESS().GetFocusGroupsListSuceess(s, f);
        }).reply["corvane_data"]["follow"];
        std::size_t found = 0;
        for (const Id& follow : *list.array())
            found += follow["id"].stringValue() == id;
        return found;
    }
    // The follower count the header shows.
    static std::string followers(const KXHomeRecomDetailTopCell* header)
    {
        const QString facts = header->groupDetailLabel()->text();
        return facts.section(QStringLiteral(" · "), 1, 1).toStdString();
    }
    static void follow(const Id& id, const char* state)
    {
        run([&](auto s, auto f) { KXHTTPBUSINESS().isAttentionGroup(id, Id(state), s, f); });
    }
    // The session's user has passed the agreement, as the sign-in gate announces it.
    static void announceSignedIn()
    {
        dispatch::NotificationCenter::defaultCenter().post(
            KXAccountState::kSignedInNotification, Id(),
            foundation::Dictionary::create({{Id("user"), Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())}}));
    }
};

} // namespace

TEST_F(KXHomeRecomDetailViewTest, TheHeaderIsRowZeroAndEachFontARowAfterIt)
{
    const Id card = cardNamed("编辑推荐：中文黑体");
    auto* detail = openCard(card);
    const auto fonts = run([&](auto s, auto f) {
        KXHTTPBUSINESS().getRecommendDataByID(card["id"], Id("0"), s, f);
    }).reply["corvane_data"]["fonts"];
    ASSERT_EQ(detail->numberOfRows(), static_cast<int>(fonts.count()) + 1);
    EXPECT_EQ(fontids(detail).front(), fonts[0]["fontid"].integerValue()) << "the first font is row 1";
    EXPECT_EQ(detail->heightOfRow(0),
        KXCollectionHeaderLayout::height(QString::fromStdString(card["collect_desc"].stringValue()), detail->topCell()->width()));
    EXPECT_GT(detail->heightOfRow(0), KXCollectionHeaderLayout::kFixedHeight);
    EXPECT_EQ(detail->heightOfRow(1), 100);
    // Header and rows scroll as one: the first font row starts below the header.
    EXPECT_EQ(detail->topCell()->height(), detail->heightOfRow(0));
    EXPECT_EQ(detail->topCell()->width(), detail->scrollView()->viewport()->width())
        << "beside the scroll bar, not under it";
    EXPECT_GE(detail->detailTableView()->y(), detail->heightOfRow(0));
    EXPECT_GE(detail->scrollView()->widget()->height(),
        detail->heightOfRow(0) + detail->listModel()->rowCount() * 100);

    auto* header = detail->topCell();
    EXPECT_EQ(header->titleLabel()->text().toStdString(), card["collect_name"].stringValue());
    EXPECT_EQ(header->timeLabel()->text().toStdString(), card["add_time"].stringValue().substr(0, 10));
    EXPECT_EQ(header->groupDetailLabel()->text().toStdString(),
        "字体 " + card["font_num"].stringValue() + " · 关注 " + card["follow_num"].stringValue() + " · 浏览 "
            + card["visits"].stringValue());
    EXPECT_EQ(header->detailContent().toPlainText().toStdString(), card["collect_desc"].stringValue());
}

TEST_F(KXHomeRecomDetailViewTest, TheDescriptionWrapsAcrossTheHeaderAndTheRowFollows)
{
    // A description of many lines, on a page wider than designed.
    auto card = foundation::MutableDictionary::dictionaryWithDictionary(*cardNamed("经典衬线").dictionary());
    const QString description = QStringLiteral("书籍与海报里常见的衬线字体，笔画末端带有装饰，适合长文排版。").repeated(6);
    card->setValue(Id(foundation::String::create(description.toStdString())), "collect_desc");
    host().resize(1000, 860);
    auto* detail = openCard(Id(card));
    auto* header = detail->topCell();
    const QTextDocument& shown = header->detailContent();
    // The header's height is the fixed part and the description it draws, at the width it draws it.
    const auto drawnHeight = [&] {
        return KXCollectionHeaderLayout::kFixedHeight + static_cast<int>(std::ceil(shown.size().height()));
    };

    ASSERT_GT(header->width(), 900);
    EXPECT_EQ(shown.textWidth(), header->titleLabel()->width()) << "as wide as the title line";
    EXPECT_GT(shown.idealWidth(), KXCollectionHeaderLayout::kDescriptionWidth) << "its lines run past 280";
    EXPECT_EQ(detail->heightOfRow(0), drawnHeight());
    EXPECT_EQ(header->height(), detail->heightOfRow(0));
    const int wide = header->height();

    // At the designed page: 280 wide, and the row as high as those lines.
    host().resize(310, 860);
    settle(host());
    ASSERT_EQ(detail->width(), 310);
    EXPECT_EQ(shown.textWidth(), KXCollectionHeaderLayout::kDescriptionWidth);
    EXPECT_LE(shown.idealWidth(), KXCollectionHeaderLayout::kDescriptionWidth);
    EXPECT_EQ(detail->heightOfRow(0), drawnHeight());
    EXPECT_EQ(header->height(), detail->heightOfRow(0));
    EXPECT_GT(header->height(), wide) << "more lines at 280";
    EXPECT_GE(detail->detailTableView()->y(), header->height()) << "the rows move down with it";

    // Wide again: the header is laid out for the width once more.
    host().resize(1000, 860);
    settle(host());
    EXPECT_EQ(header->height(), wide);
    EXPECT_GE(detail->detailTableView()->y(), wide);
}

TEST_F(KXHomeRecomDetailViewTest, TheLightPaletteIsHeldWhileThePageShowsACollection)
{
    auto& theme = KXThemeManager::themeManager();
    theme.setIsNight(false);
    auto* detail = openCard(cardNamed("经典衬线"));
    EXPECT_TRUE(theme.isNight());
    detail->setInfoDic(cardNamed("海报大字").dictionary());
    detail->backBtnClick();
    EXPECT_FALSE(theme.isNight()) << "a second record and the back button: the first palette";

    // Removed otherwise (a tab switch), and one page over another: back only when both are gone.
    auto* under = openCard(cardNamed("经典衬线"));
    auto* over = openCard(cardNamed("海报大字"));
    EXPECT_EQ(KXPaletteHold::holders(), 2);
    kx_removeFromSuperview(over);
    EXPECT_TRUE(theme.isNight());
    kx_removeFromSuperview(under);
    EXPECT_FALSE(theme.isNight());
    EXPECT_EQ(KXPaletteHold::holders(), 0);
}

TEST_F(KXHomeRecomDetailViewTest, TheUsersOwnRecordShowsItsFontsWithoutARequest)
{
    auto& theme = KXThemeManager::themeManager();
    theme.setIsNight(false);
    const Id own = serverFolders()->objectAtIndex(2);
    auto* detail = new KXHomeRecomDetailView;
    favouritesstyle::pinOnTop(detail, &host());
    detail->setUserinfoDic(own.dictionary());
    settle(host());
    std::vector<long long> expected;
    for (const Id& font : *own["fonts"].array())
        expected.push_back(font.integerValue());
    EXPECT_EQ(fontids(detail), expected) << "ids in the folder's order";
    EXPECT_EQ(requests("144"), 0u);
    EXPECT_TRUE(detail->topCell()->attentionBtn()->isHidden());
    const std::string uname
        = Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["uname"].stringValue();
    EXPECT_FALSE(uname.empty());
    EXPECT_EQ(detail->topCell()->authorNameLabel()->text().toStdString(), uname)
        << "the user's own folder: the user wrote it";
    EXPECT_FALSE(theme.isNight());
    detail->backBtnClick();
    EXPECT_FALSE(theme.isNight());
}

TEST_F(KXHomeRecomDetailViewTest, FollowingIsSentAtOnceAndPosted)
{
    const Id card = cardNamed("经典衬线");
    const std::string id = card["id"].stringValue();
    ASSERT_EQ(followed(id), 0u);
    auto* detail = openCard(card);
    auto* header = detail->topCell();
    ASSERT_FALSE(header->attentionBtn()->isHidden());
    EXPECT_EQ(header->attentionState(), 0);
    std::vector<std::string> posted;
    auto observer = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXHomeRecomDetailTopCell::kAttentionNotification, Id(), nullptr,
        [&](const dispatch::Notification& n) {
            posted.push_back(
                Id(n.userInfo)["groupID"].stringValue() + "/" + Id(n.userInfo)["groupState"].stringValue());
        });
    const long long count = card["follow_num"].integerValue();
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));
    header->attentionBtn()->click();
    EXPECT_EQ(header->attentionState(), 1);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count + 1)) << "with the toggle";
    EXPECT_FALSE(header->attentionBtn()->isEnabled()) << "one request at a time";
    header->attentionBtnClick();
    ASSERT_TRUE(waitUntil([&] { return !posted.empty(); }));
    EXPECT_EQ(posted, std::vector<std::string> { id + "/1" });
    EXPECT_EQ(requests("138"), 1u);
    EXPECT_TRUE(header->attentionBtn()->isEnabled());
    EXPECT_EQ(followed(id), 1u);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count + 1));
    follow(card["id"], "0");

    // A collection the user follows: unfollowing takes the user's own follow off the count.
    const Id followedCard = cardNamed("编辑推荐：中文黑体");
    ASSERT_EQ(followed(followedCard["id"].stringValue()), 1u);
    KXFolderSession::reloadFollows();
    ASSERT_TRUE(waitUntil([] {
        const auto follows = KXUserCenterConfig::sharedKXUserCenterConfig().followsArray();
        return follows && follows->count() > 0;
    }));
    detail->setInfoDic(followedCard.dictionary());
    settle(host());
    ASSERT_EQ(header->attentionState(), 1);
    const long long followedCount = followedCard["follow_num"].integerValue();
    header->attentionBtn()->click();
    EXPECT_EQ(followers(header), "关注 " + std::to_string(followedCount - 1));
    ASSERT_TRUE(waitUntil([&] { return header->attentionBtn()->isEnabled(); }));
    EXPECT_EQ(followers(header), "关注 " + std::to_string(followedCount - 1));
    follow(followedCard["id"], "1");
}

TEST_F(KXHomeRecomDetailViewTest, ARefusedOrFailedFollowPutsTheButtonBack)
{
    // The service refuses to follow one's own collection (the button is hidden; clicked anyway).
    const Id own = cardNamed("正文精选");
    auto* detail = new KXHomeRecomDetailView;
    favouritesstyle::pinOnTop(detail, &host());
    detail->setInfoDic(own.dictionary());
    settle(host());
    auto* header = detail->topCell();
    EXPECT_TRUE(header->attentionBtn()->isHidden()) << "the signed-in user's own collection";
    const std::string shown = followers(header);
    header->attentionBtnClick();
    EXPECT_EQ(header->attentionState(), 1);
    EXPECT_NE(followers(header), shown);
    ASSERT_TRUE(waitUntil([&] { return requests("138") == 1 && header->attentionBtn()->isEnabled(); }));
    EXPECT_EQ(header->attentionState(), 0);
    EXPECT_EQ(header->attentionBtn()->state(), 0);
    EXPECT_EQ(followers(header), shown) << "the count goes back with the button";
    EXPECT_EQ(toastTexts(), std::vector<std::string> { "不能关注自己的合集" });

    const Id card = cardNamed("海报大字");
    detail->setInfoDic(card.dictionary());
    settle(host());
    setFault("followCollect", localservice::Fault::Kind::Http500);
    header->attentionBtn()->click();
    EXPECT_EQ(followers(header), "关注 " + std::to_string(card["follow_num"].integerValue() + 1));
    ASSERT_TRUE(waitUntil([&] { return requests("138") == 2 && header->attentionBtn()->isEnabled(); }));
    EXPECT_EQ(header->attentionState(), 0);
    EXPECT_EQ(followers(header), "关注 " + card["follow_num"].stringValue());
    EXPECT_EQ(followed(card["id"].stringValue()), 0u);
}

TEST_F(KXHomeRecomDetailViewTest, SignedOutTheFollowWaitsForTheSignIn)
{
    const Id card = cardNamed("海报大字");
    signOut();
    auto* detail = openCard(card);
    auto* header = detail->topCell();
    header->attentionBtn()->click();
    ASSERT_NE(detail->loginWindow(), nullptr);
    EXPECT_TRUE(detail->loginWindow()->window()->isVisible());
    auto* window = detail->loginWindow();
    header->attentionBtn()->click();
    header->attentionBtn()->click();
    EXPECT_EQ(detail->loginWindow(), window) << "the visible window is brought forward";
    EXPECT_TRUE(header->isWaitingForSignIn());
    EXPECT_EQ(requests("138"), 0u);
    EXPECT_EQ(header->attentionState(), 1) << "three clicks";

    // Other sign-in events are not a sign-in, nor is a sign-in that has still to pass the agreement.
    KXSignInEvents::postLoginStarting();
    EXPECT_TRUE(header->isWaitingForSignIn());
    signIn();
    KXSignInEvents::postLoginMessage(Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo()), KXSignInEvents::startAttempt());
    EXPECT_TRUE(header->isWaitingForSignIn());
    settle(host());
    EXPECT_EQ(requests("138"), 0u);
    announceSignedIn();
    EXPECT_FALSE(header->isWaitingForSignIn());
    ASSERT_TRUE(waitUntil([] { return requests("138") == 1; }));
    announceSignedIn();
    settle(host());
    EXPECT_EQ(requests("138"), 1u) << "one request for the clicks made signed out";
    ASSERT_TRUE(waitUntil([&] { return header->attentionBtn()->isEnabled(); }));
    EXPECT_EQ(followed(card["id"].stringValue()), 1u);
    follow(card["id"], "0");
    window->window()->orderOut();
}

TEST_F(KXHomeRecomDetailViewTest, SignedOutAFollowMovesTheCountOnlyOnceItIsSent)
{
    const Id card = cardNamed("海报大字");
    const long long count = card["follow_num"].integerValue();
    signOut();
    auto* detail = openCard(card);
    auto* header = detail->topCell();
    header->attentionBtn()->click();
    ASSERT_NE(detail->loginWindow(), nullptr);
    detail->loginWindow()->window()->orderOut();
    settle(host());
    EXPECT_EQ(header->attentionState(), 1);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count)) << "nothing was sent";
    header->attentionBtn()->click();
    header->attentionBtn()->click();
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));

    // The sign-in sends it and moves nothing; after its failure the record is read again.
    signIn();
    setFault("followCollect", localservice::Fault::Kind::Http500);
    const std::size_t reads = requests("144");
    announceSignedIn();
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));
    ASSERT_TRUE(waitUntil([&] { return requests("138") == 1 && requests("144") == reads + 1; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(header->attentionBtn()->isEnabled());
    EXPECT_EQ(header->attentionState(), 0);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));
    EXPECT_EQ(followed(card["id"].stringValue()), 0u);
}

TEST_F(KXHomeRecomDetailViewTest, AFollowCompletedThroughTheSignInShowsTheServicesCount)
{
    // Signed out, the page cannot tell whether the account about to sign in follows already.
    const auto followThroughSignIn = [this](const Id& card) {
        signOut();
        auto* detail = openCard(card);
        auto* header = detail->topCell();
        EXPECT_EQ(header->attentionState(), 0);
        header->attentionBtn()->click();
        detail->loginWindow()->window()->orderOut();
        signIn();
        const std::size_t reads = requests("144");
        announceSignedIn();
        EXPECT_EQ(followers(header), "关注 " + card["follow_num"].stringValue()) << "nothing moves before the answer";
        EXPECT_TRUE(waitUntil([&] { return requests("144") == reads + 1; })) << "read again once the follow is answered";
        EXPECT_TRUE(waitForQuietTraffic());
        EXPECT_EQ(header->attentionState(), 1);
        EXPECT_TRUE(header->attentionBtn()->isEnabled());
        return header;
    };

    // Already followed: the service keeps its count.
    const Id followedCard = cardNamed("编辑推荐：中文黑体");
    ASSERT_EQ(followed(followedCard["id"].stringValue()), 1u);
    const long long count = followedCard["follow_num"].integerValue();
    auto* header = followThroughSignIn(followedCard);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));
    // A signed-in click moves the count from there, and the follow stays the service's one.
    header->attentionBtn()->click();
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count - 1));
    ASSERT_TRUE(waitUntil([&] { return header->attentionBtn()->isEnabled(); }));
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count - 1));
    follow(followedCard["id"], "1");

    // Not followed yet: the record read again counts the new follower.
    const Id card = cardNamed("海报大字");
    ASSERT_EQ(followed(card["id"].stringValue()), 0u);
    header = followThroughSignIn(card);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(card["follow_num"].integerValue() + 1));
    EXPECT_EQ(followed(card["id"].stringValue()), 1u);
    follow(card["id"], "0");
}

TEST_F(KXHomeRecomDetailViewTest, AFollowWhoseReplyWasLostShowsWhatTheServiceHolds)
{
    std::vector<std::string> posted;
    auto observer = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXHomeRecomDetailTopCell::kAttentionNotification, Id(), nullptr, [&](const dispatch::Notification& n) {
            posted.push_back(Id(n.userInfo)["groupID"].stringValue() + "/" + Id(n.userInfo)["groupState"].stringValue());
        });
    // Signed in: the service applies the follow and the reply is lost.
    const Id card = cardNamed("海报大字");
    const std::string id = card["id"].stringValue();
    ASSERT_EQ(followed(id), 0u);
    auto* detail = openCard(card);
    auto* header = detail->topCell();
    setFault("followCollect", localservice::Fault::Kind::LostReply);
    header->attentionBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return requests("138") == 1 && header->attentionBtn()->isEnabled(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    service().faults().clear("followCollect");
    ASSERT_EQ(followed(id), 1u) << "the service applied it";
    EXPECT_EQ(header->attentionState(), 1);
    EXPECT_EQ(header->attentionBtn()->state(), 1);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(card["follow_num"].integerValue() + 1));
    EXPECT_EQ(posted, std::vector<std::string> { id + "/1" }) << "shown wherever the follow is shown";
    follow(card["id"], "0");

    // Through a sign-in: the button from the followed list, the count from the record.
    const Id serif = cardNamed("经典衬线");
    const std::string serifID = serif["id"].stringValue();
    const long long count = serif["follow_num"].integerValue();
    ASSERT_EQ(followed(serifID), 0u);
    signOut();
    detail->setInfoDic(serif.dictionary());
    settle(host());
    header->attentionBtn()->click();
    detail->loginWindow()->window()->orderOut();
    signIn();
    setFault("followCollect", localservice::Fault::Kind::LostReply);
    announceSignedIn();
    ASSERT_TRUE(waitUntil([&] { return requests("138") == 1 && header->attentionBtn()->isEnabled(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    service().faults().clear("followCollect");
    ASSERT_EQ(followed(serifID), 1u);
    EXPECT_EQ(header->attentionState(), 1);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count + 1));
    // The next click unfollows, and the count is the service's.
    header->attentionBtn()->click();
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));
    ASSERT_TRUE(waitUntil([&] { return header->attentionBtn()->isEnabled(); }));
    EXPECT_EQ(followed(serifID), 0u);
    EXPECT_EQ(header->attentionState(), 0);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));
}

TEST_F(KXHomeRecomDetailViewTest, TheHeaderFollowsTheFollowedListWhoeverReadsIt)
{
    const Id card = cardNamed("海报大字");
    const std::string id = card["id"].stringValue();
    const long long count = card["follow_num"].integerValue();
    ASSERT_EQ(followed(id), 0u);
    auto* detail = openCard(card);
    auto* header = detail->topCell();
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_EQ(header->attentionState(), 0);

    // Followed behind the page's back, then read by someone else (the side list): the page stands.
    follow(card["id"], "1");
    bool read = false;
    KXFolderSession::reloadFollows([&read](const auto&) { read = true; });
    ASSERT_TRUE(waitUntil([&] { return read; }));
    EXPECT_EQ(header->attentionState(), 1);
    EXPECT_EQ(header->attentionBtn()->state(), 1);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count + 1)) << "the followed list's copy of the record";

    // Opened again from the card the recommended list read before the follow.
    detail->setInfoDic(card.dictionary());
    settle(host());
    EXPECT_EQ(header->attentionState(), 1);
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count + 1)) << "not the card's count";

    // Unfollowed behind its back: the list no longer holds it, and the record is read for the count.
    follow(card["id"], "0");
    read = false;
    KXFolderSession::reloadFollows([&read](const auto&) { read = true; });
    ASSERT_TRUE(waitUntil([&] { return read; }));
    EXPECT_EQ(header->attentionState(), 0);
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));

    // A card handed over with a count older than the service's: the record read as the page
    // opens gives the count.
    auto stale = foundation::MutableDictionary::dictionaryWithDictionary(*card.dictionary());
    stale->setValue(Id(foundation::Number::numberWithLongLong(count + 5)), "follow_num");
    detail->setInfoDic(stale);
    ASSERT_TRUE(waitForQuietTraffic());
    settle(host());
    EXPECT_EQ(followers(header), "关注 " + std::to_string(count));
}

TEST_F(KXHomeRecomDetailViewTest, SignedOutNoCollectionIsOnesOwn)
{
    const Id own = cardNamed("正文精选");
    const Id uid = Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["uid"];
    auto* detail = openCard(own);
    auto* header = detail->topCell();
    EXPECT_TRUE(header->attentionBtn()->isHidden());

    // Signed out as the sign-out leaves it: the former account's "userID" stays stored.
    signOut();
    setDefault("userID", uid);
    dispatch::NotificationCenter::defaultCenter().post("homeNotificationCenter", Id(),
        foundation::Dictionary::create(
            { { Id("loginOut"), Id(foundation::Dictionary::create({ { Id("logint"), Id("YES") } })) } }));
    EXPECT_FALSE(header->attentionBtn()->isHidden()) << "laid out again at the sign-out";
    detail->setInfoDic(own.dictionary());
    settle(host());
    EXPECT_FALSE(header->attentionBtn()->isHidden());

    // Followed signed out, and its owner signs in: nothing is sent, the header is the owner's.
    header->attentionBtn()->click();
    ASSERT_TRUE(header->isWaitingForSignIn());
    detail->loginWindow()->window()->orderOut();
    signIn();
    announceSignedIn();
    EXPECT_FALSE(header->isWaitingForSignIn());
    EXPECT_TRUE(header->attentionBtn()->isHidden());
    EXPECT_EQ(header->attentionState(), 0);
    EXPECT_EQ(followers(header), "关注 " + own["follow_num"].stringValue());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("138"), 0u);
}

TEST_F(KXHomeRecomDetailViewTest, ShareOpensTheDialogForTheCollection)
{
    const Id card = cardNamed("经典衬线");
    auto* detail = openCard(card);
    detail->shareBtn()->click();
    auto* share = qobject_cast<KXShareCollectionGroupView*>(KXHomeListOverlays::topSubview(&host()));
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(share->groupID().stringValue(), card["id"].stringValue());
    settle(host());
    EXPECT_EQ(share->geometry(), host().rect());
}

TEST_F(KXHomeRecomDetailViewTest, AReplyForARecordNoLongerShownIsDropped)
{
    const Id first = cardNamed("经典衬线");
    const Id second = cardNamed("界面设计常用");
    auto* detail = new KXHomeRecomDetailView;
    favouritesstyle::pinOnTop(detail, &host());
    holdNextReply("getCollectInfo");
    detail->setInfoDic(first.dictionary());
    ASSERT_TRUE(waitForHeldReplies());
    detail->setInfoDic(second.dictionary());
    const auto secondFonts = run([&](auto s, auto f) {
        KXHTTPBUSINESS().getRecommendDataByID(second["id"], Id("0"), s, f);
    }).reply["corvane_data"]["fonts"];
    ASSERT_TRUE(
        waitUntil([&] { return detail->listModel()->rowCount() == static_cast<int>(secondFonts.count()); }));
    // The first record's reply lands now.
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    settle(host());
    ASSERT_EQ(detail->listModel()->rowCount(), static_cast<int>(secondFonts.count()));
    EXPECT_EQ(fontids(detail).front(), secondFonts[0]["fontid"].integerValue());
}

TEST_F(KXHomeRecomDetailViewTest, TheFolderDialogsReportRedrawsItsFontWhereverItIs)
{
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(serverFolders());
    auto* detail = openCard(cardNamed("经典衬线"));
    const auto first = detail->listModel()->recordAt(0);
    detail->collectionBtnClick(first);
    auto* dialog = qobject_cast<KXFontGroupAddView*>(KXHomeListOverlays::topSubview(detail));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->rowNum(), 0);
    dialog->cancelClick();
    // The rows shift before the report (the index would now name another font).
    detail->groupDataA()->exchangeObjectAtIndex(0, 1);
    detail->listModel()->reset();
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(
        foundation::MutableArray::create({ Id(foundation::Dictionary::create({ { Id("id"), Id(1) },
            { Id("fonts"), Id(foundation::Array::create({ Id(first->fontid) })) } })) }));
    detail->refreshowCell(0);
    // An index no dialog was opened with changes nothing.
    detail->refreshowCell(static_cast<long>(detail->groupDataA()->count()));
    settle(host());
    EXPECT_EQ(detail->listModel()->rowOfRecord(first.get()), 1);
    detail->detailTableView()->viewport()->repaint();
    EXPECT_TRUE(first->isCollected);
    EXPECT_FALSE(detail->listModel()->recordAt(0)->isCollected);

    signOut();
    detail->collectionBtnClick(first);
    EXPECT_EQ(qobject_cast<KXFontGroupAddView*>(KXHomeListOverlays::topSubview(detail)), nullptr);
    ASSERT_NE(detail->loginWindow(), nullptr) << "signed out: the sign-in window";
    detail->loginWindow()->window()->orderOut();
}

TEST_F(KXHomeRecomDetailViewTest, Screenshots)
{
    const favouritestest::WebImages images;
    auto* detail = openCard(cardNamed("编辑推荐：中文黑体"));
    const auto previews = [this, detail] {
        settle(host());
        waitUntil([detail] { return detail->detailTableView()->previews().loadsInFlight() == 0; });
    };
    EXPECT_TRUE(
        favouritestest::saveScreenshots(*detail, QStringLiteral("favourites-collection-detail"), previews));
    EXPECT_TRUE(favouritestest::saveScreenshots(
        *detail, QStringLiteral("favourites-collection-detail-rows"), [detail, previews] {
            detail->scrollView()->verticalScrollBar()->setValue(detail->heightOfRow(0));
            previews();
        }));
}
