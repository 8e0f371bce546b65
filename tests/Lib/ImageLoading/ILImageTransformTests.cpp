#include "Lib/ImageLoading/ILBitmapContext.h"
#include "Lib/ImageLoading/ILImageFilter.h"
#include "Lib/ImageLoading/ILImageTransform.h"
#include "Lib/ImageLoading/ILLog.h"
#include "Lib/ImageLoading/ILRoundedPath.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Platform/Graphics/Image.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace iltest;
using graphics::Image;

// A 4 × 2 image at scale 2 whose pixels are all different: red rises left to right, green top to
// bottom.
Ref<Image> grid()
{
    QImage pixels(4, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            pixels.setPixel(x, y, qRgb(x * 60, y * 200, 10));
    return Image::create(pixels, 2);
}

QRgb at(const Ref<Image>& image, int x, int y)
{
    return image->image().pixel(x, y);
}

TEST(ILImageTransform, ResizingFillsFitsAndCovers)
{
    const auto wide = Image::create(flat(40, 20, 0xFFFF0000u));
    const auto stretched = il_resizedImageWithSize(wide, QSizeF(10, 10), ILScaleModeFill);
    ASSERT_TRUE(stretched);
    EXPECT_EQ(stretched->image().size(), QSize(10, 10));
    EXPECT_EQ(at(stretched, 5, 0), 0xFFFF0000u);
    const auto fitted = il_resizedImageWithSize(wide, QSizeF(10, 10), ILScaleModeAspectFit);
    EXPECT_EQ(qAlpha(at(fitted, 5, 0)), 0); // a transparent band above
    EXPECT_EQ(at(fitted, 5, 5), 0xFFFF0000u); // the image across the middle
    EXPECT_EQ(qAlpha(at(fitted, 5, 9)), 0);
    const auto covered = il_resizedImageWithSize(wide, QSizeF(10, 10), ILScaleModeAspectFill);
    EXPECT_EQ(at(covered, 5, 0), 0xFFFF0000u);
    EXPECT_EQ(at(covered, 0, 9), 0xFFFF0000u);
    const auto atScale = il_resizedImageWithSize(grid(), QSizeF(3, 3), ILScaleModeFill);
    EXPECT_EQ(atScale->scale(), 2);
    EXPECT_EQ(atScale->image().size(), QSize(6, 6));
    EXPECT_EQ(il_resizedImageWithSize(wide, QSizeF(0, 10), ILScaleModeFill), nullptr);
    EXPECT_EQ(il_resizedImageWithSize(nullptr, QSizeF(10, 10), ILScaleModeFill), nullptr);
}

TEST(ILImageTransform, CroppingCutsPixelsAtTheScaleAndStaysInside)
{
    const auto cropped = il_croppedImageWithRect(grid(), QRectF(0.5, 0, 1, 1)); // points: pixels 1..2, 0..1
    ASSERT_TRUE(cropped);
    EXPECT_EQ(cropped->image().size(), QSize(2, 2));
    EXPECT_EQ(cropped->scale(), 2);
    EXPECT_EQ(at(cropped, 0, 0), at(grid(), 1, 0));
    EXPECT_EQ(at(cropped, 1, 1), at(grid(), 2, 1));
    const auto clipped = il_croppedImageWithRect(grid(), QRectF(1.5, 0, 10, 10));
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->image().size(), QSize(1, 2));
    EXPECT_EQ(il_croppedImageWithRect(grid(), QRectF(5, 5, 1, 1)), nullptr); // outside
    EXPECT_EQ(il_croppedImageWithRect(grid(), QRectF(0, 0, 0, 1)), nullptr);
}

TEST(ILImageTransform, RotationCanvasesAndDirection)
{
    const auto image = Image::create(graphicstest::testPicture(30, 10, false));
    const auto fitted = il_rotatedImageWithAngle(image, M_PI / 2, true);
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted->image().size(), QSize(10, 30));
    const auto kept = il_rotatedImageWithAngle(image, M_PI / 2, false);
    EXPECT_EQ(kept->image().size(), QSize(30, 10));
    // Counter-clockwise on screen: the right edge goes to the top.
    QImage marked = flat(30, 10, 0xFF000000u);
    for (int y = 0; y < 10; ++y)
        marked.setPixel(29, y, 0xFFFFFFFFu);
    const auto turned = il_rotatedImageWithAngle(Image::create(marked), M_PI / 2, true);
    EXPECT_GT(qRed(at(turned, 5, 0)), 200);
    EXPECT_LT(qRed(at(turned, 5, 29)), 50);
    EXPECT_EQ(il_rotatedImageWithAngle(Image::create(marked), M_PI / 4, true)->image().size(),
        QSize(int(40 / std::sqrt(2.0)), int(40 / std::sqrt(2.0))));
}

