// The account area (sign-in with and without the agreement, sign-out from the confirmation and
// by a refused token), the cart (badge, cart page, adding from a row, the order hand-over and the
// unpaid-order badge) and the notification table, against the local service.
#include "Class/Account/KXDiversionGroupView.h"
#include "Class/Account/KXLoginRegisterView.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/Account/KXPersonalFeedBack.h"
#include "Class/Account/KXRegisterAgreementVC.h"
#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/Account/KXTransientWindow.h"
#include "Class/AppShell/KXQuitView.h"
#include "Class/AppShell/KXStartupRules.h"
#include "Class/AppShell/KXStartupSignIn.h"
#include "Class/Favourites/KXFontGroupCreate.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXViewReference.h"
#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/Home/Core/KXSignInGate.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/SearchFilter/KXHomeSearchView.h"
#include "Class/SearchFilter/SearchFilterRegistration.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/Store/KXFontsSaleList.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXBaseTextField.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Class/UIKit/MLHudAlertWindow.h"
#include "Class/UIKit/THSearchField.h"
#include "Class/Update/KXUPDateCenterWC.h"
#include "HomeTestSupport.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/LimitedChild.h"
#include "local-service/ServiceControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QWindow>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <vector>

using foundation::Id;
using hometest::defaults;
using hometest::fontIds;
using hometest::session;
using hometest::waitForLocalFonts;

namespace {

void post(const char* name, const Id& object = Id(), const foundation::Ref<foundation::Dictionary>& userInfo = nullptr)
{
    dispatch::NotificationCenter::defaultCenter().post(name, object, userInfo);
}

// The answer of the main window's own agreement window (whether or not it is on screen).
void answerAgreement(const KXHomeViewController& home, const char* isAgree)
{
    ASSERT_NE(home.greeWc(), nullptr);
    post("agreementClick", home.greeWc()->contentViewController()->answerSender(),
         foundation::Dictionary::create({{Id("isAgree"), Id(isAgree)}}));
}

// The font rows a table shows on screen: each font id with the favourite mark it was painted with.
std::vector<std::pair<long long, bool>> rowsOnScreen(const KXFontTableView* table)
{
    std::vector<std::pair<long long, bool>> rows;
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        const QModelIndex index = table->model()->index(row, 0);
        const auto record = KXFontListModel::recordOfIndex(index);
        if (record && table->visualRect(index).intersects(table->viewport()->rect()))
            rows.emplace_back(record->fontid, record->isCollected);
    }
    return rows;
}

// Of those rows, the ones in the user's folders and the ones painted with the mark.
std::pair<std::size_t, std::size_t> marks(const KXFontTableView* table, const std::set<long long>& inFolders)
{
    std::size_t filed = 0;
    std::size_t marked = 0;
    for (const auto& [fontid, collected] : rowsOnScreen(table)) {
        filed += inFolders.count(fontid);
        marked += collected;
        EXPECT_TRUE(!collected || inFolders.count(fontid)) << fontid << " is in no folder";
    }
    return { filed, marked };
}

int rowOfFont(const foundation::Ref<foundation::MutableArray>& records, const std::set<long long>& fontids)
{
    for (std::size_t row = 0; records && row < records->count(); ++row)
        if (fontids.count(records->objectAtIndex(row).ptr<KXFontBaseModel>()->fontid))
            return static_cast<int>(row);
    return -1;
}

class KXHomeAccountCartTest : public hometest::HubTest {
protected:
    // The user as the sign-in pages receive it, without recording the session.
    static Id loginReply(const char* name, const char* password)
    {
        const auto outcome = run([name, password](auto success, auto failure) {
            KXHTTPBUSINESS().LoginWithName(Id(name), Id(password), std::move(success), std::move(failure));
        });
        return outcome.reply["corvane_data"];
    }

    static std::string stored(const char* key) { return Id(defaults().stringForKey(key)).stringValue(); }

    void TearDown() override
    {
        defaults().removeObjectForKey("token");
        defaults().removeObjectForKey(KXSignInGate::kPendingKey);
        HubTest::TearDown();
    }

    // Requests for the followed collections (the folders share their operation, without "type").
    static std::size_t followedAsked()
    {
        const auto asked = service().requestLog().withTag("137");
        return static_cast<std::size_t>(std::count_if(asked.begin(), asked.end(), [](const localservice::LoggedRequest& request) {
            const std::string* type = request.param("type");
            return type && *type == "1";
        }));
    }

    static bool loginShown(KXHomeViewController& home) { return home.loginWindow() && home.loginWindow()->window()->isVisible(); }

    // The signed-out look of the account area and the menu.
    static void expectSignedOut(KXHomeViewController& home)
    {
        EXPECT_FALSE(session().islogin());
        EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
        EXPECT_FALSE(home.buyCartNumLabel()->isVisible());
        EXPECT_FALSE(home.orderNumLabel()->isVisible());
        EXPECT_FALSE(home.vipMarkIMG()->isVisible());
        EXPECT_EQ(home.avatarImg()->borderWidth(), 0.01);
        EXPECT_EQ(home.groupArray()->count(), 0u);
        EXPECT_EQ(home.followArray()->count(), 0u);
        EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
        EXPECT_EQ(home.rightListview()->tabTypeNum(), 1);
        EXPECT_TRUE(loginShown(home));
    }
};

} // namespace

TEST_F(KXHomeAccountCartTest, ADemoSignInFillsTheAccountAreaAndTheCartBadge)
{
    auto& home = open();
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    home.tabViewTouched(home.recentBtn());
    const Id user = loginReply("demo", "demo1234");
    defaults().setObject(Id("1"), "vip_type");
    postSignIn(user);
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() >= 1; }));
    settle();

    EXPECT_TRUE(session().islogin());
    const QString shown = home.nickNameLabel()->text();
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_NE(shown, QStringLiteral("登录/注册"));
    EXPECT_EQ(stored("Name"), shown.toStdString());
    EXPECT_EQ(Id(defaults().objectForKey("userID")).stringValue(), user["uid"].stringValue());
    EXPECT_EQ(Id(defaults().objectForKey("shop_url")).stringValue(), user["shop_url"].stringValue());
    EXPECT_TRUE(home.vipMarkIMG()->isVisible());
    EXPECT_EQ(home.avatarImg()->borderWidth(), 1.8);
    EXPECT_TRUE(home.buyCartNumLabel()->isVisible()) << "the demo user has fonts in the cart";
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn()) << "a sign-in switches to the cloud list";
    EXPECT_EQ(kx_subviews(&home).size(), 2u) << "an account past its first run sees no welcome page";
}

