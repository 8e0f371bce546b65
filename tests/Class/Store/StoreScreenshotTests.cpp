// Pictures of the store for review, day and night, into <build>/screenshots/: the cart (browse,
// manage, empty, VIP bar) and its removal question, the chooser with its pop-up, the offer page
// with and without a promotion, the order page (plain, VIP lines, wait panel), the re-pick sheet,
// both order dialogs and the two-level browser's list, each 310 wide as the main window lays the
// store at its designed size; the chooser, the order page and the re-pick sheet also as a wide
// window lays them, their boxes across the width. The store draws its own white pages in both palettes; the
// host behind the dialogs takes the palette's background. Each picture is checked for a pixel it must show.
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXBrandLookup.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/KXDeleteBuyCartsView.h"
#include "Class/Store/KXFontSaleAuthorizeCell.h"
#include "Class/Store/KXFontSaleBuyView.h"
#include "Class/Store/KXFontSaleListCell.h"
#include "Class/Store/KXFontsSaleAlertView.h"
#include "Class/Store/KXFontsSaleAuthorSecView.h"
#include "Class/Store/KXFontsSaleAuthorizeView.h"
#include "Class/Store/KXFontsSaleCheckOrderView.h"
#include "Class/Store/KXFontsSaleDeleteAuthView.h"
#include "Class/Store/KXFontsSaleList.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/Store/KXFontsSaleOrderViewCell.h"
#include "Class/Store/KXFontsSaleReselectedView.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "StoreServiceTest.h"
#include "StoreTestSupport.h"
#include "Support/DrawnAtScale.h"

#include <QLabel>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

using foundation::Id;