TEST(ILImageTransform, FlipsMirrorTheRightAxis)
{
    const auto horizontal = il_flippedImageWithHorizontal(grid(), true, false);
    EXPECT_EQ(at(horizontal, 0, 0), at(grid(), 3, 0));
    EXPECT_EQ(at(horizontal, 0, 1), at(grid(), 3, 1));
    const auto vertical = il_flippedImageWithHorizontal(grid(), false, true);
    EXPECT_EQ(at(vertical, 0, 0), at(grid(), 0, 1));
    const auto both = il_flippedImageWithHorizontal(grid(), true, true);
    EXPECT_EQ(at(both, 0, 0), at(grid(), 3, 1));
    EXPECT_EQ(both->scale(), 2);
}

TEST(ILImageTransform, TintKeepsAlphaAndATransparentTintChangesNothing)
{
    QImage pixels = flat(4, 4, 0xFF0000FFu).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pixels.setPixel(0, 0, 0);
    const auto image = Image::create(pixels);
    const auto tinted = il_tintedImageWithColor(image, QColor(255, 0, 0));
    ASSERT_TRUE(tinted);
    EXPECT_EQ(at(tinted, 2, 2), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(at(tinted, 0, 0)), 0);
    const auto untinted = il_tintedImageWithColor(image, QColor(255, 0, 0, 0));
    ASSERT_TRUE(untinted);
    EXPECT_NE(untinted, image);
    EXPECT_EQ(untinted->image(), image->image());
    EXPECT_EQ(il_tintedImageWithColor(image, QColor()), nullptr);
}

TEST(ILImageTransform, BlurOfRadiusZeroIsTheSameObject)
{
    const auto image = Image::create(graphicstest::testPicture(20, 20, true), 2);
    EXPECT_EQ(il_blurredImageWithRadius(image, 0), image);
    const auto blurred = il_blurredImageWithRadius(image, 3);
    ASSERT_TRUE(blurred);
    EXPECT_NE(blurred, image);
    EXPECT_EQ(blurred->scale(), 2);
    EXPECT_EQ(blurred->image().size(), QSize(20, 20));
    EXPECT_NE(blurred->image(), image->image());
    EXPECT_EQ(
        il_blurredImageWithRadius(Image::create(flat(1, 1, 0xFFFFFFFFu), 2), 3), nullptr); // half a point
}

TEST(ILImageTransform, ASmallBlurStillSpreadsAPixel)
{
    // 0.2 points at scale 2 is 0.4 pixels: one pass of a 3 × 3 box. Rows then columns, each
    // rounded: 255 / 3 = 85, then 85 / 3 = 28.33 → 28 (0x1C) over the nine pixels around the dot.
    QImage dot(5, 5, QImage::Format_ARGB32_Premultiplied);
    dot.fill(0xFF000000u);
    dot.setPixel(2, 2, 0xFFFFFFFFu);
    const auto blurred = il_blurredImageWithRadius(Image::create(dot, 2), 0.2);
    ASSERT_TRUE(blurred);
    EXPECT_EQ(at(blurred, 2, 2), 0xFF1C1C1Cu);
    EXPECT_EQ(at(blurred, 1, 3), 0xFF1C1C1Cu);
    EXPECT_EQ(at(blurred, 0, 2), 0xFF000000u);
}

