#include "Class/FontList/KXImageSliderView.h"

#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/LADSlider.h"

KXImageSliderView::KXImageSliderView(QWidget* parent)
    : QWidget(parent)
    , slider_(LADSlider::initWithKnobImage(KXImage::imageNamed("LADSliderKnob"), KXImage::imageNamed("LADSliderTrackMin"),
                                           KXImage::imageNamed("LADSliderTrackMax"), Qt::Horizontal, this))
{
    if (!slider_)
        slider_ = new LADSlider(Qt::Horizontal, this);
    slider_->setRange(0, kSteps);
    slider_->setValue(kSteps / 2);
    connect(slider_, &QSlider::valueChanged, this, [this] { changeValue(); });
}

float KXImageSliderView::value() const
{
    return static_cast<float>(slider_->value()) / static_cast<float>(kSteps);
}

void KXImageSliderView::changeValue()
{
    if (const auto target = delegate())
        target->sliderValueChange(value());
}

void KXImageSliderView::resizeEvent(QResizeEvent*)
{
    slider_->setGeometry(rect());
}