namespace {

const QColor kStoreRed(238, 84, 84);

// The store beside the menu of a 1280-wide window.
constexpr int kWideStore = 1190;

// The boxes of the rows in view of `table`: each inside its row and the table's visible width,
// none over another or over the widgets in `clear` (a row's own buttons); returns how many lines
// the rows' boxes took at most.
template <class Cell, class Boxes>
int expectBoxesLaidOut(
    KXStoreTableView* table, Boxes boxesOf, std::function<std::vector<QWidget*>(Cell*)> clear = {})
{
    int mostLines = 0;
    const auto [first, last] = table->rowsInView();
    EXPECT_GE(first, 0);
    for (int index = first; index >= 0 && index <= last; ++index) {
        auto* cell = static_cast<Cell*>(table->viewAtRow(index));
        if (!cell) {
            ADD_FAILURE() << "row " << index;
            continue;
        }
        std::vector<QRect> placed;
        std::vector<int> tops;
        for (auto* box : boxesOf(cell)) {
            const QRect frame = box->geometry();
            EXPECT_TRUE(cell->rect().contains(frame))
                << "row " << index << ": " << box->title().toStdString();
            const QRect inRows(box->mapTo(table->viewport(), QPoint(0, 0)), frame.size());
            EXPECT_LE(inRows.right(), table->viewport()->width() - 1) << box->title().toStdString();
            for (const QRect& other : placed)
                EXPECT_FALSE(other.intersects(frame)) << box->title().toStdString();
            if (clear) {
                for (QWidget* button : clear(cell))
                    EXPECT_FALSE(button->geometry().intersects(frame)) << box->title().toStdString();
            }
            placed.push_back(frame);
            if (std::find(tops.begin(), tops.end(), frame.top()) == tops.end())
                tops.push_back(frame.top());
        }
        mostLines = std::max(mostLines, static_cast<int>(tops.size()));
    }
    return mostLines;
}

class StoreScreenshotTest : public storetest::StoreServiceTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        StoreServiceTest::SetUp();
        // The main window lays the store 310 wide beside its menu, the window's height.
        host->resize(310, 640);
        KXThemeManager::themeManager().setIsNight(GetParam());
        QPalette palette = host->palette();
        palette.setColor(QPalette::Window, kx_qcolor(KXThemeManager::themeManager().RightBGC()));
        host->setPalette(palette);
        host->setAutoFillBackground(true);
    }
    void TearDown() override
    {
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("vip_type");
        StoreServiceTest::TearDown();
    }
    QString name(const char* what) const
    {
        // The palette's flag is set for the light look.
        return QStringLiteral("store-%1-%2").arg(what, GetParam() ? "day" : "night");
    }
    // Saves the host and returns the picture.
    QImage shoot(const char* what)
    {
        EXPECT_TRUE(storetest::saveScreenshot(*host, name(what)));
        return host->grab().toImage();
    }
    // The colour of the picture on the face of `widget`: 6 points in from its left edge, halfway
    // down, clear of its title.
    static QColor centreOf(const QImage& shot, QWidget* widget, QWidget* in)
    {
        const QPoint face = widget->mapTo(in, QPoint(6, widget->height() / 2));
        return shot.pixelColor(face * shot.devicePixelRatio());
    }
    KXFontsSaleList* openCart()
    {
        auto* cart = static_cast<KXFontsSaleList*>(lay(new KXFontsSaleList(host.get())));
        waitFor([&] { return counting->arrived(KXStoreService::Operation::Carts) > 0; });
        storetest::settle(*host);
        waitForPictures(cart);
        return cart;
    }
    void waitForPictures(QWidget* page)
    {
        waitFor([&] {
            for (ImageView* view : page->findChildren<ImageView*>())
                if (view->isVisibleTo(page) && !view->image())
                    return false;
            return true;
        });
        storetest::settle(*host);
    }
    KXFontsSaleAuthorizeView* openChooser()
    {
        auto* chooser = static_cast<KXFontsSaleAuthorizeView*>(lay(new KXFontsSaleAuthorizeView(host.get())));
        waitFor([&] { return chooser->brandsDic().count() > 0; });
        storetest::settle(*host);
        return chooser;
    }
    KXFontsSaleOrderView* openOrder(
        foundation::Ref<foundation::Array> offers, const foundation::Ref<foundation::MutableArray>& cartFonts)
    {
        auto* page = static_cast<KXFontsSaleOrderView*>(lay(new KXFontsSaleOrderView(host.get())));
        page->setBuyCartFonts(cartFonts);
        page->setDataA(offers);
        waitFor([&] { return counting->arrived(KXStoreService::Operation::Price) > 0; });
        storetest::settle(*host);
        return page;
    }
    // Offers 12 (with a promotion) and 21 as the service lists them.
    foundation::Ref<foundation::Array> serviceOffers()
    {
        auto* chooser = openChooser();
        auto offers = foundation::Array::create(
            { chooser->brandsDic().offerForBrandID("12"), chooser->brandsDic().offerForBrandID("21") });
        delete chooser;
        counting->forget();
        return offers;
    }
};

TEST_P(StoreScreenshotTest, Cart)
{
    auto* cart = openCart();
    ASSERT_EQ(cart->listTableview()->numberOfRows(), 3);
    QImage shot = shoot("cart");
    EXPECT_EQ(centreOf(shot, cart->buyBtn(), host.get()), kStoreRed);

    storetest::click(*cart->manaBtn());
    shot = shoot("cart-manage");
    EXPECT_EQ(centreOf(shot, cart->buyBtn(), host.get()), QColor(Qt::white))
        << "the delete button's face is white";

    storetest::click(*cart->buyBtn());
    auto* question = host->findChild<KXDeleteBuyCartsView*>();
    ASSERT_NE(question, nullptr);
    shot = shoot("cart-delete-dialog");
    EXPECT_EQ(centreOf(shot, question->sureBtn(), host.get()), QColor(Qt::white));
}

TEST_P(StoreScreenshotTest, EmptyCartAndVipBar)
{
    ASSERT_TRUE(service().setCart("designer", {}));
    auto* empty = openCart();
    EXPECT_FALSE(empty->emptyView()->isHidden());
    shoot("cart-empty");
    delete empty;

    ASSERT_TRUE(service().setCart("designer", { ids.begin(), ids.end() }));
    foundation::UserDefaults::standardUserDefaults().setObject(Id("1"), "vip_type");
    counting->forget();
    auto* cart = openCart();
    EXPECT_EQ(cart->bottomView()->height(), 83);
    const QImage shot = shoot("cart-vip");
    EXPECT_EQ(centreOf(shot, cart->vipline(), host.get()), QColor(238, 238, 238));
}

