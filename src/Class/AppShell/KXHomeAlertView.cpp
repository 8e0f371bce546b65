#include "Class/AppShell/KXHomeAlertView.h"

#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/UserDefaults.h"

#include <QPainter>

using foundation::Id;
using layoutwidgets::lcView;

KXHomeAlertView::KXHomeAlertView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

void KXHomeAlertView::setUPUI()
{
    bgImgView_ = new ImageView(this);
    bgImgView_->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    cancelBtn_ = KXBaseButton::buttonWithImage(KXImage::imageNamed("homeAlertClose"), [this](KXBaseButton*) { cancelBtnClick(); }, this);
    cancelBtn_->setToolTip(QStringLiteral("关闭"));

    lc_makeConstraints(lcView(bgImgView_), [](LCConstraintMaker& make) {
        make.centerX().centerY().equalTo(0);
        make.width().equalTo(kImageWidth);
        make.height().equalTo(kImageHeight);
    });
    ImageView* picture = bgImgView_;
    lc_makeConstraints(lcView(cancelBtn_), [picture](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(picture))).offset(16);
        make.centerX().equalTo(0);
        make.width().height().equalTo(28);
    });

    const std::string address = Id(foundation::UserDefaults::standardUserDefaults().stringForKey("questionnaire")).stringValue();
    if (!address.empty())
        il_setImageWithURL(bgImgView_, foundation::URL::URLWithString(address));
}

void KXHomeAlertView::cancelBtnClick()
{
    kx_removeFromSuperview(this);
}

void KXHomeAlertView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, kDimming));
    KXBaseView::paintEvent(event);
}
