#include "Platform/Graphics/ApngTestFiles.h"
#include "Platform/Graphics/GifTestFiles.h"
#include "Platform/Graphics/ImageTestSupport.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

#include <random>
#include <thread>

using namespace graphicstest;
using foundation::Data;
using foundation::Id;
using foundation::Ref;
using graphics::ImageSource;
namespace property = graphics::imageProperty;

namespace {

constexpr QRgb red = qRgb(255, 0, 0);
constexpr QRgb green = qRgb(0, 255, 0);
constexpr QRgb blue = qRgb(0, 0, 255);

// The premultiplied pixels of a canvas, row by row.
std::vector<QRgb> pixelsOf(const QImage& image)
{
    QImage canvas = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::vector<QRgb> pixels;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            pixels.push_back(canvas.pixel(x, y));
    return pixels;
}

std::vector<QRgb> canvas4x4(QRgb fill, std::initializer_list<std::pair<QPoint, QRgb>> changes)
{
    std::vector<QRgb> pixels(16, fill);
    for (auto [point, colour] : changes)
        pixels[std::size_t(point.y() * 4 + point.x())] = colour;
    return pixels;
}

std::vector<ApngFrame> disposeAndBlendFrames()
{
    // 0: red canvas. 1: half-transparent blue square over it, cleared afterwards. 2: green pixel,
    // undone afterwards. 3: a transparent pixel written with the source blend.
    return {
        {solid(4, 4, red), 0, 0, 0, 0},
        {solid(2, 2, qRgba(0, 0, 255, 128)), 1, 1, 1, 1},
        {solid(1, 1, green), 0, 0, 2, 0},
        {solid(1, 1, qRgba(0, 0, 0, 0)), 3, 3, 0, 0},
    };
}

std::vector<std::vector<QRgb>> expectedDisposeAndBlend()
{
    QRgb mixed = qRgba(127, 0, 128, 255);
    QRgb clear = 0;
    return {
        canvas4x4(red, {}),
        canvas4x4(red, {{{1, 1}, mixed}, {{2, 1}, mixed}, {{1, 2}, mixed}, {{2, 2}, mixed}}),
        canvas4x4(red, {{{0, 0}, green}, {{1, 1}, clear}, {{2, 1}, clear}, {{1, 2}, clear}, {{2, 2}, clear}}),
        canvas4x4(red, {{{1, 1}, clear}, {{2, 1}, clear}, {{1, 2}, clear}, {{2, 2}, clear}, {{3, 3}, clear}}),
    };
}

::testing::AssertionResult canvasEquals(const QImage& image, const std::vector<QRgb>& expected)
{
    auto actual = pixelsOf(image);
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size";
    for (std::size_t i = 0; i < actual.size(); ++i) {
        int worst = std::max({std::abs(qRed(actual[i]) - qRed(expected[i])), std::abs(qGreen(actual[i]) - qGreen(expected[i])),
            std::abs(qBlue(actual[i]) - qBlue(expected[i])), std::abs(qAlpha(actual[i]) - qAlpha(expected[i]))});
        if (worst > 1)
            return ::testing::AssertionFailure() << "pixel " << i << ": " << std::hex << actual[i] << " vs " << expected[i];
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(ImageSourceApng, FramesAreComposedByDisposeAndBlend)
{
    auto source = ImageSource::create(apngFile(4, 4, disposeAndBlendFrames()));
    ASSERT_EQ(source->count(), 4u);
    auto expected = expectedDisposeAndBlend();
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(canvasEquals(source->imageAtIndex(i), expected[i])) << "frame " << i;
    // Going back composes again from the first frame; asking twice gives the same canvas.
    EXPECT_TRUE(canvasEquals(source->imageAtIndex(1), expected[1]));
    EXPECT_TRUE(canvasEquals(source->imageAtIndex(3), expected[3]));
    EXPECT_TRUE(canvasEquals(source->imageAtIndex(3), expected[3]));
    EXPECT_TRUE(canvasEquals(source->imageAtIndex(0), expected[0]));
}

TEST(ImageSourceApng, FramesAskedFromSeveralThreadsAreTheSame)
{
    auto source = ImageSource::create(apngFile(4, 4, disposeAndBlendFrames()));
    auto expected = expectedDisposeAndBlend();
    std::vector<std::thread> threads;
    std::atomic<int> mismatches = 0;
    for (unsigned t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(t);
            for (int round = 0; round < 200; ++round) {
                std::size_t index = random() % 4;
                if (!canvasEquals(source->imageAtIndex(index), expected[index]))
                    ++mismatches;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, 0);
}

TEST(ImageSourceApng, DurationsAndLoopCount)
{
    auto frames = disposeAndBlendFrames();
    frames[0].delayNumerator = 1;
    frames[0].delayDenominator = 100; // 0.01 s
    frames[1].delayNumerator = 50;
    frames[1].delayDenominator = 0; // 0 means hundredths
    frames[2].delayNumerator = 3;
    frames[2].delayDenominator = 4;
    auto source = ImageSource::create(apngFile(4, 4, frames, 2));
    EXPECT_EQ(Id(source->properties())[property::pngDictionary][property::loopCount].integerValue(), 2);
    auto delay = [&](std::size_t i, std::string_view key) {
        return Id(source->propertiesAtIndex(i))[property::pngDictionary][key].doubleValue();
    };
    EXPECT_DOUBLE_EQ(delay(0, property::unclampedDelayTime), 0.01);
    EXPECT_DOUBLE_EQ(delay(0, property::delayTime), 0.1);
    EXPECT_DOUBLE_EQ(delay(1, property::delayTime), 0.5);
    EXPECT_DOUBLE_EQ(delay(2, property::delayTime), 0.75);
    EXPECT_TRUE(Id(source->propertiesAtIndex(0))[property::hasAlpha].boolValue());
}

TEST(ImageSourceApng, MalformedAnimationsShowTheirStillImage)
{
    QImage still = ImageSource::create(qtEncoded(solid(4, 4, red), "png"))->imageAtIndex(0);
    for (ApngFault fault : {ApngFault::SequenceOutOfOrder, ApngFault::DataBeforeControl}) {
        ApngLayout layout {fault, std::nullopt, false};
        auto source = ImageSource::create(apngFile(4, 4, disposeAndBlendFrames(), 0, layout));
        EXPECT_EQ(source->count(), 1u);
        EXPECT_EQ(source->properties()->count(), 0u);
        EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), still));
    }
}

TEST(ImageSourceApng, FramesReachingPastTheCanvasAreClipped)
{
    std::vector<ApngFrame> frames = {
        {solid(4, 4, red), 0, 0, 0, 0},
        {solid(4, 4, green), 2, 3, 0, 0},          // three quarters outside
        {solid(2, 2, blue), 0x7ffffff0u, 1, 0, 0}, // wholly outside
    };
    auto source = ImageSource::create(apngFile(4, 4, frames));
    ASSERT_EQ(source->count(), 3u);
    auto clipped = canvas4x4(red, {{{2, 3}, green}, {{3, 3}, green}});
    EXPECT_TRUE(canvasEquals(source->imageAtIndex(1), clipped));
    EXPECT_TRUE(canvasEquals(source->imageAtIndex(2), clipped));
}

TEST(ImageSourceApng, PartialDataCountsCompleteFramesOnly)
{
    auto whole = apngFile(4, 4, disposeAndBlendFrames());
    auto source = ImageSource::createIncremental();
    std::vector<std::size_t> counts;
    for (std::size_t length = 1; length <= whole->length(); ++length) {
        source->update(Data::create(whole->span().first(length)), length == whole->length());
        if (counts.empty() || counts.back() != source->count())
            counts.push_back(source->count());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t> {0, 1, 2, 3, 4}));
    EXPECT_TRUE(canvasEquals(source->imageAtIndex(3), expectedDisposeAndBlend()[3]));
}