TEST_F(KXHomeAccountCartTest, TheSideMenuFollowsEveryUserRecordStored)
{
    auto& home = open();
    const Id user = loginReply("demo", "demo1234");
    defaults().setObject(Id("1"), "vip_type");
    postSignIn(user);
    ASSERT_TRUE(waitForQuietTraffic());
    settle();
    ASSERT_EQ(home.nickNameLabel()->text(), QStringLiteral("演示用户"));
    ASSERT_TRUE(home.vipMarkIMG()->isVisible());

    // The record read again by another view (the personal centre's renewal): renamed on the
    // account's web page, and no longer a VIP.
    auto renewed = user.mutableCopy().as<foundation::MutableDictionary>();
    renewed->setObject(Id("改过的名字"), Id("nick_name"));
    renewed->setObject(Id(""), Id("vip_type"));
    session().setUpUserconfigWithInfo(Id(renewed));
    settle();
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("改过的名字"));
    EXPECT_FALSE(home.vipMarkIMG()->isVisible());

    // Nobody signed in: a record stored then (a sign-in waiting for the agreement) shows nowhere.
    home.logoutBussiness();
    settle();
    session().setUpUserconfigWithInfo(user);
    settle();
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
}

TEST_F(KXHomeAccountCartTest, AStartShowsTheStoredUserByTheNameASignInShows)
{
    const Id user = signIn();
    ASSERT_EQ(user["nick_name"].stringValue(), "演示用户");
    ASSERT_EQ(user["uname"].stringValue(), "demo");
    const auto storeUser = [&](std::initializer_list<const char*> emptied) {
        auto record = user.mutableCopy().as<foundation::MutableDictionary>();
        for (const char* key : emptied)
            record->setObject(Id(""), Id(key));
        session().setUpUserconfigWithInfo(Id(record));
    };
    defaults().setObject(Id("上次的名字"), "Name");

    EXPECT_EQ(open().nickNameLabel()->text(), QStringLiteral("演示用户"));
    storeUser({"nick_name"});
    EXPECT_EQ(open().nickNameLabel()->text(), QStringLiteral("demo"));
    storeUser({"nick_name", "uname", "email"});
    EXPECT_EQ(open().nickNameLabel()->text(), QStringLiteral("上次的名字"))
        << "a user without a name keeps the stored one";
}

TEST_F(KXHomeAccountCartTest, TheRowsOnScreenShowTheFavouriteMarksOnceTheFoldersOfASignInArrive)
{
    // The fonts of the demo user's folders, as the service keeps them.
    signIn();
    const Id listed = run([](auto success, auto failure) {
        KXHTTPBUSINESS().GetCollectGroupsListSuceess(success, failure);
    }).reply["corvane_data"]["collection"];
    std::set<long long> inFolders;
    for (const Id& folder : *listed.array())
        for (const Id& font : *folder["fonts"].array())
            inFolders.insert(font.integerValue());
    ASSERT_FALSE(inFolders.empty());
    session().removeUserInfo();
    registerSearchFilterOverlays();
    struct Unregister {
        ~Unregister() { KXHomeListOverlays::unregisterOverlay(KXHomeListOverlays::Kind::HomeSearchView); }
    } unregister;

    // The list: the folders arrive after the rows on screen were painted without them.
    auto& home = open();
    KXHomeListView& list = *home.rightListview();
    holdNextReply("getMyCollect");
    postSignIn(loginReply("demo", "demo1234"));
    ASSERT_TRUE(waitForHeldReplies());
    const int filedRow = rowOfFont(list.dataArray(), inFolders);
    ASSERT_GE(filedRow, 0);
    list.scrollRowToVisible(filedRow);
    layOut();
    auto [filed, marked] = marks(list.listTableView(), inFolders);
    ASSERT_GT(filed, 0u);
    ASSERT_EQ(marked, 0u) << "no folders yet";
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    std::tie(filed, marked) = marks(list.listTableView(), inFolders);
    EXPECT_EQ(marked, filed) << "every filed font on screen shows its mark without any other action";
    EXPECT_EQ(home.groupArray()->count(), listed.count());
    EXPECT_EQ(home.collectionTableview()->model()->rowCount(), static_cast<int>(listed.count()))
        << "the side folder table";

    home.logoutBussiness();
    settle();
    list.scrollRowToVisible(rowOfFont(list.dataArray(), inFolders));
    layOut();
    std::tie(filed, marked) = marks(list.listTableView(), inFolders);
    EXPECT_GT(filed, 0u);
    EXPECT_EQ(marked, 0u) << "signed out, no font shows the mark";
    EXPECT_EQ(home.collectionTableview()->model()->rowCount(), 0);

    // The search panel opened while the folders of a sign-in are on their way.
    holdNextReply("getMyCollect");
    postSignIn(loginReply("demo", "demo1234"));
    ASSERT_TRUE(waitForHeldReplies());
    list.searchingClick();
    auto* panel = qobject_cast<KXHomeSearchView*>(KXHomeListOverlays::topSubview(&list));
    ASSERT_NE(panel, nullptr);
    const auto records = list.dataArray();
    const std::string name = records->objectAtIndex(static_cast<std::size_t>(rowOfFont(records, inFolders)))
                                 .ptr<KXFontBaseModel>()
                                 ->fontname->utf8();
    // Typed as an input method commits it.
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromStdString(name));
    QApplication::sendEvent(panel->customStrTF(), &typed);
    QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] {
        layOut();
        return panel->state().resultMode() && marks(panel->listTableView(), inFolders).first > 0;
    })) << "the search for "
        << name << " lists it";
    std::tie(filed, marked) = marks(panel->listTableView(), inFolders);
    ASSERT_EQ(marked, 0u) << "no folders yet";
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    std::tie(filed, marked) = marks(panel->listTableView(), inFolders);
    EXPECT_GT(filed, 0u);
    EXPECT_EQ(marked, filed);
}

TEST_F(KXHomeAccountCartTest, ASignInOnTheRecommendedPageStaysThere)
{
    auto& home = open();
    home.tabViewTouched(home.recommendBtn());
    ASSERT_EQ(home.rightListview()->tabTypeNum(), 0);
    postSignIn(loginReply("demo", "demo1234"));
    settle();
    EXPECT_EQ(home.selectedTabView(), home.recommendBtn());
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 0);
}

TEST_F(KXHomeAccountCartTest, TheAgreementGatesANewUsersSignIn)
{
    auto& home = open();
    // The service counts the first sign-in of the test program; this one is a first sign-in whatever ran before.
    auto first = foundation::MutableDictionary::dictionaryWithDictionary(*loginReply("newbie", "newbie123").dictionary());
    first->setValue(Id(1), "is_first");
    const Id newbie(first);
    ASSERT_EQ(newbie["is_agree"].integerValue(), 0);

    // Refused: the token goes again and the account area stays signed out.
    postSignIn(newbie);
    ASSERT_NE(home.greeWc(), nullptr);
    EXPECT_TRUE(home.greeWc()->window()->isVisible());
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册")) << "nothing is shown before the answer";
    answerAgreement(home, "0");
    settle();
    EXPECT_TRUE(stored("token").empty());
    EXPECT_FALSE(session().islogin());
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));

    // A second sign-in waits again; one answer signs in once, and a late second answer nobody.
    postSignIn(newbie);
    postSignIn(newbie);
    service().requestLog().clear();
    answerAgreement(home, "1");
    answerAgreement(home, "1");
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() >= 1; }));
    settle();
    EXPECT_TRUE(session().islogin());
    EXPECT_EQ(service().requestLog().withTag("155").size(), 1u) << "signed in once";
    EXPECT_NE(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    EXPECT_EQ(stored("token"), newbie["token"].stringValue());
    EXPECT_TRUE(qobject_cast<KXDiversionGroupView*>(kx_topSubview(&home))) << "a first sign-in shows the welcome page";
}

