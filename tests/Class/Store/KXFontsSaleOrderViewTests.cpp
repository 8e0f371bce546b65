// The order page, its dialogs and the re-pick sheet on a scripted service.
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/Core/KXStoreSession.h"
#include "Class/Store/KXFontSaleAuthorizeCell.h"
#include "Class/Store/KXFontsSaleCheckOrderView.h"
#include "Class/Store/KXFontsSaleDeleteAuthView.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/Store/KXFontsSaleOrderViewCell.h"
#include "Class/Store/KXFontsSaleReselectedView.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Storage/UserDefaults.h"
#include "StorePageTest.h"
#include "StoreTestSupport.h"
#include "Support/FailingOpeners.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

using foundation::Id;
using Operation = KXStoreService::Operation;
using layoutwidgets::lcView;
using storetest::offer;

namespace {

foundation::Ref<foundation::Array> twoOffers()
{
    return foundation::Array::create(
        { offer("7", "企业标准", Id(1280), Id(0)), offer("12", "个人商用", Id(199), Id(99)) });
}

// The selection text's entries: offer id to its ids.
std::map<std::string, std::string> entriesOf(const std::string& text)
{
    const Id json = foundation::JSONSerialization::JSONObjectWithData(foundation::Data::create(text), 0);
    std::map<std::string, std::string> entries;
    for (std::size_t i = 0; i < json.count(); ++i)
        entries[json[i]["bid"].stringValue()] = json[i]["fids"].stringValue();
    return entries;
}

std::string idsText(const std::vector<int>& ids)
{
    std::string text;
    for (int id : ids)
        text += (text.empty() ? "" : ",") + std::to_string(id);
    return text;
}

Id orderReply(long long cartsError, const std::string& jumpURL)
{
    auto data = foundation::Dictionary::create({ { Id("carts_error"), Id(cartsError) },
        { Id("jump_url"), Id(jumpURL) }, { Id("order_id"), Id(41) } });
    return Id(foundation::Dictionary::create({ { Id("errcode"), Id(0) }, { Id("corvane_data"), Id(data) } }));
}

Id unpaidReply(long long num)
{
    return storetest::envelope(0, Id(foundation::Dictionary::create({ { Id("num"), Id(num) } })));
}

class KXFontsSaleOrderViewTest : public storetest::StorePageTest {
protected:
    KXFontsSaleOrderView* openOrder(const foundation::Ref<foundation::Array>& offers, std::size_t fonts)
    {
        return openOrderOf(offers, storetest::catalogueFonts(fonts));
    }
    KXFontsSaleOrderView* openOrderOf(
        const foundation::Ref<foundation::Array>& offers, foundation::Ref<foundation::MutableArray> fonts)
    {
        cartFonts = std::move(fonts);
        auto* page = new KXFontsSaleOrderView(host.get());
        lc_makeConstraints(lcView(page), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
        page->show();
        page->setBuyCartFonts(cartFonts);
        page->setDataA(offers);
        page->setBackBlock([this](bool left) { backs.push_back(left); });
        KXGlobalDataBase::sharedKXGlobalDataBase().setSelectedAuthArray(
            foundation::MutableArray::create(offers->objects()));
        storetest::settle(*host);
        return page;
    }
    KXFontsSaleOrderViewCell* row(KXFontsSaleOrderView* page, int index)
    {
        return static_cast<KXFontsSaleOrderViewCell*>(page->listTableview()->viewAtRow(index));
    }
    std::size_t prices() { return service->count(Operation::Price); }
    void answerLatestPrice(const Id& reply) { service->answer(Operation::Price, prices() - 1, reply); }

    foundation::Ref<foundation::MutableArray> cartFonts;
    std::vector<bool> backs;
};

TEST_F(KXFontsSaleOrderViewTest, RowHeightsAndBoxPlaces)
{
    auto* single = openOrder(twoOffers(), 1);
    EXPECT_EQ(single->listTableview()->rectOfRow(0).height(), 101);
    delete single;
    auto* page = openOrder(twoOffers(), 3);
    EXPECT_EQ(page->listTableview()->rectOfRow(1).height(), 132);
    auto* cell = row(page, 0);
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(cell->fontBtnA().size(), 3u);
    EXPECT_EQ(cell->fontBtnA()[0]->geometry(), QRect(14, 55, 138, 24));
    EXPECT_EQ(cell->fontBtnA()[1]->geometry(), QRect(158, 55, 138, 24));
    EXPECT_EQ(cell->fontBtnA()[2]->geometry(), QRect(14, 89, 138, 24));
    const auto first = cartFonts->objectAtIndex(0).as<KXFontBaseModel>();
    EXPECT_EQ(cell->fontBtnA()[0]->title().toStdString(), "  " + first->fontname->utf8());
    EXPECT_EQ(cell->fontBtnA()[0]->identifier().toStdString(), std::to_string(first->fontid));
    EXPECT_EQ(cell->classLabel()->text(), "企业标准");
    EXPECT_EQ(cell->classIdentifier(), "7");
    const QRect plus = cell->addclassCheckBtn()->geometry();
    EXPECT_EQ(plus, QRect(cell->width() - 39, 16, 29, 20));
    EXPECT_EQ(cell->removeclassCheckBtn()->geometry().right() + 1, plus.left() + 1)
        << "the two overlap by one point";
    EXPECT_EQ(cell->seamLine()->geometry(), QRect(plus.left() + 1, 16, 1, 20));
}

TEST_F(KXFontsSaleOrderViewTest, ACartOfAHundredThousandFontsCostsTheBoxesOfAFewScreens)
{
    auto fonts = foundation::MutableArray::create();
    for (int i = 0; i < 100000; ++i) {
        auto font = std::make_shared<KXFontBaseModel>();
        font->fontid = 500000 + i;
        font->fontname = foundation::String::create("字体" + std::to_string(i));
        fonts->addObject(Id(font));
    }
    auto* page = openOrderOf(foundation::Array::create({ offer("7", "企业标准", Id(1280), Id(0)) }), fonts);
    KXStoreTableView* table = page->listTableview();
    const auto boxesNow = [&] {
        auto* cell = row(page, 0);
        return cell ? cell->fontBtnA().size() : 0;
    };
    // A box for the font at a place in the row, when it is made.
    const auto boxOf = [&](std::size_t font) -> KXBaseButton* {
        auto* cell = row(page, 0);
        if (!cell || font < cell->firstBoxFont() || font - cell->firstBoxFont() >= cell->fontBtnA().size())
            return nullptr;
        return cell->fontBtnA()[font - cell->firstBoxFont()];
    };
    ASSERT_NE(row(page, 0), nullptr);
    EXPECT_LE(boxesNow(), 400u) << "boxes for a few screens, not for every font";
    ASSERT_NE(boxOf(0), nullptr);
    EXPECT_EQ(boxOf(0)->title().toStdString(), "  字体0");

    // Half-way down the row: the boxes in view are those of the fonts there, ticked as chosen.
    const QRectF rect = table->rectOfRow(0);
    const int middle = static_cast<int>(rect.top() + rect.height() / 2);
    table->verticalScrollBar()->setValue(middle);
    storetest::settle(*host);
    EXPECT_LE(boxesNow(), 400u);
    const std::size_t perLine = KXStoreGeometry::orderBoxesPerLine(table->width());
    const std::size_t shown = static_cast<std::size_t>((middle - 55) / 34 + 1) * perLine;
    KXBaseButton* box = boxOf(shown);
    ASSERT_NE(box, nullptr) << "the fonts in view have boxes";
    EXPECT_EQ(box->title().toStdString(), "  字体" + std::to_string(shown));
    EXPECT_EQ(box->geometry(), QRect(14, static_cast<int>(55 + (shown / perLine) * 34), 138, 24));
    EXPECT_TRUE(QRect(QPoint(0, 0), table->viewport()->size())
            .intersects(QRect(box->mapTo(table->viewport(), QPoint(0, 0)), box->size())));
    EXPECT_EQ(box->state(), 1);
    storetest::click(*box);
    EXPECT_EQ(box->state(), 0);

    // Away and back: the font keeps the choice made in view, whichever box shows it.
    table->verticalScrollBar()->setValue(0);
    storetest::settle(*host);
    EXPECT_EQ(boxOf(shown), nullptr) << "boxes far from view are given back";
    table->verticalScrollBar()->setValue(middle);
    storetest::settle(*host);
    ASSERT_NE(boxOf(shown), nullptr);
    EXPECT_EQ(boxOf(shown)->state(), 0);
    EXPECT_EQ(boxOf(shown + 1)->state(), 1);
}

TEST_F(KXFontsSaleOrderViewTest, OnAWidePageTheFontsFlowAcrossItAndEachResizeLaysThemOutAgain)
{
    auto* page = openOrder(twoOffers(), 6);
    KXStoreTableView* table = page->listTableview();
    EXPECT_EQ(table->rectOfRow(0).height(), 163) << "three lines of two";
    storetest::click(*row(page, 0)->fontBtnA()[4]); // untick the fifth font of offer 7

    // 800 wide: five a line.
    host->resize(800, 640);
    storetest::settle(*host);
    EXPECT_EQ(table->rectOfRow(0).height(), 132);
    EXPECT_EQ(table->rectOfRow(1).top(), 142) << "below the first row, 10 apart";
    auto* cell = row(page, 0);
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(cell->fontBtnA().size(), 6u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(cell->fontBtnA()[i]->geometry(), QRect(14 + static_cast<int>(i) * 144, 55, 138, 24)) << i;
    EXPECT_EQ(cell->fontBtnA()[5]->geometry(), QRect(14, 89, 138, 24));
    EXPECT_EQ(cell->addclassCheckBtn()->geometry(), QRect(cell->width() - 39, 16, 29, 20));
    EXPECT_EQ(cell->fontBtnA()[4]->state(), 0) << "the choice is the page's, not the box's";
    EXPECT_EQ(cell->fontBtnA()[3]->state(), 1);

    // Back at the store's 310: two a line, as the page was drawn.
    host->resize(310, 640);
    storetest::settle(*host);
    EXPECT_EQ(table->rectOfRow(0).height(), 163);
    cell = row(page, 0);
    EXPECT_EQ(cell->fontBtnA()[5]->geometry(), QRect(158, 123, 138, 24));
    EXPECT_EQ(cell->fontBtnA()[4]->state(), 0);
    EXPECT_EQ(row(page, 1)->fontBtnA()[4]->state(), 1);
}

TEST_F(KXFontsSaleOrderViewTest, OpeningAsksThePriceOfEveryOfferWithEveryFont)
{
    auto* page = openOrder(twoOffers(), 3);
    const std::string ids = idsText(storetest::fontIDs(cartFonts));
    ASSERT_EQ(prices(), 1u);
    EXPECT_EQ(entriesOf(service->call(Operation::Price).argument),
        (std::map<std::string, std::string> { { "7", ids }, { "12", ids } }));
    page->allSelectBtn()->setState(0);
    answerLatestPrice(storetest::priceReply("450.30", "23.70", "120.00"));
    EXPECT_EQ(page->fontsNumLabel()->text(), "已选2种授权，6款字体");
    EXPECT_EQ(page->allSelectBtn()->state(), 1);
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥450.30");
    EXPECT_EQ(page->countPriceLabel()->colorAt(3), QColor(238, 84, 84));
    EXPECT_EQ(page->countPriceLabel()->fontAt(4).pixelSize(), 16);
    EXPECT_EQ(page->discountPriceLabel()->text(), "优惠：-￥23.70");
    EXPECT_TRUE(page->activityLabel()->isHidden()) << "no VIP discount, no activity line";
}

TEST_F(KXFontsSaleOrderViewTest, AVipDiscountShowsTheLinesAndRaisesTheBar)
{
    auto* page = openOrder(twoOffers(), 2);
    answerLatestPrice(storetest::priceReply("100", "0", "0", "0"));
    EXPECT_EQ(page->bottomViewHeightConstant(), 90);
    storetest::click(*row(page, 0)->fontBtnA()[0]);
    answerLatestPrice(storetest::priceReply("88", "0", "3.5", "12.5"));
    EXPECT_EQ(page->bottomViewHeightConstant(), 122);
    EXPECT_FALSE(page->activityLabel()->isHidden());
    EXPECT_EQ(page->activityLabel()->text(), "活动优惠：-￥3.5");
    EXPECT_EQ(page->vipLabel()->text(), "VIP 优惠：-￥12.5");
    storetest::settle(*host);
    EXPECT_EQ(page->bottomView()->height(), 122);
}

TEST_F(KXFontsSaleOrderViewTest, TheLinesStayShownAndEachReplyWritesItsOwnAmounts)
{
    auto* page = openOrder(twoOffers(), 2);
    answerLatestPrice(storetest::priceReply("1368.98", "110.02", "80", "30.02"));
    EXPECT_EQ(page->activityLabel()->text(), "活动优惠：-￥80");
    EXPECT_EQ(page->vipLabel()->text(), "VIP 优惠：-￥30.02");
    storetest::click(*row(page, 0)->fontBtnA()[0]);
    answerLatestPrice(storetest::priceReply("0.00", "0", "0", "0"));
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥0.00");
    EXPECT_FALSE(page->activityLabel()->isHidden());
    EXPECT_FALSE(page->vipLabel()->isHidden());
    EXPECT_EQ(page->bottomViewHeightConstant(), 122);
    EXPECT_EQ(page->activityLabel()->text(), "活动优惠：-￥0");
    EXPECT_EQ(page->vipLabel()->text(), "VIP 优惠：-￥0");
}

TEST_F(KXFontsSaleOrderViewTest, UntickingFontsShrinksTheEntryAndTheLastIsRefused)
{
    auto* page = openOrder(twoOffers(), 3);
    const auto ids = storetest::fontIDs(cartFonts);
    auto* cell = row(page, 0);
    storetest::click(*cell->fontBtnA()[0]);
    EXPECT_EQ(page->allSelectBtn()->state(), 0);
    storetest::click(*cell->fontBtnA()[1]);
    EXPECT_EQ(entriesOf(page->getPriceDataInfo())["7"], std::to_string(ids[2]));
    EXPECT_EQ(prices(), 3u);
    storetest::click(*cell->fontBtnA()[2]);
    EXPECT_EQ(cell->fontBtnA()[2]->state(), 1) << "the last font of a row is ticked again";
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "请选择至少一款字体" });
    EXPECT_EQ(prices(), 3u) << "the page was not told";
}

TEST_F(KXFontsSaleOrderViewTest, ARepliesOfAnOlderChoiceNeverOverwriteTheTotals)
{
    auto* page = openOrder(twoOffers(), 3);
    storetest::click(*row(page, 0)->fontBtnA()[0]);
    storetest::click(*row(page, 0)->fontBtnA()[1]);
    service->answer(Operation::Price, 2, storetest::priceReply("1.00"));
    service->answer(Operation::Price, 1, storetest::priceReply("2.00"));
    service->answer(Operation::Price, 0, storetest::priceReply("3.00"));
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥1.00");
}

TEST_F(KXFontsSaleOrderViewTest, TheTotalsShowNoAmountThatNoReplyGave)
{
    auto* page = openOrder(twoOffers(), 2);
    const auto showsUnknown = [&] {
        return page->countPriceLabel()->text() == "合计：--"
            && page->discountPriceLabel()->text() == "优惠：--"
            && page->activityLabel()->text() == "活动优惠：--" && page->vipLabel()->text() == "VIP 优惠：--";
    };
    EXPECT_TRUE(showsUnknown()) << page->countPriceLabel()->text().toStdString();
    EXPECT_EQ(page->fontsNumLabel()->text(), "已选2种授权，4款字体") << "the count is the choice's own";
    service->fail(Operation::Price, 0);
    EXPECT_TRUE(showsUnknown()) << page->countPriceLabel()->text().toStdString();

    storetest::click(*row(page, 0)->fontBtnA()[0]);
    answerLatestPrice(storetest::priceReply("284.40", "12.00", "3.00", "1.00"));
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥284.40");
    // The amounts of the earlier choice go when the current one cannot be priced.
    storetest::click(*row(page, 0)->fontBtnA()[0]);
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥284.40") << "kept while the next is asked";
    service->fail(Operation::Price, prices() - 1);
    EXPECT_TRUE(showsUnknown()) << page->countPriceLabel()->text().toStdString();
    EXPECT_EQ(page->fontsNumLabel()->text(), "已选2种授权，4款字体");
    storetest::click(*row(page, 1)->fontBtnA()[0]);
    answerLatestPrice(storetest::priceReply("150.00"));
    storetest::click(*row(page, 1)->fontBtnA()[0]);
    answerLatestPrice(storetest::envelope(111, Id(foundation::Dictionary::create())));
    EXPECT_TRUE(showsUnknown()) << "a refused price is no price either";

    // An empty choice has its zero texts; a choice after it shows no zero while it is asked.
    if (page->allSelectBtn()->state() == 0)
        storetest::click(*page->allSelectBtn());
    storetest::click(*page->allSelectBtn());
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥0");
    EXPECT_EQ(page->fontsNumLabel()->text(), "已选0种授权，0款字体");
    storetest::click(*row(page, 1)->fontBtnA()[1]);
    EXPECT_TRUE(showsUnknown()) << page->countPriceLabel()->text().toStdString();
    answerLatestPrice(storetest::priceReply("79.00", "0", "0", "0"));
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥79.00");
    EXPECT_EQ(page->discountPriceLabel()->text(), "优惠：-￥0");
}

TEST_F(KXFontsSaleOrderViewTest, SelectAllOffEmptiesTheChoiceThenOneTickMakesOneEntry)
{
    auto* page = openOrder(twoOffers(), 3);
    storetest::click(*page->allSelectBtn());
    EXPECT_EQ(page->getPriceDataInfo(), "[]");
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥0");
    EXPECT_EQ(page->discountPriceLabel()->text(), "优惠：-￥0");
    EXPECT_EQ(page->fontsNumLabel()->text(), "已选0种授权，0款字体");
    for (int r = 0; r < 2; ++r)
        for (KXBaseButton* box : row(page, r)->fontBtnA())
            EXPECT_EQ(box->state(), 0);
    // The reply to the question before the switch is not shown.
    answerLatestPrice(storetest::priceReply("450.30"));
    EXPECT_EQ(page->countPriceLabel()->text(), "合计：￥0");

    storetest::click(*page->buyBtn());
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "请选择至少一个授权及字体" });
    EXPECT_EQ(service->count(Operation::Order), 0u);

    storetest::click(*row(page, 1)->fontBtnA()[2]);
    EXPECT_EQ(entriesOf(page->getPriceDataInfo()),
        (std::map<std::string, std::string> { { "12", std::to_string(storetest::fontIDs(cartFonts)[2]) } }));
    storetest::click(*page->allSelectBtn());
    EXPECT_EQ(page->selection().allFontsA().size(), 6u);
    EXPECT_EQ(row(page, 0)->fontBtnA()[0]->state(), 1);
}

