#include "Class/UIKit/LADSlider.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

KXImage knobImage(int w, int h, QColor color = Qt::red)
{
    QImage pixels(w, h, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(color);
    return KXImage(pixels);
}

TEST(LADSliderCreation, NilImagesGiveNoSlider)
{
    EXPECT_EQ(LADSlider::initWithKnobImage(KXImage()), nullptr);
    EXPECT_EQ(LADSlider::initWithKnobImage(knobImage(8, 8), KXImage(), knobImage(4, 4)), nullptr);
    EXPECT_EQ(LADSlider::initWithKnobImage(knobImage(8, 8), knobImage(4, 4), KXImage()), nullptr);
    EXPECT_EQ(LADSlider::initWithKnobImage(KXImage(), knobImage(4, 4), knobImage(4, 4)), nullptr);
    EXPECT_EQ(LADSliderCell::initWithKnobImage(KXImage()), nullptr);
}

TEST(LADSliderCreation, ThreeImagesAreStoredUnchanged)
{
    const KXImage knob = knobImage(8, 8);
    const KXImage minimum = knobImage(12, 4);
    const KXImage maximum = knobImage(12, 4, Qt::gray);
    std::unique_ptr<LADSlider> slider(LADSlider::initWithKnobImage(knob, minimum, maximum));
    ASSERT_NE(slider, nullptr);
    EXPECT_TRUE(slider->knobImage().isSameImage(knob));
    EXPECT_TRUE(slider->minimumValueImage().isSameImage(minimum));
    EXPECT_TRUE(slider->minimumValueImage().capInsets().isZero());
    EXPECT_TRUE(slider->maximumValueImage().capInsets().isZero());
}

TEST(LADSliderTrackImages, HorizontalSliderStretchesOnlyTheColumnAtTheKnob)
{
    LADSlider slider(Qt::Horizontal);
    slider.setMinimumValueImage(knobImage(12, 4));
    slider.setMaximumValueImage(knobImage(12, 4));
    EXPECT_EQ(slider.minimumValueImage().capInsets(), (KXEdgeInsets{0, 11, 0, 0}));
    EXPECT_EQ(slider.maximumValueImage().capInsets(), (KXEdgeInsets{0, 0, 0, 11}));
    EXPECT_EQ(slider.minimumValueImage().size(), QSizeF(12, 4));
}

TEST(LADSliderTrackImages, VerticalSliderTurnsTheImagesUpright)
{
    LADSlider slider(Qt::Vertical);
    slider.setMinimumValueImage(knobImage(12, 4));
    slider.setMaximumValueImage(knobImage(12, 4));
    EXPECT_EQ(slider.minimumValueImage().size(), QSizeF(4, 12));
    EXPECT_EQ(slider.minimumValueImage().capInsets(), (KXEdgeInsets{0, 0, 11, 0}));
    EXPECT_EQ(slider.maximumValueImage().capInsets(), (KXEdgeInsets{11, 0, 0, 0}));
}

TEST(LADSliderTrackImages, ImageWithInsetsIsStoredUntouchedEvenWhenVertical)
{
    LADSlider slider(Qt::Vertical);
    KXImage inset = knobImage(12, 4);
    inset.setCapInsets({1, 2, 3, 4});
    slider.setMinimumValueImage(inset);
    EXPECT_TRUE(slider.minimumValueImage().isSameImage(inset));
    EXPECT_EQ(slider.minimumValueImage().capInsets(), (KXEdgeInsets{1, 2, 3, 4}));
    EXPECT_EQ(slider.minimumValueImage().size(), QSizeF(12, 4));
}

class LADSliderCellGeometry : public testing::Test {
protected:
    void SetUp() override
    {
        cell = LADSliderCell::initWithKnobImage(knobImage(10, 10), knobImage(6, 4), knobImage(6, 2));
        ASSERT_NE(cell, nullptr);
    }
    std::unique_ptr<LADSliderCell> cell;
};

TEST_F(LADSliderCellGeometry, KnobImageIsCentredInTheKnobArea)
{
    EXPECT_EQ(cell->placeKnob(QRectF(40, 0, 20, 30)), QRectF(45, 10, 10, 10));
    EXPECT_EQ(cell->currentKnobRect(), QRectF(45, 10, 10, 10));
}

TEST_F(LADSliderCellGeometry, HorizontalPartsMeetAtTheKnobCentreAndSpanTheTrack)
{
    cell->setCurrentKnobRect(QRectF(45, 10, 10, 10));
    const QRectF track(20, 8, 100, 14);
    EXPECT_EQ(cell->beforeKnobRect(track), QRectF(20, 13, 30, 4));
    // The after-part ends at the track's far edge (x 120), not 20 short of it.
    EXPECT_EQ(cell->afterKnobRect(track), QRectF(50, 14, 70, 2));
}

TEST_F(LADSliderCellGeometry, VerticalPartsHaveTheMinimumBelowTheKnob)
{
    cell->setVertical(true);
    cell->setCurrentKnobRect(QRectF(10, 45, 10, 10));
    const QRectF track(8, 20, 14, 100);
    EXPECT_EQ(cell->beforeKnobRect(track), QRectF(12, 50, 6, 70));
    EXPECT_EQ(cell->afterKnobRect(track), QRectF(12, 20, 6, 30));
}

TEST(LADSliderDrawing, WithoutImagesItDrawsAsAStandardSlider)
{
    QSlider standard(Qt::Horizontal);
    LADSlider slider(Qt::Horizontal);
    standard.resize(120, 24);
    slider.resize(120, 24);
    EXPECT_EQ(slider.grab().toImage(), standard.grab().toImage());
}

TEST(LADSliderDrawing, KnobImageIsDrawnWhereTheStyleHasTheKnob)
{
    std::unique_ptr<LADSlider> slider(LADSlider::initWithKnobImage(knobImage(10, 10, Qt::magenta)));
    ASSERT_NE(slider, nullptr);
    slider->resize(120, 24);
    slider->setRange(0, 100);
    slider->setValue(50);
    const QImage shot = slider->grab().toImage();
    const QPointF centre = slider->sliderCell().currentKnobRect().center();
    EXPECT_EQ(shot.pixelColor(centre.toPoint()), QColor(Qt::magenta));
}

TEST(LADSliderDrawing, TrackPartsFollowTheKnob)
{
    std::unique_ptr<LADSlider> slider(
        LADSlider::initWithKnobImage(knobImage(6, 6, Qt::magenta), knobImage(4, 4, Qt::red), knobImage(4, 4, Qt::blue)));
    ASSERT_NE(slider, nullptr);
    slider->resize(200, 24);
    slider->setRange(0, 100);
    slider->setValue(75);
    const QImage shot = slider->grab().toImage();
    const QRectF knob = slider->sliderCell().currentKnobRect();
    const int y = qRound(knob.center().y());
    EXPECT_EQ(shot.pixelColor(qRound(knob.left()) - 8, y), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(qRound(knob.right()) + 8, y), QColor(Qt::blue));
}

} // namespace
