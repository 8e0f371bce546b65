// The store inside the main window, against the local service: the cart button opens the cart,
// the cart leads through the chooser to the order page, and an order hands the user over to the
// personal centre, after 5 s or at once from the see-order button, taking the whole store along;
// on a wide window the cart and the order page reach its right edge.
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/Store/KXFontSaleAuthorizeCell.h"
#include "Class/Store/KXFontsSaleAuthorizeView.h"
#include "Class/Store/KXFontsSaleList.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "HomeTestSupport.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Storage/UserDefaults.h"
#include "StoreTestSupport.h"
#include "local-service/ServiceControls.h"

#include <QApplication>
#include <QPointer>

using foundation::Id;

namespace {

class StoreHandOverTest : public hometest::HubTest {
protected:
    void SetUp() override
    {
        HubTest::SetUp();
        ids = storetest::fontIDs(storetest::catalogueFonts(3));
        ASSERT_TRUE(service().setCart("demo", { ids.begin(), ids.end() }));
    }
    void TearDown() override
    {
        service().setCart("demo", {});
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        HubTest::TearDown();
    }

    // The cart button pressed, and the cart's rows in.
    KXFontsSaleList* openCart(KXHomeViewController& home)
    {
        home.shoppingCartBtnClick();
        auto* cart = qobject_cast<KXFontsSaleList*>(kx_topSubview(&home));
        EXPECT_NE(cart, nullptr);
        if (!cart)
            return nullptr;
        EXPECT_TRUE(waitFor([&] { return cart->listTableview()->numberOfRows() == 3; }));
        settle();
        return cart;
    }

    // From the cart on: buy, one offer ticked in the chooser, confirmed, and the order page's
    // first price in.
    KXFontsSaleOrderView* openOrder(KXFontsSaleList* cart)
    {
        storetest::click(*cart->buyBtn());
        KXFontsSaleAuthorizeView* chooser = cart->authorizeView();
        EXPECT_NE(chooser, nullptr);
        if (!chooser)
            return nullptr;
        EXPECT_TRUE(waitFor([&] { return chooser->listTableview()->numberOfRows() > 0; }));
        settle();
        auto* row = static_cast<KXFontSaleAuthorizeCell*>(chooser->listTableview()->viewAtRow(0));
        storetest::click(*row->boxes()[1]);
        storetest::click(*chooser->sureBtn());
        KXFontsSaleOrderView* page = chooser->orderView();
        EXPECT_NE(page, nullptr);
        if (!page)
            return nullptr;
        EXPECT_TRUE(waitFor([&] { return service().requestLog().withTag("158").size() == 1; }));
        settle();
        return page;
    }

    std::vector<int> ids;
    // The objects of the "buyCartsGoToOrder" posts seen so far.
    std::vector<Id> handOvers;
    dispatch::Subscription seen_
        = dispatch::NotificationCenter::defaultCenter().addObserver("buyCartsGoToOrder", Id(), nullptr,
            [this](const dispatch::Notification& n) { handOvers.push_back(n.object); });
};

TEST_F(StoreHandOverTest, AnOrderLeavesTheStoreForThePersonalCentreFiveSecondsLater)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    desktop::ScopedRecordingURLOpener opener;
    KXFontsSaleList* cart = openCart(home);
    ASSERT_NE(cart, nullptr);
    EXPECT_EQ(cart->geometry(),
        QRect(KXHomeViewController::kMenuWidth, 0, KXHomeViewController::kPageWidth, home.height()));
    QPointer<KXFontsSaleOrderView> page = openOrder(cart);
    ASSERT_FALSE(page.isNull());

    storetest::click(*page->buyBtn());
    ASSERT_TRUE(waitFor([&] { return page && !page->waitBgView()->isHidden(); }));
    ASSERT_EQ(opener.opened().size(), 1u);
    EXPECT_NE(opener.opened()[0].find("pages/pay?order="), std::string::npos);
    EXPECT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().objectForKey("my_orderClick")).stringValue(),
        "0");
    ASSERT_EQ(handOvers.size(), 1u);
    EXPECT_EQ(handOvers[0].stringValue(), "scac");

    // The wait panel counts down over the cart while the main window waits.
    clock.advance(4.9);
    EXPECT_EQ(kx_topSubview(&home), cart);
    clock.advance(0.1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home)));
    EXPECT_TRUE(page.isNull()) << "the order page went with the cart it lay in";
    EXPECT_EQ(home.shoppingCartBtn()->state(), 0);
}

