// The cart panel on a scripted service and the sample catalogue.
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/Store/KXDeleteBuyCartsView.h"
#include "Class/Store/KXFontSaleAuthorizeCell.h"
#include "Class/Store/KXFontSaleListCell.h"
#include "Class/Store/KXFontsSaleAuthorizeView.h"
#include "Class/Store/KXFontsSaleList.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreTableView.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "StorePageTest.h"
#include "StoreTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

using foundation::Id;
using Operation = KXStoreService::Operation;
using layoutwidgets::lcView;

namespace {

class KXFontsSaleListTest : public storetest::StorePageTest {
protected:
    // A cart panel over the host, as the main window lays it.
    KXFontsSaleList* openCart()
    {
        auto* cart = new KXFontsSaleList(host.get());
        lc_makeConstraints(lcView(cart), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
        cart->show();
        cart->setBackBlock([this](bool left) { backs.push_back(left); });
        storetest::settle(*host);
        return cart;
    }
    KXFontsSaleList* openCartOf(const std::vector<int>& ids)
    {
        auto* cart = openCart();
        service->answer(Operation::Carts, service->count(Operation::Carts) - 1, storetest::cartReply(ids));
        storetest::settle(*host);
        return cart;
    }
    KXFontSaleListCell* row(KXFontsSaleList* cart, int index)
    {
        return static_cast<KXFontSaleListCell*>(cart->listTableview()->viewAtRow(index));
    }

    std::vector<bool> backs;
};

TEST_F(KXFontsSaleListTest, ACartOfThreeOpensWithEveryRowTicked)
{
    const auto fonts = storetest::catalogueFonts(3);
    const auto ids = storetest::fontIDs(fonts);
    auto* cart = openCartOf(ids);
    EXPECT_EQ(cart->listTableview()->numberOfRows(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cart->listTableview()->rectOfRow(i).height(), 90);
        ASSERT_NE(row(cart, i), nullptr);
        EXPECT_EQ(row(cart, i)->state(), 1);
        EXPECT_EQ(row(cart, i)->checkBtn()->state(), 1);
        EXPECT_EQ(row(cart, i)->dataDic()->fontid, ids[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选3款");
    EXPECT_EQ(cart->allSelectedbtn()->state(), 1);
    EXPECT_EQ(row(cart, 0)->titlelabel()->text().toStdString(),
        fonts->objectAtIndex(0).as<KXFontBaseModel>()->fontname->utf8());
}

// A cart read from elsewhere (a write's read back, a settling read) while the person works on the
// page keeps their ticks on the rows still there; only a font new to the page comes ticked. The
// page's own opening ticks every row.
TEST_F(KXFontsSaleListTest, AReadFromElsewhereKeepsThePersonsTicks)
{
    const auto ids = storetest::fontIDs(storetest::catalogueFonts(4));
    auto* cart = openCartOf({ ids[0], ids[1], ids[2] });
    storetest::click(*row(cart, 1)->checkBtn());
    storetest::click(*row(cart, 2)->checkBtn());
    ASSERT_EQ(cart->fontsNumLabel()->text(), "已选1款");
    auto postRead = [](const std::vector<int>& fontids) {
        auto info = foundation::MutableDictionary::create();
        info->setObject(Id("cart"), Id("read"));
        info->setObject(Id(foundation::Number::numberWithBool(true)), Id("ok"));
        info->setObject(Id("153"), Id("tag"));
        info->setObject(storetest::cartReply(fontids), Id("reply"));
        dispatch::NotificationCenter::defaultCenter().post(
            KXAccountWrites::kReadBackNotification, Id(), info);
    };
    postRead({ ids[0], ids[1], ids[2] });
    storetest::settle(*host);
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选1款") << "the same cart read again changes no tick";
    EXPECT_EQ(row(cart, 0)->checkBtn()->state(), 1);
    EXPECT_EQ(row(cart, 1)->checkBtn()->state(), 0);
    EXPECT_EQ(cart->allSelectedbtn()->state(), 0);

    // A font added elsewhere arrives ticked; one removed elsewhere takes its tick with it.
    postRead({ ids[1], ids[2], ids[3] });
    storetest::settle(*host);
    ASSERT_EQ(cart->listTableview()->numberOfRows(), 3);
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选1款");
    EXPECT_EQ(row(cart, 0)->checkBtn()->state(), 0);
    EXPECT_EQ(row(cart, 1)->checkBtn()->state(), 0);
    EXPECT_EQ(row(cart, 2)->checkBtn()->state(), 1);
    storetest::click(*row(cart, 0)->checkBtn());
    storetest::click(*row(cart, 1)->checkBtn());
    EXPECT_EQ(cart->allSelectedbtn()->state(), 1);

    // Opened again: every row ticked.
    storetest::click(*row(cart, 0)->checkBtn());
    delete cart;
    cart = openCartOf({ ids[1], ids[2], ids[3] });
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选3款");
}

TEST_F(KXFontsSaleListTest, UntickingARowTurnsSelectAllOffAndRetickingOn)
{
    auto* cart = openCartOf(storetest::fontIDs(storetest::catalogueFonts(3)));
    storetest::click(*row(cart, 1)->checkBtn());
    EXPECT_EQ(cart->allSelectedbtn()->state(), 0);
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选2款");
    storetest::click(*row(cart, 1)->checkBtn());
    EXPECT_EQ(cart->allSelectedbtn()->state(), 1);
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选3款");
}

TEST_F(KXFontsSaleListTest, SelectAllOffUnticksEveryRowAndBuyRefuses)
{
    auto* cart = openCartOf(storetest::fontIDs(storetest::catalogueFonts(3)));
    storetest::click(*cart->allSelectedbtn());
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选0款");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(row(cart, i)->checkBtn()->state(), 0);
    storetest::click(*cart->buyBtn());
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "没有选中字体" });
    EXPECT_EQ(toasts->shown[0].style, ToastStyle::Warning);
    EXPECT_EQ(cart->authorizeView(), nullptr);
}

TEST_F(KXFontsSaleListTest, RowsShowThePanelsTicksWhenReused)
{
    // A long cart: rows scrolled out and back are built from the panel's ticks.
    const auto ids = storetest::fontIDs(storetest::catalogueFonts(30));
    ASSERT_EQ(ids.size(), 30u);
    auto* cart = openCartOf(ids);
    storetest::click(*row(cart, 0)->checkBtn());
    cart->listTableview()->verticalScrollBar()->setValue(2000);
    cart->listTableview()->verticalScrollBar()->setValue(0);
    EXPECT_EQ(row(cart, 0)->checkBtn()->state(), 0);
    EXPECT_EQ(row(cart, 1)->checkBtn()->state(), 1);
    EXPECT_LT(cart->listTableview()->viewCount(), 12u);
}

TEST_F(KXFontsSaleListTest, ManageModeSwitchesTitlesAndKeepsTicks)
{
    auto* cart = openCartOf(storetest::fontIDs(storetest::catalogueFonts(2)));
    storetest::click(*cart->manaBtn());
    EXPECT_EQ(cart->buyBtn()->title(), "删除");
    EXPECT_EQ(cart->manaBtn()->title(), "完成");
    EXPECT_EQ(cart->buyBtn()->layerBackground(), QColor(Qt::white));
    EXPECT_EQ(cart->selectedArray().size(), 2u);
    storetest::click(*cart->manaBtn());
    EXPECT_EQ(cart->buyBtn()->title(), "购买");
    EXPECT_EQ(cart->manaBtn()->title(), "管理");
    EXPECT_EQ(cart->buyBtn()->layerBackground(), QColor(238, 84, 84));
}

TEST_F(KXFontsSaleListTest, RemovingAsksThenDeletesTheTickedAndReloads)
{
    const auto ids = storetest::fontIDs(storetest::catalogueFonts(3));
    auto* cart = openCartOf(ids);
    storetest::click(*row(cart, 2)->checkBtn());
    storetest::click(*cart->manaBtn());
    storetest::click(*cart->buyBtn());
    auto* question = host->findChild<KXDeleteBuyCartsView*>();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->parentWidget(), host.get()) << "over the panel's superview";
    EXPECT_EQ(question->contentLabel()->text(), "确定将这2款字体删除");

    storetest::click(*question->sureBtn());
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选0款");
    ASSERT_EQ(service->count(Operation::DeleteCarts), 1u);
    EXPECT_EQ(service->call(Operation::DeleteCarts).argument,
        std::to_string(ids[0]) + "," + std::to_string(ids[1]));
    // Whatever the answer, the cart is asked again; manage mode stays.
    service->answer(Operation::DeleteCarts, 0, storetest::priceReply("0"));
    EXPECT_EQ(service->count(Operation::Carts), 2u);
    service->answer(Operation::Carts, 1, storetest::cartReply({ ids[2] }));
    EXPECT_EQ(cart->listTableview()->numberOfRows(), 1);
    EXPECT_EQ(cart->buyBtn()->title(), "删除");

    // Removing the last font: the reload finds the cart empty.
    storetest::click(*cart->buyBtn());
    storetest::click(*host->findChild<KXDeleteBuyCartsView*>()->sureBtn());
    service->fail(Operation::DeleteCarts, 1);
    ASSERT_EQ(service->count(Operation::Carts), 3u) << "a failed removal may have been made: the cart is read back";
    service->answer(Operation::Carts, 2, storetest::cartReply({}));
    EXPECT_TRUE(cart->emptyView()->isVisible());
}

TEST_F(KXFontsSaleListTest, AFailedRemovalLeavesNoTickAndSelectAllOff)
{
    const auto ids = storetest::fontIDs(storetest::catalogueFonts(3));
    auto* cart = openCartOf(ids);
    ASSERT_EQ(cart->allSelectedbtn()->state(), 1);
    storetest::click(*cart->manaBtn());
    storetest::click(*cart->buyBtn());
    storetest::click(*host->findChild<KXDeleteBuyCartsView*>()->sureBtn());
    service->fail(Operation::DeleteCarts, 0);
    storetest::settle(*host);

    // The service may have removed them: the cart is read back; until it answers the panel shows
    // what it holds, and the box agrees with the rows.
    ASSERT_EQ(service->count(Operation::Carts), 2u);
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选0款");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(row(cart, i)->checkBtn()->state(), 0) << i;
    EXPECT_EQ(cart->allSelectedbtn()->state(), 0);

    // Ticking every row again turns the box back on; a later reply ticks everything as before.
    for (int i = 0; i < 3; ++i)
        storetest::click(*row(cart, i)->checkBtn());
    EXPECT_EQ(cart->allSelectedbtn()->state(), 1);
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选3款");

    // The read shows what the service holds: it had removed two of them.
    service->answer(Operation::Carts, 1, storetest::cartReply({ids[1]}));
    storetest::settle(*host);
    EXPECT_EQ(cart->listTableview()->numberOfRows(), 1);
    EXPECT_EQ(cart->fontsNumLabel()->text(), "已选1款");
}

TEST_F(KXFontsSaleListTest, CancellingTheQuestionChangesNothing)
{
    auto* cart = openCartOf(storetest::fontIDs(storetest::catalogueFonts(2)));
    storetest::click(*cart->manaBtn());
    storetest::click(*cart->buyBtn());
    auto* question = host->findChild<KXDeleteBuyCartsView*>();
    storetest::click(*question->cancelBtn());
    storetest::settle(*host);
    EXPECT_EQ(host->findChild<KXDeleteBuyCartsView*>(), nullptr);
    EXPECT_EQ(cart->selectedArray().size(), 2u);
    EXPECT_EQ(service->count(Operation::DeleteCarts), 0u);

    storetest::click(*cart->buyBtn());
    QTest::keyClick(host->findChild<KXDeleteBuyCartsView*>(), Qt::Key_Escape);
    storetest::settle(*host);
    EXPECT_EQ(host->findChild<KXDeleteBuyCartsView*>(), nullptr) << "Escape is 取消";
    EXPECT_EQ(service->count(Operation::DeleteCarts), 0u);
}

TEST_F(KXFontsSaleListTest, AnEmptyCartHidesItsListAndCallsBackWithNo)
{
    auto* cart = openCart();
    // No errorcode and no payload: an empty cart.
    service->answer(Operation::Carts, 0, Id(foundation::Dictionary::create()));
    EXPECT_TRUE(cart->scrollerView()->isHidden());
    EXPECT_TRUE(cart->bottomView()->isHidden());
    EXPECT_TRUE(cart->manaBtn()->isHidden());
    EXPECT_FALSE(cart->emptyView()->isHidden());
    EXPECT_EQ(backs, std::vector<bool> { false });
}

TEST_F(KXFontsSaleListTest, ARefusedCartHidesTheListOnly)
{
    auto* cart = openCart();
    service->answer(
        Operation::Carts, 0, Id(foundation::Dictionary::create({ { Id("errorcode"), Id(122) } })));
    EXPECT_TRUE(cart->scrollerView()->isHidden());
    EXPECT_TRUE(cart->bottomView()->isHidden());
    EXPECT_FALSE(cart->manaBtn()->isHidden());
    EXPECT_TRUE(backs.empty());
}

TEST_F(KXFontsSaleListTest, IdsTheCatalogueLacksGiveNoRows)
{
    auto* cart = openCartOf({ 999999991, 999999992 });
    EXPECT_EQ(cart->listTableview()->numberOfRows(), 0);
    EXPECT_FALSE(cart->bottomView()->isHidden());
    storetest::click(*cart->buyBtn());
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "没有选中字体" });
}

