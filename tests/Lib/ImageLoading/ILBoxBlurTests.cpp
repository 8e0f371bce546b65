#include "Lib/ImageLoading/ILBoxBlur.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Box sizes worked out by hand from ⌊((r·3·√(2π)/4) + 0.5) / 2⌋ | 1, where r·3·√(2π)/4 is
// r × 1.8799712…; the value before flooring is written beside each radius.
TEST(ILBoxBlurPlan, BoxSizeFollowsTheRadius)
{
    EXPECT_EQ(ILBoxBlurPlanForRadius(3).boxSize, 3); // 3.0700
    EXPECT_EQ(ILBoxBlurPlanForRadius(3.98).boxSize, 3); // 3.9911
    EXPECT_EQ(ILBoxBlurPlanForRadius(4).boxSize, 5); // 4.0099
    EXPECT_EQ(ILBoxBlurPlanForRadius(6.1).boxSize, 5); // 5.9839
    EXPECT_EQ(ILBoxBlurPlanForRadius(6.2).boxSize, 7); // 6.0779
    EXPECT_EQ(ILBoxBlurPlanForRadius(10).boxSize, 9); // 9.6499
    EXPECT_EQ(ILBoxBlurPlanForRadius(20).boxSize, 19); // 19.0497
    EXPECT_EQ(ILBoxBlurPlanForRadius(37.5).boxSize, 35); // 35.4995
    EXPECT_EQ(ILBoxBlurPlanForRadius(std::nan("")).boxSize, 1);
}

TEST(ILBoxBlurPlan, RadiiUpToTwoUseTheBoxOfRadiusTwo)
{
    // The value before flooring is 2.1300 for all of them, so the box is 3; the formula itself
    // would give 0.4850, 0.7200, 1.1900 and 1.9420 (box 1, no blur at all) for the first four.
    for (double r : { 0.25, 0.5, 1.0, 1.8, 1.9, 2.0, 2.0000001 })
        EXPECT_EQ(ILBoxBlurPlanForRadius(r).boxSize, 3) << r;
}

TEST(ILBoxBlurPlan, PassesFollowTheRadius)
{
    EXPECT_EQ(ILBoxBlurPlanForRadius(0.25).passes, 1);
    EXPECT_EQ(ILBoxBlurPlanForRadius(0.4999).passes, 1);
    EXPECT_EQ(ILBoxBlurPlanForRadius(0.5).passes, 2);
    EXPECT_EQ(ILBoxBlurPlanForRadius(1.4999).passes, 2);
    EXPECT_EQ(ILBoxBlurPlanForRadius(1.5).passes, 3);
    EXPECT_EQ(ILBoxBlurPlanForRadius(20).passes, 3);
}

TEST(ILBoxBlurImage, AveragesOverTheBoxWithEdgesExtended)
{
    // One white pixel in the middle of a black 5 × 5: a 3 × 3 box spreads it over nine pixels.
    QImage image(5, 5, QImage::Format_ARGB32_Premultiplied);
    image.fill(0xFF000000u);
    image.setPixel(2, 2, 0xFFFFFFFFu);
    image.setDevicePixelRatio(2);
    const QImage blurred = ILBoxBlurImage(image, { 3, 1 });
    EXPECT_EQ(blurred.devicePixelRatio(), 2);
    // Rows then columns, each rounded: 255/3 = 85, then 85/3 = 28.33 → 28.
    EXPECT_EQ(blurred.pixel(2, 2), 0xFF1C1C1Cu);
    EXPECT_EQ(blurred.pixel(1, 1), 0xFF1C1C1Cu);
    EXPECT_EQ(blurred.pixel(0, 0), 0xFF000000u);
    // A white left column stays white at the edge: the edge repeats.
    QImage edge(4, 1, QImage::Format_ARGB32_Premultiplied);
    edge.fill(0xFF000000u);
    edge.setPixel(0, 0, 0xFFFFFFFFu);
    const QImage edged = ILBoxBlurImage(edge, { 3, 1 });
    EXPECT_EQ(qRed(edged.pixel(0, 0)), 170); // (255 + 255 + 0) / 3
    EXPECT_EQ(qRed(edged.pixel(1, 0)), 85);
    EXPECT_EQ(qRed(edged.pixel(3, 0)), 0);
}

TEST(ILBoxBlurImage, AUniformImageStaysUniformAndAlphaBoundsColour)
{
    QImage image(30, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(qPremultiply(qRgba(200, 100, 50, 128)));
    const QImage blurred = ILBoxBlurImage(image, { 9, 3 });
    EXPECT_EQ(blurred, image);
    QImage mixed(16, 16, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            mixed.setPixel(x, y, qPremultiply(qRgba(x * 16, 255 - y * 16, 128, (x * y) % 256)));
    const QImage spread = ILBoxBlurImage(mixed, { 5, 3 });
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb p = spread.pixel(x, y);
            ASSERT_LE(qRed(p), qAlpha(p));
            ASSERT_LE(qGreen(p), qAlpha(p));
            ASSERT_LE(qBlue(p), qAlpha(p));
        }
}

} // namespace
