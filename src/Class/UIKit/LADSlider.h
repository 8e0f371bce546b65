#pragma once

#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/LADSliderCell.h"

#include <QSlider>

#include <memory>

// A slider drawn with images: a knob and the two parts of the track on either side of it.
// Without a knob image it draws as a standard slider; with a knob but without both track images
// only the knob is an image. It takes no keyboard focus: it answers the pointer only. GUI thread
// only.
class LADSlider : public QSlider {
public:
    explicit LADSlider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    ~LADSlider() override;

    // nullptr when the knob image is nil.
    static LADSlider* initWithKnobImage(const KXImage& knob, Qt::Orientation orientation = Qt::Horizontal,
                                        QWidget* parent = nullptr);
    // nullptr unless all three images are given; the track images are used unchanged.
    static LADSlider* initWithKnobImage(const KXImage& knob, const KXImage& minimumValueImage,
                                        const KXImage& maximumValueImage, Qt::Orientation orientation = Qt::Horizontal,
                                        QWidget* parent = nullptr);

    LADSliderCell& sliderCell() { return *cell_; }
    const LADSliderCell& sliderCell() const { return *cell_; }

    const KXImage& knobImage() const { return cell_->knobImage(); }
    void setKnobImage(const KXImage& image);
    const KXImage& minimumValueImage() const { return cell_->minimumValueImage(); }
    const KXImage& maximumValueImage() const { return cell_->maximumValueImage(); }
    // Track images without cap insets get them so that only the column next to the knob
    // stretches; on a vertical slider they are turned upright first. Images that already have
    // insets are stored as they are.
    void setMinimumValueImage(const KXImage& image);
    void setMaximumValueImage(const KXImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LADSlider(std::unique_ptr<LADSliderCell> cell, Qt::Orientation orientation, QWidget* parent);
    KXImage prepareTrackImage(const KXImage& image, bool minimumSide) const;

    std::unique_ptr<LADSliderCell> cell_;
};
