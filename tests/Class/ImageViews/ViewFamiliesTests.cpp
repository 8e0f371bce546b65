#include "Class/ImageViews/ILWeakProxy.h"
#include "Class/ImageViews/ILWebActivityIndicator.h"
#include "Class/ImageViews/ILWebProgressIndicator.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/ImageViews/KXBaseButtonWebCache.h"
#include "Class/ImageViews/MKAnnotationView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "ImageViewsTestSupport.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Support/FakeImageParts.h"

#include <gtest/gtest.h>

using foundation::Id;
using foundation::Ref;
using imagetest::FakeImageCache;
using imagetest::FakeImageLoader;

namespace {

class Families : public ::testing::Test {
protected:
    void SetUp() override
    {
        loader_ = std::make_shared<FakeImageLoader>();
        manager_ = ILWebManager::create(std::make_shared<FakeImageCache>(), loader_);
        context_ = foundation::Dictionary::create({ { Id(ILWebContextCustomManager),
            Id(std::static_pointer_cast<foundation::Object>(manager_)) } });
    }
    void TearDown() override { loader_->reset(); }
    static Ref<foundation::URL> url(const std::string& name)
    {
        return foundation::URL::URLWithString("https://example.test/" + name);
    }
    void answer(std::size_t index, const ILImageRef& image)
    {
        loader_->request(index).completed(image, nullptr, nullptr, true);
        dispatch::RunLoop::drain();
    }

    std::shared_ptr<FakeImageLoader> loader_;
    std::shared_ptr<ILWebManager> manager_;
    ILContext context_;
};

} // namespace

TEST_F(Families, AButtonLoadsItsImageAndAlternateImageApart)
{
    KXBaseButton button;
    il_setImageWithURL(&button, url("image.png"), nullptr, 0, context_);
    il_setAlternateImageWithURL(&button, url("alternate.png"), nullptr, 0, context_);
    dispatch::RunLoop::drain();
    ASSERT_EQ(loader_->requestCount(), 2u);
    EXPECT_FALSE(*loader_->request(0).cancelled) << "the alternate image does not cancel the image";
    EXPECT_EQ(il_currentImageURL(&button)->absoluteString(), "https://example.test/image.png");
    EXPECT_EQ(il_currentAlternateImageURL(&button)->absoluteString(), "https://example.test/alternate.png");
    EXPECT_EQ(loader_->request(1).context->objectForKey(ILWebContextSetImageOperationKey).stringValue(),
        "NSButtonAlternateImageOperation");
    EXPECT_FALSE(context_->containsKey(ILWebContextSetImageOperationKey))
        << "the caller's context is not changed";

    il_cancelCurrentAlternateImageLoad(&button);
    EXPECT_TRUE(*loader_->request(1).cancelled);
    EXPECT_FALSE(*loader_->request(0).cancelled) << "the image load goes on";
    answer(0, imageviewtest::solidImage(Qt::red, 12, 6, 2));
    EXPECT_EQ(button.image().size(), QSizeF(6, 3)) << "converted for the kit at its scale";
    EXPECT_TRUE(button.alternateImage().isNull());

    il_setAlternateImageWithURL(&button, url("alternate2.png"), nullptr, 0, context_);
    dispatch::RunLoop::drain();
    answer(2, imageviewtest::solidImage(Qt::blue));
    EXPECT_FALSE(button.alternateImage().isNull());
    il_cancelCurrentImageLoad(&button);

    il_setImageWithURL(&button, nullptr, nullptr, 0, context_);
    EXPECT_EQ(il_currentImageURL(&button), nullptr) << "a nil URL is recorded too";
}

TEST_F(Families, AnAnnotationViewGetsItsImageThroughItsSetter)
{
    MKAnnotationView view;
    std::vector<ILCacheType> types;
    il_setImageWithURL(&view, url("pin.png"), nullptr, 0, context_, nullptr,
        [&](const ILImageRef&, const Ref<foundation::Error>&, ILCacheType type, const Ref<foundation::URL>&) {
            types.push_back(type);
        });
    dispatch::RunLoop::drain();
    const auto image = imageviewtest::solidImage(Qt::red, 20, 10);
    answer(0, image);
    EXPECT_EQ(view.image(), image);
    EXPECT_EQ(view.sizeHint(), QSize(20, 10));
    EXPECT_EQ(types.size(), 1u);
}

