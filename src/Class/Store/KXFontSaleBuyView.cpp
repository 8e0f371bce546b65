#include "Class/Store/KXFontSaleBuyView.h"

#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXStoreTexts.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Class/Store/KXStoreWindow.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/URL.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

constexpr int kDocumentHeight = 660;

} // namespace

KXFontSaleBuyView::KXFontSaleBuyView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

KXFontSaleBuyView::~KXFontSaleBuyView() = default;

void KXFontSaleBuyView::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    backBtn_ = storestyle::topBar(this, QStringLiteral("授权详情")).backBtn;
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });

    scroview_ = new QScrollArea(this);
    scroview_->setFrameShape(QFrame::NoFrame);
    scroview_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroview_->setWidgetResizable(true);
    document_ = new QWidget;
    document_->setMinimumHeight(kDocumentHeight);
    storestyle::fill(*document_, Qt::white);
    scroview_->setWidget(document_);

    iconView_ = new KXStoreBox(document_, storestyle::kPageMark, 1);
    titileLabel_ = storestyle::plainLabel({}, 18, storestyle::kCategoryTitle, document_);
    contentLabel_ = storestyle::plainLabel({}, 13, storestyle::kTextGrey, document_);
    contentLabel_->setWordWrap(true);
    storestyle::fill(*contentLabel_, Qt::white);
    centerImgV_ = new ImageView(document_);
    centerImgV_->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    centerImgV_->setBackgroundColor(QColor(248, 248, 250));
    centerImgV_->setCornerRadius(4);
    priceLabel_ = new KXStoreTextLabel(document_);
    priceLabel_->setTextFont(storestyle::systemFont(14));
    priceLabel_->setTextColor(storestyle::kBoxTitle);
    storestyle::fill(*priceLabel_, Qt::white);
    oriPriceLabel_ = new KXStoreTextLabel(document_);
    oriPriceLabel_->setTextFont(storestyle::systemFont(13));
    oriPriceLabel_->setTextColor(QColor(153, 153, 153));
    oriPriceLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    storestyle::fill(*oriPriceLabel_, Qt::white);
    iconView2_ = new KXStoreBox(document_, storestyle::kPageMark, 1);
    auto* notesTitle
        = storestyle::plainLabel(QStringLiteral("购买须知"), 15, storestyle::kCategoryTitle, document_);
    notesLabel_ = storestyle::plainLabel({}, 13, storestyle::kTextGrey, document_);
    notesLabel_->setWordWrap(true);
    notesLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    adLabel_ = storestyle::plainLabel({}, 13, storestyle::kStoreRed, document_);
    adLabel_->setWordWrap(true);
    adLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* bottomView = new QWidget(this);
    storestyle::fill(*bottomView, Qt::white);
    auto* bottomLine = new KXStoreBox(bottomView, storestyle::kSeparator);
    buyBtn_ = storestyle::redButton(QStringLiteral("立即购买"), 6, bottomView);
    buyBtn_->setAction([this](KXBaseButton*) { buyBtnClick(); });
    seeOrderBtn_
        = storestyle::titledButton(QStringLiteral("查看订单"), storestyle::kStoreRed, 14, bottomView);
    seeOrderBtn_->setBorder(storestyle::kStoreRed, 1);
    seeOrderBtn_->setCornerRadius(6);
    seeOrderBtn_->setAction([this](KXBaseButton*) { seeOrderBtnClick(); });

    waitBgView_ = new KXStoreBox(this, Qt::white);
    waitBgView_->hide();

    lc_makeConstraints(lcView(bottomView), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.height().equalTo(64);
    });
    lc_makeConstraints(lcView(bottomLine), [](LCConstraintMaker& make) {
        make.left().right().top().equalTo(0);
        make.height().equalTo(1);
    });
    lc_makeConstraints(lcView(buyBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(0).offset(-20);
        make.centerY().equalTo(0);
        make.width().equalTo(120);
        make.height().equalTo(36);
    });
    KXStoreButton* buy = buyBtn_;
    lc_makeConstraints(lcView(seeOrderBtn_), [buy](LCConstraintMaker& make) {
        make.right().equalTo(lc_left(lcView(buy))).offset(-12);
        make.centerY().equalTo(0);
        make.width().equalTo(100);
        make.height().equalTo(36);
    });
    lc_makeConstraints(lcView(scroview_), [bottomView](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(51);
        make.bottom().equalTo(lc_top(lcView(bottomView)));
    });
    lc_makeConstraints(lcView(waitBgView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });

    lc_makeConstraints(lcView(iconView_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.top().equalTo(22);
        make.width().equalTo(4);
        make.height().equalTo(18);
    });
    QWidget* mark = iconView_;
    lc_makeConstraints(lcView(titileLabel_), [mark](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(mark))).offset(8);
        make.centerY().equalTo(lc_centerY(lcView(mark)));
    });
    lc_makeConstraints(lcView(contentLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(0).offset(-20);
        make.top().equalTo(52);
        make.height().equalTo(36);
    });
    lc_makeConstraints(lcView(centerImgV_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(0).offset(-20);
        make.top().equalTo(96);
        make.height().equalTo(180);
    });
    // The price and the struck list price share a line; neither covers the other.
    lc_makeConstraints(lcView(oriPriceLabel_), [](LCConstraintMaker& make) {
        make.right().equalTo(0).offset(-20);
        make.top().equalTo(284);
        make.width().equalTo(120);
        make.height().equalTo(52);
    });
    QWidget* listPrice = oriPriceLabel_;
    lc_makeConstraints(lcView(priceLabel_), [listPrice](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(lc_left(lcView(listPrice))).offset(-4);
        make.top().equalTo(284);
        make.height().equalTo(52);
    });
    lc_makeConstraints(lcView(iconView2_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.top().equalTo(356);
        make.width().equalTo(4);
        make.height().equalTo(16);
    });
    QWidget* mark2 = iconView2_;
    lc_makeConstraints(lcView(notesTitle), [mark2](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(mark2))).offset(8);
        make.centerY().equalTo(lc_centerY(lcView(mark2)));
    });
    lc_makeConstraints(lcView(notesLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(0).offset(-20);
        make.top().equalTo(384);
        make.height().equalTo(96);
    });
    QWidget* notes = notesLabel_;
    lc_makeConstraints(lcView(adLabel_), [notes](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(0).offset(-20);
        make.top().equalTo(lc_bottom(lcView(notes))).offset(8);
        make.height().equalTo(40);
    });
}

