#include "Lib/ImageLoading/ILImageCompatibility.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageMultiFormat.h"
#include "Lib/ImageLoading/ILImageScale.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"

#include <gtest/gtest.h>

namespace {

using namespace iltest;
using foundation::String;
using graphics::Image;

TEST(ILImageMetadata, AttachedValuesAndTheirDefaults)
{
    const auto image = Image::create(flat(100, 50, 0xFF000000u));
    EXPECT_EQ(il_imageFormat(image), ILImageFormatUndefined);
    EXPECT_FALSE(il_isIncremental(image));
    EXPECT_FALSE(il_isDecoded(image));
    EXPECT_FALSE(il_isAnimated(image));
    EXPECT_EQ(il_imageLoopCount(image), 0u);
    il_setImageFormat(image, ILImageFormatWebP);
    il_setIsIncremental(image, true);
    il_setIsDecoded(image, true);
    EXPECT_EQ(il_imageFormat(image), ILImageFormatWebP);
    EXPECT_TRUE(il_isIncremental(image));
    EXPECT_TRUE(il_isDecoded(image));
    EXPECT_EQ(il_imageFormat(nullptr), ILImageFormatUndefined);
    il_setIsIncremental(nullptr, true); // ignored
    // A decoded image without an attached format answers its source's type.
    const auto gif = Image::createWithData(graphicstest::qtEncoded(flat(4, 4, 0xFF00FF00u), "png"));
    EXPECT_EQ(il_imageFormat(gif), ILImageFormatPNG);
}

TEST(ILImageMetadata, MemoryCostCountsEveryBufferAndTheData)
{
    const auto still = Image::create(flat(100, 50, 0xFF000000u));
    EXPECT_EQ(il_memoryCost(still), 20000u); // 400-byte rows × 50
    il_setMemoryCost(still, 123);
    EXPECT_EQ(il_memoryCost(still), 123u);
    // An animation decoded for a plain view holds its frame, its source's composed canvas and its
    // data; counting one frame would let the cache's ceiling be passed.
    const auto data = apng(rgbFrames(100, 50), { 0.1, 0.1, 0.1 });
    const auto animated = il_imageWithData(data);
    ASSERT_TRUE(animated);
    animated->representation()->setProperty(graphics::bitmapProperty::currentFrame, Id(2));
    EXPECT_GE(il_memoryCost(animated), 20000u + data->length());
    EXPECT_EQ(il_memoryCost(animated), animated->memoryCost());
    EXPECT_EQ(il_memoryCost(nullptr), 0u);
}

TEST(ILImageMetadata, LoopCountLivesOnTheRepresentation)
{
    const auto animated = il_imageWithData(apng(rgbFrames(), { 0.1, 0.1, 0.1 }, 3));
    EXPECT_TRUE(il_isAnimated(animated));
    EXPECT_EQ(il_imageLoopCount(animated), 3u);
    il_setImageLoopCount(animated, 7);
    EXPECT_EQ(il_imageLoopCount(animated), 7u);
}

TEST(ILImageScale, ScaledImagesKeepTheirMarks)
{
    const auto image = il_initWithCGImage(flat(200, 100, 0xFF000000u), 1, 1);
    il_setImageFormat(image, ILImageFormatJPEG);
    il_setIsIncremental(image, true);
    const auto scaled = ILImageScaledToFactor(2, image);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->size(), QSizeF(100, 50));
    EXPECT_EQ(il_scale(scaled), 2);
    EXPECT_EQ(il_imageFormat(scaled), ILImageFormatJPEG);
    EXPECT_TRUE(il_isIncremental(scaled));
    EXPECT_EQ(ILImageScaledToFactor(1, image), image);
    EXPECT_EQ(ILImageScaledToFactor(2, scaled), scaled);
    EXPECT_EQ(ILImageScaledToFactor(2, nullptr), nullptr);
    EXPECT_EQ(ILImageScaledForKey(String::create("https://h/p/a@3x.png"), image)->scale(), 3);
    // An animated image gets a representation of its own: the original keeps its scale.
    const auto animated = il_imageWithData(apng(rgbFrames(), { 0.1, 0.1, 0.1 }));
    const auto doubled = ILImageScaledToFactor(2, animated);
    ASSERT_TRUE(doubled);
    EXPECT_TRUE(il_isAnimated(doubled));
    EXPECT_EQ(doubled->scale(), 2);
    EXPECT_EQ(animated->scale(), 1);
}

TEST(ILImageCompatibility, ImagesFromPixelsAndData)
{
    EXPECT_EQ(il_initWithCGImage(QImage(), 2, 1), nullptr);
    const auto turned = il_initWithCGImage(graphicstest::testPicture(6, 4, false), 0.5, 6);
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->scale(), 1);
    EXPECT_EQ(turned->image().size(), QSize(4, 6));
    EXPECT_EQ(il_initWithData(Data::create(std::string_view("nothing")), 2), nullptr);
    const auto image = il_initWithData(graphicstest::qtEncoded(flat(10, 10, 0xFF00FF00u), "png"), 2);
    EXPECT_EQ(image->size(), QSizeF(5, 5));
    EXPECT_TRUE(il_CGImage(nullptr).isNull());
    EXPECT_EQ(il_scale(nullptr), 1);
}

} // namespace
