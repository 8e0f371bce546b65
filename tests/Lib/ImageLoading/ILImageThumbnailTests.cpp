#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageDecoding.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/HugeAnimations.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/LargePng.h"

#include <gtest/gtest.h>

namespace {

using namespace iltest;
using foundation::String;
using foundation::URL;
using graphics::Image;

constexpr int kSide = 8000;

const Ref<Data>& hugePng()
{
    static const Ref<Data> data = graphicstest::largePng(
        kSide, kSide, [](int x, int) { return graphicstest::redThenBlue(x, kSide); });
    return data;
}

const Ref<URL>& url()
{
    static const Ref<URL> address = URL::URLWithString("https://host/previews/huge.png");
    return address;
}

TEST(ILImageThumbnail, PixelSizeFitsOrFillsTheBoxAndHoldsToTheLimit)
{
    const QSize huge(kSide, kSide);
    EXPECT_EQ(ILThumbnailPixelSize(huge, QSize(600, 80), false), QSize(80, 80));
    EXPECT_EQ(ILThumbnailPixelSize(huge, QSize(600, 80), true), QSize(600, 600));
    EXPECT_EQ(ILThumbnailPixelSize(QSize(1000, 100), QSize(333, 999), false), QSize(333, 34)) << "rounded up";
    EXPECT_EQ(ILThumbnailPixelSize(QSize(1000, 100), QSize(5000, 5000), true), QSize(1000, 100))
        << "never enlarged";
    EXPECT_EQ(ILThumbnailPixelSize(huge, QSize(), false), QSize(2048, 2048)) << "no box: the pixel limit";
    EXPECT_EQ(ILThumbnailPixelSize(huge, QSize(6000, 6000), false), QSize(2048, 2048));
    EXPECT_EQ(ILThumbnailPixelSize(QSize(16000, 1000), QSize(), false, 4000), QSize(252, 15));
    EXPECT_EQ(ILThumbnailPixelSize(QSize(40, 30), QSize(), false), QSize(40, 30));
}

TEST(ILImageThumbnail, AHugeStillDecodesToTheSizeItIsDrawnAtKeepingItsPoints)
{
    // A view of 300 x 40 points at a device pixel ratio of 2, decoded at scale 2.
    const ILContext context = ILContextWithThumbnail(nullptr, QSize(600, 80), false);
    const auto scaled = ILContextWithThumbnail(
        Dictionary::create({ { Id(ILWebContextImageScaleFactor), Id(2.0) } }), QSize(600, 80), false);
    const auto image = ILDecodeDownloadedData(hugePng(), url(), 0, scaled);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->image().size(), QSize(80, 80));
    EXPECT_DOUBLE_EQ(image->size().width(), kSide / 2.0) << "as wide in points as the whole image at scale 2";
    EXPECT_LT(il_memoryCost(image), std::size_t(1) << 20);
    EXPECT_EQ(image->image().pixel(10, 40) | 0xff000000u, qRgb(255, 0, 0));
    EXPECT_EQ(image->image().pixel(70, 40) | 0xff000000u, qRgb(0, 0, 255));

    const auto filled
        = ILDecodeDownloadedData(hugePng(), url(), 0, ILContextWithThumbnail(context, QSize(600, 80), true));
    ASSERT_TRUE(filled);
    EXPECT_EQ(filled->image().size(), QSize(600, 600));
}

TEST(ILImageThumbnail, WithoutABoxAStillIsHeldToThePixelLimit)
{
    const auto image = ILDecodeDownloadedData(hugePng(), url(), 0, nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->image().size(), QSize(2048, 2048));
    EXPECT_DOUBLE_EQ(image->size().width(), kSide);
    // The same through the disk cache's step and through a progressive load.
    EXPECT_EQ(
        ILDecodeCachedData(hugePng(), String::create("k"), 0, nullptr)->image().size(), QSize(2048, 2048));
}

TEST(ILImageThumbnail, PartialImagesAreDecodedToSizeAndNoneForImagesPastTheLimit)
{
    const ILContext context = ILContextWithThumbnail(nullptr, QSize(600, 80), false);
    const auto large
        = graphicstest::largePng(1600, 1600, [](int x, int) { return graphicstest::redThenBlue(x, 1600); });
    Ref<ILImageCoder> coder;
    const auto partial
        = ILDecodePartialDownload(prefix(large, large->length() / 2), url(), false, coder, 0, context);
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->image().size(), QSize(80, 80));
    EXPECT_TRUE(il_isIncremental(partial));

    // Every partial decode reads all data so far: past the limit the image shows once complete.
    Ref<ILImageCoder> hugeCoder;
    EXPECT_FALSE(ILDecodePartialDownload(
        prefix(hugePng(), hugePng()->length() / 2), url(), false, hugeCoder, 0, context));
    const auto whole = ILDecodePartialDownload(hugePng(), url(), true, hugeCoder, 0, context);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->image().size(), QSize(80, 80));
}