TEST(ImageSourceGif, FramesAreComposedByDisposal)
{
    std::vector<QRgb> palette = {red, green, blue, 0};
    std::vector<GifTestFrame> frames = {
        solidGifFrame(QRect(0, 0, 4, 4), palette, 0, 1),
        solidGifFrame(QRect(2, 2, 2, 2), palette, 1, 2), // cleared afterwards
        solidGifFrame(QRect(0, 0, 1, 1), palette, 2, 3), // undone afterwards
        solidGifFrame(QRect(3, 0, 1, 1), palette, 1, 1),
    };
    frames[3].transparent = 3;
    auto source = ImageSource::create(gifFile(4, 4, frames, 2));
    EXPECT_EQ(source->type(), "com.compuserve.gif");
    ASSERT_EQ(source->count(), 4u);
    QRgb clear = 0;
    std::vector<std::vector<QRgb>> expected = {
        canvas4x4(red, {}),
        canvas4x4(red, {{{2, 2}, green}, {{3, 2}, green}, {{2, 3}, green}, {{3, 3}, green}}),
        canvas4x4(red, {{{0, 0}, blue}, {{2, 2}, clear}, {{3, 2}, clear}, {{2, 3}, clear}, {{3, 3}, clear}}),
        canvas4x4(red, {{{3, 0}, green}, {{2, 2}, clear}, {{3, 2}, clear}, {{2, 3}, clear}, {{3, 3}, clear}}),
    };
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(canvasEquals(source->imageAtIndex(i), expected[i])) << "frame " << i;
    EXPECT_EQ(Id(source->properties())[property::gifDictionary][property::loopCount].integerValue(), 2);
}

