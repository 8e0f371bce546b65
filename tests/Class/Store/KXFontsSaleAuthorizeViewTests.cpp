// The licence chooser, its offer pop-up on the virtual clock and the offer page.
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXBrandLookup.h"
#include "Class/Store/KXFontSaleAuthorizeCell.h"
#include "Class/Store/KXFontSaleBuyView.h"
#include "Class/Store/KXFontsSaleAlertView.h"
#include "Class/Store/KXFontsSaleAuthorizeView.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "StorePageTest.h"
#include "StoreTestSupport.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

using foundation::Id;
using Operation = KXStoreService::Operation;
using layoutwidgets::lcView;
using storetest::category;
using storetest::offer;

namespace {

Id twoCategories()
{
    return storetest::brandList({ category("个人授权",
                                      { offer("11", "个人非商用", Id(0), Id(0)),
                                          offer("12", "个人商用", Id(199), Id(99), "3") }),
        category("企业授权",
            { offer("21", "企业标准", Id(1280), Id(0)), offer("22", "企业高级", Id(3980), Id(3580)),
                offer("23", "企业定制", Id(19.9), Id(0)), offer("24", "企业网站", Id("19.90"), Id("9.90")),
                offer("25", "企业出版", Id(5800), Id(0)) }) });
}

class KXFontsSaleAuthorizeViewTest : public storetest::StorePageTest {
protected:
    KXFontsSaleAuthorizeView* openChooser(const Id& brands = twoCategories())
    {
        auto* chooser = new KXFontsSaleAuthorizeView(host.get());
        lc_makeConstraints(lcView(chooser), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
        chooser->show();
        chooser->setBuyCartFonts(storetest::catalogueFonts(3));
        service->answer(Operation::AllBrand, 0, brands);
        EXPECT_TRUE(dispatch::RunLoop::runUntil(
            [&] {
                return chooser->brandsDic().count() > 0 || brands["corvane_data"]["auth_data"].count() == 0;
            },
            10));
        storetest::settle(*host);
        return chooser;
    }
    KXFontSaleAuthorizeCell* row(KXFontsSaleAuthorizeView* chooser, int index)
    {
        return static_cast<KXFontSaleAuthorizeCell*>(chooser->listTableview()->viewAtRow(index));
    }
};

TEST_F(KXFontsSaleAuthorizeViewTest, CategoriesBecomeRowsWithABoxPerOffer)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray()->addObject(
        offer("11", "left over", Id(0), Id(0)));
    auto* chooser = openChooser();
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray(), chooser->selectedA())
        << "the shared choice is the chooser's own, emptied";
    EXPECT_EQ(chooser->selectedA()->count(), 0u);
    EXPECT_EQ(chooser->listTableview()->rectOfRow(0).height(), 100);
    EXPECT_EQ(chooser->listTableview()->rectOfRow(1).height(), 140);
    auto* second = row(chooser, 1);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->boxes().size(), 5u);
    EXPECT_EQ(second->boxes()[4]->geometry(), QRect(108, 99, 92, 28));
    EXPECT_EQ(second->boxes()[4]->title(), "企业出版");
    EXPECT_EQ(second->boxes()[4]->identifier(), "25");
    EXPECT_EQ(second->boxes()[4]->toolTipTitle(), "按钮");
    EXPECT_EQ(second->titleLabel()->text(), "企业授权");
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().sell_info()->utf8(), "限时特惠");
}

TEST_F(KXFontsSaleAuthorizeViewTest, ACategoryOfThousandsOfOffersShowsItsFirstWithinABound)
{
    constexpr std::size_t kSent = 20000;
    auto offers = foundation::MutableArray::create();
    for (std::size_t i = 0; i < kSent; ++i) {
        const std::string identifier = std::to_string(1000 + i);
        offers->addObject(offer(identifier.c_str(), "授权", Id(10), Id(0)));
    }
    const Id many = Id(foundation::Dictionary::create({ { Id("auth_name"), Id("大量授权") },
        { Id("img_url"), Id("") }, { Id("brand_data"), Id(offers) } }));
    auto* chooser = openChooser(storetest::brandList({ many }));
    auto* first = row(chooser, 0);
    ASSERT_NE(first, nullptr);
    constexpr std::size_t kShown = KXStoreGeometry::kChooserMostOffers;
    ASSERT_EQ(first->boxes().size(), kShown);
    EXPECT_EQ(first->boxes().back()->identifier(), QString::number(1000 + kShown - 1))
        << "the first offers, in order";
    EXPECT_EQ(chooser->listTableview()->rectOfRow(0).height(),
        static_cast<int>(KXStoreGeometry::chooserRowHeight(kShown)))
        << "the row holds the boxes shown, no more";
    EXPECT_LT(chooser->findChildren<QWidget*>().size(), 400);
}

