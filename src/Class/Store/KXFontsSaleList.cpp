#include "Class/Store/KXFontsSaleList.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/Core/KXStoreTexts.h"
#include "Class/Store/KXDeleteBuyCartsView.h"
#include "Class/Store/KXFontSaleListCell.h"
#include "Class/Store/KXFontsSaleAuthorizeView.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreImages.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreWindow.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Storage/UserDefaults.h"

#include <QLabel>
#include <unordered_set>
#include <utility>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

constexpr double kBottomHeight = 60;
constexpr double kVipBottomHeight = 83;

std::string joinedIDs(const Id& ids)
{
    std::string text;
    for (std::size_t i = 0; i < ids.count(); ++i) {
        if (!text.empty())
            text.push_back(',');
        text += ids[i].stringValue();
    }
    return text;
}

foundation::Ref<KXFontBaseModel> modelAt(
    const foundation::Ref<foundation::MutableArray>& models, std::size_t index)
{
    return index < models->count() ? models->objectAtIndex(index).as<KXFontBaseModel>() : nullptr;
}

} // namespace

KXFontsSaleList::KXFontsSaleList(QWidget* parent)
    : KXBaseView(parent)
    , dataA_(foundation::MutableArray::create())
    , tableSource_(std::make_shared<KXStoreTableViewForwarder<KXFontsSaleList>>(this))
    , cellDelegate_(std::make_shared<KXFontSaleListCellForwarder<KXFontsSaleList>>(this))
    , deleteDelegate_(std::make_shared<KXDeleteBuyCartsViewForwarder<KXFontsSaleList>>(this))
{
    setUPUI();
    cartReadBack_ = dispatch::NotificationCenter::defaultCenter().addObserver(KXAccountWrites::kReadBackNotification, Id(), nullptr,
        [page = QPointer<KXFontsSaleList>(this)](const dispatch::Notification& notification) {
            const Id info(notification.userInfo);
            if (page && info["read"].stringValue() == KXAccountWrites::readName(KXAccountWrites::Read::Cart) && info["ok"].boolValue())
                page->cartArrived(info["reply"], std::exchange(page->ownLoadPending_, false));
        });
    setUPData();
}

KXFontsSaleList::~KXFontsSaleList() = default;

KXFontsSaleAuthorizeView* KXFontsSaleList::authorizeView() const
{
    return authorizeView_;
}

void KXFontsSaleList::setUPUI()
{
    storestyle::fill(*this, Qt::white);

    const auto top = storestyle::topBar(this, QStringLiteral("购物车"));
    topView_ = top.bar;
    backBtn_ = top.backBtn;
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });
    manaBtn_ = storestyle::titledButton(QStringLiteral("管理"), storestyle::kBoxTitle, 14, topView_);
    manaBtn_->setAction([this](KXBaseButton*) { manaBtnClick(); });

    scrollerView_ = new QWidget(this);
    listTableview_ = new KXStoreTableView(scrollerView_);
    listTableview_->setIntercellSpacing({ 0, 2 });
    listTableview_->setBackgroundColor(storestyle::kSeparator);
    listTableview_->setDataSource(tableSource_);

    emptyView_ = storestyle::plainLabel(QStringLiteral("购物车里还没有字体"), 14, storestyle::kVipText, this);
    emptyView_->hide();

    bottomView_ = new QWidget(this);
    storestyle::fill(*bottomView_, Qt::white);
    // The bar's top separator.
    auto* separator = new KXStoreBox(bottomView_, storestyle::kSeparator);
    vipLabel_ = storestyle::plainLabel(
        QStringLiteral("VIP会员购买授权享专属优惠，结算时自动抵扣"), 12, storestyle::kVipText, bottomView_);
    vipLabel_->hide();
    vipline_ = new KXStoreBox(bottomView_, storestyle::kSeparator);
    vipline_->hide();
    allSelectedbtn_ = KXBaseButton::buttonWithTitle(QStringLiteral("全选"), {}, bottomView_);
    allSelectedbtn_->setButtonType(KXBaseButton::ButtonType::CheckBox);
    allSelectedbtn_->setImage(storeimages::checkNormal());
    allSelectedbtn_->setAlternateImage(storeimages::checkSelected());
    allSelectedbtn_->setNormalFont(storestyle::systemFont(13));
    allSelectedbtn_->setNormalColor(storestyle::kBoxTitle);
    allSelectedbtn_->setAction([this](KXBaseButton*) { allSeleBtn(); });
    fontsNumLabel_ = storestyle::plainLabel(QStringLiteral("已选0款"), 13, storestyle::kVipText, bottomView_);
    buyBtn_ = storestyle::redButton(QStringLiteral("购买"), 4, bottomView_);
    buyBtn_->setBorder(storestyle::kRedBorder, 1);
    buyBtn_->setAction([this](KXBaseButton*) { buyBtnClick(); });

    lc_makeConstraints(lcView(manaBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(0).offset(-10);
        make.centerY().equalTo(0);
        make.width().equalTo(50);
        make.height().equalTo(30);
    });
    const auto bottom = lc_makeConstraints(lcView(bottomView_), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.height().equalTo(kBottomHeight);
    });
    bottomHeight_ = bottom.back();
    bottomHeightConstant_ = kBottomHeight;
    lc_makeConstraints(lcView(scrollerView_), [this](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(51);
        make.bottom().equalTo(lc_top(lcView(bottomView_)));
    });
    lc_makeConstraints(lcView(listTableview_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    lc_makeConstraints(lcView(emptyView_), [](LCConstraintMaker& make) { make.center().equalTo(0); });
    lc_makeConstraints(lcView(separator), [](LCConstraintMaker& make) {
        make.left().right().top().equalTo(0);
        make.height().equalTo(1);
    });
    lc_makeConstraints(lcView(vipLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.top().equalTo(5);
    });
    lc_makeConstraints(lcView(vipline_), [](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(23);
        make.height().equalTo(1);
    });
    lc_makeConstraints(lcView(allSelectedbtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.bottom().equalTo(0).offset(-18);
        make.width().equalTo(60);
        make.height().equalTo(24);
    });
    lc_makeConstraints(lcView(fontsNumLabel_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(allSelectedbtn_))).offset(10);
        make.centerY().equalTo(lc_centerY(lcView(allSelectedbtn_)));
    });
    lc_makeConstraints(lcView(buyBtn_), [this](LCConstraintMaker& make) {
        make.right().equalTo(0).offset(-16);
        make.centerY().equalTo(lc_centerY(lcView(allSelectedbtn_)));
        make.width().equalTo(96);
        make.height().equalTo(34);
    });
}

