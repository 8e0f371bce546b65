#include "Class/FontList/KXCustomSliderPopoverController.h"

#include "Class/FontList/KXPopover.h"
#include "Class/FontList/MyPopoverRootView2.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/LADSlider.h"

#include <cmath>

namespace {

float gSliderValue = 0;

} // namespace

KXCustomSliderPopoverController::KXCustomSliderPopoverController(QObject* parent)
    : QObject(parent)
{
}

KXCustomSliderPopoverController::~KXCustomSliderPopoverController()
{
    if (popover_)
        popover_->deleteLater();
    else if (view_)
        view_->deleteLater();
}

float KXCustomSliderPopoverController::processSliderValue()
{
    return gSliderValue;
}

QWidget* KXCustomSliderPopoverController::view()
{
    if (!view_) {
        view_ = new MyPopoverRootView2;
        view_->resize(180, 36);
        slider_ = LADSlider::initWithKnobImage(KXImage::imageNamed("LADSliderKnob"), KXImage::imageNamed("LADSliderTrackMin"),
                                               KXImage::imageNamed("LADSliderTrackMax"), Qt::Horizontal, view_);
        if (!slider_)
            slider_ = new LADSlider(Qt::Horizontal, view_);
        slider_->setRange(0, kSteps);
        slider_->setGeometry(10, 8, 160, 20);
        slider_->setAutoFillBackground(true);
        QPalette palette = slider_->palette();
        palette.setColor(QPalette::Window, Qt::white);
        slider_->setPalette(palette);
        slider_->setValue(static_cast<int>(std::lround(gSliderValue * kSteps)));
        connect(slider_, &QSlider::valueChanged, this, [this] { changeValue(); });
    }
    return view_;
}

void KXCustomSliderPopoverController::sliderValue(float value, QWidget* positioningView)
{
    gSliderValue = value;
    if (!popover_)
        popover_ = new KXPopover(view());
    popover_->showRelativeToView(positioningView, KXPopover::Edge::MinY);
    const bool continuous = positioningView && positioningView->property("tag").toLongLong() == kContinuousTag;
    slider_->setTracking(continuous);
}

void KXCustomSliderPopoverController::changeValue()
{
    if (const auto target = delegate(); target && slider_)
        target->sliderValueChange(static_cast<float>(slider_->value()) / static_cast<float>(kSteps));
}