TEST(ILImageTransform, ColoursAtPointsAndInRectangles)
{
    const auto image = grid();
    EXPECT_FALSE(il_colorAtPoint(image, QPointF(4, 0)).isValid());
    EXPECT_FALSE(il_colorAtPoint(image, QPointF(-1, 0)).isValid());
    EXPECT_EQ(il_colorAtPoint(image, QPointF(3, 1)).rgba(), at(image, 3, 1));
    EXPECT_EQ(il_colorAtPoint(image, QPointF(1.7, 0.2)).rgba(), at(image, 1, 0));
    const auto colours = il_colorsWithRect(image, QRectF(1, 0, 2, 2));
    ASSERT_TRUE(colours);
    ASSERT_EQ(colours->size(), 4u);
    EXPECT_EQ((*colours)[0].rgba(), at(image, 1, 0));
    EXPECT_EQ((*colours)[1].rgba(), at(image, 2, 0));
    EXPECT_EQ((*colours)[2].rgba(), at(image, 1, 1));
    EXPECT_EQ((*colours)[3].rgba(), at(image, 2, 1));
    EXPECT_FALSE(il_colorsWithRect(image, QRectF(3, 0, 2, 1)));
    EXPECT_FALSE(il_colorsWithRect(image, QRectF(0, 0, 0, 1)));
    // Pixels with alpha read as stored, premultiplied.
    const auto translucent = Image::create(flat(1, 1, qRgba(255, 0, 0, 128)));
    const QColor read = il_colorAtPoint(translucent, QPointF(0, 0));
    EXPECT_EQ(read.alpha(), 128);
    EXPECT_EQ(read.red(), 128);
}

TEST(ILImageTransform, RoundedCornersAndBorder)
{
    const auto image = Image::create(flat(40, 40, 0xFF0000FFu));
    const auto rounded = il_roundedCornerImageWithRadius(image, 10, ILCornerTopLeft, 0, QColor());
    ASSERT_TRUE(rounded);
    EXPECT_EQ(qAlpha(at(rounded, 0, 0)), 0); // visible top-left is cut
    EXPECT_EQ(at(rounded, 39, 0), 0xFF0000FFu); // the others stay square
    EXPECT_EQ(at(rounded, 0, 39), 0xFF0000FFu);
    EXPECT_EQ(at(rounded, 20, 20), 0xFF0000FFu);
    const auto bordered = il_roundedCornerImageWithRadius(image, 0, 0, 4, QColor(Qt::white));
    // The image is clipped 4 in; the border's centre line runs 4.5 in, so it covers 2.5 to 6.5.
    EXPECT_EQ(qAlpha(at(bordered, 1, 20)), 0);
    EXPECT_EQ(at(bordered, 4, 20), 0xFFFFFFFFu);
    EXPECT_EQ(at(bordered, 20, 35), 0xFFFFFFFFu);
    EXPECT_EQ(at(bordered, 20, 20), 0xFF0000FFu);
    const auto empty = il_roundedCornerImageWithRadius(image, 5, ILCornerAll, 20, QColor(Qt::white));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->image().size(), QSize(40, 40));
    EXPECT_EQ(qAlpha(at(empty, 20, 20)), 0);
}

TEST(ILImageTransform, FilterRunsOnTheImageAndKeepsItAsInput)
{
    auto filter = ILColorControlsFilter::filter();
    filter->setBrightness(1);
    const auto image = Image::create(flat(3, 3, 0xFF102030u), 2);
    const auto filtered = il_filteredImageWithFilter(image, filter);
    ASSERT_TRUE(filtered);
    EXPECT_EQ(filtered->scale(), 2);
    EXPECT_EQ(at(filtered, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(filter->inputImage().pixel(1, 1), 0xFF102030u);
    EXPECT_EQ(il_filteredImageWithFilter(image, nullptr), nullptr);
}

TEST(ILImageTransform, DrawingInARectByMode)
{
    const auto image = Image::create(flat(20, 10, 0xFFFF0000u));
    ILBitmapContextBegin(QSizeF(10, 10), false, 1);
    il_drawInRect(image, QRectF(0, 0, 10, 10), ILScaleModeAspectFit, false);
    const auto fitted = ILBitmapContextImage();
    ILBitmapContextEnd();
    EXPECT_EQ(qAlpha(at(fitted, 5, 1)), 0);
    EXPECT_EQ(at(fitted, 5, 5), 0xFFFF0000u);
    // With clipping nothing outside the rectangle is touched.
    ILBitmapContextBegin(QSizeF(10, 10), false, 1);
    il_drawInRect(image, QRectF(0, 0, 5, 10), ILScaleModeAspectFill, true);
    const auto clipped = ILBitmapContextImage();
    ILBitmapContextEnd();
    EXPECT_EQ(at(clipped, 2, 5), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(at(clipped, 7, 5)), 0);
    // Without a context nothing happens, and nothing breaks.
    il_drawInRect(image, QRectF(0, 0, 5, 5), ILScaleModeFill, true);
}

} // namespace
