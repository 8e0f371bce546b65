#include "Class/UIKit/LADSlider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

LADSlider::LADSlider(Qt::Orientation orientation, QWidget* parent)
    : LADSlider(std::make_unique<LADSliderCell>(), orientation, parent)
{
}

LADSlider::LADSlider(std::unique_ptr<LADSliderCell> cell, Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent)
    , cell_(std::move(cell))
{
    // As with the buttons, the keys belong to the lists and fields: a slider that took the focus
    // would turn PageDown meant for the list into a change of its value.
    setFocusPolicy(Qt::NoFocus);
}

LADSlider::~LADSlider() = default;

LADSlider* LADSlider::initWithKnobImage(const KXImage& knob, Qt::Orientation orientation, QWidget* parent)
{
    auto cell = LADSliderCell::initWithKnobImage(knob);
    if (!cell)
        return nullptr;
    return new LADSlider(std::move(cell), orientation, parent);
}

LADSlider* LADSlider::initWithKnobImage(const KXImage& knob, const KXImage& minimumValueImage,
                                        const KXImage& maximumValueImage, Qt::Orientation orientation, QWidget* parent)
{
    auto cell = LADSliderCell::initWithKnobImage(knob, minimumValueImage, maximumValueImage);
    if (!cell)
        return nullptr;
    return new LADSlider(std::move(cell), orientation, parent);
}

void LADSlider::setKnobImage(const KXImage& image)
{
    cell_->setKnobImage(image);
    update();
}

KXImage LADSlider::prepareTrackImage(const KXImage& image, bool minimumSide) const
{
    if (image.isNull() || !image.capInsets().isZero())
        return image;
    const double w = image.size().width() - 1;
    if (orientation() == Qt::Horizontal) {
        KXImage prepared = image;
        prepared.setCapInsets(minimumSide ? KXEdgeInsets{0, w, 0, 0} : KXEdgeInsets{0, 0, 0, w});
        return prepared;
    }
    // Turned a quarter counter-clockwise, the image's left edge ends at the bottom.
    KXImage rotated = image.imageRotated(90);
    rotated.setCapInsets(minimumSide ? KXEdgeInsets{0, 0, w, 0} : KXEdgeInsets{w, 0, 0, 0});
    return rotated;
}

void LADSlider::setMinimumValueImage(const KXImage& image)
{
    cell_->setMinimumValueImage(prepareTrackImage(image, true));
    update();
}

void LADSlider::setMaximumValueImage(const KXImage& image)
{
    cell_->setMaximumValueImage(prepareTrackImage(image, false));
    update();
}

void LADSlider::paintEvent(QPaintEvent* event)
{
    cell_->setVertical(orientation() == Qt::Vertical);
    if (!cell_->drawsKnobImage()) {
        QSlider::paintEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRectF track = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRectF knobArea = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The knob is placed first so that both track parts meet at its centre in this very frame.
    const QRectF knob = cell_->placeKnob(knobArea);

    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (cell_->drawsTrackImages()) {
        cell_->minimumValueImage().draw(painter, cell_->beforeKnobRect(track));
        cell_->maximumValueImage().draw(painter, cell_->afterKnobRect(track));
    } else {
        option.subControls = QStyle::SC_SliderGroove;
        style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    }
    cell_->knobImage().draw(painter, knob);
}