// The start-up's sign-in by a stored token came back with "is_agree" 0 before the main window was
// up: the gate holds it, and the window asks as it opens, showing and asking for nothing of that
// user before the answer.
TEST_F(KXHomeAccountCartTest, AStartUpSignInHeldForTheAgreementIsAskedAsTheWindowOpens)
{
    const Id newbie = loginReply("newbie", "newbie123");
    ASSERT_EQ(KXSignInGate::receive(newbie), KXSignInGate::Step::AwaitAgreement);
    service().requestLog().clear();
    auto& home = open();
    settle();
    ASSERT_NE(home.greeWc(), nullptr);
    EXPECT_TRUE(home.greeWc()->window()->isVisible());
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(service().requestLog().withTag("155").empty()) << "no cart before the answer";

    answerAgreement(home, "1");
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() == 1; }));
    EXPECT_NE(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    EXPECT_EQ(stored("token"), newbie["token"].stringValue());
    EXPECT_TRUE(defaults().objectForKey(KXSignInGate::kPendingKey).isNil());
}

// A token stored without the agreement's pending mark (by a client from before the mark) is
// signed in again at the start: until that sign-in says whether its user has agreed, no cart goes
// out with it, and for a user who has not, none goes before the answer.
TEST_F(KXHomeAccountCartTest, TheCartWaitsForTheStartUpSignInToSayTheUserHasAgreed)
{
    const Id newbie = loginReply("newbie", "newbie123");
    defaults().setObject(newbie["token"], "token");
    service().requestLog().clear();
    holdNextReply("login");
    ASSERT_TRUE(KXStartupSignIn::start());
    auto& home = open(1);
    EXPECT_TRUE(service().requestLog().withTag("155").empty()) << "a cart before the sign-in said anything";
    // Nor any other read of the account's own.
    for (const char* read : {"getCarts", "getMyCollect", "getUnpaid", "getUserData", "getUseFonts", "checkCollectUpdate"}) {
        const auto entries = service().requestLog().entries();
        EXPECT_TRUE(std::none_of(entries.begin(), entries.end(), [read](const auto& request) { return request.path == read; })) << read;
    }

    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return home.greeWc() && home.greeWc()->window()->isVisible(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(service().requestLog().withTag("155").empty()) << "no cart before the answer";

    answerAgreement(home, "1");
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() == 1; }));
    EXPECT_EQ(stored("token"), newbie["token"].stringValue());
}

// While the question waits the client is signed out: a row's star asks for a sign-in and opens no
// folder dialog of the waiting account. A refusal then closes what was opened meanwhile, and
// nobody was signed in or out.
TEST_F(KXHomeAccountCartTest, ARefusedAgreementClosesWhatTheWaitingSignInOpened)
{
    // The add-to-folder dialog a row's star opens, as a stand-in found by its name.
    KXHomeListOverlays::registerOverlay(KXHomeListOverlays::FontGroupAddView{
        [](const QObject* widget) { return widget && widget->objectName() == QStringLiteral("groupAddStandIn"); },
        [](const auto&, long, std::weak_ptr<KXFontGroupAddViewDelegate>) {
            auto* dialog = new QWidget;
            dialog->setObjectName(QStringLiteral("groupAddStandIn"));
            return dialog;
        }});
    struct Unregister {
        ~Unregister() { KXHomeListOverlays::unregisterOverlay(KXHomeListOverlays::Kind::FontGroupAddView); }
    } unregister;
    auto& home = open();
    KXHomeListView& list = *home.rightListview();
    const Id newbie = loginReply("newbie", "newbie123");
    ASSERT_EQ(newbie["is_agree"].integerValue(), 0);

    // The star is clicked while the question waits for its answer.
    postSignIn(newbie);
    const auto star = KXFontListModel::recordOfIndex(list.listTableView()->model()->index(0, 0));
    ASSERT_NE(star, nullptr);
    list.collectionBtnClick(star);
    QPointer<QWidget> dialog = KXHomeListOverlays::topSubview(&list);
    EXPECT_FALSE(dialog && dialog->objectName() == QStringLiteral("groupAddStandIn")) << "no folder dialog of the waiting account";
    EXPECT_TRUE(loginShown(home)) << "a sign-in is asked for, as signed out";
    QPointer<QWidget> page = addOverlay();
    answerAgreement(home, "0");
    settle();
    EXPECT_FALSE(session().islogin());
    EXPECT_TRUE(page.isNull() || page->parentWidget() == nullptr);
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
    EXPECT_TRUE(std::none_of(logouts().begin(), logouts().end(), [](const auto& told) { return told && told->containsKey("loginOut"); }));

    // An answer nobody waits for closes nothing.
    page = addOverlay();
    answerAgreement(home, "0");
    settle();
    EXPECT_EQ(page->parentWidget(), &home);
}