TEST_F(StoreHandOverTest, TheCartAndTheOrderPageReachAWideWindowsRightEdge)
{
    signIn();
    auto& home = open();
    home.resize(1600, home.height());
    settle();
    const int right = home.width() - 1;
    // Where a widget's right edge lies in the window.
    const auto rightEdge = [&home](QWidget* widget) { return widget->mapTo(&home, QPoint(widget->width() - 1, 0)).x(); };
    const auto shoot = [&home](const char* what) {
        for (const char* palette : { "day", "night" }) {
            settle();
            EXPECT_TRUE(storetest::saveScreenshot(home, QStringLiteral("page-wide-%1-%2").arg(what, palette)));
            home.rightListview()->themeClick();
        }
        settle();
    };

    KXFontsSaleList* cart = openCart(home);
    ASSERT_NE(cart, nullptr);
    EXPECT_EQ(rightEdge(cart), right);
    EXPECT_GE(rightEdge(cart->buyBtn()), right - 40) << "the bar's button at the page's right";
    EXPECT_GE(rightEdge(cart->listTableview()), right - 10) << "the rows across the page";
    shoot("cart-with-fonts");

    KXFontsSaleOrderView* page = openOrder(cart);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(rightEdge(page), right);
    EXPECT_GE(rightEdge(page->buyBtn()), right - 40) << "submit at the page's right";
    EXPECT_GE(rightEdge(page->listTableview()), right - 10) << "the order's rows across the page";
    shoot("order");
}

// An order found made by a read is told as on a success, without a payment address: the toast,
// the reminder, the hand-over to the orders; the cart the service emptied is read again, and the
// badge and the licence chooser follow it.
TEST_F(StoreHandOverTest, AnOrderFoundMadeAfterItsFailureIsToldAndTakesTheUserToTheOrders)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    service().controls().setUnpaidOverride(0);
    auto& home = open();
    desktop::ScopedRecordingURLOpener opener;
    KXFontsSaleList* cart = openCart(home);
    ASSERT_NE(cart, nullptr);
    QPointer<KXFontsSaleOrderView> page = openOrder(cart);
    ASSERT_FALSE(page.isNull());
    QPointer<KXFontsSaleAuthorizeView> chooser = cart->authorizeView();
    ASSERT_TRUE(waitForQuietTraffic()) << "the page's count of unpaid orders is in";
    ASSERT_TRUE(home.buyCartNumLabel()->isVisible());

    setFault("subOrder", localservice::Fault::Kind::Http500);
    storetest::click(*page->buyBtn());
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("160").size() == 2; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(page->buyBtn()->isEnabled()) << "the same count: not made";

    // The service makes the order after the client gave up, taking its fonts out of the cart; the
    // next press finds it.
    service().faults().clearAll();
    service().controls().setUnpaidOverride(1);
    ASSERT_TRUE(service().setCart("demo", {}));
    const std::size_t cartReads = service().requestLog().withTag("155").size();
    storetest::click(*page->buyBtn());
    ASSERT_TRUE(waitFor([&] { return page->isOrderPlaced(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(service().requestLog().withTag("159").size(), 1u) << "no second order";
    ASSERT_FALSE(toasts_->shown.empty());
    EXPECT_EQ(toasts_->shown.back().message, "订单已提交，请在个人中心-我的订单中完成支付");
    EXPECT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().objectForKey("my_orderClick")).stringValue(), "0");
    ASSERT_EQ(handOvers.size(), 1u);
    EXPECT_EQ(handOvers[0].stringValue(), "scac");
    EXPECT_TRUE(opener.opened().empty());
    EXPECT_TRUE(page->waitBgView()->isHidden());
    EXPECT_GT(service().requestLog().withTag("155").size(), cartReads) << "the cart is read again";
    EXPECT_FALSE(home.buyCartNumLabel()->isVisible()) << "the badge follows the emptied cart";
    ASSERT_FALSE(chooser.isNull());
    EXPECT_EQ(chooser->buyCartFonts()->count(), 0u) << "the chooser offers no ordered font";

    // The store leaves for the personal centre as after a success; the unpaid orders are watched.
    clock.advance(5);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home)));
    EXPECT_TRUE(page.isNull());
    clock.advance(300);
    ASSERT_TRUE(waitFor([&] { return home.orderNumLabel()->isVisible(); }));
    EXPECT_EQ(home.orderNumLabel()->text(), QStringLiteral("1"));
    service().controls().setUnpaidOverride(std::nullopt);
}

