#include "Lib/ImageLoading/ILImageFilter.h"

#include <gtest/gtest.h>

namespace {

QImage sample()
{
    QImage image(2, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qPremultiply(qRgba(200, 40, 10, 255)));
    image.setPixel(1, 0, qPremultiply(qRgba(20, 80, 160, 100)));
    image.setDevicePixelRatio(2);
    return image;
}

TEST(ILColorControlsFilter, DefaultsLeaveTheImageAlone)
{
    auto filter = ILColorControlsFilter::filter();
    EXPECT_EQ(filter->name(), "CIColorControls");
    EXPECT_TRUE(filter->outputImage().isNull());
    filter->setInputImage(sample());
    const QImage output = filter->outputImage();
    EXPECT_EQ(output.devicePixelRatio(), 2);
    EXPECT_EQ(output.pixel(0, 0), sample().pixel(0, 0));
    EXPECT_EQ(qAlpha(output.pixel(1, 0)), 100);
}

TEST(ILColorControlsFilter, BrightnessOneWhitensEveryVisiblePixel)
{
    auto filter = ILColorControlsFilter::filter();
    filter->setBrightness(1);
    filter->setInputImage(sample());
    const QImage output = filter->outputImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(output.pixel(0, 0), qRgba(255, 255, 255, 255));
    EXPECT_EQ(output.pixel(1, 0), qRgba(255, 255, 255, 100));
}

TEST(ILColorControlsFilter, SaturationZeroGivesLumaGrey)
{
    auto filter = ILColorControlsFilter::filter();
    filter->setSaturation(0);
    filter->setInputImage(sample());
    const QRgb grey = filter->outputImage().convertToFormat(QImage::Format_ARGB32).pixel(0, 0);
    const int luma = static_cast<int>((0.2125 * 200 + 0.7154 * 40 + 0.0721 * 10) + 0.5);
    EXPECT_EQ(qRed(grey), luma);
    EXPECT_EQ(qGreen(grey), luma);
    EXPECT_EQ(qBlue(grey), luma);
}

} // namespace
