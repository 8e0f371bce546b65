#include "Class/Store/KXFontsSaleAuthorizeView.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXOrderReadBack.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/Core/KXStoreSession.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/Store/KXOfferCategoryTable.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreWindow.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/KXThinScrollBar.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"

#include <QLabel>
#include <QScrollBar>
#include <unordered_set>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

// Within the 12 the boxes leave at the chooser's right edge.
constexpr int kScrollBarWidth = 8;

} // namespace

KXFontsSaleAuthorizeView::KXFontsSaleAuthorizeView(QWidget* parent)
    : KXBaseView(parent)
    , buyCartFonts_(foundation::MutableArray::create())
{
    setUPUI();
    setUPData();
}

KXFontsSaleAuthorizeView::~KXFontsSaleAuthorizeView() = default;

KXFontsSaleOrderView* KXFontsSaleAuthorizeView::orderView() const
{
    return orderView_;
}

void KXFontsSaleAuthorizeView::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    backBtn_ = storestyle::topBar(this, QStringLiteral("选择授权")).backBtn;
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });

    listTableview_ = new KXStoreTableView(this);
    listTableview_->setIntercellSpacing({ 0, 3 });
    listTableview_->setBackgroundColor(Qt::white);
    // The boxes keep their frames, ending 12 short of the chooser's edge: the bar fits there.
    kx_styleThinScrollBar(listTableview_->verticalScrollBar(), kScrollBarWidth, QColor(200, 200, 200));
    categories_ = new KXOfferCategoryTable(this, listTableview_);

    bottomView_ = new QWidget(this);
    storestyle::fill(*bottomView_, Qt::white);
    KXStoreBox::applyShadow(bottomView_, QColor(211, 211, 211), { -0.01, 0 }, 1);
    sellInfoLabel_ = storestyle::plainLabel({}, 12, storestyle::kStoreRed, bottomView_);
    sureBtn_ = storestyle::redButton(QStringLiteral("确定"), 4, bottomView_);
    sureBtn_->setAction([this](KXBaseButton*) { sureBtnClick(); });

    // The shared choice starts empty and is this chooser's own list from now on.
    auto chosen = foundation::MutableArray::create();
    categories_->setSelectedA(chosen);
    KXGlobalDataBase::sharedKXGlobalDataBase().setSelectedAuthArray(chosen);

    lc_makeConstraints(lcView(bottomView_), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.height().equalTo(60);
    });
    QWidget* bottom = bottomView_;
    // Full width: the rows fit as many boxes a line as the width holds, three in the store's 310.
    lc_makeConstraints(lcView(listTableview_), [bottom](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(51);
        make.bottom().equalTo(lc_top(lcView(bottom)));
    });
    lc_makeConstraints(lcView(sellInfoLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.centerY().equalTo(0);
    });
    lc_makeConstraints(lcView(sureBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(0).offset(-20);
        make.centerY().equalTo(0);
        make.width().equalTo(110);
        make.height().equalTo(36);
    });
}

void KXFontsSaleAuthorizeView::setBuyCartFonts(foundation::Ref<foundation::MutableArray> fonts)
{
    buyCartFonts_ = fonts ? std::move(fonts) : foundation::MutableArray::create();
    listOrdersMade_ = KXStoreSession::shared().orderReadBack().ordersMade();
}

void KXFontsSaleAuthorizeView::followCart(const Id& fids)
{
    listOrdersMade_ = KXStoreSession::shared().orderReadBack().ordersMade();
    std::unordered_set<long long> inCart;
    for (std::size_t i = 0; i < fids.count(); ++i)
        inCart.insert(fids[i].integerValue());
    // A new list: an order page opened from the old one keeps its own.
    auto kept = foundation::MutableArray::create();
    for (const Id& font : buyCartFonts_->objects()) {
        const auto model = font.as<KXFontBaseModel>();
        if (model && inCart.contains(model->fontid))
            kept->addObject(font);
    }
    if (kept->count() == buyCartFonts_->count())
        return;
    buyCartFonts_ = kept;
    if (buyCartFonts_->count() == 0 && !(orderView_ && orderView_->parentWidget() == this))
        kx_removeFromSuperview(this);
}

void KXFontsSaleAuthorizeView::setUPData()
{
    KXStoreService::shared()->getAllBrandSuceess(
        dispatch::guardedQt(
            this, [](KXFontsSaleAuthorizeView& self, const Id& reply) { self.brandsArrived(reply); }),
        [](const foundation::Ref<foundation::Error>&) {});
}

void KXFontsSaleAuthorizeView::brandsArrived(const Id& reply)
{
    if (!KXStoreService::listSucceeded(reply))
        return;
    const Id data = reply["corvane_data"];
    auto note = data["sell_info"].string();
    KXGlobalDataBase::sharedKXGlobalDataBase().setSell_info(note);
    sellInfoLabel_->setText(note ? storestyle::qstring(note->utf8()) : QString());
    categories_->showBrandList(reply);
}

const foundation::Ref<foundation::MutableArray>& KXFontsSaleAuthorizeView::dataA() const
{
    return categories_->dataA();
}

const foundation::Ref<foundation::MutableArray>& KXFontsSaleAuthorizeView::selectedA() const
{
    return categories_->selectedA();
}

const KXBrandLookup& KXFontsSaleAuthorizeView::brandsDic() const
{
    return categories_->brandsDic();
}

KXFontsSaleAlertView* KXFontsSaleAuthorizeView::alertView()
{
    return categories_->alertView();
}

bool KXFontsSaleAuthorizeView::isHovering() const
{
    return categories_->isHovering();
}

void KXFontsSaleAuthorizeView::sureBtnClick()
{
    const auto chosen = categories_->selectedA();
    if (chosen->count() == 0) {
        storewindow::toast(nullptr, ToastStyle::Warning, "请选择至少一个授权");
        return;
    }
    // A second press while the order page is open opens no second one.
    if (orderView_ && orderView_->parentWidget() == this)
        return;
    // The fonts were taken before an order was made, and no cart has come since.
    if (listOrdersMade_ != KXStoreSession::shared().orderReadBack().ordersMade()) {
        KXAccountWrites::read(KXAccountWrites::Read::Cart);
        return;
    }
    // Every font was ordered since: the cart page shows what the cart holds now.
    if (buyCartFonts_->count() == 0) {
        kx_removeFromSuperview(this);
        return;
    }
    KXGlobalDataBase::sharedKXGlobalDataBase().setSelectedAuthArray(chosen);
    auto* order = new KXFontsSaleOrderView(this);
    orderView_ = order;
    order->setBuyCartFonts(buyCartFonts_);
    order->setDataA(foundation::Array::create(chosen->objects()));
    order->setBackBlock(dispatch::guardedQt(this, [](KXFontsSaleAuthorizeView& self, bool) {
        self.categories_->setSelectedA(KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray());
    }));
    lc_makeConstraints(lcView(order), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    order->show();
    order->raise();
}

void KXFontsSaleAuthorizeView::backBtnClick()
{
    kx_removeFromSuperview(this);
}