TEST(ImageSourceGif, TransparentPixelsLeaveTheCanvasAndFramesPastTheScreenAreClipped)
{
    std::vector<QRgb> palette = {red, green};
    GifTestFrame over = solidGifFrame(QRect(1, 1, 9, 9), palette, 1);
    over.indices[0] = 0;
    over.transparent = 0;
    auto source = ImageSource::create(gifFile(4, 4, {solidGifFrame(QRect(0, 0, 4, 4), palette, 0), over}));
    ASSERT_EQ(source->count(), 2u);
    EXPECT_TRUE(canvasEquals(source->imageAtIndex(1),
        canvas4x4(red, {{{2, 1}, green}, {{3, 1}, green}, {{1, 2}, green}, {{2, 2}, green}, {{3, 2}, green},
                           {{1, 3}, green}, {{2, 3}, green}, {{3, 3}, green}})));
}

TEST(ImageSourceGif, TruncatedStillGivesTheRowsItHasOverTransparentRows)
{
    constexpr int width = 100;
    constexpr int height = 60;
    GifTestFrame frame;
    frame.rect = QRect(0, 0, width, height);
    frame.palette = {red, green, blue, qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(9, 9, 9), qRgb(1, 2, 3), qRgb(7, 0, 7)};
    std::mt19937 random(11);
    for (int i = 0; i < width * height; ++i)
        frame.indices.push_back(std::uint8_t(random() % 8));
    auto whole = gifFile(width, height, {frame});
    // The whole image first, so the short one's pixel buffer is likely to reuse its memory.
    ASSERT_FALSE(ImageSource::create(whole)->imageAtIndex(0).isNull());
    auto cut = Data::create(whole->span().first(whole->length() - 600));
    QImage image = ImageSource::create(cut)->imageAtIndex(0);
    ASSERT_FALSE(image.isNull());
    for (int x = 0; x < width; ++x)
        ASSERT_EQ(image.pixel(x, 0), frame.palette[frame.indices[std::size_t(x)]]) << x;
    for (int x = 0; x < width; ++x)
        ASSERT_EQ(image.pixel(x, height - 1), 0u) << "the data ends before the last row";
}

TEST(ImageSourceGif, DelaysAndLoopCountAsStored)
{
    std::vector<QRgb> palette = {red, green};
    auto first = solidGifFrame(QRect(0, 0, 2, 2), palette, 0);
    first.delay = 1;
    auto second = solidGifFrame(QRect(0, 0, 2, 2), palette, 1);
    second.delay = 25;
    auto third = solidGifFrame(QRect(0, 0, 2, 2), palette, 0);
    third.delay = -1; // no control extension
    auto source = ImageSource::create(gifFile(2, 2, {first, second, third}));
    EXPECT_TRUE(Id(source->properties())[property::gifDictionary][property::loopCount].isNil());
    auto gif = [&](std::size_t i) { return Id(source->propertiesAtIndex(i))[property::gifDictionary]; };
    EXPECT_DOUBLE_EQ(gif(0)[property::unclampedDelayTime].doubleValue(), 0.01);
    EXPECT_DOUBLE_EQ(gif(0)[property::delayTime].doubleValue(), 0.1);
    EXPECT_DOUBLE_EQ(gif(1)[property::delayTime].doubleValue(), 0.25);
    EXPECT_FALSE(gif(2).isNil());
    EXPECT_EQ(gif(2).count(), 0u) << "no delay keys without a control extension";
}

TEST(ImageSourceGif, BitmapRepresentationWalksTheFrames)
{
    std::vector<QRgb> palette = {red, green, blue};
    std::vector<GifTestFrame> frames;
    for (std::uint8_t i = 0; i < 3; ++i) {
        frames.push_back(solidGifFrame(QRect(0, 0, 3, 3), palette, i));
        frames.back().delay = 10 * (i + 1);
    }
    auto rep = graphics::BitmapImageRep::imageRepWithData(gifFile(3, 3, frames, 0));
    ASSERT_TRUE(rep);
    using namespace graphics::bitmapProperty;
    EXPECT_EQ(rep->valueForProperty(frameCount).integerValue(), 3);
    EXPECT_EQ(rep->valueForProperty(currentFrame).integerValue(), 0);
    EXPECT_DOUBLE_EQ(rep->valueForProperty(currentFrameDuration).doubleValue(), 0.1);
    EXPECT_EQ(rep->valueForProperty(loopCount).integerValue(), 0);
    EXPECT_EQ(rep->image().pixel(1, 1), red);
    rep->setProperty(currentFrame, Id(2));
    EXPECT_EQ(rep->image().pixel(1, 1), blue);
    EXPECT_DOUBLE_EQ(rep->valueForProperty(currentFrameDuration).doubleValue(), 0.3);
    EXPECT_EQ(rep->frameAtIndex(1).pixel(1, 1), green);
    EXPECT_EQ(rep->image().pixel(1, 1), blue) << "frameAtIndex leaves the current frame";
}