void KXFontsSaleList::setBottomHeight(double height)
{
    bottomHeightConstant_ = height;
    bottomHeight_->setOffset(height);
}

void KXFontsSaleList::setUPData()
{
    // An order of unknown outcome may have emptied the cart: the count of unpaid orders says so.
    KXAccountWrites::readIfStale(KXAccountWrites::Read::UnpaidCount);
    // A cart left stale by a lost write is read as a read back, which every view of the cart
    // follows (this page through cartReadBack_); otherwise the page reads its own.
    if (KXAccountWrites::isStale(KXAccountWrites::Read::Cart)) {
        ownLoadPending_ = true;
        KXAccountWrites::read(KXAccountWrites::Read::Cart,
            dispatch::guardedQt(this, [](KXFontsSaleList& self, const KXAccountWrites::Result& read) {
                self.ownLoadPending_ = false;
                if (!read.ok)
                    self.cartArrived(read.reply);
            }));
    } else {
        KXStoreService::shared()->getBuyCartsDataSuceess(
            dispatch::guardedQt(this, [](KXFontsSaleList& self, const Id& reply) { self.cartArrived(reply); }),
            [](const foundation::Ref<foundation::Error>&) {});
    }
    if (!Id(foundation::UserDefaults::standardUserDefaults().stringForKey("vip_type"))
             .stringValue()
             .empty()) {
        setBottomHeight(kVipBottomHeight);
        vipLabel_->show();
        vipline_->show();
    }
}

void KXFontsSaleList::cartArrived(const Id& reply, bool ownLoad)
{
    if (!KXStoreService::listSucceeded(reply)) {
        scrollerView_->hide();
        bottomView_->hide();
        return;
    }
    // Whatever the cart holds, the badge shows it as this page does.
    if (cartBlock_)
        cartBlock_(reply);
    if (authorizeView_)
        authorizeView_->followCart(reply["corvane_data"]["fids"]);
    const std::string ids = joinedIDs(reply["corvane_data"]["fids"]);
    if (ids.empty()) {
        scrollerView_->hide();
        bottomView_->hide();
        manaBtn_->hide();
        emptyView_->show();
        if (backBlock_)
            backBlock_(false);
        return;
    }
    dataA_ = KXFilterData().recentDataWithIDs(ids);
    std::vector<int> rows;
    rows.reserve(dataA_->count());
    for (std::size_t i = 0; i < dataA_->count(); ++i) {
        if (auto model = modelAt(dataA_, i))
            rows.push_back(model->fontid);
    }
    if (!ownLoad) {
        selection_.followRows(std::move(rows));
        showCount();
        listTableview_->reloadData();
        return;
    }
    selection_.setRows(std::move(rows));
    listTableview_->reloadData();
    allSelectedbtn_->setState(1);
    allSeleBtn();
}

void KXFontsSaleList::allSeleBtn()
{
    if (!selection_.setAllSelected(allSelectedbtn_->state() != 0))
        return;
    showCount();
    listTableview_->reloadData();
}