TEST_F(Families, AnIndicatorShowsCentredWhileTheLoadRuns)
{
    ImageView view;
    view.resize(100, 60);
    view.show();
    auto indicator = ILWebActivityIndicator::grayIndicator();
    il_setImageIndicator(&view, indicator);
    EXPECT_EQ(il_imageIndicator(&view), indicator);
    QWidget* spinner = indicator->indicatorView();
    EXPECT_EQ(spinner->parentWidget(), &view);
    EXPECT_EQ(spinner->size(), QSize(16, 16));
    EXPECT_EQ(spinner->geometry().center(), view.rect().center());
    view.resize(200, 100);
    EXPECT_EQ(spinner->pos(), QPoint(92, 42)) << "kept centred as the view resizes";

    il_setImageWithURL(&view, url("slow.png"), nullptr, 0, context_, nullptr, nullptr);
    dispatch::RunLoop::drain();
    EXPECT_TRUE(indicator->spinner()->isAnimating());
    answer(0, imageviewtest::solidImage(Qt::red));
    EXPECT_FALSE(indicator->spinner()->isAnimating()) << "stopped when the load finished";
    EXPECT_TRUE(spinner->isHidden());

    auto bar = ILWebProgressIndicator::defaultIndicator();
    il_setImageIndicator(&view, bar);
    EXPECT_EQ(spinner->parentWidget(), nullptr) << "the old indicator's view left";
    EXPECT_EQ(bar->bar()->width(), 160);
}

TEST(Indicators, TheBarIsIndeterminateUntilProgressArrives)
{
    ILWebProgressIndicator bar;
    bar.startAnimatingIndicator();
    EXPECT_TRUE(bar.isIndeterminate());
    bar.updateIndicatorProgress(0);
    EXPECT_TRUE(bar.isIndeterminate());
    bar.updateIndicatorProgress(0.25);
    EXPECT_FALSE(bar.isIndeterminate());
    EXPECT_EQ(bar.value(), 25);
    EXPECT_EQ(bar.bar()->value(), 250);
    bar.stopAnimatingIndicator();
    EXPECT_TRUE(bar.bar()->isHidden());
    EXPECT_FALSE(bar.isIndeterminate());
    EXPECT_EQ(bar.value(), 100);
}

TEST(Indicators, SpinnerPresetsAndItsTurning)
{
    dispatch::VirtualClock::Scope clock;
    EXPECT_EQ(ILWebActivityIndicator::grayLargeIndicator()->indicatorView()->size(), QSize(32, 32));
    EXPECT_EQ(ILWebActivityIndicator::mediumIndicator()->indicatorView()->size(), QSize(16, 16));
    const auto white = ILWebActivityIndicator::whiteLargeIndicator();
    EXPECT_TRUE(white->spinner()->isWhite());
    white->startAnimatingIndicator();
    clock.advance(0.25);
    EXPECT_EQ(white->spinner()->step(), 3);
    white->stopAnimatingIndicator();
    clock.advance(1);
    EXPECT_EQ(white->spinner()->step(), 3);
    // Painted white: every visible pixel is white.
    const QImage picture = white->spinner()->grab().toImage();
    int visible = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (const QColor c = picture.pixelColor(x, y); c.alpha() > 0) {
                ++visible;
                EXPECT_EQ(c.red(), 255);
            }
    EXPECT_GT(visible, 0);
}

TEST(WeakProxy, ForwardsWhileTheTargetLives)
{
    struct Counter {
        int calls = 0;
        int bump(int by) { return calls += by; }
    };
    auto counter = std::make_shared<Counter>();
    auto proxy = ILWeakProxy<Counter>::proxyWithTarget(counter);
    EXPECT_EQ(proxy->forward(&Counter::bump, 2), 2);
    EXPECT_EQ(proxy->target(), counter);
    counter.reset();
    EXPECT_EQ(proxy->forward(&Counter::bump, 2), 0) << "a gone target answers zero";
    EXPECT_EQ(proxy->target(), nullptr);
    EXPECT_TRUE(proxy->isProxy());
}
