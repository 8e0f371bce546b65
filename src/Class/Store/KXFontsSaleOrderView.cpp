#include "Class/Store/KXFontsSaleOrderView.h"

#include "Class/Account/Core/KXCountDown.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXOrderReadBack.h"
#include "Class/Store/Core/KXPriceRequester.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/Core/KXStoreSession.h"
#include "Class/Store/Core/KXStoreTexts.h"
#include "Class/Store/KXFontsSaleCheckOrderView.h"
#include "Class/Store/KXFontsSaleDeleteAuthView.h"
#include "Class/Store/KXFontsSaleOrderViewCell.h"
#include "Class/Store/KXFontsSaleReselectedView.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreImages.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Class/Store/KXStoreWindow.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Storage/UserDefaults.h"

#include <QLabel>

using foundation::Id;
using Outcome = KXOrderReadBack::Outcome;
using layoutwidgets::lcView;

namespace {

constexpr double kOrderBottomHeight = 90;

QLabel* totalLine(QWidget* parent)
{
    auto* label = storestyle::plainLabel({}, 12, storestyle::kTextGrey, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

} // namespace

// The page as the account's read-back sees it: it dies with the page, which the read-back then
// finds gone.
class KXFontsSaleOrderReceiver final : public KXOrderReadBack::Page {
public:
    explicit KXFontsSaleOrderReceiver(KXFontsSaleOrderView* page)
        : page_(page)
    {
    }
    bool stands() const override { return !kx_isRemovedFromSuperview(page_); }
    void orderMade(const Id& reply) override { page_->orderMade(reply); }
    void orderRefused(const Id&) override { page_->orderRefused(); }
    void orderOutcomeUnknown(Outcome) override { page_->orderOutcomeUnknown(); }

private:
    KXFontsSaleOrderView* page_;
};

KXFontsSaleOrderView::KXFontsSaleOrderView(QWidget* parent)
    : KXBaseView(parent)
    , buyCartFonts_(foundation::MutableArray::create())
    , priceRequester_(std::make_unique<KXPriceRequester>())
    , countDown_(std::make_unique<KXCountDown>())
    , tableSource_(std::make_shared<KXStoreTableViewForwarder<KXFontsSaleOrderView>>(this))
    , cellDelegate_(std::make_shared<KXFontsSaleOrderViewCellForwarder<KXFontsSaleOrderView>>(this))
    , sheetDelegate_(std::make_shared<KXFontsSaleReselectedViewForwarder<KXFontsSaleOrderView>>(this))
    , deleteDelegate_(std::make_shared<KXFontsSaleDeleteAuthViewForwarder<KXFontsSaleOrderView>>(this))
    , orderReceiver_(std::make_shared<KXFontsSaleOrderReceiver>(this))
{
    setUPUI();
}

KXFontsSaleOrderView::~KXFontsSaleOrderView() = default;

KXFontsSaleCheckOrderView* KXFontsSaleOrderView::checkOrderView() const
{
    return checkOrderView_;
}

KXFontsSaleReselectedView* KXFontsSaleOrderView::reselectedView() const
{
    return reselectedView_;
}

void KXFontsSaleOrderView::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    backBtn_ = storestyle::topBar(this, QStringLiteral("确认订单")).backBtn;
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });

    listTableview_ = new KXStoreTableView(this);
    listTableview_->setBackgroundColor(storestyle::kTableBackground);
    listTableview_->setIntercellSpacing({ 0, 10 });
    listTableview_->setDataSource(tableSource_);

    bottomView_ = new QWidget(this);
    storestyle::fill(*bottomView_, Qt::white);
    auto* bottomLine = new KXStoreBox(bottomView_, storestyle::kSeparator);
    allSelectBtn_ = KXBaseButton::buttonWithTitle(QStringLiteral("全选"), {}, bottomView_);
    allSelectBtn_->setButtonType(KXBaseButton::ButtonType::CheckBox);
    allSelectBtn_->setImage(storeimages::checkNormal());
    allSelectBtn_->setAlternateImage(storeimages::checkSelected());
    allSelectBtn_->setNormalFont(storestyle::systemFont(13));
    allSelectBtn_->setNormalColor(storestyle::kBoxTitle);
    allSelectBtn_->setState(1);
    allSelectBtn_->setAction([this](KXBaseButton*) { allSelectedBtnClick(); });
    fontsNumLabel_ = storestyle::plainLabel({}, 12, storestyle::kTextGrey, bottomView_);
    countPriceLabel_ = new KXStoreTextLabel(bottomView_);
    countPriceLabel_->setTextFont(storestyle::systemFont(13));
    countPriceLabel_->setTextColor(storestyle::kBoxTitle);
    countPriceLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    discountPriceLabel_ = totalLine(bottomView_);
    activityLabel_ = totalLine(bottomView_);
    activityLabel_->hide();
    vipLabel_ = totalLine(bottomView_);
    vipLabel_->hide();
    buyBtn_ = storestyle::redButton(QStringLiteral("提交订单"), 6, bottomView_);
    buyBtn_->setAction([this](KXBaseButton*) { buyBtnClick(); });

    waitBgView_ = new KXStoreBox(this, Qt::white);
    waitBgView_->hide();
    auto* waitBack
        = storestyle::titledButton(QStringLiteral("〈 返回"), storestyle::kBoxTitle, 14, waitBgView_);
    waitBack->setAction([this](KXBaseButton*) { backBtnClick(); });
    auto* waitTitle = storestyle::plainLabel(
        QStringLiteral("订单已提交，请在浏览器中完成支付"), 16, storestyle::kCategoryTitle, waitBgView_);
    seeOrderBtn_ = new KXStoreButton(waitBgView_);
    seeOrderBtn_->setLayerBackground(QColor(250, 250, 250));
    seeOrderBtn_->setBorder(storestyle::kSeparator, 1);
    seeOrderBtn_->setCornerRadius(6);
    seeOrderBtn_->setAction([this](KXBaseButton*) { seeOrderBtnClick(); });
    seeOrderTitle_ = new KXStoreTextLabel(seeOrderBtn_);
    seeOrderTitle_->setAttribute(Qt::WA_TransparentForMouseEvents);
    seeOrderTitle_->setTextFont(storestyle::systemFont(13));
    seeOrderTitle_->setTextColor(storestyle::kBoxTitle);
    seeOrderTitle_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    const auto bottom = lc_makeConstraints(lcView(bottomView_), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.height().equalTo(kOrderBottomHeight);
    });
    bottomViewHeight_ = bottom.back();
    bottomViewHeightConstant_ = kOrderBottomHeight;
    QWidget* bar = bottomView_;
    lc_makeConstraints(lcView(listTableview_), [bar](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(51);
        make.bottom().equalTo(lc_top(lcView(bar)));
    });
    lc_makeConstraints(lcView(bottomLine), [](LCConstraintMaker& make) {
        make.left().right().top().equalTo(0);
        make.height().equalTo(1);
    });
    // The bar in the 310-wide store: select-all and the count on top, the totals below on the
    // left (four lines once the VIP lines show, in the raised bar), submit on the right.
    lc_makeConstraints(lcView(allSelectBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.top().equalTo(8);
        make.width().equalTo(60);
        make.height().equalTo(24);
    });
    QWidget* selectAll = allSelectBtn_;
    lc_makeConstraints(lcView(fontsNumLabel_), [selectAll](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(selectAll))).offset(6);
        make.centerY().equalTo(lc_centerY(lcView(selectAll)));
    });
    lc_makeConstraints(lcView(buyBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(0).offset(-20);
        make.bottom().equalTo(0).offset(-14);
        make.width().equalTo(110);
        make.height().equalTo(40);
    });
    KXStoreButton* buy = buyBtn_;
    double top = 36;
    for (QWidget* line : std::initializer_list<QWidget*> {
             countPriceLabel_, discountPriceLabel_, activityLabel_, vipLabel_ }) {
        lc_makeConstraints(lcView(line), [buy, top](LCConstraintMaker& make) {
            make.left().equalTo(20);
            make.right().equalTo(lc_left(lcView(buy))).offset(-10);
            make.top().equalTo(top);
            make.height().equalTo(20);
        });
        top += 20;
    }
    lc_makeConstraints(lcView(waitBgView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    lc_makeConstraints(lcView(waitBack), [](LCConstraintMaker& make) {
        make.left().equalTo(10);
        make.top().equalTo(10);
        make.width().equalTo(64);
        make.height().equalTo(30);
    });
    lc_makeConstraints(lcView(waitTitle), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.centerY().equalTo(0).offset(-60);
    });
    lc_makeConstraints(lcView(seeOrderBtn_), [](LCConstraintMaker& make) {
        make.center().equalTo(0);
        make.width().equalTo(270);
        make.height().equalTo(64);
    });
    lc_makeConstraints(lcView(seeOrderTitle_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    showZeroTotals();
    KXStoreSession::shared().orderReadBack().readCount();
}

void KXFontsSaleOrderView::setBuyCartFonts(foundation::Ref<foundation::MutableArray> fonts)
{
    buyCartFonts_ = fonts ? std::move(fonts) : foundation::MutableArray::create();
    listOrdersMade_ = KXStoreSession::shared().orderReadBack().ordersMade();
}

bool KXFontsSaleOrderView::listIsStale() const
{
    return KXStoreSession::shared().orderReadBack().ordersMade() != listOrdersMade_;
}

void KXFontsSaleOrderView::setDataA(const foundation::Ref<foundation::Array>& offers)
{
    std::vector<std::string> fontsA;
    fontsA.reserve(buyCartFonts_->count());
    for (const Id& font : buyCartFonts_->objects()) {
        if (auto model = font.as<KXFontBaseModel>())
            fontsA.push_back(foundation::format("%d", model->fontid));
    }
    selection_.setDataA(offers, std::move(fontsA));
    listTableview_->reloadData();
    upDatePriceByInfoString();
}

void KXFontsSaleOrderView::upDatePriceByInfoString()
{
    const bool asked = priceRequester_->request(selection_.infoString(),
        dispatch::guardedQt(this, [](KXFontsSaleOrderView& self, const Id& data) { self.applyTotals(data); }),
        dispatch::guardedQt(this, [](KXFontsSaleOrderView& self) { self.showUnknownTotals(); }));
    if (!asked)
        showZeroTotals();
    else if (!totalsAnswered_)
        showUnknownTotals();
}

void KXFontsSaleOrderView::showZeroTotals()
{
    totalsAnswered_ = false;
    countPriceLabel_->setAttributedText(KXStoreTexts::zeroOrderTotal());
    discountPriceLabel_->setText(storestyle::qstring(KXStoreTexts::zeroOrderDiscount()));
    activityLabel_->setText(storestyle::qstring(KXStoreTexts::zeroOrderActivity()));
    vipLabel_->setText(storestyle::qstring(KXStoreTexts::zeroOrderVip()));
    fontsNumLabel_->setText(storestyle::qstring(KXStoreTexts::orderCount(0, 0)));
}

void KXFontsSaleOrderView::showUnknownTotals()
{
    totalsAnswered_ = false;
    countPriceLabel_->setAttributedText(KXStoreTexts::unknownOrderTotal());
    discountPriceLabel_->setText(storestyle::qstring(KXStoreTexts::unknownOrderDiscount()));
    activityLabel_->setText(storestyle::qstring(KXStoreTexts::unknownOrderActivity()));
    vipLabel_->setText(storestyle::qstring(KXStoreTexts::unknownOrderVip()));
    fontsNumLabel_->setText(storestyle::qstring(
        KXStoreTexts::orderCount(selection_.infoArray().size(), selection_.allFontsA().size())));
}

void KXFontsSaleOrderView::applyTotals(const Id& data)
{
    totalsAnswered_ = true;
    discountPriceLabel_->setText(storestyle::qstring(KXStoreTexts::orderDiscount(data["favorable_price"])));
    countPriceLabel_->setAttributedText(KXStoreTexts::orderTotal(data["price"]));
    fontsNumLabel_->setText(storestyle::qstring(
        KXStoreTexts::orderCount(selection_.infoArray().size(), selection_.allFontsA().size())));
    if (selection_.isAllSelected())
        allSelectBtn_->setState(1);
    // Once shown the two lines stay, so each reply writes both from its own amounts: a reply
    // without a VIP discount must not leave the amounts of an earlier one on screen.
    activityLabel_->setText(storestyle::qstring(KXStoreTexts::orderActivity(data["activity_price"])));
    vipLabel_->setText(storestyle::qstring(KXStoreTexts::orderVip(data["vip_price"])));
    if (KXStoreTexts::showsVipLines(data)) {
        bottomViewHeightConstant_ = kVipBottomHeight;
        bottomViewHeight_->setOffset(kVipBottomHeight);
        activityLabel_->show();
        vipLabel_->show();
    }
}

int KXFontsSaleOrderView::numberOfRowsInTableView(KXStoreTableView* /*tableView*/)
{
    return static_cast<int>(selection_.dataA()->count());
}

double KXFontsSaleOrderView::tableViewHeightOfRow(KXStoreTableView* tableView, int /*row*/)
{
    // The table's own width, which a scroll bar shown or hidden does not change.
    return KXStoreGeometry::orderRowHeight(buyCartFonts_->count(), tableView->width());
}

KXStoreTableCellView* KXFontsSaleOrderView::tableViewViewForRow(KXStoreTableView* tableView, int row)
{
    auto* cell = static_cast<KXFontsSaleOrderViewCell*>(
        tableView->makeViewWithIdentifier(QString::fromLatin1(KXFontsSaleOrderViewCell::kIdentifier)));
    if (!cell)
        cell = new KXFontsSaleOrderViewCell(tableView->viewport());
    const Id offer = selection_.dataA()->objectAtIndex(static_cast<std::size_t>(row));
    auto record = offer.dictionary()
        ? foundation::MutableDictionary::dictionaryWithDictionary(*offer.dictionary())
        : foundation::MutableDictionary::create();
    record->setObject(Id(buyCartFonts_), Id("fonts"));
    const auto chosen = selection_.chosenFonts(KXOrderSelection::brandID(offer));
    cell->setChosenFonts(std::unordered_set<std::string>(chosen.begin(), chosen.end()));
    cell->setDelegate(cellDelegate_);
    cell->setLayoutWidth(tableView->width());
    cell->setDataDic(Id(record));
    return cell;
}

void KXFontsSaleOrderView::KXFontsSaleOrderViewCellFontBtnClick(
    const foundation::Ref<foundation::Dictionary>& info)
{
    const Id details(info);
    selection_.fontChoice(details["brandid"].stringValue(), details["fontid"].stringValue());
    if (details["state"].integerValue() == 0)
        allSelectBtn_->setState(0);
    upDatePriceByInfoString();
}

void KXFontsSaleOrderView::allSelectedBtnClick()
{
    if (allSelectBtn_->state() == 0) {
        selection_.clearChoice();
        listTableview_->reloadData();
        upDatePriceByInfoString();
        return;
    }
    setDataA(foundation::Array::create(selection_.dataA()->objects()));
}

void KXFontsSaleOrderView::KXFontsSaleOrderViewCellremoveClassClick(const Id& record)
{
    const std::string brandID = KXOrderSelection::brandID(record);
    const auto& rows = selection_.dataA()->objects();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (KXOrderSelection::brandID(rows[i]) == brandID) {
            deleteRow_ = static_cast<long long>(i);
            break;
        }
    }
    auto* question = new KXFontsSaleDeleteAuthView(this);
    question->setDelegate(deleteDelegate_);
    question->setBrandID(brandID);
    QWidget* page = this;
    lc_makeConstraints(lcView(question), [page](LCConstraintMaker& make) {
        make.width().equalTo(KXStoreGeometry::kDeleteDialogWidth);
        make.height().equalTo(KXStoreGeometry::kDeleteDialogHeight);
        make.centerX().equalTo(lc_centerX(lcView(page)));
        make.centerY().equalTo(lc_centerY(lcView(page))).offset(KXStoreGeometry::kDialogCentreOffset);
    });
    question->show();
    question->raise();
}

void KXFontsSaleOrderView::KXFontsSaleDeleteAuthViewSureBtnClick(const std::string& brandID)
{
    const bool hadChoice = !selection_.chosenFonts(brandID).empty();
    const long long row = selection_.removeOffer(brandID);
    if (row < 0)
        return;
    if (hadChoice)
        upDatePriceByInfoString();
    listTableview_->removeRow(static_cast<int>(row), true);
    KXGlobalDataBase::sharedKXGlobalDataBase().setSelectedAuthArray(selection_.dataA());
    if (selection_.dataA()->count() == 0)
        showEmptyState();
}

void KXFontsSaleOrderView::showEmptyState()
{
    listTableview_->hide();
    bottomView_->hide();
}

void KXFontsSaleOrderView::KXFontsSaleOrderViewCellAddClassClick(
    const foundation::Ref<foundation::Dictionary>& /*info*/)
{
    // The sheet that is still open over the page; one that closed waits only to be deleted.
    if (reselectedView_ && reselectedView_->parentWidget() == this)
        return;
    auto* sheet = new KXFontsSaleReselectedView(this);
    reselectedView_ = sheet;
    sheet->setSelectedA(foundation::MutableArray::create(selection_.dataA()->objects()));
    sheet->setDelegate(sheetDelegate_);
    lc_makeConstraints(lcView(sheet), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    sheet->setGeometry(rect());
    sheet->show();
    sheet->raise();
}

void KXFontsSaleOrderView::KXFontsSaleReselectedViewSureBtnClick()
{
    const auto change = selection_.reconcile(KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray());
    if (!change.removedRows.empty())
        listTableview_->reloadData();
    if (change.addedRows > 0)
        listTableview_->insertRows(
            static_cast<int>(change.firstAddedRow), static_cast<int>(change.addedRows), true);
    if (selection_.dataA()->count() == 0)
        showEmptyState();
    upDatePriceByInfoString();
}

void KXFontsSaleOrderView::updateSubmitState()
{
    buyBtn_->setEnabled(!submitting_ && !checkOrderView_ && !orderPlaced_);
}

void KXFontsSaleOrderView::buyBtnClick()
{
    // One order at a time: nothing while a request is on its way or the check dialog is open.
    if (submitting_ || checkOrderView_ || orderPlaced_ || refuseEmptyChoice())
        return;
    // An order was made since these fonts were taken from the cart: they were ordered then.
    if (listIsStale()) {
        orderPlaced_ = true;
        storewindow::toast(nullptr, ToastStyle::Info, kOrderPlacedMessage);
        updateSubmitState();
        return;
    }
    // This page made an order of these fonts already: only the person's choice sends another.
    if (!madeOrder_.empty() && KXOrderSelection::sameOrder(madeOrder_, selection_.infoString())) {
        askAboutTheMadeOrder();
        return;
    }
    submitting_ = true;
    updateSubmitState();
    // An earlier order whose reply was lost may have been made since, and an order needs a count
    // from before it: either is read first. One found made of these fonts reaches orderMade()
    // first; one of other fonts is told as an earlier order, and this press goes on.
    KXStoreSession::shared().orderReadBack().beforeOrder(
        dispatch::guardedQt(
            this, [](KXFontsSaleOrderView& self, Outcome outcome) { self.pressAnswered(outcome); }),
        orderReceiver_, selection_.infoString());
}

void KXFontsSaleOrderView::pressAnswered(Outcome outcome)
{
    if (outcome == Outcome::NotPlaced && !refuseEmptyChoice()) {
        sendOrder();
    } else if (outcome == Outcome::StillUnknown) {
        askAboutTheLostOrder();
    } else if (outcome == Outcome::Unknown) {
        if (KXStoreSession::shared().orderReadBack().isOrderOnItsWay())
            storewindow::toast(nullptr, ToastStyle::Info, kOrderOnItsWayMessage);
        submitEnded();
    }
}

void KXFontsSaleOrderView::askAboutTheMadeOrder()
{
    auto* ask = new KXFontsSaleCheckOrderView(this);
    ask->setTexts(
        QString::fromUtf8(kMadeOrderQuestion), QStringLiteral("查看订单"), QStringLiteral("仍然提交"));
    checkOrderView_ = ask;
    ask->setBlock(dispatch::guardedQt(this, [](KXFontsSaleOrderView& self, bool submitAgain) {
        self.checkOrderView_ = nullptr;
        self.updateSubmitState();
        if (!submitAgain) {
            self.seeOrderBtnClick();
            return;
        }
        self.madeOrder_.clear();
        self.buyBtnClick();
    }));
    placeDialog(ask);
    updateSubmitState();
}

void KXFontsSaleOrderView::askAboutTheLostOrder()
{
    // An order may have been made without an answer: only the person's choice sends another.
    auto* ask = new KXFontsSaleCheckOrderView(this);
    ask->setTexts(
        QString::fromUtf8(kLostOrderQuestion), QStringLiteral("查看订单"), QStringLiteral("仍然提交"));
    checkOrderView_ = ask;
    ask->setBlock(dispatch::guardedQt(this, [](KXFontsSaleOrderView& self, bool submitAgain) {
        self.checkOrderView_ = nullptr;
        if (!submitAgain) {
            self.submitEnded();
            self.seeOrderBtnClick();
            return;
        }
        // Read once more: the lost order may have landed while the question was open.
        KXStoreSession::shared().orderReadBack().submitAgain(
            dispatch::guardedQt(
                &self, [](KXFontsSaleOrderView& page, Outcome outcome) { page.pressAnswered(outcome); }),
            self.orderReceiver_, self.selection_.infoString());
    }));
    placeDialog(ask);
    updateSubmitState();
}

bool KXFontsSaleOrderView::refuseEmptyChoice()
{
    if (!selection_.infoArray().empty() && !selection_.allFontsA().empty())
        return false;
    storewindow::toast(nullptr, ToastStyle::Warning, "请选择至少一个授权及字体");
    submitEnded();
    return true;
}

void KXFontsSaleOrderView::sendOrder()
{
    // Whatever becomes of it reaches the account's read-back, and this page while it stands.
    sentOrder_ = selection_.infoString();
    KXStoreSession::shared().orderReadBack().sendOrder(sentOrder_, orderReceiver_);
}

void KXFontsSaleOrderView::orderOutcomeUnknown()
{
    // No answer, and the order has not appeared (or nothing could be read): it may still be made,
    // and the person is told so.
    storewindow::toast(nullptr, ToastStyle::Warning, kLostOrderMessage);
    submitEnded();
}

void KXFontsSaleOrderView::orderRefused()
{
    submitEnded();
}

void KXFontsSaleOrderView::submitEnded()
{
    submitting_ = false;
    updateSubmitState();
}

void KXFontsSaleOrderView::orderFoundPlaced()
{
    storewindow::toast(nullptr, ToastStyle::Info, kOrderPlacedMessage);
    // No payment address: the order awaits payment in the orders, where the user is taken.
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("0"), kOrderReminderKey);
    defaults.synchronize();
    dispatch::NotificationCenter::defaultCenter().post(kGoToOrderNotification, Id(kOrderPosterObject));
    submitEnded();
}

void KXFontsSaleOrderView::orderMade(const Id& reply)
{
    submitting_ = false;
    if (reply.isNil()) {
        // Its fonts have left the cart: no other order goes from this page.
        orderPlaced_ = true;
        orderFoundPlaced();
        return;
    }
    if (reply["corvane_data"]["carts_error"].integerValue() == 0) {
        buyFontsBussiness(reply);
        return;
    }
    // The person is shown the problem of this order, which the service has made all the same:
    // thinking again opens nothing, but says where the order waits, and a press of the same fonts
    // asks before another goes.
    listOrdersMade_ = KXStoreSession::shared().orderReadBack().ordersMade();
    madeOrder_ = sentOrder_;
    auto* check = new KXFontsSaleCheckOrderView(this);
    checkOrderView_ = check;
    // The block answers once; the hand-over runs once for this reply.
    check->setBlock(dispatch::guardedQt(this, [reply](KXFontsSaleOrderView& self, bool goOn) {
        self.checkOrderView_ = nullptr;
        self.updateSubmitState();
        if (goOn) {
            self.madeOrder_.clear();
            self.buyFontsBussiness(reply);
            return;
        }
        storewindow::toast(nullptr, ToastStyle::Info, kOrderPlacedMessage);
        auto& defaults = foundation::UserDefaults::standardUserDefaults();
        defaults.setObject(Id("0"), kOrderReminderKey);
        defaults.synchronize();
        dispatch::NotificationCenter::defaultCenter().post(kCheckOrderNotification);
    }));
    placeDialog(check);
    updateSubmitState();
}

void KXFontsSaleOrderView::placeDialog(QWidget* dialog)
{
    QWidget* page = this;
    lc_makeConstraints(lcView(dialog), [page](LCConstraintMaker& make) {
        make.width().equalTo(KXStoreGeometry::kCheckDialogWidth);
        make.height().equalTo(KXStoreGeometry::kCheckDialogHeight);
        make.centerX().equalTo(lc_centerX(lcView(page)));
        make.centerY().equalTo(lc_centerY(lcView(page))).offset(KXStoreGeometry::kDialogCentreOffset);
    });
    dialog->show();
    dialog->raise();
}

void KXFontsSaleOrderView::buyFontsBussiness(const Id& reply)
{
    // The order is made: no other goes from this page.
    orderPlaced_ = true;
    updateSubmitState();
    waitBgView_->show();
    waitBgView_->raise();
    backBtn_->hide();
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("0"), kOrderReminderKey);
    defaults.synchronize();
    openPaymentPage(reply["corvane_data"]["jump_url"]);
    dispatch::NotificationCenter::defaultCenter().post(kGoToOrderNotification, Id(kOrderPosterObject));
    countDown_->start(
        kCountDownSeconds,
        [self = QPointer<KXFontsSaleOrderView>(this)](long long count) {
            if (self)
                self->seeOrderTitle_->setAttributedText(KXStoreTexts::countDownTitle(count));
        },
        [] {});
}

void KXFontsSaleOrderView::openPaymentPage(const Id& address)
{
    KXOpenFailedAlert::openURL(this, address.stringValue(), KXOpenFailedAlert::Kind::PaymentPage);
}

void KXFontsSaleOrderView::seeOrderBtnClick()
{
    dispatch::NotificationCenter::defaultCenter().post(kGoToOrderNotification);
    storewindow::removeTopmostSubviewOfContentView(this);
}

void KXFontsSaleOrderView::backBtnClick()
{
    if (waitBgView_->isVisibleTo(this)) {
        waitBgView_->hide();
        return;
    }
    if (backBlock_)
        backBlock_(true);
    kx_removeFromSuperview(this);
}
