#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/UIKit/KXImage.h"
#include "ImageViewsTestSupport.h"
#include "Lib/ImageLoading/ILImageMultiFormat.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/HugeAnimations.h"
#include "Platform/Graphics/Image.h"

#include <QTest>
#include <future>
#include <gtest/gtest.h>

using imageviewtest::centreColour;

TEST(ImageViewGeometry, ScalingAndAlignmentPlaceTheImage)
{
    ImageView view;
    view.resize(100, 50);
    view.setImage(imageviewtest::solidImage(Qt::red, 40, 20));
    EXPECT_EQ(view.imageRect(), QRectF(30, 15, 40, 20))
        << "a smaller image is not enlarged, and sits centred";
    view.setImageAlignment(ImageAlignment::TopLeft);
    EXPECT_EQ(view.imageRect(), QRectF(0, 0, 40, 20));
    view.setImageAlignment(ImageAlignment::BottomRight);
    EXPECT_EQ(view.imageRect(), QRectF(60, 30, 40, 20));
    view.setImageAlignment(ImageAlignment::Center);
    view.setImageScaling(ImageScaling::ProportionallyUpOrDown);
    EXPECT_EQ(view.imageRect(), QRectF(0, 0, 100, 50));
    view.setImageScaling(ImageScaling::AxesIndependently);
    view.setImage(imageviewtest::solidImage(Qt::red, 10, 10));
    EXPECT_EQ(view.imageRect(), QRectF(0, 0, 100, 50));
    view.setImageScaling(ImageScaling::ProportionallyDown);
    view.setImage(imageviewtest::solidImage(Qt::red, 400, 100));
    EXPECT_EQ(view.imageRect(), QRectF(0, 12.5, 100, 25)) << "a larger image shrinks to fit";
    view.setImageScaling(ImageScaling::None);
    view.setImageAlignment(ImageAlignment::Left);
    EXPECT_EQ(view.imageRect(), QRectF(0, -25, 400, 100));
}

TEST(ImageViewGeometry, AFillingImageKeepsItsAspectAndIsCutToTheView)
{
    // Green above, a red band across the middle, blue below: stretched into a wide, low view
    // all three would show; filled, only the middle of the image is left.
    QImage bands(20, 20, QImage::Format_ARGB32_Premultiplied);
    bands.fill(Qt::green);
    for (int y = 6; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            bands.setPixelColor(x, y, y < 14 ? Qt::red : Qt::blue);
    ImageView view;
    view.resize(100, 20);
    view.setImageScaling(ImageScaling::ProportionallyFilling);
    view.setImage(graphics::Image::create(bands, 1.0));
    EXPECT_EQ(view.imageRect(), QRectF(0, -40, 100, 100)) << "as wide as the view, as tall as its aspect says";
    const QImage shown = view.grab().toImage();
    for (int y : { 0, 19 })
        EXPECT_EQ(shown.pixelColor(50, y), QColor(Qt::red)) << y;

    view.resize(20, 100);
    EXPECT_EQ(view.imageRect(), QRectF(-40, 0, 100, 100)) << "a tall view cuts the sides";
}

TEST(ImageViewGeometry, TheSizeHintIsTheImageInPoints)
{
    ImageView view;
    EXPECT_EQ(view.sizeHint(), QSize(0, 0));
    view.setImage(imageviewtest::solidImage(Qt::red, 120, 40, 2));
    EXPECT_EQ(view.sizeHint(), QSize(60, 20));
    QImage pixels(64, 32, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::blue);
    pixels.setDevicePixelRatio(2);
    view.setImage(KXImage(pixels));
    EXPECT_EQ(view.sizeHint(), QSize(32, 16)) << "a kit image keeps its point size";
}

TEST(ImageViewLook, CornersBorderAndBackgroundAreDrawnAsALayerDraws)
{
    ImageView view;
    view.resize(40, 40);
    view.setImageScaling(ImageScaling::AxesIndependently);
    view.setImage(imageviewtest::solidImage(Qt::blue));
    view.setCornerRadius(12);
    view.setBorderWidth(3);
    view.setBorderColor(Qt::red);
    const QImage picture = view.grab().toImage();
    EXPECT_EQ(picture.pixelColor(0, 0).alpha(), 0) << "outside the rounded corner";
    EXPECT_EQ(picture.pixelColor(20, 1), QColor(Qt::red)) << "the border lies inside the bounds";
    EXPECT_EQ(picture.pixelColor(20, 20), QColor(Qt::blue));
    view.setImage(ILImageRef());
    view.setBackgroundColor(Qt::green);
    EXPECT_EQ(centreColour(&view), QColor(Qt::green));
}

class ImageViewPlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_.resize(60, 60);
        view_ = new ImageView(&window_);
        view_->resize(20, 20);
        view_->setImageScaling(ImageScaling::AxesIndependently);
    }
    // Time moves in small steps, each frame's decode answered before the next step, as a decode
    // takes far less than a frame's duration.
    void advance(double seconds)
    {
        constexpr double kStep = 0.005;
        for (double done = 0; done < seconds - 1e-9; done += kStep) {
            clock_.advance(std::min(kStep, seconds - done));
            ImageView::waitForFrameDecodes();
        }
    }

    dispatch::VirtualClock::Scope clock_;
    QWidget window_;
    ImageView* view_ = nullptr;
};

