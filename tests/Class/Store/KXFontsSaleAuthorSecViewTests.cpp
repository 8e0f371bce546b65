// The two-level offer browser, built although no page opens it.
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Store/KXFontSaleBuyView.h"
#include "Class/Store/KXFontsSaleAuthorSecView.h"
#include "Class/Store/KXFontsSaleAuthorizeSecCell.h"
#include "Class/Store/KXKXFontsSaleAuthorizeCell.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/Foundation.h"
#include "StorePageTest.h"
#include "StoreTestSupport.h"

#include <QLabel>
#include <QTest>

using foundation::Id;
using Operation = KXStoreService::Operation;
using layoutwidgets::lcView;
using storetest::offer;

namespace {

Id brandReply(std::initializer_list<Id> offers)
{
    return Id(foundation::Dictionary::create({ { Id("corvane_data"),
        Id(foundation::Dictionary::create(
            { { Id("brand_data"), Id(foundation::Array::create(offers)) } })) } }));
}

using KXFontsSaleAuthorSecViewTest = storetest::StorePageTest;

TEST_F(KXFontsSaleAuthorSecViewTest, ListsTheCategorysOffersAndOpensTheClickedOne)
{
    auto* list = new KXFontsSaleAuthorSecView(host.get());
    lc_makeConstraints(lcView(list), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    list->show();
    list->setFids("101,102");
    list->setAuthid("2");
    ASSERT_EQ(service->count(Operation::Brand), 1u);
    EXPECT_EQ(service->call(Operation::Brand).argument, "2");
    service->answer(Operation::Brand, 0,
        brandReply(
            { offer("21", "企业标准", Id(1280), Id(0)), offer("22", "企业高级", Id(3980), Id(3580)) }));
    storetest::settle(*host);
    ASSERT_EQ(list->listTableview()->numberOfRows(), 2);
    EXPECT_EQ(list->listTableview()->rectOfRow(1).height(), 114);
    auto* second = static_cast<KXFontsSaleAuthorizeSecCell*>(list->listTableview()->viewAtRow(1));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->identifier(), "KXKXFontsSaleAuthorizeCellID");

    const QRectF rect = list->listTableview()->rectOfRow(1);
    QTest::mouseClick(
        list->listTableview()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center().toPoint());
    auto* page = list->findChild<KXFontSaleBuyView*>();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->fids(), "101,102");
    EXPECT_EQ(page->titileLabel()->text(), "企业高级");

    // A refused list changes nothing.
    list->setAuthid("77");
    service->answer(Operation::Brand, 1, Id(foundation::Dictionary::create({ { Id("errorcode"), Id(1) } })));
    EXPECT_EQ(list->dataA()->count(), 2u);
}

TEST_F(KXFontsSaleAuthorSecViewTest, AnOfferRowWithoutPromotionShowsOnlyThePriceFrom)
{
    KXFontsSaleAuthorizeSecCell cell;
    cell.setDataDic(offer("21", "企业标准", Id(1280), Id(0)));
    EXPECT_EQ(cell.priceLabel()->text(), "￥1280元起");
    EXPECT_EQ(cell.priceLabel()->fontAt(1).pixelSize(), 18);
    EXPECT_TRUE(cell.oriPriceLabel()->isHidden());
    EXPECT_EQ(cell.titleLabel()->text(), "企业标准");

    cell.setDataDic(offer("22", "企业高级", Id(3980), Id(3580)));
    EXPECT_EQ(cell.priceLabel()->text(), "￥3580元起");
    EXPECT_FALSE(cell.oriPriceLabel()->isHidden());
    EXPECT_TRUE(cell.oriPriceLabel()->isStruckAt(3));
}

TEST_F(KXFontsSaleAuthorSecViewTest, ACategoryTileShowsItsName)
{
    KXKXFontsSaleAuthorizeCell tile;
    tile.setDataDic(storetest::category("媒体授权", {}));
    EXPECT_EQ(tile.titleLabel()->text(), "媒体授权");
}

} // namespace