TEST_F(KXFontsSaleOrderViewTest, TheRemovalQuestionSitsBelowTheMiddleAndRemovesItsOwnOffer)
{
    auto* page = openOrder(twoOffers(), 2);
    storetest::click(*row(page, 0)->removeclassCheckBtn());
    storetest::settle(*host);
    auto* question = page->findChild<KXFontsSaleDeleteAuthView*>();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->size(), QSize(240, 160));
    EXPECT_EQ(question->geometry().center().x(), page->rect().center().x());
    EXPECT_NEAR(question->geometry().center().y() - page->rect().center().y(), 50, 1);
    EXPECT_EQ(question->brandID(), "7");
    EXPECT_EQ(page->deleteRow(), 0);

    storetest::click(*question->cancelBtn());
    EXPECT_EQ(page->dataA()->count(), 2u);
    storetest::click(*row(page, 0)->removeclassCheckBtn());
    QPointer<KXFontsSaleDeleteAuthView> escaped = page->findChildren<KXFontsSaleDeleteAuthView*>().back();
    QTest::keyClick(escaped.data(), Qt::Key_Escape);
    EXPECT_TRUE(escaped.isNull() || escaped->parentWidget() == nullptr) << "Escape is 取消";
    EXPECT_EQ(page->dataA()->count(), 2u);

    // Two questions open; the second row's is confirmed first, then the first row's: each removes
    // its own offer although the rows moved in between.
    storetest::click(*row(page, 0)->removeclassCheckBtn());
    auto* forSeven = page->findChildren<KXFontsSaleDeleteAuthView*>().back();
    storetest::click(*row(page, 1)->removeclassCheckBtn());
    auto* forTwelve = page->findChildren<KXFontsSaleDeleteAuthView*>().back();
    storetest::click(*forTwelve->sureBtn());
    ASSERT_EQ(page->dataA()->count(), 1u);
    EXPECT_EQ(page->dataA()->objectAtIndex(0)["brand_id"].stringValue(), "7");
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray(), page->dataA());
    storetest::click(*forSeven->sureBtn());
    EXPECT_EQ(page->dataA()->count(), 0u);
    EXPECT_TRUE(page->listTableview()->isHidden());
    EXPECT_TRUE(page->bottomView()->isHidden());
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray()->count(), 0u);
    EXPECT_EQ(page->getPriceDataInfo(), "[]");
}

