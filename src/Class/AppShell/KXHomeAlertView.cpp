#include "Class/AppShell/KXHomeAlertView.h"

#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXPictureAndButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/UserDefaults.h"

#include <QPainter>

using foundation::Id;

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
    kx_setOverlayKeys(this, cancelBtn_);

    layOut();

    const std::string address = Id(foundation::UserDefaults::standardUserDefaults().stringForKey("questionnaire")).stringValue();
    if (!address.empty())
        il_setImageWithURL(bgImgView_, foundation::URL::URLWithString(address));
}

void KXHomeAlertView::layOut()
{
    // The picture in the middle with the close button 16 below; a short window scales the
    // picture down so that the button stays inside.
    const auto placed = KXPictureAndButton::within(size(), QSize(kImageWidth, kImageHeight), QSize(28, 28), 16, 0);
    bgImgView_->setGeometry(placed.picture);
    cancelBtn_->setGeometry(placed.button);
}

void KXHomeAlertView::resizeEvent(QResizeEvent* event)
{
    KXBaseView::resizeEvent(event);
    layOut();
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