TEST_F(StoreHandOverTest, SeeOrderClosesTheStoreAtOnceAndLeavesThePersonalCentre)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    desktop::ScopedRecordingURLOpener opener;
    KXFontsSaleList* cart = openCart(home);
    ASSERT_NE(cart, nullptr);
    QPointer<KXFontsSaleOrderView> page = openOrder(cart);
    ASSERT_FALSE(page.isNull());
    storetest::click(*page->buyBtn());
    ASSERT_TRUE(waitFor([&] { return page && !page->waitBgView()->isHidden(); }));
    const std::size_t hubViews = kx_subviews(&home).size();

    storetest::click(*page->seeOrderBtn());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(handOvers.size(), 2u);
    EXPECT_TRUE(handOvers[1].isNil());
    auto* centre = qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home));
    ASSERT_NE(centre, nullptr) << "the page that asked leaves the personal centre in place";
    EXPECT_EQ(kx_subviews(&home).size(), hubViews)
        << "the cart went, the personal centre came, nothing else changed";
    EXPECT_TRUE(page.isNull());

    // The hand-over of the order itself, 5 s on, finds the personal centre on top already.
    clock.advance(5);
    EXPECT_EQ(kx_topSubview(&home), centre);
}

TEST_F(StoreHandOverTest, TheCartsBackAndAnEmptyCartReachTheMenu)
{
    signIn();
    auto& home = open();
    KXFontsSaleList* cart = openCart(home);
    ASSERT_NE(cart, nullptr);
    EXPECT_EQ(home.shoppingCartBtn()->state(), 1);
    storetest::click(*cart->backBtn());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(qobject_cast<KXFontsSaleList*>(kx_topSubview(&home)));
    EXPECT_EQ(home.shoppingCartBtn()->state(), 0);
    EXPECT_TRUE(home.selectedTabView()->selected()) << "back gives the tab its look back";

    ASSERT_TRUE(service().setCart("demo", {}));
    home.buyCartNumLabel()->show();
    home.shoppingCartBtnClick();
    auto* empty = qobject_cast<KXFontsSaleList*>(kx_topSubview(&home));
    ASSERT_NE(empty, nullptr);
    ASSERT_TRUE(waitFor([&] { return empty->emptyView()->isVisibleTo(empty); }));
    EXPECT_FALSE(home.buyCartNumLabel()->isVisible()) << "an empty cart hides the menu's badge";
    EXPECT_EQ(kx_topSubview(&home), empty) << "the empty cart stays open";
}

TEST_F(StoreHandOverTest, TheBadgeFollowsEveryCartTheCartPageReceives)
{
    signIn();
    auto& home = open();
    // A cart whose fonts were added while the badge was not looking: the page that lists them shows
    // the badge as well.
    home.buyCartNumLabel()->hide();
    KXFontsSaleList* cart = openCart(home);
    ASSERT_NE(cart, nullptr);
    EXPECT_TRUE(home.buyCartNumLabel()->isVisible());
}

TEST_F(StoreHandOverTest, ACartLeftStaleByALostAdditionIsReadAgainWhenTheCartPageIsLeft)
{
    ASSERT_TRUE(service().setCart("demo", {}));
    signIn();
    auto& home = open();
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(home.buyCartNumLabel()->isVisible());

    // The addition is made, its reply lost, and the cart read back fails: the cart is stale.
    setFault("addCarts", localservice::Fault::Kind::LostReply);
    setFault("getCarts", localservice::Fault::Kind::Http500);
    bool failed = false;
    KXHTTPBUSINESS().addBuyCartsWithFids(Id(std::to_string(ids[0])), [](const Id&) {},
        [&failed](const foundation::Ref<foundation::Error>&) { failed = true; });
    ASSERT_TRUE(waitFor([&] { return failed; }));
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_TRUE(KXAccountWrites::isStale(KXAccountWrites::Read::Cart));
    EXPECT_FALSE(home.buyCartNumLabel()->isVisible());

    // The page opened while reads still fail, then left once they work: leaving reads the cart.
    home.shoppingCartBtnClick();
    auto* page = qobject_cast<KXFontsSaleList*>(kx_topSubview(&home));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(waitForQuietTraffic());
    service().faults().clearAll();
    storetest::click(*page->backBtn());
    ASSERT_TRUE(waitFor([&] { return home.buyCartNumLabel()->isVisible(); })) << "the service holds the font";
    EXPECT_FALSE(KXAccountWrites::isStale(KXAccountWrites::Read::Cart));
}

} // namespace