// Every way the window has to use an account, tried while the question waits: none sends anything
// with the waiting account's token, and each behaves as for a client signed out.
TEST_F(KXHomeAccountCartTest, WhileTheAgreementWaitsNothingGoesWithTheWaitingToken)
{
    auto& home = open();
    const Id newbie = loginReply("newbie", "newbie123");
    const std::string waiting = newbie["token"].stringValue();
    postSignIn(newbie);
    ASSERT_TRUE(home.greeWc() && home.greeWc()->window()->isVisible());
    service().requestLog().clear();

    // A row's star, the tabs, the account area, the cart and the side tables.
    KXHomeListView& list = *home.rightListview();
    const auto row = KXFontListModel::recordOfIndex(list.listTableView()->model()->index(0, 0));
    ASSERT_NE(row, nullptr);
    list.collectionBtnClick(row);
    home.tabViewTouched(home.recentBtn());
    home.avatarClick();
    home.shoppingCartBtnClick();
    home.newgroupClick();
    home.colletExpand();
    home.focusExpandAction();
    home.tabViewTouched(home.cloudBtn());
    // Every operation of the facade that needs an account, asked directly.
    const Id none;
    const std::vector<std::function<void(KXHTTPBUSINESS&, KXHTTPBUSINESS::Success, KXHTTPBUSINESS::Failure)>> operations{
        [](auto& b, auto s, auto f) { b.getRecentUserDataSuceess(s, f); },
        [](auto& b, auto s, auto f) { b.GetBoughtFontsListSuceess(s, f); },
        [&](auto& b, auto s, auto f) { b.EditFontToGroupWithByParameters(foundation::Dictionary::create(), s, f); },
        [](auto& b, auto s, auto f) { b.GetUserDataSuceess(s, f); },
        [](auto& b, auto s, auto f) { b.getUnpaidOriderSuceess(s, f); },
        [](auto& b, auto s, auto f) { b.getMyOriderSuceess(s, f); },
        [&](auto& b, auto s, auto f) { b.ReviseUserInfoWithSex(none, none, none, Id("x"), none, none, none, s, f); },
        [](auto& b, auto s, auto f) { b.CollectFontWithFontid(Id("1"), Id("1"), s, f); },
        [](auto& b, auto s, auto f) { b.CreateGroupWithName(Id("a"), s, f); },
        [](auto& b, auto s, auto f) { b.RenameGroupWithName(Id("a"), Id("1"), s, f); },
        [](auto& b, auto s, auto f) { b.DeleteGroupWithGroup_id(Id("1"), s, f); },
        [&](auto& b, auto s, auto f) { b.publishCollection(Id("1"), Id("0"), none, none, none, none, none, none, none, s, f); },
        [](auto& b, auto s, auto f) { b.GetFocusGroupsListSuceess(s, f); },
        [](auto& b, auto s, auto f) { b.GetCollectGroupsListSuceess(s, f); },
        [](auto& b, auto s, auto f) { b.isAttentionGroup(Id("1"), Id("1"), s, f); },
        [](auto& b, auto s, auto f) { b.isUpdateGroupDataByCollectversion(Id("1"), s, f); },
        [](auto& b, auto s, auto f) { b.addBuyCartsWithFids(Id("1"), s, f); },
        [](auto& b, auto s, auto f) { b.deleteBuyCartsWithFids(Id("1"), s, f); },
        [](auto& b, auto s, auto f) { b.getBuyCartsDataSuceess(s, f); },
        [](auto& b, auto s, auto f) { b.getBuyCartsPriceWithFids(Id("1"), Id("13"), Id("{}"), s, f); },
        [](auto& b, auto s, auto f) { b.submitBuyCartsOriderWithFids(Id("1"), Id("13"), Id("{}"), s, f); },
        [](auto& b, auto s, auto f) { b.LoginWithName(Id(""), Id(""), s, f); },
        [](auto& b, auto s, auto f) { b.getRecommendDataByID(Id("1"), Id("0"), s, f); },
    };
    for (const auto& operation : operations) {
        KXHTTPBUSINESS business;
        operation(business, [](const Id&) { }, [](const foundation::Ref<foundation::Error>&) { });
    }
    ASSERT_TRUE(waitForQuietTraffic());
    settle();
    for (const auto& request : service().requestLog().entries()) {
        const std::string* token = request.param("token");
        EXPECT_TRUE(!token || *token != waiting) << request.path << " went with the waiting account's token";
    }
    EXPECT_TRUE(service().requestLog().withTag("155").empty()) << "no cart of the waiting account";
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    EXPECT_FALSE(qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home))) << "no personal centre of the waiting account";
    EXPECT_TRUE(loginShown(home));
    EXPECT_TRUE(KXSignInGate::isWaiting()) << "nothing of that ended the wait";
    EXPECT_EQ(stored("token"), waiting);
}

// A refusal leaves nothing of the account that waited, on screen or in the settings, also after
// the account had been signed in and was asked again by the service.
TEST_F(KXHomeAccountCartTest, ARefusalLeavesNothingOfTheRefusedAccount)
{
    const Id newbie = loginReply("newbie", "newbie123");
    // A former run signed newbie in (the agreement since withdrawn): the name, the folders and the
    // records stored for it are there at the start.
    defaults().setObject(newbie["token"], "token");
    defaults().setObject(Id("newbie"), "Name");
    defaults().setObject(newbie["uid"], "userID");
    session().setUserinfo(newbie.mutableCopy().as<foundation::MutableDictionary>());
    auto& home = open();
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("newbie")) << "signed in as far as the client knows";
    session().setGroupsInfo(foundation::Array::create(
        {Id(foundation::Dictionary::create({{Id("id"), Id(1)}, {Id("collect_name"), Id("喜欢的字体")}, {Id("fonts"), Id(foundation::Array::create({Id(1)}))}}))}));
    home.foldersStored();
    ASSERT_EQ(home.groupArray()->count(), 1u);

    // The renewal says the agreement is still to answer.
    postSignIn(newbie);
    ASSERT_TRUE(home.greeWc() && home.greeWc()->window()->isVisible());
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册")) << "nothing of the account while it waits";
    EXPECT_EQ(home.groupArray()->count(), 0u);
    answerAgreement(home, "0");
    settle();
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    EXPECT_EQ(home.groupArray()->count(), 0u);
    EXPECT_FALSE(session().isCollected(1));
    EXPECT_TRUE(defaults().objectForKey("Name").isNil());
    EXPECT_TRUE(defaults().objectForKey("token").isNil());
    EXPECT_FALSE(loginShown(home)) << "nobody was signed out";

    // Nor at the next start.
    hub_.reset();
    auto& again = open();
    EXPECT_EQ(again.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    EXPECT_EQ(again.groupArray()->count(), 0u);
}

// The personal centre renews the session as the start does: a user the service says has still to
// agree goes through the agreement, and nothing of the reply is applied before the answer.
TEST_F(KXHomeAccountCartTest, APersonalCentreRenewalOfAUserStillToAgreeAsksTheAgreement)
{
    ASSERT_TRUE(service().setAgreed("newbie", true));
    signIn("newbie", "newbie123");
    auto& home = open();
    ASSERT_TRUE(session().islogin());
    ASSERT_TRUE(service().setAgreed("newbie", false));
    defaults().removeObjectForKey("my_shop_url");
    service().requestLog().clear();
    home.avatarClick();
    ASSERT_TRUE(waitFor([&] { return home.greeWc() && home.greeWc()->window()->isVisible(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    settle();
    EXPECT_FALSE(session().islogin());
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    EXPECT_FALSE(qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home))) << "the account's page went with it";
    EXPECT_TRUE(defaults().objectForKey("my_shop_url").isNil()) << "nothing of the renewal applied";
    answerAgreement(home, "0");
    settle();
    EXPECT_TRUE(defaults().objectForKey("token").isNil());
    EXPECT_FALSE(loginShown(home));
}

// The agreement's acceptance goes to the service before anything of the account is used: a failed
// one asks again and signs nobody in.
TEST_F(KXHomeAccountCartTest, AnAcceptanceTheServiceDidNotRecordAsksAgain)
{
    auto& home = open();
    const Id newbie = loginReply("newbie", "newbie123");
    postSignIn(newbie);
    service().requestLog().clear();
    setFault("agreement", localservice::Fault::Kind::Http500);
    home.greeWc()->contentViewController()->sureBtnClick();
    ASSERT_TRUE(waitFor([&] { return home.greeWc()->window()->isVisible(); })) << "the question again";
    ASSERT_TRUE(waitForQuietTraffic());
    settle();
    EXPECT_FALSE(session().islogin());
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    EXPECT_TRUE(service().requestLog().withTag("155").empty());
    EXPECT_EQ(toastText(), QStringLiteral("网络异常，请稍后重试"));

    service().faults().clearAll();
    home.greeWc()->contentViewController()->sureBtnClick();
    ASSERT_TRUE(waitFor([&] { return session().islogin(); }));
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() == 1; }));
    EXPECT_NE(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
}

