#include "Class/Store/KXKXFontsSaleAuthorizeCell.h"

#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreImages.h"
#include "Class/Store/KXStoreStyle.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/URL.h"

#include <QLabel>

using foundation::Id;
using layoutwidgets::lcView;

KXKXFontsSaleAuthorizeCell::KXKXFontsSaleAuthorizeCell(QWidget* parent)
    : KXStoreTableCellView(parent)
{
    setUPUI();
}

void KXKXFontsSaleAuthorizeCell::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    centerBgView_ = new KXStoreBox(this, QColor(248, 248, 250), 3);
    iconImg_ = new ImageView(centerBgView_);
    iconImg_->setImage(storeimages::categoryIcon());
    iconImg_->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    titleLabel_ = storestyle::plainLabel({}, 14, storestyle::kCategoryTitle, centerBgView_);
    lc_makeConstraints(lcView(centerBgView_), [](LCConstraintMaker& make) {
        make.left().top().equalTo(6);
        make.right().bottom().equalTo(0).offset(-6);
    });
    lc_makeConstraints(lcView(iconImg_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(16);
        make.width().height().equalTo(32);
    });
    QWidget* icon = iconImg_;
    lc_makeConstraints(lcView(titleLabel_), [icon](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(icon))).offset(10);
    });
}

void KXKXFontsSaleAuthorizeCell::setDataDic(const Id& category)
{
    dataDic_ = category;
    const std::string icon = category["img_url"].stringValue();
    if (!icon.empty())
        il_setImageWithURL(iconImg_, foundation::URL::URLWithString(icon));
    titleLabel_->setText(storestyle::qstring(category["auth_name"].stringValue()));
}