TEST_F(KXFontsSaleAuthorizeViewTest, OnAWidePageTheBoxesFlowAcrossItAndEachResizeLaysThemOutAgain)
{
    auto* chooser = openChooser();
    storetest::click(*row(chooser, 1)->boxes()[3]); // offer 24
    KXStoreTableView* table = chooser->listTableview();

    // 800 wide: eight a line, so the five offers of the second category share one line.
    host->resize(800, 640);
    storetest::settle(*host);
    EXPECT_EQ(table->rectOfRow(1).height(), 100);
    EXPECT_EQ(table->rectOfRow(1).top(), 103) << "below the first row, 3 apart";
    auto* second = row(chooser, 1);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->boxes().size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(second->boxes()[i]->geometry(), QRect(10 + static_cast<int>(i) * 98, 55, 92, 28)) << i;
    EXPECT_EQ(second->boxes()[3]->identifier(), "24");
    EXPECT_EQ(second->boxes()[3]->state(), 1) << "the tick follows the offer into its new box";
    EXPECT_EQ(second->boxes()[2]->state(), 0);

    // Between the two: four a line.
    host->resize(408, 640);
    storetest::settle(*host);
    EXPECT_EQ(table->rectOfRow(1).height(), 140);
    EXPECT_EQ(row(chooser, 1)->boxes()[3]->geometry(), QRect(304, 55, 92, 28));
    EXPECT_EQ(row(chooser, 1)->boxes()[4]->geometry(), QRect(10, 99, 92, 28));

    // Back at the store's 310: three a line, as the chooser was drawn.
    host->resize(310, 640);
    storetest::settle(*host);
    EXPECT_EQ(table->rectOfRow(1).height(), 140);
    EXPECT_EQ(row(chooser, 1)->boxes()[4]->geometry(), QRect(108, 99, 92, 28));
    EXPECT_EQ(row(chooser, 1)->boxes()[3]->state(), 1);
    storetest::click(*row(chooser, 1)->boxes()[3]);
    EXPECT_EQ(chooser->selectedA()->count(), 0u) << "one offer, unticked from its new box";
}

TEST_F(KXFontsSaleAuthorizeViewTest, TickingAndUntickingLeavesNothingAndConfirmRefuses)
{
    auto* chooser = openChooser();
    KXBaseButton* box = row(chooser, 0)->boxes()[1];
    storetest::click(*box);
    ASSERT_EQ(chooser->selectedA()->count(), 1u);
    EXPECT_EQ(chooser->selectedA()->objectAtIndex(0)["brand_id"].stringValue(), "12");
    storetest::click(*box);
    EXPECT_EQ(chooser->selectedA()->count(), 0u);
    storetest::click(*chooser->sureBtn());
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "请选择至少一个授权" });
    EXPECT_EQ(chooser->orderView(), nullptr);
}

TEST_F(KXFontsSaleAuthorizeViewTest, ConfirmOpensOneOrderPageAndItsBackShowsWhatItLeft)
{
    auto* chooser = openChooser();
    storetest::click(*row(chooser, 0)->boxes()[1]);
    storetest::click(*row(chooser, 1)->boxes()[0]);
    storetest::click(*chooser->sureBtn());
    storetest::click(*chooser->sureBtn());
    ASSERT_NE(chooser->orderView(), nullptr);
    EXPECT_EQ(chooser->findChildren<KXFontsSaleOrderView*>().size(), 1u);
    EXPECT_EQ(chooser->orderView()->dataA()->count(), 2u);
    EXPECT_EQ(chooser->orderView()->buyCartFonts(), chooser->buyCartFonts());

    // The order page drops offer 12 and goes back: the chooser's box shows it unticked.
    auto remaining = foundation::MutableArray::create({ chooser->selectedA()->objectAtIndex(1) });
    KXGlobalDataBase::sharedKXGlobalDataBase().setSelectedAuthArray(remaining);
    storetest::click(*chooser->orderView()->backBtn());
    storetest::settle(*host);
    EXPECT_EQ(chooser->selectedA(), remaining);
    EXPECT_EQ(row(chooser, 0)->boxes()[1]->state(), 0);
    EXPECT_EQ(row(chooser, 1)->boxes()[0]->state(), 1);
}