TEST_F(KXHomeAccountCartTest, ASecondGatedSignInRaisesTheAgreementWindowOnScreen)
{
    auto& home = open();
    const Id newbie = loginReply("newbie", "newbie123");
    ASSERT_EQ(newbie["is_agree"].integerValue(), 0);
    postSignIn(newbie);
    KXRegisterAgreementWC* const asking = home.greeWc();
    ASSERT_NE(asking, nullptr);
    QPointer<QWidget> window = asking->window();
    postSignIn(newbie);
    EXPECT_EQ(home.greeWc(), asking);
    ASSERT_TRUE(window) << "the window on screen is kept";
    EXPECT_TRUE(window->isVisible());

    // Closed without an answer, it gives way to a new one at the next gated sign-in.
    window->close();
    postSignIn(newbie);
    EXPECT_FALSE(window);
    ASSERT_NE(home.greeWc(), nullptr);
    EXPECT_TRUE(home.greeWc()->window()->isVisible());
    answerAgreement(home, "0");
    settle();
    EXPECT_FALSE(session().islogin());
}

// The user's close of the question, by Escape or by the window manager (the frame's close button,
// Alt+F4), refuses as 不同意 does, once: the token goes, what the wait opened closes, and nobody
// was signed in or out. A window answered first posts nothing more as it closes.
TEST_F(KXHomeAccountCartTest, ClosingTheAgreementUnansweredRefusesIt)
{
    auto& home = open();
    const Id newbie = loginReply("newbie", "newbie123");
    ASSERT_EQ(newbie["is_agree"].integerValue(), 0);
    std::vector<std::string> answers;
    const dispatch::Subscription heard = dispatch::NotificationCenter::defaultCenter().addObserver(
        "agreementClick", Id(), nullptr, [&answers](const dispatch::Notification& told) {
            answers.push_back(Id(told.userInfo)["isAgree"].stringValue());
        });
    const std::vector<std::pair<const char*, std::function<void(QWidget*)>>> closes{
        {"Escape", [](QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); }},
        {"the window manager's close", [](QWidget* window) { window->windowHandle()->close(); }},
    };
    for (const auto& [how, close] : closes) {
        SCOPED_TRACE(how);
        answers.clear();
        postSignIn(newbie);
        ASSERT_EQ(stored("token"), newbie["token"].stringValue());
        QPointer<QWidget> page = addOverlay();
        QWidget* window = home.greeWc()->window();
        close(window);
        settle();
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(answers, std::vector<std::string>{"0"});
        EXPECT_TRUE(stored("token").empty()) << "the waiting sign-in is dropped";
        EXPECT_FALSE(session().islogin());
        EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
        EXPECT_TRUE(page.isNull() || page->parentWidget() == nullptr);
        EXPECT_FALSE(loginShown(home)) << "nobody was signed out";
        EXPECT_TRUE(std::none_of(logouts().begin(), logouts().end(), [](const auto& told) { return told && told->containsKey("loginOut"); }));
    }

    // Answered, then closed (a close the window manager sends late): the answer is the only one.
    answers.clear();
    postSignIn(newbie);
    KXRegisterAgreementWC* agreement = home.greeWc();
    agreement->contentViewController()->disagreeBtn()->click();
    agreement->window()->close();
    agreement->window()->windowHandle()->close();
    EXPECT_EQ(answers, std::vector<std::string>{"0"});
    // A window the program hides without an answer asks nothing of anyone.
    postSignIn(newbie);
    home.greeWc()->window()->hide();
    home.greeWc()->window()->close();
    settle();
    EXPECT_EQ(answers, std::vector<std::string>{"0"});
    EXPECT_EQ(stored("token"), newbie["token"].stringValue()) << "the sign-in still waits";
}

// Each agreement window answers the question it asked. The registration's, opened while newbie
// waits for its own, only ticks or unticks the form's box: an acceptance of an empty form says what
// is missing and sends nothing, and neither answer ends or settles newbie's wait.
TEST_F(KXHomeAccountCartTest, TheRegistrationsAgreementAnswersOnlyTheRegistration)
{
    auto& home = open();
    const Id newbie = loginReply("newbie", "newbie123");
    postSignIn(newbie);
    ASSERT_TRUE(home.greeWc() && home.greeWc()->window()->isVisible());
    QWidget login;
    login.resize(380, 480);
    login.show();
    auto* panel = new KXLoginRegisterView(QRect(0, 0, 380, 480), &login);
    panel->show();
    service().requestLog().clear();
    for (const bool agreed : {true, false}) {
        SCOPED_TRACE(agreed ? "同意" : "不同意");
        panel->agreementBtn()->click();
        KXRegisterAgreementVC* page = panel->registerWc()->contentViewController();
        if (agreed)
            page->sureBtnClick();
        else
            page->disagreeBtnclick();
        ASSERT_TRUE(waitForQuietTraffic());
        settle();
        EXPECT_EQ(panel->agreementCheckBtn()->isChecked(), agreed);
        if (agreed) {
            EXPECT_EQ(toastText(), QStringLiteral("手机号不能为空")) << "the form's own check";
        }
        EXPECT_TRUE(KXSignInGate::isWaiting()) << "newbie waits for its own answer";
        EXPECT_EQ(stored("token"), newbie["token"].stringValue());
        EXPECT_FALSE(session().islogin());
        EXPECT_TRUE(home.greeWc()->window()->isVisible());
    }
    EXPECT_TRUE(service().requestLog().withTag("118").empty()) << "newbie's agreement was not sent";
    EXPECT_TRUE(service().requestLog().withTag("117").empty()) << "no registration of an empty form";

    // Newbie's own window still answers newbie.
    home.greeWc()->contentViewController()->sureBtnClick();
    ASSERT_TRUE(waitFor([&] { return session().islogin(); }));
    EXPECT_EQ(stored("token"), newbie["token"].stringValue());
}

// A sign-in that passes the agreement closes the login window, whatever road it took: here the
// login window was opened while the question waited.
TEST_F(KXHomeAccountCartTest, ASignInThroughTheAgreementClosesTheLoginWindow)
{
    auto& home = open();
    postSignIn(loginReply("newbie", "newbie123"));
    home.avatarClick();
    ASSERT_TRUE(loginShown(home)) << "signed out while the question waits";
    home.greeWc()->contentViewController()->sureBtnClick();
    ASSERT_TRUE(waitFor([&] { return session().islogin(); }));
    settle();
    EXPECT_FALSE(loginShown(home));
}