void KXFontsSaleList::showCount()
{
    fontsNumLabel_->setText(storestyle::qstring(selection_.countText()));
    allSelectedbtn_->setState(selection_.isAllSelected() ? 1 : 0);
}

void KXFontsSaleList::KXFontSaleListCellClick(const foundation::Ref<foundation::Dictionary>& info)
{
    const Id details(info);
    selection_.tick(details["fontid"].intValue(), details["state"].integerValue() != 0);
    showCount();
}

void KXFontsSaleList::manaBtnClick()
{
    selection_.toggleManaging();
    showManageMode();
}

void KXFontsSaleList::showManageMode()
{
    buyBtn_->setTitle(storestyle::qstring(selection_.buyTitle()));
    manaBtn_->setTitle(storestyle::qstring(selection_.manageTitle()));
    if (selection_.isManaging()) {
        buyBtn_->setNormalColor(storestyle::kStoreRed);
        buyBtn_->setLayerBackground(Qt::white);
    } else {
        buyBtn_->setNormalColor(Qt::white);
        buyBtn_->setLayerBackground(storestyle::kStoreRed);
    }
    buyBtn_->setKXBaseButtonAlignment(0);
    manaBtn_->setNormalColor(storestyle::kBoxTitle);
    manaBtn_->setKXBaseButtonAlignment(0);
}

void KXFontsSaleList::buyBtnClick()
{
    if (selection_.selectedArray().empty()) {
        storewindow::toast(this, ToastStyle::Warning, "没有选中字体");
        return;
    }
    if (selection_.isManaging()) {
        QWidget* host = parentWidget() ? parentWidget() : this;
        auto* question = new KXDeleteBuyCartsView(host);
        question->setDelegate(deleteDelegate_);
        question->setNumStr(
            storestyle::qstring(foundation::format("%zd", selection_.selectedArray().size())));
        lc_makeConstraints(lcView(question), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
        question->show();
        question->raise();
        return;
    }
    // A second press while the chooser is open opens no second one.
    if (authorizeView_ && authorizeView_->parentWidget() == this)
        return;
    // The ticked fonts as the catalogue has them now: fonts that left it are unticked.
    auto fonts = KXFilterData().recentDataWithIDs(selection_.selectedIDs());
    std::unordered_set<int> present;
    for (std::size_t i = 0; i < fonts->count(); ++i) {
        if (auto model = modelAt(fonts, i))
            present.insert(model->fontid);
    }
    if (selection_.untickMissing(present) > 0) {
        showCount();
        listTableview_->reloadData();
    }
    if (fonts->count() == 0) {
        storewindow::toast(this, ToastStyle::Warning, "没有选中字体");
        return;
    }
    auto* chooser = new KXFontsSaleAuthorizeView(this);
    authorizeView_ = chooser;
    lc_makeConstraints(lcView(chooser), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    chooser->show();
    chooser->raise();
    chooser->setBuyCartFonts(fonts);
}

void KXFontsSaleList::KXDeleteBuyCartsViewSureBtnClick()
{
    const std::string ids = selection_.selectedIDs();
    selection_.clear();
    showCount();
    listTableview_->reloadData();
    auto reload = dispatch::guardedQt(this, [](KXFontsSaleList& self) { self.setUPData(); });
    KXStoreService::shared()->deleteBuyCartsWithFids(
        ids, [reload](const Id&) { reload(); },
        [](const foundation::Ref<foundation::Error>& error) {
            // The service may have removed them: the cart read back shows here (cartReadBack_).
            if (KXAccountWrites::outcomeUnknown(error))
                KXAccountWrites::readBack("154");
        });
}

void KXFontsSaleList::backBtnClick()
{
    KXAccountWrites::readIfStale(KXAccountWrites::Read::Cart);
    if (backBlock_)
        backBlock_(true);
    kx_removeFromSuperview(this);
}

int KXFontsSaleList::numberOfRowsInTableView(KXStoreTableView* /*tableView*/)
{
    return static_cast<int>(dataA_->count());
}

double KXFontsSaleList::tableViewHeightOfRow(KXStoreTableView* /*tableView*/, int /*row*/)
{
    return KXStoreGeometry::kCartRowHeight;
}

KXStoreTableCellView* KXFontsSaleList::tableViewViewForRow(KXStoreTableView* tableView, int row)
{
    auto* cell = static_cast<KXFontSaleListCell*>(
        tableView->makeViewWithIdentifier(QString::fromLatin1(KXFontSaleListCell::kIdentifier)));
    if (!cell)
        cell = new KXFontSaleListCell(tableView->viewport());
    cell->setDelegate(cellDelegate_);
    auto model = modelAt(dataA_, static_cast<std::size_t>(row));
    cell->setDataDic(model);
    cell->setState(model && selection_.isTicked(model->fontid) ? 1 : 0);
    return cell;
}