TEST_F(ImageViewPlayback, FramesFollowTheirDurationsAndStopAfterTheLoops)
{
    window_.show();
    view_->setImage(imageviewtest::animatedImage({ Qt::red, Qt::green, Qt::blue }, { 0.1, 0.2, 0.3 }, 2));
    ASSERT_TRUE(view_->isPlaying());
    EXPECT_EQ(centreColour(view_), QColor(Qt::red));
    advance(0.09);
    EXPECT_EQ(view_->currentFrameIndex(), 0u);
    advance(0.02);
    EXPECT_EQ(view_->currentFrameIndex(), 1u);
    EXPECT_EQ(centreColour(view_), QColor(Qt::green));
    advance(0.2);
    EXPECT_EQ(view_->currentFrameIndex(), 2u);
    advance(0.3);
    EXPECT_EQ(view_->currentFrameIndex(), 0u) << "second pass";
    advance(0.6);
    EXPECT_EQ(view_->currentFrameIndex(), 2u);
    EXPECT_FALSE(view_->isPlaying()) << "two loops: it stops on the last frame";
    advance(5);
    EXPECT_EQ(centreColour(view_), QColor(Qt::blue));
}

TEST_F(ImageViewPlayback, PlaysOnlyWhileVisibleAndAnimating)
{
    view_->setImage(imageviewtest::animatedImage({ Qt::red, Qt::green }, { 0.1, 0.1 }, 0));
    EXPECT_FALSE(view_->isPlaying()) << "no window on screen yet";
    window_.show();
    EXPECT_TRUE(view_->isPlaying());
    view_->setAnimates(false);
    EXPECT_FALSE(view_->isPlaying());
    advance(1);
    EXPECT_EQ(view_->currentFrameIndex(), 0u);
    view_->setAnimates(true);
    view_->hide();
    EXPECT_FALSE(view_->isPlaying());
    view_->show();
    advance(0.15);
    EXPECT_EQ(view_->currentFrameIndex(), 1u);
    view_->setImage(imageviewtest::solidImage(Qt::yellow));
    EXPECT_FALSE(view_->isPlaying()) << "a still image does not play";
    advance(1);
    EXPECT_EQ(centreColour(view_), QColor(Qt::yellow));
}

TEST_F(ImageViewPlayback, AHalfWayFadeShowsBothImages)
{
    window_.show();
    view_->setImage(imageviewtest::solidImage(QColor(255, 0, 0)));
    view_->setImage(imageviewtest::solidImage(QColor(0, 0, 255)));
    view_->startTransition(ImageView::TransitionKind::Fade, ImageView::TransitionEdge::None, 1.0,
        QEasingCurve(QEasingCurve::Linear));
    advance(0.5);
    ASSERT_TRUE(view_->transitionProgress().has_value());
    EXPECT_NEAR(*view_->transitionProgress(), 0.5, 0.03);
    const QColor mixed = centreColour(view_);
    EXPECT_NEAR(mixed.red(), 128, 12);
    EXPECT_NEAR(mixed.blue(), 128, 12);
    advance(0.6);
    EXPECT_FALSE(view_->transitionProgress().has_value());
    EXPECT_EQ(centreColour(view_), QColor(0, 0, 255));
}

// Holds the views' decoding queue until released, so a test sees what a step does before the
// worker's reply.
class HeldDecodes {
public:
    HeldDecodes()
    {
        ImageView::frameDecodingQueue().async(
            [released = released_.get_future().share()] { released.wait(); });
    }
    ~HeldDecodes() { release(); }
    void release()
    {
        if (!done_) {
            done_ = true;
            released_.set_value();
        }
    }

private:
    std::promise<void> released_;
    bool done_ = false;
};

TEST_F(ImageViewPlayback, TheNextFrameShowsOnlyOnceTheWorkerHasDecodedIt)
{
    window_.show();
    view_->setImage(imageviewtest::animatedImage({ Qt::red, Qt::green, Qt::blue }, { 0.1, 0.1, 0.1 }, 0));
    {
        HeldDecodes held;
        clock_.advance(0.15); // the step is due, its decode waits behind the held queue
        EXPECT_EQ(view_->currentFrameIndex(), 0u);
        EXPECT_EQ(centreColour(view_), QColor(Qt::red)) << "nothing decoded on the main thread";
        held.release();
        ImageView::waitForFrameDecodes();
    }
    EXPECT_EQ(view_->currentFrameIndex(), 1u);
    EXPECT_EQ(centreColour(view_), QColor(Qt::green));

    // A reply for an image since replaced is dropped.
    {
        HeldDecodes held;
        clock_.advance(0.1);
        view_->setImage(imageviewtest::solidImage(Qt::yellow));
        held.release();
        ImageView::waitForFrameDecodes();
    }
    EXPECT_EQ(view_->currentFrameIndex(), 0u);
    EXPECT_EQ(centreColour(view_), QColor(Qt::yellow));
}