TEST_F(KXFontsSaleAuthorizeViewTest, AFailedBrandListLeavesTheChooserEmpty)
{
    auto* chooser = new KXFontsSaleAuthorizeView(host.get());
    service->answer(
        Operation::AllBrand, 0, Id(foundation::Dictionary::create({ { Id("errorcode"), Id(1) } })));
    EXPECT_EQ(chooser->listTableview()->numberOfRows(), 0);
    chooser->sureBtnClick();
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "请选择至少一个授权" });
}

class KXOfferPopUpTest : public KXFontsSaleAuthorizeViewTest {
protected:
    dispatch::VirtualClock::Scope time;
};

TEST_F(KXOfferPopUpTest, HoverShowsRefillsAndHidesHalfASecondAfterLeaving)
{
    auto* chooser = openChooser();
    KXBaseButton* first = row(chooser, 0)->boxes()[1];
    KXBaseButton* next = row(chooser, 1)->boxes()[0];
    KXFontsSaleAlertView* popUp = chooser->alertView();
    EXPECT_TRUE(popUp->isHidden());

    storetest::hoverIn(*first);
    EXPECT_TRUE(chooser->isHovering());
    EXPECT_FALSE(popUp->isHidden());
    EXPECT_EQ(popUp->parentWidget(), chooser->listTableview()->viewport());
    EXPECT_EQ(popUp->info()["brand_id"].stringValue(), "12");
    EXPECT_EQ(popUp->priceLabel()->text(), "￥99元起");
    EXPECT_EQ(popUp->origLabel()->text(), "￥199元起");
    EXPECT_TRUE(popUp->origLabel()->isStruckAt(0));
    EXPECT_EQ(popUp->size(), QSize(191, 146));

    // On to the next box within 0.5 s: still shown, now the other offer.
    storetest::hoverOut(*first);
    EXPECT_FALSE(chooser->isHovering());
    time.advance(0.3);
    storetest::hoverIn(*next);
    time.advance(0.3);
    EXPECT_FALSE(popUp->isHidden());
    EXPECT_EQ(popUp->info()["brand_id"].stringValue(), "21");
    EXPECT_EQ(popUp->priceLabel()->text(), "￥1280元起");
    EXPECT_TRUE(popUp->origLabel()->text().isEmpty());

    storetest::hoverOut(*next);
    time.advance(0.49);
    EXPECT_FALSE(popUp->isHidden());
    time.advance(0.02);
    EXPECT_TRUE(popUp->isHidden());
    EXPECT_EQ(popUp->parentWidget(), nullptr) << "detached, kept by the chooser";
    EXPECT_EQ(chooser->alertView(), popUp);
}

TEST_F(KXOfferPopUpTest, ThePointerInsideThePopUpKeepsIt)
{
    auto* chooser = openChooser();
    KXBaseButton* box = row(chooser, 0)->boxes()[0];
    KXFontsSaleAlertView* popUp = chooser->alertView();
    storetest::hoverIn(*box);
    storetest::hoverOut(*box);
    storetest::hoverIn(*popUp);
    EXPECT_TRUE(popUp->isShow());
    time.advance(1);
    EXPECT_FALSE(popUp->isHidden());
    // Leaving the pop-up schedules nothing: it stays until a box is left again.
    storetest::hoverOut(*popUp);
    time.advance(1);
    EXPECT_FALSE(popUp->isHidden());
    storetest::hoverIn(*box);
    storetest::hoverOut(*box);
    time.advance(0.5);
    EXPECT_TRUE(popUp->isHidden());
}

TEST_F(KXOfferPopUpTest, APopUpDueToHideAfterItsChooserIsGoneDoesNothing)
{
    auto* chooser = openChooser();
    KXBaseButton* box = row(chooser, 0)->boxes()[0];
    storetest::hoverIn(*box);
    storetest::hoverOut(*box);
    QPointer<KXFontsSaleAlertView> popUp(chooser->alertView());
    delete chooser;
    EXPECT_TRUE(popUp.isNull()) << "the attached pop-up went with the chooser's table";
    time.advance(1); // the delayed hide finds neither and does nothing
}

