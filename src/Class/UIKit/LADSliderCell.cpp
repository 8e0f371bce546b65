#include "Class/UIKit/LADSliderCell.h"

std::unique_ptr<LADSliderCell> LADSliderCell::initWithKnobImage(const KXImage& knob)
{
    if (knob.isNull())
        return nullptr;
    auto cell = std::make_unique<LADSliderCell>();
    cell->setKnobImage(knob);
    return cell;
}

std::unique_ptr<LADSliderCell> LADSliderCell::initWithKnobImage(const KXImage& knob, const KXImage& minimumValueImage,
                                                                const KXImage& maximumValueImage)
{
    if (knob.isNull() || minimumValueImage.isNull() || maximumValueImage.isNull())
        return nullptr;
    auto cell = std::make_unique<LADSliderCell>();
    cell->setKnobImage(knob);
    cell->setMinimumValueImage(minimumValueImage);
    cell->setMaximumValueImage(maximumValueImage);
    return cell;
}

bool LADSliderCell::drawsTrackImages() const
{
    return !knobImage_.isNull() && !minimumValueImage_.isNull() && !maximumValueImage_.isNull();
}

QRectF LADSliderCell::placeKnob(const QRectF& knob)
{
    const QSizeF size = knobImage_.size();
    const double dx = (knob.width() - size.width()) / 2;
    const double dy = (knob.height() - size.height()) / 2;
    currentKnobRect_ = knob.adjusted(dx, dy, -dx, -dy);
    return currentKnobRect_;
}

QRectF LADSliderCell::beforeKnobRect(const QRectF& track) const
{
    const QSizeF image = minimumValueImage_.size();
    const QPointF knobCentre = currentKnobRect_.center();
    if (!vertical_)
        return {track.x(), track.center().y() - image.height() / 2, knobCentre.x() - track.x(), image.height()};
    return {track.center().x() - image.width() / 2, knobCentre.y(), image.width(), track.bottom() - knobCentre.y()};
}

QRectF LADSliderCell::afterKnobRect(const QRectF& track) const
{
    const QSizeF image = maximumValueImage_.size();
    const QPointF knobCentre = currentKnobRect_.center();
    // The far end is the track's own far edge, also when the track does not start at 0.
    if (!vertical_)
        return {knobCentre.x(), track.y() + (track.height() - image.height()) / 2, track.right() - knobCentre.x(),
                image.height()};
    return {track.x() + (track.width() - image.width()) / 2, track.y(), image.width(), knobCentre.y() - track.y()};
}