TEST(ILImageThumbnail, DecodersThatCannotShrinkAreShrunkAfterwards)
{
    const QImage picture = flat(3000, 1500, 0xFF2080C0u);
    const auto webp = graphicstest::qtEncoded(picture, "webp", 50);
    const auto saved = ILImageCodersManager::sharedManager()->coders();
    ILImageCodersManager::sharedManager()->setCoders({ ILImageWebPCoder::sharedCoder() });
    const auto image
        = ILDecodeDownloadedData(webp, url(), 0, ILContextWithThumbnail(nullptr, QSize(100, 100), false));
    ILImageCodersManager::sharedManager()->setCoders(saved);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->image().size(), QSize(100, 50));
    EXPECT_DOUBLE_EQ(image->size().width(), 3000);
    EXPECT_EQ(il_imageFormat(image), ILImageFormatWebP);

    // And an image asked to be scaled down is held to the bytes it is given.
    const auto whole = Image::create(picture);
    const auto down = ILImageCoderHelper::decodedAndScaledDownImageWithImage(whole, 4 * 200 * 100);
    EXPECT_EQ(down->image().size(), QSize(200, 100));
    EXPECT_DOUBLE_EQ(down->size().width(), 3000);
    const auto small = Image::create(flat(300, 150, 0xFF2080C0u));
    EXPECT_EQ(ILImageCoderHelper::decodedAndScaledDownImageWithImage(small, 4 * 300 * 150), small);
}

ILContext animatedImageContext(QSize box)
{
    return ILContextWithThumbnail(Dictionary::create({ { Id(ILWebContextAnimatedImageClass),
                                      Id(foundation::ClassValue::create(ILAnimatedImage::classObject())) } }),
        box, false);
}

TEST(ILImageThumbnail, AnimationsAreShrunkFrameByFrameKeepingTheirTimingAndPoints)
{
    const auto data = apng(rgbFrames(300, 200), { 0.1, 0.2, 0.3 }, 2);
    const auto animated = std::dynamic_pointer_cast<ILAnimatedImage>(
        ILDecodeDownloadedData(data, url(), 0, animatedImageContext(QSize(30, 20))));
    ASSERT_TRUE(animated);
    EXPECT_EQ(animated->image().size(), QSize(30, 20));
    EXPECT_DOUBLE_EQ(animated->size().width(), 300);
    ASSERT_EQ(animated->animatedImageFrameCount(), 3u);
    EXPECT_EQ(animated->animatedImageFrameAtIndex(2)->image().size(), QSize(30, 20));
    EXPECT_EQ(animated->animatedImageFrameAtIndex(2)->image().pixel(15, 10), 0xFF0000FFu);

    const auto plain
        = ILDecodeDownloadedData(data, url(), 0, ILContextWithThumbnail(nullptr, QSize(30, 20), false));
    ASSERT_TRUE(plain);
    EXPECT_TRUE(il_isAnimated(plain));
    EXPECT_EQ(plain->image().size(), QSize(30, 20));
    EXPECT_DOUBLE_EQ(plain->size().width(), 300);
    EXPECT_EQ(il_imageLoopCount(plain), 2u);
    const auto frames = ILImageCoderHelper::framesFromAnimatedImage(plain);
    ASSERT_TRUE(frames);
    ASSERT_EQ(frames->size(), 3u);
    EXPECT_NEAR((*frames)[1].duration, 0.2, 1e-6);
    EXPECT_EQ((*frames)[1].image->image().pixel(15, 10), 0xFF00FF00u);

    const auto asStored = ILDecodeDownloadedData(data, url(), 0, nullptr);
    ASSERT_TRUE(asStored);
    EXPECT_EQ(asStored->image().size(), QSize(300, 200)) << "without a box, as stored";
}

