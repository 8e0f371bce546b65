// Replies slow in transit across a switch of accounts (one signs out, another signs in before the
// reply lands): the recently used list, the cart's dot, the unpaid-order badge, a new folder and a
// refused token of the account that left change nothing the next account sees or keeps, and sign
// no one out. The same replies within one account still show.
#include "Class/Favourites/KXFontGroupCreate.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/UIKit/KXBaseTextField.h"
#include "HomeTestSupport.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Storage/UserDefaults.h"
#include "local-service/ServiceControls.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <string>
#include <vector>

using foundation::Id;
using hometest::defaults;
using hometest::fontIds;
using hometest::session;

namespace {

std::vector<std::string> names(const foundation::Ref<foundation::Array>& folders)
{
    std::vector<std::string> listed;
    for (std::size_t i = 0; folders && i < folders->count(); ++i)
        listed.push_back(folders->objectAtIndex(i)["collect_name"].stringValue());
    return listed;
}

std::string keptRecentList()
{
    return KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create("activeUsed"))["active"].stringValue();
}

class KXHomeAccountSwitchTest : public hometest::HubTest {
protected:
    void TearDown() override
    {
        defaults().removeObjectForKey("token");
        HubTest::TearDown();
    }

    // The account on screen signs out, and another signs in as the sign-in pages announce it; the
    // new account's own replies are handled while `heldBack` replies stay on their way.
    void switchTo(const char* name, const char* password, std::size_t heldBack = 1)
    {
        hub().logoutBussiness();
        const auto outcome = run([name, password](auto success, auto failure) {
            KXHTTPBUSINESS().LoginWithName(Id(name), Id(password), std::move(success), std::move(failure));
        });
        postSignIn(outcome.reply["corvane_data"]);
        settle(heldBack);
        ASSERT_TRUE(session().islogin());
        ASSERT_EQ(Id(session().userinfo())["uname"].stringValue(), name);
    }

    // The sign-outs announced to the whole client during the test.
    std::size_t signOutsAnnounced() const
    {
        return static_cast<std::size_t>(std::count_if(logouts().begin(), logouts().end(), [](const auto& userInfo) {
            return userInfo && userInfo->containsKey("loginOut");
        }));
    }

    // Removes the account's folders of these names from the service.
    static void deleteFolders(const char* account, const char* password, const std::vector<std::string>& doomed)
    {
        signIn(account, password);
        const Id listed = run([](auto success, auto failure) { KXHTTPBUSINESS().GetCollectGroupsListSuceess(success, failure); })
                              .reply["corvane_data"]["collection"];
        for (std::size_t i = 0; i < listed.count(); ++i) {
            const std::string name = listed[i]["collect_name"].stringValue();
            if (std::find(doomed.begin(), doomed.end(), name) != doomed.end())
                run([&](auto success, auto failure) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(listed[i]["id"], success, failure); });
        }
    }
};

} // namespace

TEST_F(KXHomeAccountSwitchTest, AFormerAccountsRecentlyUsedListNeitherShowsNorIsKept)
{
    signIn();
    const auto reported = run([](auto success, auto failure) {
        KXHTTPBUSINESS().upLoadAppUseInfoDownloadids(
            foundation::Array::create(),
            foundation::Array::create({Id(foundation::Dictionary::create({{Id("fid"), Id(1001)}})),
                                       Id(foundation::Dictionary::create({{Id("fid"), Id(1003)}}))}),
            std::move(success), std::move(failure));
    });
    ASSERT_EQ(reported.reply["errcode"].integerValue(), 0);
    auto& home = open();
    const std::vector<long long> demos{1003, 1001};

    // Within one account the late list shows and is kept.
    holdNextReply("getUseFonts");
    home.tabViewTouched(home.recentBtn());
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_EQ(fontIds(home.rightListview()->dataArray()), demos);
    EXPECT_EQ(keptRecentList(), "1003,1001");

    home.tabViewTouched(home.cloudBtn());
    holdNextReply("getUseFonts");
    home.tabViewTouched(home.recentBtn());
    ASSERT_TRUE(waitForHeldReplies());
    switchTo("editor", "editor123");
    home.tabViewTouched(home.recentBtn());
    settle(1);
    const auto editors = fontIds(home.rightListview()->dataArray());
    const std::string kept = keptRecentList();
    ASSERT_NE(editors, demos);
    ASSERT_NE(kept, "1003,1001");

    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 3);
    EXPECT_EQ(fontIds(home.rightListview()->dataArray()), editors);
    EXPECT_EQ(keptRecentList(), kept) << "the archive on disk keeps editor's list";
}

