// The store's pages against an in-process local service: the cart, prices, orders and sign-out.
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXBrandLookup.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/KXDeleteBuyCartsView.h"
#include "Class/Store/KXFontSaleListCell.h"
#include "Class/Store/KXFontsSaleAuthorizeView.h"
#include "Class/Store/KXFontsSaleCheckOrderView.h"
#include "Class/Store/KXFontsSaleList.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/Store/KXFontsSaleOrderViewCell.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "StoreServiceTest.h"
#include "StoreTestSupport.h"
#include "Transport/TransportTestSupport.h"

#include <QLabel>
#include <QTest>
#include <atomic>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

class StoreServiceTest : public storetest::StoreServiceTest {
protected:
    KXFontsSaleOrderView* openOrder(const foundation::Ref<foundation::MutableArray>& cartFonts)
    {
        auto* page = static_cast<KXFontsSaleOrderView*>(lay(new KXFontsSaleOrderView(host.get())));
        page->setBuyCartFonts(cartFonts);
        const Id offer(foundation::Dictionary::create(
            { { Id("brand_id"), Id("12") }, { Id("brand_name"), Id("个人商用") } }));
        page->setDataA(foundation::Array::create({ offer }));
        return page;
    }
};

TEST_F(StoreServiceTest, TheCartComesFromTheServiceAndReloadsAfterARemoval)
{
    auto* cart = static_cast<KXFontsSaleList*>(lay(new KXFontsSaleList(host.get())));
    ASSERT_TRUE(waitFor([&] { return cart->listTableview()->numberOfRows() == 3; }));
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选3款");
    storetest::settle(*host);
    storetest::click(*static_cast<KXFontSaleListCell*>(cart->listTableview()->viewAtRow(0))->checkBtn());
    storetest::click(*cart->manaBtn());
    storetest::click(*cart->buyBtn());
    storetest::click(*host->findChild<KXDeleteBuyCartsView*>()->sureBtn());
    ASSERT_TRUE(waitFor([&] { return cart->listTableview()->numberOfRows() == 1; }));
    EXPECT_EQ(storetest::fontIDs(cart->dataA()), std::vector<int> { ids[0] });
    EXPECT_EQ(requests("delCarts"), 1u);
    EXPECT_EQ(requests("getCarts"), 2u);
}

TEST_F(StoreServiceTest, TheChooserListsTheServicesCategoriesAndKeepsTheSalesNote)
{
    auto* chooser = static_cast<KXFontsSaleAuthorizeView*>(lay(new KXFontsSaleAuthorizeView(host.get())));
    ASSERT_TRUE(waitFor(
        [&] { return chooser->listTableview()->numberOfRows() == 3 && chooser->brandsDic().count() == 8; }));
    EXPECT_FALSE(KXGlobalDataBase::sharedKXGlobalDataBase().sell_info()->utf8().empty());
    EXPECT_EQ(chooser->brandsDic().offerForBrandID("33")["price"].stringValue(), "19.90");
    EXPECT_EQ(chooser->listTableview()->rectOfRow(0).height(), 140);
}

TEST_F(StoreServiceTest, ASlowFirstPriceNeverOverwritesTheSecondChoice)
{
    holdNextReply("getPrice");
    auto* page = openOrder(fonts);
    ASSERT_TRUE(waitForHeldReplies());
    storetest::click(
        *static_cast<KXFontsSaleOrderViewCell*>(page->listTableview()->viewAtRow(0))->fontBtnA()[0]);
    // Offer 12 for two fonts: 2 x 158 with the promotion. The first choice's price lands last.
    ASSERT_TRUE(waitFor([&] { return counting->arrived(KXStoreService::Operation::Price) == 1; }));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return counting->arrived(KXStoreService::Operation::Price) == 2; }));
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥316.00");
    EXPECT_EQ(page->fontsNumLabel()->text(), "已选1种授权，2款字体");
}

TEST_F(StoreServiceTest, ADoubleClickOnSubmitMakesOneOrder)
{
    desktop::ScopedRecordingURLOpener opener;
    auto* page = openOrder(fonts);
    QTest::mouseDClick(page->buyBtn(), Qt::LeftButton);
    storetest::click(*page->buyBtn());
    ASSERT_TRUE(waitFor([&] { return !page->waitBgView()->isHidden(); }));
    EXPECT_EQ(requests("subOrder"), 1u);
    ASSERT_EQ(opener.opened().size(), 1u);
    EXPECT_EQ(opener.opened()[0].rfind(service().baseUrl() + "pages/pay?order=", 0), 0u);
}

