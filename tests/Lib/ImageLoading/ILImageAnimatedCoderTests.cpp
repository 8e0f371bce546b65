#include "Lib/ImageLoading/ILAnimatedImageRep.h"
#include "Lib/ImageLoading/ILImageAPNGCoder.h"
#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageGIFCoder.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageMultiFormat.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Platform/Graphics/GifTestFiles.h"
#include "Platform/Graphics/Image.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace iltest;
using graphics::Image;
using graphicstest::GifTestFrame;

// A GIF of 4 × 2 flat frames, one colour each, with the delays given (hundredths; -1: no control
// extension) and an optional loop count.
Ref<Data> gifOf(
    const std::vector<QRgb>& colours, const std::vector<int>& delays, std::optional<unsigned> loopCount)
{
    std::vector<GifTestFrame> frames;
    for (std::size_t i = 0; i < colours.size(); ++i)
        frames.push_back({ .rect = QRect(0, 0, 4, 2),
            .palette = { colours[i], 0xFF000000u },
            .indices = std::vector<std::uint8_t>(8, 0),
            .delay = delays[i] });
    return graphicstest::gifFile(4, 2, frames, loopCount);
}

std::shared_ptr<ILAnimatedImageCoder> framesOf(const ILImageIOAnimatedCoder& coder, const Ref<Data>& data)
{
    return coder.initWithAnimatedImageData(data, nullptr);
}

TEST(ILImageAnimatedCoders, GIFDurationsAndLoopCount)
{
    const auto data = gifOf({ 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu }, { 1, -1, 25 }, std::nullopt);
    const auto coder = framesOf(*ILImageGIFCoder::sharedCoder(), data);
    ASSERT_TRUE(coder);
    EXPECT_EQ(coder->animatedImageFrameCount(), 3u);
    EXPECT_DOUBLE_EQ(coder->animatedImageDurationAtIndex(0), 0.1); // 0.01 s plays as 0.1 s
    EXPECT_DOUBLE_EQ(coder->animatedImageDurationAtIndex(1), 0.1); // no delay at all
    EXPECT_DOUBLE_EQ(coder->animatedImageDurationAtIndex(2), 0.25);
    EXPECT_EQ(coder->animatedImageDurationAtIndex(3), 0);
    EXPECT_EQ(coder->animatedImageLoopCount(), 1u); // a GIF without loop count plays once
    EXPECT_EQ(coder->animatedImageData(), data);
    const auto looping
        = framesOf(*ILImageGIFCoder::sharedCoder(), gifOf({ 0xFFFF0000u, 0xFF00FF00u }, { 5, 5 }, 0));
    EXPECT_EQ(looping->animatedImageLoopCount(), 0u);
    const auto twice
        = framesOf(*ILImageGIFCoder::sharedCoder(), gifOf({ 0xFFFF0000u, 0xFF00FF00u }, { 5, 5 }, 2));
    EXPECT_EQ(twice->animatedImageLoopCount(), 2u);
}

TEST(ILImageAnimatedCoders, APNGFramesOnDemandAndLoopCount)
{
    const auto data = apng(rgbFrames(), { 0.2, 0.005, 0.5 });
    const auto coder = framesOf(*ILImageAPNGCoder::sharedCoder(), data);
    ASSERT_TRUE(coder);
    ASSERT_EQ(coder->animatedImageFrameCount(), 3u);
    EXPECT_EQ(coder->animatedImageLoopCount(), 0u);
    EXPECT_NEAR(coder->animatedImageDurationAtIndex(0), 0.2, 1e-9);
    EXPECT_NEAR(coder->animatedImageDurationAtIndex(1), 0.1, 1e-9);
    EXPECT_NEAR(coder->animatedImageDurationAtIndex(2), 0.5, 1e-9);
    const QRgb colours[] = { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu };
    // Out of order and again: every request decodes the frame asked for.
    for (std::size_t index : { 2u, 0u, 1u, 2u })
        EXPECT_EQ(coder->animatedImageFrameAtIndex(index)->image().pixel(3, 2), colours[index]) << index;
    EXPECT_EQ(coder->animatedImageFrameAtIndex(3), nullptr);
    EXPECT_EQ(framesOf(*ILImageAPNGCoder::sharedCoder(), apng(rgbFrames(), { 0.1, 0.1, 0.1 }, 3))
                  ->animatedImageLoopCount(),
        3u);
    EXPECT_EQ(framesOf(*ILImageAPNGCoder::sharedCoder(), nullptr), nullptr);
}