// Every end of a wait takes its question off the screen: another account's sign-in (by the QR code
// or a password), a sign-out, the token refused by the service.
TEST_F(KXHomeAccountCartTest, EveryEndOfAWaitTakesItsQuestionAway)
{
    auto& home = open();
    const Id newbie = loginReply("newbie", "newbie123");
    const Id demo = loginReply("demo", "demo1234");
    const std::pair<const char*, std::function<void()>> ends[] = {
        {"another account signs in", [&] { postSignIn(demo); }},
        {"a sign-out, or the token refused", [] {
             post("homeNotificationCenter", Id(),
                  foundation::Dictionary::create({{Id("loginOut"), Id(foundation::Dictionary::create({{Id("logint"), Id("YES")}}))}}));
         }},
    };
    for (const auto& [how, end] : ends) {
        SCOPED_TRACE(how);
        postSignIn(newbie);
        ASSERT_TRUE(home.greeWc() && home.greeWc()->window()->isVisible());
        QPointer<QWidget> question = home.greeWc()->window();
        end();
        settle();
        EXPECT_FALSE(KXSignInGate::isWaiting());
        EXPECT_TRUE(question.isNull() || !question->isVisible()) << "no question whose wait has ended";
    }
}

// A sign-out, and a waiting sign-in that took a signed-in account's place and then ended, leave the
// settings as a client that never signed in has them: the store's address is the start-up data's
// again (字体商城 opens it), and nothing written for the account stays.
TEST_F(KXHomeAccountCartTest, WhatASignOutLeavesIsWhatAClientThatNeverSignedInHas)
{
    const std::string store = service().baseUrl() + "pages/shop";
    const auto startup = foundation::Dictionary::create(
        {{Id("errcode"), Id(0)}, {Id("corvane_data"), Id(foundation::Dictionary::create({{Id("shop_url"), Id(store)}}))}});
    ASSERT_TRUE(KXStartupRules::applyStartupData(Id(startup), defaults(), KXGlobalDataBase::sharedKXGlobalDataBase()));
    auto& home = open();
    ASSERT_TRUE(waitForQuietTraffic());
    settle();
    const auto settingsNow = [] {
        std::map<std::string, std::string> shown;
        const auto all = defaults().dictionaryRepresentation();
        for (const auto& entry : *all)
            shown[entry.key.stringValue()] = entry.value.description();
        return shown;
    };
    const auto never = settingsNow();
    ASSERT_EQ(stored("shop_url"), store);

    const Id demo = loginReply("demo", "demo1234");
    const Id newbie = loginReply("newbie", "newbie123");
    const std::pair<const char*, std::function<void()>> ends[] = {
        {"a sign-out", [] {
             post("homeNotificationCenter", Id(),
                  foundation::Dictionary::create({{Id("loginOut"), Id(foundation::Dictionary::create({{Id("logint"), Id("YES")}}))}}));
         }},
        {"a waiting sign-in in its place, refused", [&] {
             postSignIn(newbie);
             answerAgreement(home, "0");
         }},
    };
    for (const auto& [how, end] : ends) {
        SCOPED_TRACE(how);
        postSignIn(demo);
        home.tabViewTouched(home.fontManagerBtn());
        ASSERT_TRUE(waitForQuietTraffic());
        settle();
        ASSERT_TRUE(session().islogin());
        EXPECT_NE(stored("shop_url"), store) << "the sign-in writes the user's own";
        EXPECT_FALSE(stored("userID").empty());
        end();
        ASSERT_TRUE(waitForQuietTraffic());
        settle();
        EXPECT_EQ(settingsNow(), never);
        desktop::ScopedRecordingURLOpener opener;
        home.tabViewTouched(home.fontStoreBtn());
        EXPECT_EQ(opener.opened(), std::vector<std::string>{store});
    }
}

TEST_F(KXHomeAccountCartTest, TheConfirmationSignsOutAndClosesThePersonalCentre)
{
    signIn();
    auto& home = open();
    home.avatarClick();
    auto* centre = qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home));
    ASSERT_NE(centre, nullptr);
    auto* quit = new KXQuitView(centre);
    quit->setGeometry(centre->rect());
    quit->show();
    quit->sureClick();
    settle();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    expectSignedOut(home);
    EXPECT_EQ(kx_subviews(&home).size(), 2u) << "the personal centre closed with the confirmation";
    KXLoginWindowController* login = home.loginWindow();

    // Laid on the hub itself, the confirmation takes only itself away.
    signIn();
    auto* stray = new KXQuitView(&home);
    stray->show();
    stray->sureClick();
    settle();
    EXPECT_TRUE(home.isVisible());
    EXPECT_EQ(kx_subviews(&home).size(), 2u);
    EXPECT_EQ(home.loginWindow(), login) << "the visible login window is brought forward, not made again";
}

TEST_F(KXHomeAccountCartTest, ASignOutThatCannotRewriteTheSettingsIsToldOverTheLoginWindow)
{
    signIn();
    auto& home = open();
    {
        testsupport::FileSizeLimit full(16); // as a full disk: no settings write goes through
        home.logoutBussiness();
    }
    settle();
    expectSignedOut(home);
    EXPECT_FALSE(std::filesystem::exists(defaults().file())) << "removed, with the token in it";
    MLHudAlert* alert = MLHudAlert::sharedAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->window()->parentWidget(), home.loginWindow()->window()) << "not under the login window";
    EXPECT_TRUE(alert->window()->isVisible());
    EXPECT_EQ(alert->messageField()->text(),
              QStringLiteral("设置无法保存，已删除设置文件以清除登录信息：~/.config/corvane-fonts/defaults.plist"));
    EXPECT_TRUE(defaults().synchronize());
}

TEST_F(KXHomeAccountCartTest, ARefusedTokenSignsOutOnce)
{
    signIn();
    auto& home = open();
    ASSERT_TRUE(home.buyCartNumLabel()->isVisible());
    service().expireAllTokens();
    home.upDateBuyCartState();
    home.focusExpandAction();
    ASSERT_TRUE(waitFor([&] { return !session().islogin(); }));
    settle();
    expectSignedOut(home);
    const auto windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](QWidget* window) { return window->isVisible() && window->inherits("KXTransientWindow"); }),
              1)
        << "one login window for two refused requests";
}

