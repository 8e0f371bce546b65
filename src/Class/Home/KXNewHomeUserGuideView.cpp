#include "Class/Home/KXNewHomeUserGuideView.h"

#include "Class/AppShell/KXAnimatedImage.h"
#include "Class/Home/KXHomeStyle.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QEvent>
#include <QPainter>

using layoutwidgets::lcView;

namespace {

// The guide's button: a filled, rounded background under the kit's title.
class FilledButton : public KXBaseButton {
public:
    FilledButton(QColor fill, double radius)
        : fill_(fill)
        , radius_(radius)
    {
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill_);
            painter.drawRoundedRect(QRectF(rect()), radius_, radius_);
        }
        KXBaseButton::paintEvent(event);
    }

private:
    QColor fill_;
    double radius_;
};

} // namespace

KXNewHomeUserGuideView::KXNewHomeUserGuideView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
    if (parent)
        viewDidMoveToSuperview();
}

void KXNewHomeUserGuideView::setUPUI()
{
    imgV_ = new ImageView(this);
    imgV_->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    sureBtn_ = new FilledButton(QColor(255, 225, 43), 19);
    sureBtn_->setParent(this);
    sureBtn_->setTitle(QStringLiteral("我知道了"));
    sureBtn_->setNormalFont(kxhome::systemFont(16));
    sureBtn_->setNormalColor(QColor(68, 68, 68));
    sureBtn_->setKXBaseButtonAlignment(2);
    sureBtn_->setAction([this](KXBaseButton*) { kx_removeFromSuperview(this); });

    lc_makeConstraints(lcView(imgV_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.centerY().equalTo(0).offset(-30);
        make.width().equalTo(300);
        make.height().equalTo(380);
    });
    ImageView* image = imgV_;
    lc_makeConstraints(lcView(sureBtn_), [image](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(image))).offset(24);
        make.width().equalTo(160);
        make.height().equalTo(38);
    });
}

bool KXNewHomeUserGuideView::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange && parentWidget())
        viewDidMoveToSuperview();
    return KXBaseView::event(event);
}

void KXNewHomeUserGuideView::viewDidMoveToSuperview()
{
    if (animating_)
        return;
    animating_ = true;
    imgV_->setAnimates(true);
    imgV_->setImage(kx_animatedImageNamed("newUserGuide"));
}

void KXNewHomeUserGuideView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, kBackgroundOpacity));
    KXBaseView::paintEvent(event);
}