TEST_F(KXFontsSaleListTest, AVipUserGetsTheTallerBottomBarWithItsLine)
{
    foundation::UserDefaults::standardUserDefaults().setObject(Id("1"), "vip_type");
    auto* cart = openCart();
    EXPECT_EQ(cart->bottomHeightConstant(), 83);
    EXPECT_FALSE(cart->vipLabel()->isHidden());
    EXPECT_FALSE(cart->vipline()->isHidden());
    storetest::settle(*host);
    EXPECT_EQ(cart->bottomView()->height(), 83);
}

TEST_F(KXFontsSaleListTest, BuyingOpensOneChooserWithTheTickedFonts)
{
    const auto ids = storetest::fontIDs(storetest::catalogueFonts(3));
    auto* cart = openCartOf(ids);
    storetest::click(*row(cart, 0)->checkBtn());
    storetest::click(*cart->buyBtn());
    storetest::click(*cart->buyBtn());
    ASSERT_NE(cart->authorizeView(), nullptr);
    EXPECT_EQ(cart->findChildren<KXFontsSaleAuthorizeView*>().size(), 1u)
        << "a second press opens no second chooser";
    EXPECT_EQ(
        storetest::fontIDs(cart->authorizeView()->buyCartFonts()), (std::vector<int> { ids[1], ids[2] }));
}

