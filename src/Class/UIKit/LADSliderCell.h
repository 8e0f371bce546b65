#pragma once

#include "Class/UIKit/KXImage.h"

#include <QRectF>

#include <memory>

// The drawing state of an image slider: the knob image, the images of the track before and
// after the knob, and where the knob was last drawn. Geometry is in the slider's coordinates
// (y pointing down). GUI thread only.
class LADSliderCell {
public:
    LADSliderCell() = default;
    // nullptr when the knob image is nil.
    static std::unique_ptr<LADSliderCell> initWithKnobImage(const KXImage& knob);
    // nullptr unless all three images are given. The track images are stored as they are.
    static std::unique_ptr<LADSliderCell> initWithKnobImage(const KXImage& knob, const KXImage& minimumValueImage,
                                                            const KXImage& maximumValueImage);

    const KXImage& knobImage() const { return knobImage_; }
    void setKnobImage(const KXImage& image) { knobImage_ = image; }
    const KXImage& minimumValueImage() const { return minimumValueImage_; }
    void setMinimumValueImage(const KXImage& image) { minimumValueImage_ = image; }
    const KXImage& maximumValueImage() const { return maximumValueImage_; }
    void setMaximumValueImage(const KXImage& image) { maximumValueImage_ = image; }
    const QRectF& currentKnobRect() const { return currentKnobRect_; }
    void setCurrentKnobRect(const QRectF& rect) { currentKnobRect_ = rect; }

    bool isVertical() const { return vertical_; }
    void setVertical(bool vertical) { vertical_ = vertical; }

    // The knob image's rectangle centred in the knob area `knob`; remembered as currentKnobRect.
    QRectF placeKnob(const QRectF& knob);
    // The part of `track` on the minimum side of the knob's centre, as high (or, vertical, as wide)
    // as the minimum image and centred across the track. A vertical slider has its minimum at the
    // bottom.
    QRectF beforeKnobRect(const QRectF& track) const;
    // The rest of the track, from the knob's centre to the far end.
    QRectF afterKnobRect(const QRectF& track) const;

    // The images draw the slider only when set: the knob alone, or the knob and the track.
    bool drawsKnobImage() const { return !knobImage_.isNull(); }
    bool drawsTrackImages() const;

private:
    KXImage knobImage_;
    KXImage minimumValueImage_;
    KXImage maximumValueImage_;
    QRectF currentKnobRect_;
    bool vertical_ = false;
};