TEST_F(KXFontsSaleOrderViewTest, ConfirmingAnOfferAlreadyGoneRemovesNothing)
{
    auto* page = openOrder(twoOffers(), 2);
    page->KXFontsSaleDeleteAuthViewSureBtnClick("99");
    EXPECT_EQ(page->dataA()->count(), 2u);
}

class KXRepickSheetTest : public KXFontsSaleOrderViewTest {
protected:
    KXFontsSaleReselectedView* openSheet(KXFontsSaleOrderView* page)
    {
        storetest::click(*row(page, 0)->addclassCheckBtn());
        auto* sheet = page->reselectedView();
        EXPECT_NE(sheet, nullptr);
        const Id brands = storetest::brandList(
            { storetest::category("企业授权",
                  { offer("7", "企业标准", Id(1280), Id(0)), offer("21", "企业高级", Id(3980), Id(0)) }),
                storetest::category("个人授权", { offer("12", "个人商用", Id(199), Id(99)) }) });
        service->answer(Operation::AllBrand, service->count(Operation::AllBrand) - 1, brands);
        storetest::settle(*host);
        sheet->finishSlide();
        return sheet;
    }
    KXFontSaleAuthorizeCell* sheetRow(KXFontsSaleReselectedView* sheet, int index)
    {
        return static_cast<KXFontSaleAuthorizeCell*>(sheet->listTableview()->viewAtRow(index));
    }
};