TEST_F(KXHomeAccountCartTest, TheAvatarTogglesThePersonalCentre)
{
    auto& home = open();
    home.avatarClick();
    EXPECT_TRUE(loginShown(home)) << "signed out, the avatar opens the login window";
    EXPECT_EQ(kx_subviews(&home).size(), 2u);

    signIn();
    // The feedback page goes first, and the personal centre opens in its place.
    home.feedBackBtnClick();
    ASSERT_TRUE(qobject_cast<KXPersonalFeedBack*>(kx_topSubview(&home)));
    home.avatarClick();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(kx_subviews(&home).size(), 3u);
    auto* centre = qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home));
    ASSERT_NE(centre, nullptr);
    layOut();
    EXPECT_EQ(centre->geometry(), QRect(KXHomeViewController::kMenuWidth, 0, KXHomeViewController::kPageWidth, home.height()));
    home.avatarClick();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(kx_subviews(&home).size(), 2u) << "a second click closes it";
}

TEST_F(KXHomeAccountCartTest, TheCartButtonOpensAndClosesTheCartPage)
{
    auto& home = open();
    home.shoppingCartBtnClick();
    EXPECT_TRUE(loginShown(home));
    EXPECT_EQ(home.shoppingCartBtn()->state(), 0);
    EXPECT_EQ(kx_subviews(&home).size(), 2u);

    signIn();
    home.shoppingCartBtnClick();
    EXPECT_TRUE(qobject_cast<KXFontsSaleList*>(kx_topSubview(&home)));
    EXPECT_EQ(home.shoppingCartBtn()->state(), 1);
    EXPECT_FALSE(home.cloudBtn()->selected());
    home.shoppingCartBtnClick();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(kx_subviews(&home).size(), 2u);
    EXPECT_EQ(home.shoppingCartBtn()->state(), 0);
    EXPECT_TRUE(home.cloudBtn()->selected()) << "closing the cart gives the tab its look back";

    // The page's back button: the same end.
    home.shoppingCartBtnClick();
    auto* cart = qobject_cast<KXFontsSaleList*>(kx_topSubview(&home));
    ASSERT_NE(cart, nullptr);
    cart->backBtnClick();
    EXPECT_EQ(home.shoppingCartBtn()->state(), 0);
    EXPECT_TRUE(home.cloudBtn()->selected());

    // Leaving by a tab: the cart page goes with the other pages, and so does the button's look.
    for (KXLeftTabView* tab : {home.cloudBtn(), home.localBtn()}) {
        home.shoppingCartBtnClick();
        ASSERT_TRUE(qobject_cast<KXFontsSaleList*>(kx_topSubview(&home)));
        home.tabViewTouched(tab);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(kx_subviews(&home).size(), 2u);
        EXPECT_EQ(home.shoppingCartBtn()->state(), 0) << tab->identifier().toStdString();
        EXPECT_TRUE(tab->selected());
    }

    // A cart the page finds empty takes the badge away.
    ASSERT_TRUE(service().setCart("newbie", {}));
    signIn("newbie", "newbie123");
    home.buyCartNumLabel()->show();
    home.tabViewTouched(home.cloudBtn());
    home.shoppingCartBtnClick();
    EXPECT_TRUE(waitFor([&] { return !home.buyCartNumLabel()->isVisible(); }));
}

TEST_F(KXHomeAccountCartTest, AddingFromARowFliesADotAndRefreshesTheBadge)
{
    dispatch::VirtualClock::Scope clock;
    auto& home = open();
    auto* button = new KXBaseButton(&home);
    post("cellBuyCartsClick", Id(KXViewReference::create(button, 7)));
    EXPECT_TRUE(loginShown(home)) << "signed out, a row's cart button opens the login window";
    settle();
    EXPECT_TRUE(service().requestLog().withTag("153").empty());

    ASSERT_TRUE(service().setCart("newbie", {}));
    signIn("newbie", "newbie123");
    ASSERT_FALSE(home.buyCartNumLabel()->isVisible());
    ASSERT_GT(home.rightListview()->dataArray()->count(), 0u);
    const long long fontid = home.rightListview()->dataArray()->objectAtIndex(0).ptr<KXFontBaseModel>()->fontid;
    QCursor::setPos(home.mapToGlobal(QPoint(200, 300)));
    post("cellBuyCartsClick", Id(KXViewReference::create(button, fontid)));
    ASSERT_NE(home.roView(), nullptr);
    const QPointer<QWidget> first = home.roView();
    EXPECT_EQ(home.cursor().shape(), Qt::UpArrowCursor);
    clock.advance(0.3);
    post("cellBuyCartsClick", Id(KXViewReference::create(button, fontid)));
    EXPECT_TRUE(!first || !first->parentWidget()) << "a second click replaces the dot";
    const QPointer<QWidget> second = home.roView();
    clock.advance(0.2);
    EXPECT_TRUE(!second || !second->parentWidget()) << "the first click's removal takes whatever dot flies";
    EXPECT_NE(home.cursor().shape(), Qt::UpArrowCursor);

    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() >= 2; }));
    settle();
    const auto added = service().requestLog().withTag("153");
    ASSERT_EQ(added.size(), 2u);
    EXPECT_TRUE(home.buyCartNumLabel()->isVisible()) << "the cart now holds the font";
    EXPECT_TRUE(service().setCart("newbie", {}));
}

// What the person sees as one act stays one: the double click X11 delivers (press, release, press
// that Qt marks as a double click, release), then single clicks half a second and three seconds
// later with the pointer still, all on a row's cart button. The dot that flies from the pointer must
// not take the pointer from the button, and no click may reach the row beneath it.
TEST_F(KXHomeAccountCartTest, ClicksOnARowsCartButtonOnlyEverAddToTheCart)
{
    auto& home = open();
    ASSERT_TRUE(service().setCart("newbie", {}));
    signIn("newbie", "newbie123");
    settle();
    KXFontTableView* table = home.rightListview()->listTableView();
    QWindow* window = home.window()->windowHandle();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitFor([&] { return table->model()->rowCount() > 0; }));
    layOut();
    QModelIndex forSale;
    for (int row = 0; row < table->model()->rowCount() && !forSale.isValid(); ++row) {
        const QModelIndex index = table->model()->index(row, 0);
        const auto record = KXFontListModel::recordOfIndex(index);
        if (record && record->is_sell && table->viewport()->rect().contains(table->visualRect(index)))
            forSale = index;
    }
    ASSERT_TRUE(forSale.isValid()) << "a font for sale in view";
    const long long fontid = KXFontListModel::recordOfIndex(forSale)->fontid;
    const auto inWindow
        = [&](QWidget* widget, QPoint point) { return window->mapFromGlobal(widget->mapToGlobal(point)); };
    QTest::mouseMove(window, inWindow(table->viewport(), table->visualRect(forSale).center()));
    ASSERT_TRUE(table->cartButton()->isVisible());
    const QPoint onCart = inWindow(table->cartButton(), table->cartButton()->rect().center());
    QTest::mouseMove(window, onCart);
    service().requestLog().clear();
    // The dot's flight, half a second, on the virtual clock.
    dispatch::VirtualClock::Scope clock;

    QTest::mouseDClick(window, Qt::LeftButton, {}, onCart);
    EXPECT_TRUE(table->cartButton()->isVisible()) << "the flying dot leaves the pointer on the button";
    clock.advance(0.5);
    QTest::mouseClick(window, Qt::LeftButton, {}, onCart, 500);
    clock.advance(2.5);
    QTest::mouseClick(window, Qt::LeftButton, {}, onCart, 2500);
    clock.advance(1);
    settle();

    const auto added = service().requestLog().withTag("153");
    EXPECT_FALSE(added.empty());
    for (const auto& request : added)
        EXPECT_EQ(*request.param("fids"), std::to_string(fontid));
    const auto downloads = service().requestLog().withTag("103");
    EXPECT_TRUE(downloads.empty()) << "no click reached the row: " << downloads.size() << " downloads asked";
    EXPECT_TRUE(table->cartButton()->isVisible());
    EXPECT_TRUE(service().setCart("newbie", {}));
}