TEST_F(KXFontsSaleListTest, BackCallsTheBlockWithYesAndLeaves)
{
    auto* cart = openCartOf(storetest::fontIDs(storetest::catalogueFonts(1)));
    QPointer<KXFontsSaleList> watch(cart);
    storetest::click(*cart->backBtn());
    EXPECT_EQ(backs, std::vector<bool> { true });
    EXPECT_EQ(cart->parentWidget(), nullptr);
    storetest::settle(*host);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

// An order answered after its page went is told over the main window and the cart is read
// again; the licence chooser under the page never offers the ordered fonts again, and leaves once
// it has none.
TEST_F(KXFontsSaleListTest, AnOrderAnsweredAfterItsPageWentLeavesTheChooserNothingToOrderAgain)
{
    const auto ids = storetest::fontIDs(storetest::catalogueFonts(3));
    auto* cart = openCartOf(ids);
    storetest::click(*row(cart, 0)->checkBtn());
    storetest::click(*cart->buyBtn());
    QPointer<KXFontsSaleAuthorizeView> chooser = cart->authorizeView();
    ASSERT_FALSE(chooser.isNull());
    service->answer(Operation::AllBrand, 0,
        storetest::brandList({ storetest::category("个人授权", { storetest::offer("11", "个人非商用", Id(0), Id(0)) }) }));
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return chooser->listTableview()->numberOfRows() == 1; }, 10));
    storetest::settle(*host);
    storetest::click(*static_cast<KXFontSaleAuthorizeCell*>(chooser->listTableview()->viewAtRow(0))->boxes()[0]);
    storetest::click(*chooser->sureBtn());
    KXFontsSaleOrderView* page = chooser->orderView();
    ASSERT_NE(page, nullptr);
    service->answer(Operation::Unpaid, 0, storetest::envelope(0, Id(foundation::Dictionary::create({ { Id("num"), Id(2) } }))));
    page->buyBtnClick();
    ASSERT_EQ(service->count(Operation::Order), 1u);
    storetest::click(*page->backBtn());
    ASSERT_TRUE(chooser->findChildren<KXFontsSaleOrderView*>().empty()) << "the page went";

    // The order is answered now: ids[1] and ids[2] have left the cart on the service.
    const std::size_t carts = service->count(Operation::Carts);
    service->answer(Operation::Order, 0,
        storetest::envelope(0, Id(foundation::Dictionary::create({ { Id("carts_error"), Id(0) }, { Id("order_id"), Id(41) },
            { Id("jump_url"), Id("https://127.0.0.1:1/pages/pay?order=41") } }))));
    ASSERT_EQ(toastMessages(), std::vector<std::string> { "订单已提交，请在个人中心-我的订单中完成支付" });
    EXPECT_EQ(toasts->shown[0].window, nullptr) << "over the main window";
    ASSERT_EQ(service->count(Operation::Carts), carts + 1) << "the cart is read again";

    // Before the cart comes the chooser's list is the one from before the order: confirming opens
    // no order page.
    storetest::click(*chooser->sureBtn());
    EXPECT_TRUE(chooser->findChildren<KXFontsSaleOrderView*>().empty());
    EXPECT_EQ(service->count(Operation::Carts), carts + 1) << "joined the read on its way";

    // The cart holds ids[2] again (added elsewhere) with ids[0]: the chooser offers ids[2] only,
    // and an order page from it goes with ids[2] only.
    service->answer(Operation::Carts, carts, storetest::cartReply({ ids[0], ids[2] }));
    EXPECT_EQ(storetest::fontIDs(chooser->buyCartFonts()), std::vector<int> { ids[2] });
    EXPECT_EQ(cart->listTableview()->numberOfRows(), 2) << "the cart page follows the read too";
    storetest::click(*chooser->sureBtn());
    ASSERT_NE(chooser->orderView(), nullptr);
    EXPECT_EQ(storetest::fontIDs(chooser->orderView()->buyCartFonts()), std::vector<int> { ids[2] });
    storetest::click(*chooser->orderView()->backBtn());

    // Once the cart holds none of its fonts the chooser leaves for the cart.
    KXAccountWrites::read(KXAccountWrites::Read::Cart);
    service->answer(Operation::Carts, carts + 1, storetest::cartReply({ ids[0] }));
    EXPECT_EQ(chooser->parentWidget(), nullptr);
    EXPECT_EQ(service->count(Operation::Order), 1u) << "one order";
}

} // namespace