TEST_F(KXRepickSheetTest, TheSheetSlidesUpOverADimmingCover)
{
    host->resize(600, 500);
    auto* page = openOrder(twoOffers(), 2);
    storetest::click(*row(page, 0)->addclassCheckBtn());
    auto* sheet = page->reselectedView();
    ASSERT_NE(sheet, nullptr);
    storetest::settle(*host);
    EXPECT_EQ(sheet->height(), 500);
    EXPECT_EQ(sheet->slideOffset(), 270) << "h - 230 below its place";
    EXPECT_TRUE(sheet->isSliding());
    ASSERT_NE(sheet->coverview(), nullptr);
    EXPECT_EQ(sheet->coverview()->parentWidget(), page);
    const auto children = page->children();
    EXPECT_EQ(children.indexOf(sheet->coverview()) + 1, children.indexOf(sheet))
        << "directly below the sheet";
    sheet->finishSlide();
    EXPECT_EQ(sheet->slideOffset(), 0);
    EXPECT_FALSE(sheet->isSliding());
    // A second "+" while the sheet is open opens no second sheet.
    page->KXFontsSaleOrderViewCellAddClassClick(foundation::Dictionary::create());
    EXPECT_EQ(page->findChildren<KXFontsSaleReselectedView*>().size(), 1u);
}

TEST_F(KXRepickSheetTest, ConfirmingUnchangedKeepsEveryRowAndItsChoice)
{
    auto* page = openOrder(twoOffers(), 3);
    storetest::click(*row(page, 1)->fontBtnA()[0]);
    const std::string before = page->getPriceDataInfo();
    auto* sheet = openSheet(page);
    EXPECT_EQ(sheetRow(sheet, 0)->boxes()[0]->state(), 1);
    EXPECT_EQ(sheetRow(sheet, 0)->boxes()[1]->state(), 0);
    EXPECT_EQ(sheetRow(sheet, 1)->boxes()[0]->state(), 1);
    storetest::click(*sheet->sureBtn());
    EXPECT_EQ(page->dataA()->count(), 2u);
    EXPECT_EQ(page->getPriceDataInfo(), before);
    EXPECT_EQ(sheet->parentWidget(), nullptr);
}

TEST_F(KXRepickSheetTest, UntickingEveryOfferRemovesEveryRow)
{
    auto* page = openOrder(twoOffers(), 2);
    auto* sheet = openSheet(page);
    storetest::click(*sheetRow(sheet, 0)->boxes()[0]);
    storetest::click(*sheetRow(sheet, 1)->boxes()[0]);
    EXPECT_EQ(sheet->selectedA()->count(), 0u);
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray()->count(), 2u)
        << "the shared choice waits for the confirmation";
    storetest::click(*sheet->sureBtn());
    EXPECT_EQ(page->dataA()->count(), 0u);
    EXPECT_TRUE(page->listTableview()->isHidden());
    EXPECT_TRUE(page->bottomView()->isHidden());
}

TEST_F(KXRepickSheetTest, ANewOfferGetsARowWithEveryFontAndBackChangesNothing)
{
    auto* page = openOrder(twoOffers(), 3);
    auto* sheet = openSheet(page);
    storetest::click(*sheetRow(sheet, 0)->boxes()[1]);
    storetest::click(*sheet->sureBtn());
    ASSERT_EQ(page->dataA()->count(), 3u);
    EXPECT_EQ(page->dataA()->objectAtIndex(2)["brand_id"].stringValue(), "21");
    EXPECT_EQ(entriesOf(page->getPriceDataInfo())["21"], idsText(storetest::fontIDs(cartFonts)));
    page->listTableview()->finishAnimations();

    auto* again = openSheet(page);
    storetest::click(*sheetRow(again, 0)->boxes()[0]);
    storetest::click(*sheetRow(again, 0)->boxes()[1]);
    storetest::click(*again->backBtn());
    EXPECT_EQ(page->dataA()->count(), 3u);
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray()->count(), 3u);
}

TEST_F(KXRepickSheetTest, AnOfferTheServiceChangedIsStillOneOffer)
{
    // The sheet's brand list prices offer 7 otherwise than the record the order row holds.
    auto* page = openOrder(twoOffers(), 2);
    const auto repricedSheet = [&] {
        storetest::click(*row(page, 0)->addclassCheckBtn());
        auto* sheet = page->reselectedView();
        const Id brands = storetest::brandList(
            { storetest::category("企业授权", { offer("7", "企业标准", Id(1500), Id(0)) }),
                storetest::category("个人授权", { offer("12", "个人商用", Id(199), Id(99)) }) });
        service->answer(Operation::AllBrand, service->count(Operation::AllBrand) - 1, brands);
        storetest::settle(*host);
        sheet->finishSlide();
        return sheet;
    };

    auto* sheet = repricedSheet();
    ASSERT_EQ(sheetRow(sheet, 0)->boxes()[0]->state(), 1) << "ticked by its brand_id";
    storetest::click(*sheetRow(sheet, 0)->boxes()[0]);
    EXPECT_EQ(sheet->selectedA()->count(), 1u) << "the untick removed offer 7";
    storetest::click(*sheet->sureBtn());
    ASSERT_EQ(page->dataA()->count(), 1u);
    EXPECT_EQ(page->dataA()->objectAtIndex(0)["brand_id"].stringValue(), "12");
    EXPECT_EQ(entriesOf(page->getPriceDataInfo()).count("7"), 0u);

    sheet = repricedSheet();
    ASSERT_EQ(sheetRow(sheet, 0)->boxes()[0]->state(), 0);
    storetest::click(*sheetRow(sheet, 0)->boxes()[0]);
    storetest::click(*sheetRow(sheet, 0)->boxes()[0]);
    storetest::click(*sheetRow(sheet, 0)->boxes()[0]);
    storetest::click(*sheet->sureBtn());
    ASSERT_EQ(page->dataA()->count(), 2u);
    EXPECT_EQ(page->dataA()->objectAtIndex(1)["brand_id"].stringValue(), "7");
    const std::string info = page->getPriceDataInfo();
    EXPECT_EQ(info.find("\"bid\":\"7\""), info.rfind("\"bid\":\"7\"")) << info;
    EXPECT_NE(info.find("\"bid\":\"7\""), std::string::npos) << info;

    // Untick and tick again in one sheet: the row stays, with its choice.
    page->listTableview()->finishAnimations();
    storetest::click(*row(page, 1)->fontBtnA()[0]);
    const std::string chosen = page->getPriceDataInfo();
    sheet = repricedSheet();
    storetest::click(*sheetRow(sheet, 0)->boxes()[0]);
    storetest::click(*sheetRow(sheet, 0)->boxes()[0]);
    storetest::click(*sheet->sureBtn());
    EXPECT_EQ(page->dataA()->count(), 2u);
    EXPECT_EQ(page->getPriceDataInfo(), chosen);
}