TEST(ILImageAnimatedCoders, FramesMayBeAskedForFromSeveralThreads)
{
    std::vector<QImage> frames;
    std::vector<double> delays;
    for (int i = 0; i < 12; ++i) {
        frames.push_back(flat(32, 32, qRgb(i * 20, 255 - i * 20, 7)));
        delays.push_back(0.05);
    }
    const auto coder = framesOf(*ILImageAPNGCoder::sharedCoder(), apng(frames, delays));
    ASSERT_TRUE(coder);
    std::atomic<int> wrong { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 30; ++round) {
                const std::size_t index = (round * 5 + t * 3) % 12;
                const auto frame = coder->animatedImageFrameAtIndex(index);
                if (!frame || frame->image().pixel(16, 16) != frames[index].pixel(16, 16))
                    ++wrong;
                if (coder->animatedImageFrameCount() != 12)
                    ++wrong;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ILImageAnimatedCoders, DecodedImagePlaysThroughItsRepresentation)
{
    const auto data = gifOf({ 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu }, { 1, 30, 20 }, std::nullopt);
    const auto image = ILImageGIFCoder::sharedCoder()->decodedImageWithData(
        data, Dictionary::create({ { Id(ILImageCoderDecodeScaleFactor), Id(2.0) } }));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSizeF(2, 1));
    EXPECT_TRUE(il_isAnimated(image));
    EXPECT_EQ(il_imageLoopCount(image), 1u);
    EXPECT_EQ(il_imageFormat(image), ILImageFormatGIF);
    const auto& representation = image->representation();
    // The coder's duration (the unclamped delay) follows the current frame.
    representation->setProperty(graphics::bitmapProperty::currentFrame, Id(1));
    EXPECT_DOUBLE_EQ(
        representation->valueForProperty(graphics::bitmapProperty::currentFrameDuration).doubleValue(), 0.3);
    EXPECT_EQ(image->image().pixel(0, 0), 0xFF00FF00u);
    representation->setProperty(graphics::bitmapProperty::currentFrame, Id(0));
    EXPECT_DOUBLE_EQ(
        representation->valueForProperty(graphics::bitmapProperty::currentFrameDuration).doubleValue(), 0.1);
    // APNG representations are told their frame count, current frame and loop count.
    const auto animatedPNG = ILImageAPNGCoder::sharedCoder()->decodedImageWithData(
        apng(rgbFrames(), { 0.1, 0.2, 0.3 }, 4), nullptr);
    EXPECT_EQ(
        animatedPNG->representation()->valueForProperty(graphics::bitmapProperty::frameCount).integerValue(),
        3);
    EXPECT_EQ(animatedPNG->representation()
                  ->valueForProperty(graphics::bitmapProperty::currentFrame)
                  .integerValue(),
        0);
    EXPECT_EQ(il_imageLoopCount(animatedPNG), 4u);
    // A GIF of one frame gets no loop count.
    const auto single
        = ILImageGIFCoder::sharedCoder()->decodedImageWithData(gifOf({ 0xFFFF0000u }, { 10 }, 3), nullptr);
    EXPECT_FALSE(il_isAnimated(single));
    EXPECT_TRUE(single->representation()->valueForProperty(graphics::bitmapProperty::loopCount).isNil());
}

