#include "Class/Store/KXFontSaleAuthorizeCell.h"

#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXOrderSelection.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/KXStoreImages.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/URL.h"

#include <QLabel>
#include <algorithm>

using foundation::Id;
using layoutwidgets::lcView;

KXFontSaleAuthorizeCell::KXFontSaleAuthorizeCell(QWidget* parent)
    : KXStoreTableCellView(parent)
    , hover_(std::make_shared<KXBaseButtonDelegate>())
{
    setIdentifier(QString::fromLatin1(kIdentifier));
    QPointer<KXFontSaleAuthorizeCell> self(this);
    hover_->kxbasebuttonMouseEntered = [self](KXBaseButton* box) {
        if (!self)
            return;
        if (auto delegate = self->delegate_.lock())
            delegate->KXFontSaleAuthorizeCellButtonMouseEntered(box);
    };
    hover_->kxbasebuttonMouseExited = [self](KXBaseButton* box) {
        if (!self)
            return;
        if (auto delegate = self->delegate_.lock())
            delegate->KXFontSaleAuthorizeCellButtonMouseExited(box);
    };
    setUPUI();
}

KXFontSaleAuthorizeCell::~KXFontSaleAuthorizeCell() = default;

ImageView* KXFontSaleAuthorizeCell::iconView()
{
    if (!iconView_) {
        iconView_ = new ImageView(this);
        iconView_->setImage(storeimages::categoryIcon());
        iconView_->setImageScaling(ImageScaling::ProportionallyUpOrDown);
        lc_makeConstraints(lcView(iconView_), [](LCConstraintMaker& make) {
            make.left().equalTo(8);
            make.top().equalTo(20);
            make.width().height().equalTo(21);
        });
    }
    return iconView_;
}

QLabel* KXFontSaleAuthorizeCell::titleLabel()
{
    if (!titleLabel_) {
        titleLabel_ = storestyle::plainLabel(QStringLiteral("系列"), 16, storestyle::kCategoryTitle, this);
        titleLabel_->hide();
        ImageView* icon = iconView();
        lc_makeConstraints(lcView(titleLabel_), [icon](LCConstraintMaker& make) {
            make.left().equalTo(lc_right(lcView(icon))).offset(10);
            make.centerY().equalTo(lc_centerY(lcView(icon)));
        });
    }
    return titleLabel_;
}

void KXFontSaleAuthorizeCell::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    iconView();
    titleLabel()->show();
}

void KXFontSaleAuthorizeCell::setDataDic(const Id& category)
{
    dataDic_ = category;
    const std::string iconURL = category["img_url"].stringValue();
    if (!iconURL.empty())
        il_setImageWithURL(iconView(), foundation::URL::URLWithString(iconURL));
    else
        iconView()->setImage(storeimages::categoryIcon());
    titleLabel()->setText(storestyle::qstring(category["auth_name"].stringValue()));

    // A box may be the one whose click led here: it goes on a later turn.
    for (KXBaseButton* box : boxes_)
        kx_removeFromSuperview(box);
    boxes_.clear();

    const auto ticked = selectedOffers_
        ? selectedOffers_
        : foundation::Ref<foundation::Array>(KXGlobalDataBase::sharedKXGlobalDataBase().selectedAuthArray());
    std::vector<std::string> tickedIDs;
    for (const Id& offer : ticked->objects())
        tickedIDs.push_back(KXOrderSelection::brandID(offer));

    const Id offers = category["brand_data"];
    for (std::size_t i = 0; i < KXStoreGeometry::chooserOffersShown(offers.count()); ++i) {
        const Id offer = offers[i];
        auto* box = KXBaseButton::buttonWithTitle(
            storestyle::qstring(offer["brand_name"].stringValue()),
            [this](KXBaseButton* clicked) { btnClick(clicked); }, this);
        box->setButtonType(KXBaseButton::ButtonType::CheckBox);
        box->setImagePosition(KXBaseButton::ImagePosition::Overlaps);
        box->setToolTipTitle(QStringLiteral("按钮"));
        box->setNormalFont(storestyle::systemFont(12));
        box->setNormalColor(storestyle::kBoxTitle);
        box->setImage(storeimages::offerBoxNormal());
        box->setAlternateImage(storeimages::offerBoxSelected());
        const std::string brandID = KXOrderSelection::brandID(offer);
        box->setIdentifier(storestyle::qstring(brandID));
        box->setKXBaseButtonAlignment(0);
        box->setImageScaling(KXBaseButton::ImageScaling::AxesIndependently);
        box->setDelegate(hover_);
        const KXStoreRect frame = KXStoreGeometry::chooserBoxFrame(i, layoutWidth_);
        box->setGeometry(static_cast<int>(frame.x), static_cast<int>(frame.y), static_cast<int>(frame.width),
            static_cast<int>(frame.height));
        box->setState(std::find(tickedIDs.begin(), tickedIDs.end(), brandID) != tickedIDs.end() ? 1 : 0);
        box->show();
        boxes_.push_back(box);
    }
}

void KXFontSaleAuthorizeCell::btnClick(KXBaseButton* box)
{
    auto delegate = delegate_.lock();
    if (!delegate)
        return;
    const std::string brandID = box->identifier().toStdString();
    const Id offers = dataDic_["brand_data"];
    for (std::size_t i = 0; i < offers.count(); ++i) {
        if (KXOrderSelection::brandID(offers[i]) == brandID) {
            delegate->KXFontSaleAuthorizeCellButtonClick(offers[i]);
            return;
        }
    }
}