TEST_F(KXRepickSheetTest, TheSheetsRowsKeepItsOwnTicksWhenRebuilt)
{
    auto* page = openOrder(twoOffers(), 2);
    auto* sheet = openSheet(page);
    storetest::click(*sheetRow(sheet, 0)->boxes()[1]);
    sheet->listTableview()->reloadData();
    EXPECT_EQ(sheetRow(sheet, 0)->boxes()[1]->state(), 1);
}

class KXOrderSubmitTest : public KXFontsSaleOrderViewTest {
protected:
    void SetUp() override
    {
        KXFontsSaleOrderViewTest::SetUp();
        posted = dispatch::NotificationCenter::defaultCenter().addObserver("buyCartsGoToOrder", Id(), nullptr,
            [this](const dispatch::Notification& n) { posts.push_back(n.object); });
        checked = dispatch::NotificationCenter::defaultCenter().addObserver(
            "buyCartsCheckOrder", Id(), nullptr, [this](const dispatch::Notification&) { ++checks; });
    }
    // The page opened, and its count of unpaid orders (2) read.
    KXFontsSaleOrderView* openCounted(std::size_t fonts = 2)
    {
        auto* page = openOrder(twoOffers(), fonts);
        service->answer(Operation::Unpaid, service->count(Operation::Unpaid) - 1, unpaidReply(2));
        return page;
    }
    // The page pressed into an order that is lost with the count at 2.
    KXFontsSaleOrderView* lostOrder()
    {
        auto* page = openCounted();
        page->buyBtnClick();
        service->fail(Operation::Order, service->count(Operation::Order) - 1);
        return page;
    }
    dispatch::VirtualClock::Scope time;
    desktop::ScopedRecordingURLOpener opener;
    dispatch::Subscription posted;
    std::vector<Id> posts;
    dispatch::Subscription checked;
    std::size_t checks = 0;
};

TEST_F(KXOrderSubmitTest, OneOrderRequestAtATime)
{
    auto* page = openCounted();
    storetest::click(*page->buyBtn());
    storetest::click(*page->buyBtn());
    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u);
    EXPECT_EQ(service->call(Operation::Order).argument, page->getPriceDataInfo());
    EXPECT_FALSE(page->buyBtn()->isEnabled());
    service->fail(Operation::Order, 0);
    EXPECT_FALSE(page->buyBtn()->isEnabled()) << "busy while the count is read back";
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    EXPECT_TRUE(page->buyBtn()->isEnabled());
    page->buyBtnClick();
    service->answer(Operation::Unpaid, 2, unpaidReply(2));
    // The lost order has not appeared: only the person's choice sends another.
    ASSERT_NE(page->checkOrderView(), nullptr);
    EXPECT_EQ(service->count(Operation::Order), 1u);
    page->checkOrderView()->continueBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u) << "the count is read once more first";
    service->answer(Operation::Unpaid, 3, unpaidReply(2));
    ASSERT_EQ(service->count(Operation::Order), 2u);
    // A refused order hands nothing over; the user may submit again.
    service->answer(Operation::Order, 1, Id(foundation::Dictionary::create({ { Id("errcode"), Id(1) } })));
    EXPECT_TRUE(page->waitBgView()->isHidden());
    EXPECT_TRUE(page->buyBtn()->isEnabled());
    EXPECT_TRUE(posts.empty());
}

TEST_F(KXOrderSubmitTest, AnOrderWhoseReplyWasLostIsReadBackAndNotSentTwice)
{
    auto* page = openOrder(twoOffers(), 2);
    ASSERT_EQ(service->count(Operation::Unpaid), 1u) << "the count is read when the page opens";
    service->answer(Operation::Unpaid, 0, unpaidReply(2));
    page->buyBtnClick();
    ASSERT_EQ(service->count(Operation::Order), 1u);
    service->fail(Operation::Order, 0);
    ASSERT_EQ(service->count(Operation::Unpaid), 2u) << "the count is read again";
    EXPECT_FALSE(page->buyBtn()->isEnabled()) << "still busy while it is read";
    EXPECT_TRUE(toastMessages().empty());
    service->answer(Operation::Unpaid, 1, unpaidReply(3));
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "订单已提交，请在个人中心-我的订单中完成支付" });
    EXPECT_TRUE(page->isOrderPlaced());
    EXPECT_FALSE(page->buyBtn()->isEnabled());
    storetest::click(*page->buyBtn());
    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u) << "no second order from this page";
    ASSERT_EQ(posts.size(), 1u) << "the user is taken to the orders";
    EXPECT_EQ(posts[0].stringValue(), "scac");
    EXPECT_EQ(checks, 0u) << "the hand-over to the orders watches them";
}

TEST_F(KXOrderSubmitTest, AnOrderMadeAfterItsReadBackIsFoundByTheNextPressAndNotSentAgain)
{
    auto* page = openOrder(twoOffers(), 2);
    service->answer(Operation::Unpaid, 0, unpaidReply(2));
    page->buyBtnClick();
    service->fail(Operation::Order, 0);
    // Read back before the service made it: the same count, and the person is told.
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    EXPECT_TRUE(page->buyBtn()->isEnabled());
    EXPECT_EQ(toastMessages(),
        std::vector<std::string> { "订单提交没有收到回复，可能已经提交，请在个人中心-我的订单中查看" });

    // The service makes it now. The next press reads first and sends nothing.
    storetest::click(*page->buyBtn());
    ASSERT_EQ(service->count(Operation::Unpaid), 3u) << "the count is read before anything is sent";
    EXPECT_EQ(service->count(Operation::Order), 1u);
    EXPECT_FALSE(page->buyBtn()->isEnabled()) << "busy while it is read";
    service->answer(Operation::Unpaid, 2, unpaidReply(3));
    EXPECT_EQ(toastMessages(),
        (std::vector<std::string> { "订单提交没有收到回复，可能已经提交，请在个人中心-我的订单中查看",
            "订单已提交，请在个人中心-我的订单中完成支付" }));
    EXPECT_TRUE(page->isOrderPlaced());
    EXPECT_FALSE(page->buyBtn()->isEnabled());
    EXPECT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().objectForKey("my_orderClick")).stringValue(), "0")
        << "the order awaits payment";
    EXPECT_EQ(checks, 0u);
    ASSERT_EQ(posts.size(), 1u) << "the user is taken to the orders, which are watched from then on";
    EXPECT_EQ(posts[0].stringValue(), "scac");
    EXPECT_EQ(service->count(Operation::Carts), 1u) << "the cart the service emptied is read again";
    EXPECT_TRUE(page->waitBgView()->isHidden());
    EXPECT_TRUE(opener.opened().empty());

    storetest::click(*page->buyBtn());
    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u) << "one order after any number of presses";
    EXPECT_EQ(service->count(Operation::Unpaid), 3u);
}