// An 8000 x 8000 animation of four frames drawn at 64 x 64, by the plain image and by the animated
// image: each frame is decoded at the box, never at the canvas's 244 MiB.
TEST(ILImageThumbnail, HugeAnimationsAreDecodedAtTheirBoxOnEveryRoad)
{
    constexpr std::int64_t kMiB = 1024 * 1024;
    const int side = kSide;
    for (const auto& data : { graphicstest::solidGif(side, side, graphicstest::fourFrames(side)),
             graphicstest::solidApng(side, side, graphicstest::fourFrames(side)) }) {
        const std::int64_t before = graphicstest::ResidentSize::now();
        graphicstest::ResidentSize::resetPeak();
        const auto plain
            = ILDecodeDownloadedData(data, url(), 0, ILContextWithThumbnail(nullptr, QSize(64, 64), false));
        ASSERT_TRUE(plain);
        EXPECT_EQ(plain->image().size(), QSize(64, 64));
        const auto frames = ILImageCoderHelper::framesFromAnimatedImage(plain);
        ASSERT_TRUE(frames);
        ASSERT_EQ(frames->size(), 4u);
        EXPECT_EQ((*frames)[3].image->image().pixel(10, 10), 0xFFFFFF00u);
        EXPECT_EQ((*frames)[3].image->image().pixel(50, 10), 0xFF0000FFu);
        const auto animated = std::dynamic_pointer_cast<ILAnimatedImage>(
            ILDecodeDownloadedData(data, url(), 0, animatedImageContext(QSize(64, 64))));
        ASSERT_TRUE(animated);
        ASSERT_EQ(animated->animatedImageFrameCount(), 4u);
        const auto second = animated->animatedImageFrameAtIndex(1);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->image().size(), QSize(64, 64));
        EXPECT_EQ(second->image().pixel(10, 10), 0xFFFF0000u);
        EXPECT_EQ(second->image().pixel(50, 10), 0xFF00FF00u);
        animated->preloadAllFrames();
        EXPECT_TRUE(animated->isAllFramesLoaded());
        const std::int64_t growth = graphicstest::ResidentSize::peak() - before;
        EXPECT_LT(growth, 64 * kMiB) << "peak grew by " << growth / kMiB << " MiB";
    }
}

TEST(ILImageThumbnail, AnimationsWhoseFramesPassTheBudgetAtTheBoxShowTheirFirstFrameStill)
{
    // 70 frames of 1000 x 1000 are 267 MiB.
    std::vector<graphicstest::SolidFrame> frames;
    for (int i = 0; i < 70; ++i)
        frames.push_back({ QRect(0, 0, 1200, 1200), i % 2 ? qRgb(0, 255, 0) : qRgb(255, 0, 0) });
    const auto data = graphicstest::solidGif(1200, 1200, frames);
    const auto image
        = ILDecodeDownloadedData(data, url(), 0, ILContextWithThumbnail(nullptr, QSize(1000, 1000), false));
    ASSERT_TRUE(image);
    EXPECT_FALSE(il_isAnimated(image));
    EXPECT_EQ(image->image().size(), QSize(1000, 1000));
    EXPECT_EQ(image->image().pixel(500, 500), 0xFFFF0000u);
    const auto smaller
        = ILDecodeDownloadedData(data, url(), 0, ILContextWithThumbnail(nullptr, QSize(100, 100), false));
    ASSERT_TRUE(smaller);
    EXPECT_TRUE(il_isAnimated(smaller)) << "at a smaller box the frames fit";
}

TEST(ILImageThumbnail, TheCacheKeyNamesTheBox)
{
    const auto key = String::create("https://host/a.png");
    EXPECT_EQ(ILThumbnailedCacheKey(key, nullptr), key);
    EXPECT_EQ(ILThumbnailedCacheKey(key, Dictionary::create()), key);
    const auto fit = ILThumbnailedCacheKey(key, ILContextWithThumbnail(nullptr, QSize(600, 80), false));
    const auto fill = ILThumbnailedCacheKey(key, ILContextWithThumbnail(nullptr, QSize(600, 80), true));
    const auto other = ILThumbnailedCacheKey(key, ILContextWithThumbnail(nullptr, QSize(300, 80), false));
    EXPECT_EQ(Id(fit).stringValue(), "https://host/a.png-Thumbnail(600x80)");
    EXPECT_EQ(Id(fill).stringValue(), "https://host/a.png-Thumbnail(600x80,fill)");
    EXPECT_NE(Id(other).stringValue(), Id(fit).stringValue());
}

} // namespace
