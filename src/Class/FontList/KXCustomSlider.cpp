#include "Class/FontList/KXCustomSlider.h"

#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/LADSlider.h"

KXCustomSlider::KXCustomSlider(const QRect& frame, QWidget* parent)
    : MyPopoverRootView2(parent)
{
    setGeometry(frame);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    cuslider_ = LADSlider::initWithKnobImage(KXImage::imageNamed("LADSliderKnob"), KXImage::imageNamed("LADSliderTrackMin"),
                                             KXImage::imageNamed("LADSliderTrackMax"), Qt::Horizontal, this);
    if (!cuslider_)
        cuslider_ = new LADSlider(Qt::Horizontal, this);
    cuslider_->setRange(0, kSteps);
    connect(cuslider_, &QSlider::valueChanged, this, [this] { test1(); });
}

void KXCustomSlider::test1()
{
    if (const auto target = delegate(); target && cuslider_)
        target->sliderValueChange(static_cast<float>(cuslider_->value()) / static_cast<float>(kSteps));
}

void KXCustomSlider::resizeEvent(QResizeEvent*)
{
    if (cuslider_)
        cuslider_->setGeometry(rect().adjusted(10, 8, -10, -8));
}