// A lost order that has not appeared may still be made: a press asks the person, who may look at
// the orders (nothing is sent) or submit again (one order goes).
TEST_F(KXOrderSubmitTest, ALostOrderNotSeenMadeSendsAnotherOnlyByThePersonsChoice)
{
    auto* page = openOrder(twoOffers(), 2);
    service->answer(Operation::Unpaid, 0, unpaidReply(2));
    page->buyBtnClick();
    service->fail(Operation::Order, 0);
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    EXPECT_TRUE(page->buyBtn()->isEnabled());

    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u) << "not before the count is in";
    service->answer(Operation::Unpaid, 2, unpaidReply(2));
    ASSERT_NE(page->checkOrderView(), nullptr) << "asked";
    EXPECT_EQ(page->checkOrderView()->messageLabel()->text(),
        QString::fromUtf8(KXFontsSaleOrderView::kLostOrderQuestion));
    EXPECT_FALSE(page->buyBtn()->isEnabled());
    storetest::click(*page->buyBtn());
    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u) << "nothing goes while the question is open";
    page->checkOrderView()->ReThinkBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u) << "looking at the orders sends nothing";
    EXPECT_EQ(posts.size(), 1u) << "the orders are shown";

    page = openOrder(twoOffers(), 2);
    service->answer(Operation::Unpaid, service->count(Operation::Unpaid) - 1, unpaidReply(2));
    page->buyBtnClick();
    service->answer(Operation::Unpaid, service->count(Operation::Unpaid) - 1, unpaidReply(2));
    ASSERT_NE(page->checkOrderView(), nullptr) << "asked again on the next page";
    page->checkOrderView()->continueBtnClick();
    service->answer(Operation::Unpaid, service->count(Operation::Unpaid) - 1, unpaidReply(2));
    ASSERT_EQ(service->count(Operation::Order), 2u);
    EXPECT_EQ(service->call(Operation::Order, 1).argument, page->getPriceDataInfo());
    EXPECT_FALSE(page->buyBtn()->isEnabled());

    // Its reply makes the outcome known: the check dialog holds it back, and the count is read
    // again after it; a lost order then compares with that count.
    service->answer(Operation::Order, 1, orderReply(1, "https://127.0.0.1:1/pages/pay?order=41"));
    const std::size_t reads = service->count(Operation::Unpaid);
    service->answer(Operation::Unpaid, reads - 1, unpaidReply(3));
    QTest::keyClick(page->checkOrderView(), Qt::Key_Escape);
    page->buyBtnClick();
    ASSERT_NE(page->checkOrderView(), nullptr) << "the same fonts again: asked first";
    page->checkOrderView()->continueBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 3u) << "an order whose outcome is known reads nothing first";
    service->fail(Operation::Order, 2);
    service->answer(Operation::Unpaid, reads, unpaidReply(3));
    EXPECT_TRUE(page->buyBtn()->isEnabled());
    EXPECT_EQ(toastMessages(),
        (std::vector<std::string> { "订单提交没有收到回复，可能已经提交，请在个人中心-我的订单中查看",
            "订单已提交，请在个人中心-我的订单中完成支付",
            "订单提交没有收到回复，可能已经提交，请在个人中心-我的订单中查看" }));
    EXPECT_FALSE(page->isOrderPlaced());
    EXPECT_EQ(checks, 1u) << "the order declined after its problem dialog is watched";
}

TEST_F(KXOrderSubmitTest, ACountThatCannotBeReadSendsNothingUntilItCan)
{
    auto* page = openOrder(twoOffers(), 2);
    service->answer(Operation::Unpaid, 0, unpaidReply(2));
    page->buyBtnClick();
    service->fail(Operation::Order, 0);
    service->fail(Operation::Unpaid, 1);
    EXPECT_TRUE(page->buyBtn()->isEnabled());

    page->buyBtnClick();
    service->fail(Operation::Unpaid, 2);
    EXPECT_EQ(service->count(Operation::Order), 1u) << "the read failed: nothing is sent";
    EXPECT_TRUE(page->buyBtn()->isEnabled());
    EXPECT_EQ(toastMessages(),
        std::vector<std::string> { "订单提交没有收到回复，可能已经提交，请在个人中心-我的订单中查看" })
        << "only the lost order was told";
    page->buyBtnClick();
    service->answer(Operation::Unpaid, 3, unpaidReply(3));
    EXPECT_EQ(service->count(Operation::Order), 1u) << "made since the read that failed";
    EXPECT_TRUE(page->isOrderPlaced());
}

TEST_F(KXOrderSubmitTest, APressWithoutACountReadsItFirstAndALostOrderIsThenReadBack)
{
    auto* page = openOrder(twoOffers(), 2);
    service->fail(Operation::Unpaid, 0);
    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 0u) << "nothing to compare with: the count is read first";
    ASSERT_EQ(service->count(Operation::Unpaid), 2u);
    EXPECT_FALSE(page->buyBtn()->isEnabled());
    service->fail(Operation::Unpaid, 1);
    EXPECT_EQ(service->count(Operation::Order), 0u) << "a read that fails sends nothing";
    EXPECT_TRUE(page->buyBtn()->isEnabled());

    page->buyBtnClick();
    service->answer(Operation::Unpaid, 2, unpaidReply(2));
    ASSERT_EQ(service->count(Operation::Order), 1u);
    service->fail(Operation::Order, 0);
    ASSERT_EQ(service->count(Operation::Unpaid), 4u) << "read back against the count from before";
    service->answer(Operation::Unpaid, 3, unpaidReply(2));
    EXPECT_TRUE(page->buyBtn()->isEnabled());
    page->buyBtnClick();
    ASSERT_EQ(service->count(Operation::Unpaid), 5u) << "the second press reads first";
    service->answer(Operation::Unpaid, 4, unpaidReply(3));
    EXPECT_EQ(service->count(Operation::Order), 1u);
    EXPECT_TRUE(page->isOrderPlaced());
}

TEST_F(KXOrderSubmitTest, ALostOrderIsTheAccountsAcrossPagesAndSignIns)
{
    auto* page = lostOrder();
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    ASSERT_TRUE(page->buyBtn()->isEnabled()) << "not made yet";
    page->backBtnClick();
    const auto signOutPosted = [] {
        dispatch::NotificationCenter::defaultCenter().post(KXStoreSession::kNotification, Id(),
            foundation::Dictionary::create(
                { { Id("loginOut"), Id(foundation::Dictionary::create({ { Id("logint"), Id("YES") } })) } }));
    };

    // Another account: its own count, and its press is not held back.
    signOut();
    signOutPosted();
    signInAs(account + 1000000);
    page = openOrder(twoOffers(), 2);
    ASSERT_EQ(service->count(Operation::Unpaid), 3u);
    service->answer(Operation::Unpaid, 2, unpaidReply(0));
    page->buyBtnClick();
    ASSERT_EQ(service->count(Operation::Order), 2u);
    service->answer(Operation::Order, 1, orderReply(0, "https://127.0.0.1:1/pages/pay?order=41"));
    page->backBtnClick();
    page->backBtnClick();

    // The first account signs in again (a new token, a new account mark) and opens a new page:
    // the order lost before is still unknown, and the press finds it made meanwhile.
    signOut();
    signOutPosted();
    signInAs(account);
    page = openOrder(twoOffers(), 2);
    const std::size_t reads = service->count(Operation::Unpaid);
    page->buyBtnClick();
    ASSERT_EQ(service->count(Operation::Unpaid), reads + 1) << "read before anything is sent";
    EXPECT_EQ(service->count(Operation::Order), 2u);
    service->answer(Operation::Unpaid, reads, unpaidReply(3));
    EXPECT_TRUE(page->isOrderPlaced());
    EXPECT_EQ(toastMessages(),
        (std::vector<std::string> { "订单提交没有收到回复，可能已经提交，请在个人中心-我的订单中查看",
            "订单已提交，请在个人中心-我的订单中完成支付" }));
    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 2u) << "no second order of the first account";
}