void KXFontSaleBuyView::setDataDic(const Id& offer)
{
    dataDic_ = offer;
    setUPData();
}

void KXFontSaleBuyView::setUPData()
{
    const auto note = KXGlobalDataBase::sharedKXGlobalDataBase().sell_info();
    adLabel_->setText(note ? storestyle::qstring(note->utf8()) : QString());
    const std::string picture = dataDic_["img_url"].stringValue();
    if (!picture.empty())
        il_setImageWithURL(centerImgV_, foundation::URL::URLWithString(picture));
    titileLabel_->setText(storestyle::qstring(dataDic_["brand_name"].stringValue()));
    contentLabel_->setText(storestyle::qstring(dataDic_["auth_scope"].stringValue()));
    oriPriceLabel_->setAttributedText(KXStoreTexts::pageOriginalPrice(dataDic_));
    priceLabel_->setAttributedText(KXStoreTexts::pagePrice(dataDic_));
    notesLabel_->setText(storestyle::qstring(KXStoreTexts::purchaseNotes(dataDic_)));
}

void KXFontSaleBuyView::showEvent(QShowEvent* event)
{
    KXBaseView::showEvent(event);
    // The page opens at its top.
    scroview_->verticalScrollBar()->setValue(0);
}

void KXFontSaleBuyView::backBtnClick()
{
    if (waitBgView_->isVisibleTo(this)) {
        waitBgView_->hide();
        return;
    }
    kx_removeFromSuperview(this);
}

void KXFontSaleBuyView::buyBtnClick()
{
    kx_removeFromSuperview(this);
}

void KXFontSaleBuyView::seeOrderBtnClick()
{
    dispatch::NotificationCenter::defaultCenter().post(kGoToOrderNotification);
    storewindow::removeTopmostSubviewOfContentView(this);
}