TEST_F(KXHomeAccountSwitchTest, AFormerAccountsCartLeavesNoDotOnTheNextOnesCartButton)
{
    ASSERT_TRUE(service().setCart("editor", {}));
    auto& home = open();

    // demo's sign-in asks for the cart; demo leaves and editor, whose cart is empty, comes.
    holdNextReply("getCarts");
    postSignIn(run([](auto success, auto failure) {
                   KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
               }).reply["corvane_data"]);
    ASSERT_TRUE(waitForHeldReplies());
    switchTo("editor", "editor123");
    ASSERT_FALSE(home.buyCartNumLabel()->isVisible());
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_FALSE(home.buyCartNumLabel()->isVisible());

    // demo's own late cart shows.
    switchTo("demo", "demo1234", 0);
    home.buyCartNumLabel()->hide();
    holdNextReply("getCarts");
    home.upDateBuyCartState();
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_TRUE(home.buyCartNumLabel()->isVisible());
}

TEST_F(KXHomeAccountSwitchTest, TheUnpaidOrderReminderEndsWithItsAccount)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    defaults().setObject(Id("1"), "my_orderClick");
    service().controls().setUnpaidOverride(4);
    home.tempCheckOrder();

    holdNextReply("getUnpaid");
    clock.advance(300);
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    ASSERT_TRUE(home.orderNumLabel()->isVisible()) << "within one account the late count shows";
    EXPECT_EQ(home.orderNumLabel()->text(), QStringLiteral("4"));

    holdNextReply("getUnpaid");
    clock.advance(300);
    ASSERT_TRUE(waitForHeldReplies());
    switchTo("editor", "editor123");
    ASSERT_FALSE(home.orderNumLabel()->isVisible());
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_FALSE(home.orderNumLabel()->isVisible()) << "demo's count is not shown on editor's avatar";
    EXPECT_EQ(KXHomeProcessState::shared().remainingOrderPolls, 0u);
    const auto asked = service().requestLog().withTag("160").size();
    clock.advance(3000);
    settle();
    EXPECT_EQ(service().requestLog().withTag("160").size(), asked) << "no poll after the sign-out";
    service().controls().setUnpaidOverride(std::nullopt);
}

TEST_F(KXHomeAccountSwitchTest, AFolderMadeByTheFormerAccountIsNeitherToldNorFiledForTheNextOne)
{
    signIn("editor", "editor123");
    auto& home = open();
    // The new-folder dialog sends the name; the service's answer is held back on its way.
    const auto makeFolder = [&](const char* name) -> KXFontGroupCreate* {
        home.addNewGroup();
        auto* dialog = qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home));
        if (!dialog)
            return nullptr;
        holdNextReply("createCollect");
        dialog->showTF()->setText(QString::fromUtf8(name));
        dialog->sureClick();
        return waitForHeldReplies() ? dialog : nullptr;
    };

    // Within one account the late folder is told and filed.
    ASSERT_NE(makeFolder("同号新建"), nullptr);
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    ASSERT_FALSE(toasts_->shown.empty());
    EXPECT_EQ(toasts_->shown.back().message, "创建成功！");
    const auto own = names(session().groupsInfo());
    EXPECT_NE(std::find(own.begin(), own.end(), "同号新建"), own.end());

    // editor gives up waiting, and demo signs in before the service's answer lands.
    auto* dialog = makeFolder("换号前新建");
    ASSERT_NE(dialog, nullptr);
    dialog->cancelClick();
    switchTo("demo", "demo1234");
    const auto demos = names(session().groupsInfo());
    ASSERT_FALSE(demos.empty());
    const auto told = toasts_->shown.size();
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_EQ(toasts_->shown.size(), told) << "neither \"创建成功！\" nor a failure";
    EXPECT_EQ(names(session().groupsInfo()), demos);
    EXPECT_EQ(names(home.groupArray()), demos);

    deleteFolders("editor", "editor123", {"同号新建", "换号前新建"});
}

TEST_F(KXHomeAccountSwitchTest, AFormerAccountsRefusedTokenSignsNoOneOut)
{
    signIn();
    auto& home = open();
    service().expireAllTokens();
    holdNextReply("getCarts");
    home.upDateBuyCartState();
    ASSERT_TRUE(waitForHeldReplies());
    switchTo("editor", "editor123");
    const QString shown = home.nickNameLabel()->text();
    const auto told = toasts_->shown.size();

    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_EQ(signOutsAnnounced(), 0u);
    EXPECT_TRUE(session().islogin());
    EXPECT_EQ(Id(session().userinfo())["uname"].stringValue(), "editor");
    EXPECT_EQ(home.nickNameLabel()->text(), shown);
    EXPECT_EQ(toasts_->shown.size(), told);
    EXPECT_NE(errorLog()["errorinfo"].stringValue().find("登录已过期，请重新登录"), std::string::npos) << "still logged";
}