TEST_F(StoreServiceTest, AnOrderOutsideTheCartAsksAndThinkingAgainSendsNothing)
{
    desktop::ScopedRecordingURLOpener opener;
    std::vector<Id> posts;
    auto seen = dispatch::NotificationCenter::defaultCenter().addObserver("buyCartsGoToOrder", Id(), nullptr,
        [&](const dispatch::Notification& n) { posts.push_back(n.object); });
    // A font that is not in the service's cart.
    auto outside = storetest::catalogueFonts(4);
    ASSERT_TRUE(service().setCart("designer", { ids[0] }));
    auto* page = openOrder(outside);
    page->buyBtnClick();
    ASSERT_TRUE(waitFor([&] { return page->checkOrderView() != nullptr; }));
    // The count of unpaid orders the reply makes the page read again is not the dialog's.
    ASSERT_TRUE(waitForQuietTraffic());
    const auto sent = service().requestLog().entries().size();
    storetest::click(*page->checkOrderView()->ReThinkBtn());
    QApplication::processEvents();
    EXPECT_EQ(service().requestLog().entries().size(), sent);
    EXPECT_TRUE(opener.opened().empty());
    EXPECT_TRUE(posts.empty());

    // The order exists: the same fonts pressed again ask before another goes.
    page->buyBtnClick();
    ASSERT_NE(page->checkOrderView(), nullptr);
    EXPECT_EQ(page->checkOrderView()->messageLabel()->text(), QString::fromUtf8(KXFontsSaleOrderView::kMadeOrderQuestion));
    EXPECT_EQ(service().requestLog().entries().size(), sent);
    storetest::click(*page->checkOrderView()->continueBtn());
    ASSERT_TRUE(waitFor([&] { return page->checkOrderView() != nullptr; }));
    storetest::click(*page->checkOrderView()->continueBtn());
    ASSERT_EQ(opener.opened().size(), 1u);
    EXPECT_NE(opener.opened()[0].find("pages/pay?order="), std::string::npos);
    EXPECT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().objectForKey("my_orderClick")).stringValue(),
        "0");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].stringValue(), "scac");
}

TEST_F(StoreServiceTest, AnExpiredTokenMidOrderClearsTheStoreState)
{
    auto* page = openOrder(fonts);
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setSelectedAuthArray(foundation::MutableArray::create({ page->dataA()->objectAtIndex(0) }));
    state.setSell_info(foundation::String::create("限时八折"));
    ASSERT_TRUE(waitFor([&] { return counting->arrived(KXStoreService::Operation::Price) == 1; }));
    // The count of unpaid orders the page reads as it opens: the order itself meets the expiry.
    ASSERT_TRUE(waitFor([&] { return counting->arrived(KXStoreService::Operation::Unpaid) == 1; }));
    service().expireAllTokens();
    page->buyBtnClick();
    ASSERT_TRUE(waitFor([&] { return counting->arrived(KXStoreService::Operation::Order) == 1; }));
    EXPECT_EQ(logouts().size(), 1u);
    EXPECT_EQ(state.selectedAuthArray()->count(), 0u);
    EXPECT_EQ(state.sell_info(), nullptr);
    EXPECT_TRUE(page->waitBgView()->isHidden());
    EXPECT_TRUE(page->buyBtn()->isEnabled());
}

TEST_F(StoreServiceTest, ACartReplyAfterASignOutIsDropped)
{
    holdNextReply("getCarts");
    auto* cart = static_cast<KXFontsSaleList*>(lay(new KXFontsSaleList(host.get())));
    // Signed out as the sign-out confirmation does it.
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    dispatch::NotificationCenter::defaultCenter().post("homeNotificationCenter", Id(),
        foundation::Dictionary::create(
            { { Id("loginOut"), Id(foundation::Dictionary::create({ { Id("logint"), Id("YES") } })) } }));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return counting->arrived(KXStoreService::Operation::Carts) == 1; }));
    QApplication::processEvents();
    EXPECT_EQ(cart->listTableview()->numberOfRows(), 0);
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选0款");
}

} // namespace