TEST_F(ImageViewPlayback, AViewGoneBeforeTheReplyIsNotTouched)
{
    window_.show();
    view_->setImage(imageviewtest::animatedImage({ Qt::red, Qt::green }, { 0.1, 0.1 }, 0));
    HeldDecodes held;
    clock_.advance(0.15);
    delete view_;
    view_ = nullptr;
    held.release();
    ImageView::waitForFrameDecodes(); // the reply finds no view (a sanitizer build would flag a touch)
    clock_.advance(1);
    SUCCEED();
}

// An 8000 x 8000 animation of four frames shown at 64 x 64: each frame is decoded at the box.
TEST_F(ImageViewPlayback, AHugeAnimationPlaysAtItsBox)
{
    constexpr std::int64_t kMiB = 1024 * 1024;
    constexpr int side = 8000;
    view_->resize(64, 64);
    view_->setImageScaling(ImageScaling::ProportionallyDown);
    window_.show();
    for (const auto& data : { graphicstest::solidGif(side, side, graphicstest::fourFrames(side)),
             graphicstest::solidApng(side, side, graphicstest::fourFrames(side)) }) {
        // The image itself holds its first frame as stored (244 MiB): measured from here on.
        const ILImageRef image = il_imageWithData(data);
        ASSERT_TRUE(image);
        const std::int64_t before = graphicstest::ResidentSize::now();
        graphicstest::ResidentSize::resetPeak();
        view_->setImage(image);
        ASSERT_TRUE(view_->isPlaying());
        for (std::size_t index = 1; index < 4; ++index) {
            advance(index == 1 ? 0.11 : 0.1);
            ASSERT_EQ(view_->currentFrameIndex(), index);
            EXPECT_EQ(view_->currentFrameImage().size(), QSize(64, 64));
        }
        const QImage shown = view_->currentFrameImage();
        EXPECT_EQ(shown.pixel(10, 10), 0xFFFFFF00u);
        EXPECT_EQ(shown.pixel(50, 10), 0xFF0000FFu);
        const std::int64_t growth = graphicstest::ResidentSize::peak() - before;
        EXPECT_LT(growth, 48 * kMiB) << "peak grew by " << growth / kMiB << " MiB";
        view_->setImage(ILImageRef());
    }
}

TEST_F(ImageViewPlayback, FramesPastTheBudgetAtTheirSizeShowTheFirstFrameStill)
{
    // 70 frames of 1000 x 1000 are 267 MiB; the view draws them as stored.
    std::vector<graphicstest::SolidFrame> frames;
    for (int i = 0; i < 70; ++i)
        frames.push_back({ QRect(0, 0, 1000, 1000), i % 2 ? qRgb(0, 255, 0) : qRgb(255, 0, 0) });
    const ILImageRef image = graphics::Image::createWithData(graphicstest::solidGif(1000, 1000, frames));
    view_->setImageScaling(ImageScaling::None);
    view_->resize(1000, 1000);
    window_.show();
    view_->setImage(image);
    EXPECT_FALSE(view_->isPlaying());
    advance(0.5);
    EXPECT_EQ(view_->currentFrameIndex(), 0u);
    EXPECT_EQ(centreColour(view_), QColor(Qt::red));

    // Drawn at 100 x 100 they fit, and play.
    view_->setImageScaling(ImageScaling::AxesIndependently);
    view_->resize(100, 100);
    view_->setImage(ILImageRef());
    view_->setImage(image);
    EXPECT_TRUE(view_->isPlaying());
    advance(0.11);
    EXPECT_EQ(view_->currentFrameIndex(), 1u);
    EXPECT_EQ(centreColour(view_), QColor(Qt::green));
}

TEST(ImageConversion, KitImagesKeepTheirScale)
{
    QImage pixels(20, 10, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::red);
    pixels.setDevicePixelRatio(2);
    const auto image = il_imageFromKXImage(KXImage(pixels));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->scale(), 2.0);
    EXPECT_EQ(image->size(), QSizeF(10, 5));
    EXPECT_EQ(il_kxImage(image).size(), QSizeF(10, 5));
    EXPECT_EQ(il_imageFromKXImage(KXImage()), nullptr);
    EXPECT_TRUE(il_kxImage(nullptr).isNull());
}