TEST_P(StoreScreenshotTest, ChooserWithPopUp)
{
    auto* chooser = openChooser();
    auto* row = static_cast<KXFontSaleAuthorizeCell*>(chooser->listTableview()->viewAtRow(0));
    ASSERT_NE(row, nullptr);
    storetest::click(*row->boxes()[1]);
    storetest::hoverIn(*row->boxes()[1]);
    const QImage shot = shoot("chooser-popup");
    EXPECT_FALSE(chooser->alertView()->isHidden());
    EXPECT_EQ(centreOf(shot, chooser->sureBtn(), host.get()), kStoreRed);
}

TEST_P(StoreScreenshotTest, ChooserOnTheShortestWindow)
{
    // The main window's least height at 2.0 on 1600 x 1000: the categories scroll, and the bar
    // lies beside the third box of each line, not over it.
    host->resize(310, 486);
    auto* chooser = openChooser();
    KXStoreTableView* table = chooser->listTableview();
    const QScrollBar* bar = table->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible()) << "the categories outgrow the table";
    const int barLeft = bar->mapTo(chooser, QPoint(0, 0)).x();
    EXPECT_LE(bar->width(), 12);
    int boxes = 0;
    for (int index = table->rowsInView().first; index >= 0 && index <= table->rowsInView().second; ++index) {
        auto* row = static_cast<KXFontSaleAuthorizeCell*>(table->viewAtRow(index));
        ASSERT_NE(row, nullptr);
        for (KXBaseButton* box : row->boxes()) {
            ++boxes;
            EXPECT_LE(box->mapTo(chooser, QPoint(box->width(), 0)).x(), barLeft)
                << box->title().toStdString();
            EXPECT_LE(box->mapTo(table->viewport(), QPoint(box->width(), 0)).x(), table->viewport()->width())
                << box->title().toStdString();
        }
    }
    EXPECT_GE(boxes, 3);
    shoot("chooser-short");
}

TEST_P(StoreScreenshotTest, ChooserOnAWideWindow)
{
    host->resize(kWideStore, 640);
    auto* chooser = openChooser();
    KXStoreTableView* table = chooser->listTableview();
    ASSERT_EQ(table->numberOfRows(), 3);
    EXPECT_LT(table->rectOfRow(0).height(), KXStoreGeometry::chooserRowHeight(3))
        << "three offers leave room on their line: no second line's height";
    for (int index = 0; index < 3; ++index) {
        const auto offers
            = chooser->dataA()->objectAtIndex(static_cast<std::size_t>(index))["brand_data"].count();
        EXPECT_EQ(table->rectOfRow(index).height(), KXStoreGeometry::chooserRowHeight(offers, kWideStore));
    }
    const int lines = expectBoxesLaidOut<KXFontSaleAuthorizeCell>(
        table, [](KXFontSaleAuthorizeCell* cell) { return cell->boxes(); });
    EXPECT_EQ(lines, 1) << "every category's offers on one line";
    auto* row = static_cast<KXFontSaleAuthorizeCell*>(table->viewAtRow(2));
    ASSERT_NE(row, nullptr);
    storetest::click(*row->boxes()[2]);
    storetest::hoverIn(*row->boxes()[2]);
    const QImage shot = shoot("chooser-popup-wide");
    EXPECT_FALSE(chooser->alertView()->isHidden());
    EXPECT_TRUE(table->viewport()->rect().contains(chooser->alertView()->geometry())) << "the pop-up in full";
    EXPECT_EQ(centreOf(shot, chooser->sureBtn(), host.get()), kStoreRed);
    EXPECT_GE(
        chooser->sureBtn()->mapTo(host.get(), QPoint(chooser->sureBtn()->width(), 0)).x(), kWideStore - 20);
}