TEST_F(KXOrderSubmitTest, AnOrderOnItsWayWhenItsPageIsLeftHoldsBackTheNextPage)
{
    auto* page = openCounted();
    page->buyBtnClick();
    ASSERT_EQ(service->count(Operation::Order), 1u);
    page->backBtnClick();
    delete page;

    page = openOrder(twoOffers(), 2);
    EXPECT_EQ(service->count(Operation::Unpaid), 1u) << "the count from before the order stays";
    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u) << "the first order's outcome is not known yet";
    EXPECT_TRUE(page->buyBtn()->isEnabled());
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "订单正在提交，请稍候" })
        << "the press is answered";

    // Its failure reaches the account though its page has gone, and is read back: made, with
    // nobody told. The next press is told, and sends nothing.
    service->fail(Operation::Order, 0);
    ASSERT_EQ(service->count(Operation::Unpaid), 2u);
    service->answer(Operation::Unpaid, 1, unpaidReply(3));
    EXPECT_EQ(toastMessages(),
        (std::vector<std::string> { "订单正在提交，请稍候", "订单已提交，请在个人中心-我的订单中完成支付" }))
        << "told at once";
    EXPECT_EQ(checks, 1u) << "the reminder and the cart follow";
    EXPECT_FALSE(page->isOrderPlaced());
    page->buyBtnClick();
    EXPECT_TRUE(page->isOrderPlaced());
    EXPECT_EQ(service->count(Operation::Order), 1u);
}

// An order answered after its page went is told over the main window, and the reminder and the
// cart follow it, as the page would have had them.
TEST_F(KXOrderSubmitTest, AnOrderAnsweredAfterItsPageWentIsToldAllTheSame)
{
    auto* page = openCounted();
    page->buyBtnClick();
    ASSERT_EQ(service->count(Operation::Order), 1u);
    page->backBtnClick();
    delete page;
    service->answer(Operation::Order, 0, orderReply(0, "https://127.0.0.1:1/pages/pay?order=41"));
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "订单已提交，请在个人中心-我的订单中完成支付" });
    EXPECT_EQ(checks, 1u);
    EXPECT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().objectForKey("my_orderClick")).stringValue(),
        "0");
    EXPECT_TRUE(opener.opened().empty()) << "no payment page without the page that asked";
    EXPECT_EQ(service->count(Operation::Carts), 1u) << "the cart the service emptied is read again";
}

TEST_F(KXOrderSubmitTest, AnAcceptedOrderHandsOverOnceAndCountsDown)
{
    auto* page = openCounted();
    page->buyBtnClick();
    service->answer(Operation::Order, 0, orderReply(0, "https://127.0.0.1:1/pages/pay?order=41"));
    EXPECT_FALSE(page->waitBgView()->isHidden());
    EXPECT_TRUE(page->backBtn()->isHidden());
    EXPECT_EQ(opener.opened(), std::vector<std::string> { "https://127.0.0.1:1/pages/pay?order=41" });
    EXPECT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().objectForKey("my_orderClick")).stringValue(),
        "0");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].stringValue(), "scac");

    time.advance(0);
    for (int n = 5; n >= 1; --n) {
        const QString expected
            = QStringLiteral("请等待 %1S 将自动跳转到\n个人中心-我的订单，也可点击前往").arg(n);
        ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return page->seeOrderTitle()->text() == expected; }, 5))
            << n;
        time.advance(1);
    }
    dispatch::RunLoop::drain();
    EXPECT_EQ(page->seeOrderTitle()->text(),
        QStringLiteral("请等待 1S 将自动跳转到\n个人中心-我的订单，也可点击前往"))
        << "the tick that finds 0 changes nothing";
    EXPECT_EQ(page->seeOrderTitle()->colorAt(4), QColor(238, 84, 84));
    EXPECT_EQ(page->seeOrderTitle()->colorAt(14), QColor(49, 123, 255));

    // Back hides the wait panel and stays.
    page->backBtnClick();
    EXPECT_TRUE(page->waitBgView()->isHidden());
    EXPECT_TRUE(backs.empty());
}

// A lost order found made at a press of other fonts is told as an earlier order, never as this
// press's success, and the press goes on as a new order.
TEST_F(KXOrderSubmitTest, ALostOrderFoundAtAPressOfOtherFontsIsToldAsAnEarlierOrder)
{
    auto* page = openCounted();
    page->buyBtnClick();
    page->backBtnClick();
    delete page;
    service->fail(Operation::Order, 0);
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    EXPECT_TRUE(toastMessages().empty()) << "not made yet, and nobody to tell";

    // It lands; the person orders one of its fonts only.
    page = openOrder(twoOffers(), 1);
    page->buyBtnClick();
    ASSERT_EQ(service->count(Operation::Order), 1u) << "read first";
    service->answer(Operation::Unpaid, service->count(Operation::Unpaid) - 1, unpaidReply(3));
    EXPECT_EQ(
        toastMessages(), std::vector<std::string> { "之前的订单已提交，请在个人中心-我的订单中完成支付" });
    EXPECT_EQ(checks, 1u) << "the orders are watched, as with its page gone";
    EXPECT_TRUE(posts.empty()) << "no page is opened";
    EXPECT_FALSE(page->isOrderPlaced());
    ASSERT_EQ(service->count(Operation::Order), 2u) << "the press goes on as a new order";
    EXPECT_EQ(service->call(Operation::Order, 1).argument, page->getPriceDataInfo());
}

// The same on the page that sent the lost order: a press of fewer of its fonts is not that order.
TEST_F(KXOrderSubmitTest, ALostOrderFoundAtAPressOfOtherFontsOnItsOwnPageIsToldAsAnEarlierOrder)
{
    auto* page = lostOrder();
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    storetest::click(*row(page, 0)->fontBtnA()[1]); // one font fewer for the first offer
    page->buyBtnClick();
    service->answer(Operation::Unpaid, service->count(Operation::Unpaid) - 1, unpaidReply(3));
    EXPECT_EQ(toastMessages(), (std::vector<std::string> { "订单提交没有收到回复，可能已经提交，请在个人中心-我的订单中查看", "之前的订单已提交，请在个人中心-我的订单中完成支付" }));
    EXPECT_FALSE(page->isOrderPlaced());
    EXPECT_TRUE(posts.empty()) << "no page is opened";
    ASSERT_EQ(service->count(Operation::Order), 2u) << "the press goes on as a new order";
}

// The lost order may land while the person is asked: 仍然提交 reads the count once more first.
TEST_F(KXOrderSubmitTest, SubmittingAgainFindsALostOrderThatLandedWhileThePersonWasAsked)
{
    auto* page = lostOrder();
    service->answer(Operation::Unpaid, 1, unpaidReply(2));
    page->buyBtnClick();
    service->answer(Operation::Unpaid, 2, unpaidReply(2));
    ASSERT_NE(page->checkOrderView(), nullptr);
    page->checkOrderView()->continueBtnClick();
    ASSERT_EQ(service->count(Operation::Unpaid), 4u);
    service->answer(Operation::Unpaid, 3, unpaidReply(3));
    EXPECT_EQ(service->count(Operation::Order), 1u) << "no second order";
    EXPECT_TRUE(page->isOrderPlaced());
}

