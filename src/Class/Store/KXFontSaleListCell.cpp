#include "Class/Store/KXFontSaleListCell.h"

#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/Store/KXStoreImages.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/URL.h"

#include <QLabel>

using foundation::Id;
using layoutwidgets::lcView;

KXFontSaleListCell::KXFontSaleListCell(QWidget* parent)
    : KXStoreTableCellView(parent)
{
    setIdentifier(QString::fromLatin1(kIdentifier));
    setUPUI();
}

void KXFontSaleListCell::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    checkBtn_ = new KXBaseButton(this);
    checkBtn_->setButtonType(KXBaseButton::ButtonType::CheckBox);
    checkBtn_->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
    checkBtn_->setImageScaling(KXBaseButton::ImageScaling::ProportionallyUpOrDown);
    checkBtn_->setImage(storeimages::checkNormal());
    checkBtn_->setAlternateImage(storeimages::checkSelected());
    checkBtn_->setAction([this](KXBaseButton*) { checkBtnClick(); });

    titlelabel_ = storestyle::plainLabel({}, 14, storestyle::kBoxTitle, this);
    imgView_ = new ImageView(this);
    imgView_->setImageScaling(ImageScaling::ProportionallyDown);
    imgView_->setImageAlignment(ImageAlignment::Left);

    lc_makeConstraints(lcView(checkBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.centerY().equalTo(0);
        make.width().height().equalTo(18);
    });
    lc_makeConstraints(lcView(titlelabel_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(checkBtn_))).offset(14);
        make.right().equalTo(0).offset(-16);
        make.top().equalTo(10);
        make.height().equalTo(20);
    });
    // Fixed on every side, so a preview of any size never pushes the title away.
    lc_makeConstraints(lcView(imgView_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_left(lcView(titlelabel_)));
        make.right().equalTo(0).offset(-16);
        make.top().equalTo(36);
        make.bottom().equalTo(0).offset(-10);
    });
}

void KXFontSaleListCell::setDataDic(foundation::Ref<KXFontBaseModel> model)
{
    dataDic_ = std::move(model);
    if (!dataDic_)
        return;
    titlelabel_->setText(dataDic_->fontname ? storestyle::qstring(dataDic_->fontname->utf8()) : QString());
    il_setImageWithURL(
        imgView_, foundation::URL::URLWithString(dataDic_->image ? dataDic_->image->utf8() : std::string()));
}

void KXFontSaleListCell::setState(long long state)
{
    state_ = state;
    checkBtn_->setState(static_cast<int>(state));
}

void KXFontSaleListCell::checkBtnClick()
{
    state_ = checkBtn_->state();
    auto delegate = delegate_.lock();
    if (!delegate || !dataDic_)
        return;
    delegate->KXFontSaleListCellClick(foundation::Dictionary::create(
        { { Id("fontid"), Id(dataDic_->fontid) }, { Id("state"), Id(state_) } }));
}