TEST(ILImageAnimatedCoders, AnimationsRoundTripThroughTheirEncoders)
{
    const auto source = ILImageAPNGCoder::sharedCoder()->decodedImageWithData(
        apng(rgbFrames(), { 0.2, 0.3, 0.4 }, 5), nullptr);
    for (const auto& [coder, format] :
        std::vector<std::pair<std::shared_ptr<ILImageIOAnimatedCoder>, ILImageFormatCode>> {
            { ILImageAPNGCoder::sharedCoder(), ILImageFormatPNG },
            { ILImageGIFCoder::sharedCoder(), ILImageFormatGIF },
            { ILImageWebPCoder::sharedCoder(), ILImageFormatWebP } }) {
        SCOPED_TRACE(format);
        EXPECT_EQ(coder->encodedDataWithImage(source, ILImageFormatJPEG, nullptr), nullptr);
        const auto data = coder->encodedDataWithImage(source, format, nullptr);
        ASSERT_TRUE(data);
        const auto frames = coder->initWithAnimatedImageData(data, nullptr);
        ASSERT_TRUE(frames);
        ASSERT_EQ(frames->animatedImageFrameCount(), 3u);
        EXPECT_EQ(frames->animatedImageLoopCount(), 5u);
        EXPECT_NEAR(frames->animatedImageDurationAtIndex(1), 0.3, 0.011);
        EXPECT_EQ(frames->animatedImageFrameAtIndex(2)->image().pixel(1, 1), 0xFF0000FFu);
        const auto firstOnly = coder->encodedDataWithImage(
            source, format, Dictionary::create({ { Id(ILImageCoderEncodeFirstFrameOnly), Id(true) } }));
        ASSERT_TRUE(firstOnly);
        EXPECT_EQ(coder->initWithAnimatedImageData(firstOnly, nullptr)->animatedImageFrameCount(), 1u);
    }
}

TEST(ILImageAnimatedCoders, IncrementalAnimatedCoderGrowsWithTheData)
{
    const auto data = gifOf({ 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu }, { 10, 10, 10 }, 0);
    auto coder = std::dynamic_pointer_cast<ILImageIOAnimatedCoder>(
        ILImageGIFCoder::sharedCoder()->initIncrementalWithOptions(nullptr));
    ASSERT_TRUE(coder);
    coder->updateIncrementalData(prefix(data, 6), false);
    EXPECT_EQ(coder->incrementalDecodedImageWithOptions(nullptr), nullptr);
    std::size_t lastCount = 0;
    for (std::size_t cut = 16; cut < data->length(); cut += 16) {
        coder->updateIncrementalData(prefix(data, cut), false);
        EXPECT_GE(coder->animatedImageFrameCount(), lastCount);
        lastCount = coder->animatedImageFrameCount();
    }
    coder->updateIncrementalData(data, true);
    EXPECT_EQ(coder->animatedImageFrameCount(), 3u);
    const auto image = coder->incrementalDecodedImageWithOptions(nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(il_imageFormat(image), ILImageFormatGIF);
    EXPECT_EQ(image->image().pixel(0, 0), 0xFFFF0000u);
}

TEST(ILImageCoderHelper, FramesOutOfAndIntoAnimatedImages)
{
    const auto image = il_imageWithData(apng(rgbFrames(), { 0.2, 0.3, 0.4 }), 2);
    ASSERT_TRUE(image);
    const auto frames = ILImageCoderHelper::framesFromAnimatedImage(image);
    ASSERT_TRUE(frames);
    ASSERT_EQ(frames->size(), 3u);
    EXPECT_NEAR((*frames)[2].duration, 0.4, 1e-9);
    EXPECT_EQ((*frames)[1].image->image().pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ((*frames)[1].image->scale(), 2);
    // Walking the frames leaves the frame the image shows alone.
    EXPECT_EQ(image->image().pixel(0, 0), 0xFFFF0000u);
    EXPECT_FALSE(ILImageCoderHelper::framesFromAnimatedImage(Image::create(flat(3, 3, 0xFF000000u))));
    const auto gif = ILImageCoderHelper::animatedImageWithFrames(*frames);
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->scale(), 2);
    EXPECT_EQ(il_imageFormat(gif), ILImageFormatGIF);
    const auto back = ILImageCoderHelper::framesFromAnimatedImage(gif);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 3u);
    EXPECT_NEAR((*back)[1].duration, 0.3, 1e-9);
    EXPECT_EQ((*back)[2].image->image().pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(ILImageCoderHelper::animatedImageWithFrames({}), nullptr);
}

TEST(ILImageCoderHelper, FramesPastTheMemoryLimitGiveNil)
{
    const auto image = il_imageWithData(hugeAnimation());
    ASSERT_TRUE(image);
    EXPECT_TRUE(il_isAnimated(image));
    EXPECT_FALSE(ILImageCoderHelper::framesFromAnimatedImage(image));
    const auto big = Image::create(flat(4096, 4096, 0xFF102030u));
    std::vector<ILImageFrame> frames(5, ILImageFrame::frameWithImage(big, 0.1));
    EXPECT_EQ(ILImageCoderHelper::animatedImageWithFrames(frames), nullptr);
}

} // namespace