TEST_F(KXOfferPopUpTest, PopUpSidesFollowTheBoxesPlace)
{
    host->resize(310, 340);
    auto* chooser = openChooser();
    KXFontsSaleAlertView* popUp = chooser->alertView();
    // Row 1's third box (at 206) is the last of its line: a pop-up on its right would leave the
    // 310-wide store. It lies within the lowest 133 points too.
    KXBaseButton* box = row(chooser, 1)->boxes()[2];
    const QPoint inChooser = box->mapTo(chooser, QPoint(0, 0));
    ASSERT_EQ(inChooser.x(), 206);
    ASSERT_LT(chooser->height() - (inChooser.y() + box->height()), 133);
    storetest::hoverIn(*box);
    const QPoint boxInRows = box->mapTo(chooser->listTableview()->viewport(), QPoint(0, 0));
    EXPECT_EQ(popUp->geometry(), QRect(boxInRows.x() - 100, boxInRows.y() + 28 - 179, 191, 146));
    storetest::hoverOut(*box);
    time.advance(0.5);
    KXBaseButton* topLeft = row(chooser, 0)->boxes()[0];
    storetest::hoverIn(*topLeft);
    const QPoint leftInRows = topLeft->mapTo(chooser->listTableview()->viewport(), QPoint(0, 0));
    EXPECT_EQ(popUp->geometry(), QRect(leftInRows.x() + 3, leftInRows.y() + 28 + 5, 191, 146));
}

TEST_F(KXOfferPopUpTest, DetailOpensTheOfferPageOverTheChooser)
{
    auto* chooser = openChooser();
    KXBaseButton* box = row(chooser, 0)->boxes()[1];
    storetest::hoverIn(*box);
    KXFontsSaleAlertView* popUp = chooser->alertView();
    storetest::hoverIn(*popUp->detailBtn());
    EXPECT_EQ(popUp->detailBtn()->attributedTitle().color, QColor(238, 84, 84));
    storetest::hoverOut(*popUp->detailBtn());
    EXPECT_EQ(popUp->detailBtn()->attributedTitle().color, QColor(85, 85, 85));
    KXFontSaleBuyView* page = popUp->detailBtnClick();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->parentWidget(), chooser);
    EXPECT_TRUE(popUp->isHidden());
    EXPECT_FALSE(popUp->isShow());
    storetest::settle(*host);
    EXPECT_EQ(page->geometry(), chooser->rect());
    EXPECT_EQ(page->titileLabel()->text(), "个人商用");
    EXPECT_EQ(page->priceLabel()->text(), "\n99元起/3年");
    EXPECT_EQ(page->priceLabel()->fontAt(1).pixelSize(), 20);
    EXPECT_EQ(page->priceLabel()->colorAt(6), QColor(208, 48, 48));
    EXPECT_EQ(page->oriPriceLabel()->text(), "\n原价：199元起");
    EXPECT_EQ(page->notesLabel()->text(), "授权范围：网站\n发票：电子发票");
    EXPECT_EQ(page->adLabel()->text(), "限时特惠");
    EXPECT_EQ(page->scroview()->verticalScrollBar()->value(), 0);
}

TEST_F(KXFontsSaleAuthorizeViewTest, OfferPageButtons)
{
    auto* page = new KXFontSaleBuyView(host.get());
    page->setDataDic(offer("21", "企业标准", Id(1280), Id(0)));
    page->show();
    EXPECT_TRUE(page->oriPriceLabel()->text().isEmpty()) << "no promotion, no list price";
    page->waitBgView()->show();
    storetest::click(*page->backBtn());
    EXPECT_TRUE(page->waitBgView()->isHidden()) << "back first hides the covering view";
    EXPECT_EQ(page->parentWidget(), host.get());

    int posts = 0;
    Id object("unset");
    auto seen = dispatch::NotificationCenter::defaultCenter().addObserver(
        "buyCartsGoToOrder", Id(), nullptr, [&](const dispatch::Notification& n) {
            ++posts;
            object = n.object;
        });
    // The page lies on the host, the host's top-most subview: the see-order button removes it.
    storetest::click(*page->seeOrderBtn());
    EXPECT_EQ(posts, 1);
    EXPECT_TRUE(object.isNil());
    EXPECT_EQ(page->parentWidget(), nullptr);
}

} // namespace
