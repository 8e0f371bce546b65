#include "Platform/Graphics/GifTestFiles.h"
#include "Platform/Graphics/HugeAnimations.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/ImageTestSupport.h"

using namespace graphicstest;
using foundation::Data;
using foundation::Ref;
using graphics::ImageSource;

namespace {

constexpr int kSide = 8000;
constexpr std::int64_t kMiB = 1024 * 1024;

QRgb opaque(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000u;
}

// Every frame of `data` shrunk to 64 x 64 shows fourFrames()' halves, and neither the decode nor
// what the source keeps comes near the canvas's 244 MiB.
void expectFramesAtTheBox(const Ref<Data>& data)
{
    const auto source = ImageSource::create(data);
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 4u);
    const std::int64_t before = ResidentSize::now();
    ResidentSize::resetPeak();
    for (std::size_t index = 0; index < 4; ++index) {
        const QImage frame = source->imageAtIndex(index, QSize(64, 64));
        ASSERT_EQ(frame.size(), QSize(64, 64)) << "frame " << index;
        const auto [left, right] = fourFramesHalves()[index];
        EXPECT_EQ(opaque(frame, 0, 0), left) << "frame " << index;
        EXPECT_EQ(opaque(frame, 31, 63), left) << "frame " << index;
        EXPECT_EQ(opaque(frame, 32, 0), right) << "frame " << index;
        EXPECT_EQ(opaque(frame, 63, 63), right) << "frame " << index;
    }
    const std::int64_t growth = ResidentSize::peak() - before;
    EXPECT_LT(growth, 40 * kMiB) << "peak grew by " << growth / kMiB << " MiB";
    EXPECT_LT(source->cachedBytes(), std::size_t(kMiB)) << "the canvas kept is the box's";
}

TEST(ImageSourceAnimationScaled, AHugeGifIsComposedAtTheBox)
{
    expectFramesAtTheBox(solidGif(kSide, kSide, fourFrames(kSide)));
}

TEST(ImageSourceAnimationScaled, AHugeApngIsComposedAtTheBox)
{
    expectFramesAtTheBox(solidApng(kSide, kSide, fourFrames(kSide)));
}

// Interlaced frames are shrunk from their rows put back in order.
TEST(ImageSourceAnimationScaled, InterlacedGifFramesShrinkInPlace)
{
    const int side = 2400;
    const auto source = ImageSource::create(solidGif(side, side, fourFrames(side), true));
    for (std::size_t index = 0; index < 4; ++index) {
        const QImage frame = source->imageAtIndex(index, QSize(40, 40));
        ASSERT_EQ(frame.size(), QSize(40, 40));
        const auto [left, right] = fourFramesHalves()[index];
        EXPECT_EQ(opaque(frame, 5, 5), left) << "frame " << index;
        EXPECT_EQ(opaque(frame, 35, 5), right) << "frame " << index;
        EXPECT_EQ(opaque(frame, 35, 35), qRgb(0, 0, 0)) << "frame " << index;
    }
}

// A canvas over the whole-canvas budget composed small matches the whole canvas shrunk, disposal to
// the background and to the previous frame included, but for the softer edges of placed frames.
TEST(ImageSourceAnimationScaled, ComposingSmallFollowsTheDisposalRules)
{
    const int side = 2400; // 22 MiB a canvas
    const std::vector<QRgb> palette
        = { qRgb(200, 40, 40), qRgb(40, 200, 40), qRgb(40, 40, 200), qRgb(0, 0, 0) };
    auto frame = [&](QRect rect, std::uint8_t index, int disposal) {
        return solidGifFrame(rect, palette, index, disposal);
    };
    const auto data = gifFile(side, side,
        { frame(QRect(0, 0, side, side), 0, 1), frame(QRect(600, 600, 1200, 1200), 1, 2),
            frame(QRect(0, 1200, 1200, 1200), 2, 3), frame(QRect(1200, 0, 1200, 1200), 1, 1) });
    const auto whole = ImageSource::create(data);
    const auto small = ImageSource::create(data);
    for (std::size_t index = 0; index < 4; ++index) {
        const QImage expected = whole->imageAtIndex(index).scaled(
            QSize(60, 60), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage actual = small->imageAtIndex(index, QSize(60, 60));
        ASSERT_EQ(actual.size(), QSize(60, 60));
        // Away from the frames' edges (multiples of 15 pixels here) both agree closely.
        for (int y = 2; y < 60; y += 15)
            for (int x = 2; x < 60; x += 15)
                for (int d : { 0, 10 })
                    EXPECT_TRUE(
                        pixelsMatch(actual.copy(x + d, y + d, 1, 1), expected.copy(x + d, y + d, 1, 1), 6))
                        << "frame " << index << " at " << x + d << "," << y + d;
    }
    EXPECT_LT(small->cachedBytes(), std::size_t(kMiB));
}

// A canvas within the budget is composed whole and shrunk: the same pixels as shrinking it oneself.
TEST(ImageSourceAnimationScaled, ASmallCanvasIsComposedWholeThenShrunk)
{
    const auto data = solidGif(400, 300, fourFrames(300));
    const auto source = ImageSource::create(data);
    for (std::size_t index = 0; index < 4; ++index) {
        const QImage expected = source->imageAtIndex(index).scaled(
            QSize(40, 30), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_TRUE(pixelsMatch(source->imageAtIndex(index, QSize(40, 30)), expected)) << "frame " << index;
    }
}

} // namespace
