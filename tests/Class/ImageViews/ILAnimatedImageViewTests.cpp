#include "Class/ImageViews/ILAnimatedImageView.h"
#include "ImageViewsTestSupport.h"
#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"
#include "Support/FakeImageParts.h"

#include <gtest/gtest.h>

using foundation::Id;
using foundation::Ref;

namespace {

class AnimatedView : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_.resize(40, 40);
        view_ = new ILAnimatedImageView(&window_);
        view_->resize(16, 16);
        view_->setImageScaling(ImageScaling::AxesIndependently);
    }
    // Steps the display link one refresh at a time, letting each frame fetch finish.
    void refresh(int times)
    {
        for (int i = 0; i < times; ++i) {
            clock_.advance(view_->player().refreshPeriod());
            view_->player().waitUntilFetched();
        }
    }
    static Ref<graphics::Image> strip(int loops)
    {
        return ILAnimatedImage::imageWithData(
            imageviewtest::animatedGif({ Qt::red, Qt::green, Qt::blue }, { 0.05, 0.05, 0.05 }, loops), 1);
    }

    dispatch::VirtualClock::Scope clock_;
    QWidget window_;
    ILAnimatedImageView* view_ = nullptr;
};

} // namespace

TEST_F(AnimatedView, PlaysAnAnimatedImageAndStopsOnItsLastFrameAfterItsLoops)
{
    const auto image = strip(2);
    ASSERT_NE(image, nullptr);
    window_.show();
    view_->setImage(image);
    ASSERT_TRUE(view_->isAnimating());
    EXPECT_EQ(view_->player().refreshPeriod(), 1.0 / 60) << "the offscreen screen refreshes at 60 Hz";
    std::vector<QColor> seen;
    for (int i = 0; i < 200 && view_->isAnimating(); ++i) {
        refresh(1);
        const QColor colour = imageviewtest::centreColour(view_);
        if (seen.empty() || seen.back() != colour)
            seen.push_back(colour);
    }
    EXPECT_FALSE(view_->isAnimating());
    EXPECT_EQ(view_->currentLoopCount(), 2u);
    EXPECT_EQ(imageviewtest::centreColour(view_), QColor(Qt::blue));
    EXPECT_GE(seen.size(), 5u) << "the colours change as the frames play";
}

TEST_F(AnimatedView, PlaysOnlyWhenShownAndAnimating)
{
    view_->setImage(strip(0));
    EXPECT_FALSE(view_->isAnimating()) << "no window on screen";
    window_.show();
    EXPECT_TRUE(view_->isAnimating());
    view_->setAnimates(false);
    EXPECT_FALSE(view_->isAnimating());
    view_->setAnimates(true);
    view_->hide();
    EXPECT_FALSE(view_->isAnimating());
    view_->show();
    EXPECT_TRUE(view_->isAnimating());
    view_->setImage(imageviewtest::solidImage(Qt::yellow));
    EXPECT_FALSE(view_->isAnimating()) << "a still image only shows";
    EXPECT_EQ(imageviewtest::centreColour(view_), QColor(Qt::yellow));
    auto* sized = ILAnimatedImageView::imageViewWithImage(strip(0), &window_);
    EXPECT_EQ(sized->size(), QSize(8, 8));
}

TEST_F(AnimatedView, LoadingAsksForTheAnimatedClassWithoutTouchingTheCallersContext)
{
    auto loader = std::make_shared<imagetest::FakeImageLoader>();
    auto manager = ILWebManager::create(std::make_shared<imagetest::FakeImageCache>(), loader);
    const auto callers = foundation::Dictionary::create(
        { { Id(ILWebContextCustomManager), Id(std::static_pointer_cast<foundation::Object>(manager)) },
            { Id(ILWebContextAnimatedImageClass),
                Id(foundation::ClassValue::create(graphics::Image::classObject())) } });
    il_setImageWithURL(
        view_, foundation::URL::URLWithString("https://example.test/strip.gif"), nullptr, 0, callers);
    dispatch::RunLoop::drain();
    ASSERT_EQ(loader->requestCount(), 1u);
    EXPECT_EQ(foundation::ClassValue::classFrom(
                  loader->request(0).context->objectForKey(ILWebContextAnimatedImageClass)),
        ILAnimatedImage::classObject());
    EXPECT_EQ(foundation::ClassValue::classFrom(callers->objectForKey(ILWebContextAnimatedImageClass)),
        graphics::Image::classObject());
    window_.show();
    loader->request(0).completed(strip(0), nullptr, nullptr, true);
    dispatch::RunLoop::drain();
    EXPECT_TRUE(view_->isAnimating()) << "the delivered image plays";
    loader->reset();
}