TEST_F(KXHomeAccountCartTest, TheOrderHandOverSwapsTheCartForThePersonalCentre)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();

    // From the order page's submission: the cart stays 5 s, then the personal centre replaces it.
    home.shoppingCartBtnClick();
    post("buyCartsGoToOrder", Id("scac"));
    EXPECT_TRUE(qobject_cast<KXFontsSaleList*>(kx_topSubview(&home)));
    clock.advance(4.9);
    EXPECT_TRUE(qobject_cast<KXFontsSaleList*>(kx_topSubview(&home)));
    clock.advance(0.1);
    EXPECT_TRUE(qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home)));
    EXPECT_EQ(kx_subviews(&home).size(), 3u);

    // From elsewhere: at once, and the hand-over later finds the personal centre on top.
    home.tabViewTouched(home.cloudBtn());
    home.shoppingCartBtnClick();
    post("buyCartsGoToOrder");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home)));
    clock.advance(5);
    EXPECT_TRUE(qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home)));
    EXPECT_EQ(kx_subviews(&home).size(), 3u);
}

TEST_F(KXHomeAccountCartTest, TheUnpaidOrderBadgeFollowsThePolls)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    defaults().setObject(Id("1"), "my_orderClick");
    service().controls().setUnpaidOverride(3);
    post("buyCartsGoToOrder");
    clock.advance(5);
    clock.advance(299);
    settle();
    EXPECT_TRUE(service().requestLog().withTag("160").empty());
    clock.advance(1);
    ASSERT_TRUE(waitFor([&] { return home.orderNumLabel()->isVisible(); }));
    EXPECT_EQ(home.orderNumLabel()->text(), QStringLiteral("3"));

    service().controls().setUnpaidOverride(0);
    clock.advance(300);
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("160").size() == 2; }));
    settle();
    EXPECT_FALSE(home.orderNumLabel()->isVisible()) << "no unpaid order hides the badge";
    EXPECT_EQ(KXHomeProcessState::shared().remainingOrderPolls, 497u) << "and the polling goes on";
    service().controls().setUnpaidOverride(std::nullopt);
}

TEST_F(KXHomeAccountCartTest, TheUnpaidOrderBadgeFollowsEveryCountWhoeverAsked)
{
    signIn();
    auto& home = open();
    const auto countRead = [] {
        run([](auto s, auto f) { KXHTTPBUSINESS().getUnpaidOriderSuceess(s, f); });
        settle();
    };
    // An order awaits a look; the count read by another view (the personal centre, an order's read back).
    defaults().setObject(Id("1"), "my_orderClick");
    service().controls().setUnpaidOverride(2);
    countRead();
    EXPECT_TRUE(home.orderNumLabel()->isVisible());
    EXPECT_EQ(home.orderNumLabel()->text(), QStringLiteral("2"));
    service().controls().setUnpaidOverride(0);
    countRead();
    EXPECT_FALSE(home.orderNumLabel()->isVisible()) << "paid meanwhile";

    // Once the orders have been looked at, no count shows.
    defaults().setObject(Id(""), "my_orderClick");
    service().controls().setUnpaidOverride(4);
    countRead();
    EXPECT_FALSE(home.orderNumLabel()->isVisible());
    service().controls().setUnpaidOverride(std::nullopt);
}

TEST_F(KXHomeAccountCartTest, EveryNotificationReachesItsHandler)
{
    signIn();
    auto& home = open();

    post("updateappnoti");
    ASSERT_NE(home.updateAppWindow(), nullptr);
    KXUPDateCenterWC* updater = home.updateAppWindow();
    EXPECT_TRUE(updater->window()->isVisible());
    updater->window()->hide();
    post("updateappnoti");
    EXPECT_EQ(home.updateAppWindow(), updater) << "one updater window";
    EXPECT_TRUE(updater->window()->isVisible());
    updater->window()->hide();

    post("createNewGroup");
    EXPECT_TRUE(qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home)));
    home.tabViewTouched(home.cloudBtn());

    service().requestLog().clear();
    post("myFocusToFoundMore");
    EXPECT_EQ(home.selectedTabView(), home.recommendBtn());
    // The recommend page asks for its cards and refreshes the session's two lists: those requests
    // reach the service before the ones counted below are.
    ASSERT_TRUE(waitFor([&] {
        return service().requestLog().withTag("143").size() == 1 && service().requestLog().withTag("137").size() == 2;
    }));
    home.tabViewTouched(home.cloudBtn());

    settle();
    service().requestLog().clear();
    post("KXHomeRecomAttention", Id(""));
    ASSERT_TRUE(waitFor([&] { return followedAsked() == 1; }));
    settle();
    EXPECT_EQ(home.followArray()->count(), session().followsArray()->count());
    home.focusExpandNoti(nullptr);
    settle();
    EXPECT_EQ(followedAsked(), 1u) << "without a notification nothing is asked";

    // The character-set setting rebuilds the cloud list by the new rule, and no other list.
    home.tabViewTouched(home.cloudBtn());
    const auto common = fontIds(home.rightListview()->dataArray());
    defaults().setObject(Id("1"), "bigFontsSet");
    post("KXBigFontsSet");
    const auto large = fontIds(home.rightListview()->dataArray());
    EXPECT_EQ(large, fontIds(KXSortingData().soringDataBySortType(0)));
    EXPECT_NE(large, common);
    home.tabViewTouched(home.localBtn());
    waitForLocalFonts();
    const auto local = home.rightListview()->dataArray();
    defaults().removeObjectForKey("bigFontsSet");
    post("KXBigFontsSet");
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 2);
    EXPECT_EQ(home.rightListview()->dataArray(), local);

    service().requestLog().clear();
    post("buyCartsGoToOrder");
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() == 1; }));

    post("homeNotificationCenter", Id(),
         foundation::Dictionary::create({{Id("loginOut"), Id(foundation::Dictionary::create({{Id("logint"), Id("YES")}}))}}));
    settle();
    EXPECT_FALSE(session().islogin());
    EXPECT_TRUE(loginShown(home));
}
