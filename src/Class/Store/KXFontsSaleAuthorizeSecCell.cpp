#include "Class/Store/KXFontsSaleAuthorizeSecCell.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Store/Core/KXStoreTexts.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>

using foundation::Id;
using layoutwidgets::lcView;

KXFontsSaleAuthorizeSecCell::KXFontsSaleAuthorizeSecCell(QWidget* parent)
    : KXStoreTableCellView(parent)
{
    setIdentifier(QString::fromLatin1(kIdentifier));
    setUPUI();
}

void KXFontsSaleAuthorizeSecCell::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    centerBgView_ = new KXStoreBox(this, Qt::white, 3);
    centerBgView_->setBorder(storestyle::kSeparator, 1);
    titleLabel_ = storestyle::plainLabel({}, 16, storestyle::kCategoryTitle, centerBgView_);
    contentLabel_ = storestyle::plainLabel({}, 12, storestyle::kTextGrey, centerBgView_);
    priceLabel_ = new KXStoreTextLabel(centerBgView_);
    priceLabel_->setTextColor(storestyle::kStoreRed);
    priceLabel_->setTextFont(storestyle::systemFont(12));
    oriPriceLabel_ = new KXStoreTextLabel(centerBgView_);
    oriPriceLabel_->setTextColor(QColor(153, 153, 153));
    oriPriceLabel_->setTextFont(storestyle::systemFont(12));

    lc_makeConstraints(lcView(centerBgView_), [](LCConstraintMaker& make) {
        make.left().top().equalTo(8);
        make.right().bottom().equalTo(0).offset(-8);
    });
    lc_makeConstraints(lcView(titleLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(14);
        make.top().equalTo(14);
    });
    lc_makeConstraints(lcView(contentLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(14);
        make.right().equalTo(0).offset(-14);
        make.top().equalTo(42);
    });
    lc_makeConstraints(lcView(priceLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(14);
        make.bottom().equalTo(0).offset(-10);
        make.width().equalTo(150);
        make.height().equalTo(26);
    });
    QWidget* price = priceLabel_;
    lc_makeConstraints(lcView(oriPriceLabel_), [price](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(price))).offset(8);
        make.centerY().equalTo(lc_centerY(lcView(price)));
        make.width().equalTo(150);
        make.height().equalTo(20);
    });
}

void KXFontsSaleAuthorizeSecCell::setDataDic(const Id& offer)
{
    dataDic_ = offer;
    priceLabel_->setAttributedText(KXStoreTexts::offerPrice(offer));
    const KXAttributedText struck = KXStoreTexts::offerOriginalPrice(offer);
    oriPriceLabel_->setAttributedText(struck);
    oriPriceLabel_->setVisible(!struck.empty());
    titleLabel_->setText(storestyle::qstring(offer["brand_name"].stringValue()));
    contentLabel_->setText(storestyle::qstring(offer["auth_scope"].stringValue()));
}