// subOrder's "carts_error": the service has made the order. Thinking again opens nothing but says
// where it waits, and the same fonts pressed again ask before another order goes.
TEST_F(KXOrderSubmitTest, AnOrderWithAProblemIsAnOrderMadeWhateverTheDialog)
{
    auto* page = openCounted();
    page->buyBtnClick();
    service->answer(Operation::Order, 0, orderReply(1, "https://127.0.0.1:1/pages/pay?order=41"));
    service->answer(Operation::Unpaid, 1, unpaidReply(3));
    ASSERT_NE(page->checkOrderView(), nullptr);
    page->checkOrderView()->ReThinkBtnClick();
    EXPECT_TRUE(opener.opened().empty());
    EXPECT_TRUE(posts.empty()) << "nothing is opened";
    EXPECT_EQ(toastMessages(), std::vector<std::string> { "订单已提交，请在个人中心-我的订单中完成支付" });
    EXPECT_EQ(checks, 1u) << "the unpaid orders are watched";
    EXPECT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().objectForKey("my_orderClick")).stringValue(),
        "0");

    page->buyBtnClick();
    ASSERT_NE(page->checkOrderView(), nullptr) << "the same fonts: asked first";
    EXPECT_EQ(page->checkOrderView()->messageLabel()->text(),
        QString::fromUtf8(KXFontsSaleOrderView::kMadeOrderQuestion));
    EXPECT_EQ(service->count(Operation::Order), 1u);
    page->checkOrderView()->ReThinkBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u) << "查看订单 sends nothing";
    EXPECT_EQ(posts.size(), 1u) << "the orders are shown";
}

TEST_F(KXOrderSubmitTest, AProblemWithTheOrderAsksFirst)
{
    auto* page = openCounted();
    page->buyBtnClick();
    service->answer(Operation::Order, 0, orderReply(1, "https://127.0.0.1:1/pages/pay?order=41"));
    service->answer(Operation::Unpaid, 1, unpaidReply(3));
    auto* check = page->checkOrderView();
    ASSERT_NE(check, nullptr);
    storetest::settle(*host);
    EXPECT_EQ(check->size(), QSize(240, 150));
    EXPECT_EQ(check->geometry().center().x(), page->rect().center().x());
    EXPECT_NEAR(check->geometry().center().y() - page->rect().center().y(), 50, 1);
    EXPECT_FALSE(page->buyBtn()->isEnabled()) << "no second order while the dialog asks";
    page->buyBtnClick();
    EXPECT_EQ(service->count(Operation::Order), 1u);

    QTest::keyClick(check, Qt::Key_Escape);
    EXPECT_TRUE(opener.opened().empty()) << "Escape is 再想想";
    EXPECT_TRUE(posts.empty());
    EXPECT_TRUE(page->waitBgView()->isHidden());
    EXPECT_TRUE(page->buyBtn()->isEnabled());

    page->buyBtnClick();
    ASSERT_NE(page->checkOrderView(), nullptr) << "the same fonts again: asked first";
    page->checkOrderView()->continueBtnClick();
    service->answer(Operation::Order, 1, orderReply(1, "https://127.0.0.1:1/pages/pay?order=42"));
    storetest::click(*page->checkOrderView()->continueBtn());
    EXPECT_EQ(opener.opened(), std::vector<std::string> { "https://127.0.0.1:1/pages/pay?order=42" });
    EXPECT_EQ(posts.size(), 1u);
    EXPECT_FALSE(page->waitBgView()->isHidden());
}

TEST_F(KXOrderSubmitTest, WhenTheBrowserCannotOpenTheAddressStaysOnShowUntilDismissed)
{
    auto* page = openCounted();
    const auto alert = [&] { return KXOpenFailedAlert::alertOf(page); };
    opener.opener().setLaunchError("xdg-open: not found");
    page->buyBtnClick();
    service->answer(Operation::Order, 0, orderReply(0, "https://127.0.0.1:1/pages/pay?order=43"));
    ASSERT_NE(alert(), nullptr);
    EXPECT_TRUE(alert()->isVisible());
    EXPECT_EQ(alert()->parentWidget(), page->window());
    EXPECT_EQ(alert()->messageLabel()->text(), "未能打开浏览器，请手动访问支付页面");
    EXPECT_EQ(alert()->targetField()->toPlainText(), "https://127.0.0.1:1/pages/pay?order=43");
    EXPECT_EQ(alert()->copyButton()->title(), "复制链接");
    EXPECT_TRUE(toastMessages().empty()) << "no toast that fades before the address is copied";
    time.advance(10);
    EXPECT_TRUE(alert()->isVisible());
    EXPECT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().objectForKey("my_orderClick")).stringValue(), "0")
        << "the order exists";
    EXPECT_EQ(posts.size(), 1u) << "the jump to the orders stays";
    alert()->closeBtnClick();

    // An address that is not http(s) never reaches the desktop.
    opener.opener().setLaunchError(std::nullopt);
    page->buyFontsBussiness(orderReply(0, "file:///etc/passwd"));
    EXPECT_TRUE(opener.opened().empty());
    EXPECT_TRUE(alert()->isVisible());
    EXPECT_EQ(alert()->targetField()->toPlainText(), "file:///etc/passwd");
}

TEST_F(KXOrderSubmitTest, APaymentPageTheBrowserFailsOnLaterIsShownWhileThePageLives)
{
    auto* page = openOrder(twoOffers(), 2);
    QWidget* window = page->window();
    testsupport::ScopedHeldFailureOpener held;
    page->buyFontsBussiness(orderReply(0, "https://127.0.0.1:1/pages/pay?order=45"));
    EXPECT_EQ(KXOpenFailedAlert::alertOf(page), nullptr);
    held.failAll();
    ASSERT_NE(KXOpenFailedAlert::alertOf(page), nullptr);
    EXPECT_TRUE(KXOpenFailedAlert::alertOf(page)->isVisible());
    EXPECT_EQ(KXOpenFailedAlert::alertOf(page)->targetField()->toPlainText(),
        "https://127.0.0.1:1/pages/pay?order=45");
    KXOpenFailedAlert::alertOf(page)->closeBtnClick();

    page->buyFontsBussiness(orderReply(0, "https://127.0.0.1:1/pages/pay?order=46"));
    delete page;
    held.failAll();
    EXPECT_FALSE(KXOpenFailedAlert::alertOf(window)->isVisible()) << "the page is gone";
}

TEST_F(KXOrderSubmitTest, AFailedExitOfTheSystemOpenerIsShown)
{
    auto* page = openOrder(twoOffers(), 2);
    testsupport::ScopedFailingSystemOpener failing;
    page->buyFontsBussiness(orderReply(0, "https://127.0.0.1:1/pages/pay?order=47"));
    ASSERT_TRUE(dispatch::RunLoop::runUntil(
        [&] {
            auto* alert = KXOpenFailedAlert::alertOf(page);
            return alert && alert->isVisible();
        },
        20));
    EXPECT_EQ(KXOpenFailedAlert::alertOf(page)->targetField()->toPlainText(),
        "https://127.0.0.1:1/pages/pay?order=47");
}

TEST_F(KXOrderSubmitTest, SeeOrderPostsWithoutObjectAndLeaves)
{
    auto* page = openOrder(twoOffers(), 1);
    page->buyFontsBussiness(orderReply(0, "https://127.0.0.1:1/pages/pay?order=44"));
    posts.clear();
    storetest::click(*page->seeOrderBtn());
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_TRUE(posts[0].isNil());
    EXPECT_EQ(page->parentWidget(), nullptr) << "the top-most subview of the window's content went";
}

TEST_F(KXOrderSubmitTest, ACountDownOfAPageGoneStops)
{
    auto* page = openOrder(twoOffers(), 1);
    page->buyFontsBussiness(orderReply(0, "https://127.0.0.1:1/pages/pay?order=45"));
    QPointer<KXStoreTextLabel> title(page->seeOrderTitle());
    delete page;
    time.advance(6);
    EXPECT_TRUE(title.isNull());
}

} // namespace