TEST_P(StoreScreenshotTest, OfferPages)
{
    auto* chooser = openChooser();
    for (const char* brand : { "12", "21" }) {
        auto* page = new KXFontSaleBuyView(chooser);
        lay(page);
        page->setDataDic(chooser->brandsDic().offerForBrandID(brand));
        waitForPictures(page);
        const QImage shot = shoot(std::string(brand) == "12" ? "offer-page-promotion" : "offer-page");
        EXPECT_EQ(centreOf(shot, page->buyBtn(), host.get()), kStoreRed);
        EXPECT_EQ(page->oriPriceLabel()->text().isEmpty(), std::string(brand) == "21");
        delete page;
    }
}

TEST_P(StoreScreenshotTest, OrderPage)
{
    auto* page = openOrder(serviceOffers(), fonts);
    ASSERT_EQ(page->countPriceLabel()->text().left(4), "合计：￥");
    const QImage shot = shoot("order");
    EXPECT_EQ(centreOf(shot, page->buyBtn(), host.get()), kStoreRed);
    EXPECT_TRUE(page->vipLabel()->isHidden());

    storetest::click(
        *static_cast<KXFontsSaleOrderViewCell*>(page->listTableview()->viewAtRow(0))->removeclassCheckBtn());
    shoot("order-delete-dialog");
    EXPECT_NE(page->findChild<KXFontsSaleDeleteAuthView*>(), nullptr);
}

TEST_P(StoreScreenshotTest, OrderPageAndRepickSheetOnAWideWindow)
{
    host->resize(kWideStore, 640);
    // A cart of twelve fonts: eight a line here, two at the designed width.
    auto* page = openOrder(serviceOffers(), storetest::catalogueFonts(12));
    KXStoreTableView* table = page->listTableview();
    ASSERT_EQ(table->numberOfRows(), 2);
    EXPECT_EQ(table->rectOfRow(0).height(), KXStoreGeometry::orderRowHeight(12, kWideStore));
    const int lines = expectBoxesLaidOut<KXFontsSaleOrderViewCell>(
        table, [](KXFontsSaleOrderViewCell* cell) { return cell->fontBtnA(); },
        std::function<std::vector<QWidget*>(KXFontsSaleOrderViewCell*)>([](KXFontsSaleOrderViewCell* cell) {
            return std::vector<QWidget*> { cell->addclassCheckBtn(), cell->removeclassCheckBtn(),
                cell->classLabel() };
        }));
    EXPECT_EQ(lines, 2);
    auto* first = static_cast<KXFontsSaleOrderViewCell*>(table->viewAtRow(0));
    ASSERT_NE(first, nullptr);
    EXPECT_GE(first->addclassCheckBtn()->mapTo(host.get(), QPoint(29, 0)).x(), kWideStore - 20)
        << "+ at the row's right end";
    QImage shot = shoot("order-wide");
    EXPECT_EQ(centreOf(shot, page->buyBtn(), host.get()), kStoreRed);

    storetest::click(*first->addclassCheckBtn());
    auto* sheet = page->reselectedView();
    ASSERT_NE(sheet, nullptr);
    waitFor([&] { return sheet->listTableview()->numberOfRows() > 0; });
    sheet->finishSlide();
    storetest::settle(*host);
    EXPECT_EQ(expectBoxesLaidOut<KXFontSaleAuthorizeCell>(
                  sheet->listTableview(), [](KXFontSaleAuthorizeCell* cell) { return cell->boxes(); }),
        1);
    shot = shoot("repick-sheet-wide");
    EXPECT_EQ(centreOf(shot, sheet->sureBtn(), host.get()), kStoreRed);
}

TEST_P(StoreScreenshotTest, OrderPageWithVipLinesAndTheWaitPanel)
{
    auto signedIn = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), success, failure);
    });
    foundation::UserDefaults::standardUserDefaults().setObject(
        signedIn.reply["corvane_data"]["token"], "token");
    auto* page = openOrder(serviceOffers(), fonts);
    ASSERT_FALSE(page->vipLabel()->isHidden());
    shoot("order-vip");
    EXPECT_EQ(page->bottomView()->height(), 122);

    desktop::ScopedRecordingURLOpener opener;
    auto reply = foundation::Dictionary::create({ { Id("errcode"), Id(0) },
        { Id("corvane_data"),
            Id(foundation::Dictionary::create(
                { { Id("jump_url"), Id(service().baseUrl() + "pages/pay?order=1") } })) } });
    page->buyFontsBussiness(Id(reply));
    waitFor([&] { return !page->seeOrderTitle()->text().isEmpty(); });
    const QImage shot = shoot("order-wait");
    EXPECT_EQ(page->seeOrderTitle()->text().left(6), "请等待 5S");
    EXPECT_NE(centreOf(shot, page->seeOrderBtn(), host.get()), kStoreRed);
}

TEST_P(StoreScreenshotTest, RepickSheetAndCheckDialog)
{
    desktop::ScopedRecordingURLOpener opener;
    auto* page = openOrder(serviceOffers(), storetest::catalogueFonts(4));
    storetest::click(
        *static_cast<KXFontsSaleOrderViewCell*>(page->listTableview()->viewAtRow(0))->addclassCheckBtn());
    auto* sheet = page->reselectedView();
    ASSERT_NE(sheet, nullptr);
    waitFor([&] { return sheet->listTableview()->numberOfRows() > 0; });
    sheet->finishSlide();
    QImage shot = shoot("repick-sheet");
    EXPECT_EQ(centreOf(shot, sheet->sureBtn(), host.get()), kStoreRed);
    storetest::click(*sheet->backBtn());
    storetest::settle(*host);

    // The fourth font is not in the cart: the service asks for a confirmation.
    page->buyBtnClick();
    waitFor([&] { return page->checkOrderView() != nullptr; });
    ASSERT_NE(page->checkOrderView(), nullptr);
    shot = shoot("order-check-dialog");
    EXPECT_EQ(centreOf(shot, page->checkOrderView()->continueBtn(), host.get()), QColor(251, 251, 251));
}

TEST_P(StoreScreenshotTest, TheRepickSheetsBottomBarCoversThePageUnderItAtFractionalScales)
{
    auto* page = openOrder(serviceOffers(), storetest::catalogueFonts(4));
    storetest::click(
        *static_cast<KXFontsSaleOrderViewCell*>(page->listTableview()->viewAtRow(0))->addclassCheckBtn());
    auto* sheet = page->reselectedView();
    ASSERT_NE(sheet, nullptr);
    waitFor([&] { return sheet->listTableview()->numberOfRows() > 0; });
    sheet->finishSlide();
    storetest::settle(*host);
    const QWidget* bar = sheet->bottomview();
    const int top = bar->mapTo(host.get(), QPoint(0, 0)).y();
    for (const double scale : { 1.0, 1.25, 1.75 }) {
        // The dimmed page (white under the cover is 204) must not show along the bar's top edge;
        // the bar's faint shadow may.
        const QImage shot = drawnAtScale(*host, scale);
        const int first = static_cast<int>(std::floor((top - 1) * scale));
        const int last = static_cast<int>(std::ceil((top + 1) * scale));
        int darkest = 255;
        for (int y = first; y <= last; ++y)
            for (int x = 0; x < shot.width(); ++x)
                darkest = std::min(darkest, qGray(shot.pixel(x, y)));
        EXPECT_GE(darkest, 240) << "at " << scale;
    }
}

TEST_P(StoreScreenshotTest, OfferBrowserList)
{
    auto* list = static_cast<KXFontsSaleAuthorSecView*>(lay(new KXFontsSaleAuthorSecView(host.get())));
    list->setAuthid("2");
    waitFor([&] { return list->listTableview()->numberOfRows() == 2; });
    storetest::settle(*host);
    const QImage shot = shoot("offer-browser");
    EXPECT_EQ(list->listTableview()->numberOfRows(), 2);
    EXPECT_EQ(shot.pixelColor(QPoint(155, 300) * shot.devicePixelRatio()), QColor(Qt::white));
}

INSTANTIATE_TEST_SUITE_P(DayAndNight, StoreScreenshotTest, testing::Bool(),
    [](const testing::TestParamInfo<bool>& param) { return param.param ? "Day" : "Night"; });

} // namespace
