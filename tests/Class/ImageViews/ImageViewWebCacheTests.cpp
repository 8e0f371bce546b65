#include "Class/ImageViews/ILViewWebCache.h"
#include "Class/ImageViews/ILWebTransition.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "ImageViewsTestSupport.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Progress.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"
#include "Support/FakeImageParts.h"
#include "Support/ImageServiceTest.h"

#include <gtest/gtest.h>

using foundation::Id;
using foundation::Ref;
using imagetest::FakeImageCache;
using imagetest::FakeImageLoader;

namespace {

struct Reply {
    ILImageRef image;
    Ref<foundation::Error> error;
    ILCacheType type = ILCacheTypeNone;
    bool imageWasSet = false;
};

// Loads through a manager over a fake cache and loader, named in the context.
class ViewLoading : public ::testing::Test {
protected:
    void SetUp() override
    {
        cache_ = std::make_shared<FakeImageCache>();
        loader_ = std::make_shared<FakeImageLoader>();
        manager_ = ILWebManager::create(cache_, loader_);
        context_ = foundation::Dictionary::create({ { Id(ILWebContextCustomManager),
            Id(std::static_pointer_cast<foundation::Object>(manager_)) } });
        view_ = std::make_unique<ImageView>();
    }
    void TearDown() override { loader_->reset(); }

    ILExternalCompletionBlock record(std::vector<Reply>& replies)
    {
        return [&replies, view = view_.get()](const ILImageRef& image, const Ref<foundation::Error>& error,
                   ILCacheType type, const Ref<foundation::URL>&) {
            replies.push_back({ image, error, type, view->image() == image && image });
        };
    }

    static Ref<foundation::URL> url(const std::string& name)
    {
        return foundation::URL::URLWithString("https://example.test/" + name);
    }
    static void drain() { dispatch::RunLoop::drain(); }
    void answer(std::size_t index, const ILImageRef& image, bool finished = true,
        const Ref<foundation::Error>& error = nullptr)
    {
        loader_->request(index).completed(image, nullptr, error, finished);
        drain();
    }

    std::shared_ptr<FakeImageCache> cache_;
    std::shared_ptr<FakeImageLoader> loader_;
    std::shared_ptr<ILWebManager> manager_;
    ILContext context_;
    std::unique_ptr<ImageView> view_;
};

} // namespace

TEST_F(ViewLoading, TheSecondOfTwoCallsWins)
{
    std::vector<Reply> first, second;
    const auto placeholder = imageviewtest::solidImage(Qt::gray);
    il_setImageWithURL(view_.get(), url("a.png"), placeholder, 0, context_, nullptr, record(first));
    drain();
    EXPECT_EQ(view_->image(), placeholder);
    il_setImageWithURL(view_.get(), url("b.png"), placeholder, 0, context_, nullptr, record(second));
    drain();
    ASSERT_EQ(loader_->requestCount(), 2u);
    EXPECT_TRUE(*loader_->request(0).cancelled) << "the first load is cancelled";
    const auto b = imageviewtest::solidImage(Qt::blue);
    answer(1, b);
    answer(0, imageviewtest::solidImage(Qt::red));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].error->code(), ILWebErrorCancelled);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(second[0].imageWasSet) << "the view has its image when the block runs";
    EXPECT_EQ(view_->image(), b);
    EXPECT_EQ(il_imageURL(view_.get())->absoluteString(), "https://example.test/b.png");
    EXPECT_EQ(il_latestOperationKey(view_.get()), "ImageView");
}

TEST_F(ViewLoading, ANilURLReportsAtOnceOnTheMainQueueAndKeepsThePlaceholder)
{
    std::vector<Reply> replies;
    const auto placeholder = imageviewtest::solidImage(Qt::gray);
    bool returned = false;
    bool answeredBeforeReturn = false;
    dispatch::mainQueue().async([&] {
        il_setImageWithURL(view_.get(), nullptr, placeholder,
            [&](const ILImageRef&, const Ref<foundation::Error>& error, ILCacheType,
                const Ref<foundation::URL>& imageURL) {
                answeredBeforeReturn = !returned;
                replies.push_back({ nullptr, error, ILCacheTypeNone, false });
                EXPECT_EQ(imageURL, nullptr);
            });
        returned = true;
    });
    drain();
    EXPECT_TRUE(answeredBeforeReturn);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].error->code(), ILWebErrorInvalidURL);
    EXPECT_EQ(replies[0].error->localizedDescription(), "Image url is nil");
    EXPECT_EQ(view_->image(), placeholder);
    EXPECT_EQ(il_imageURL(view_.get()), nullptr);
}

TEST_F(ViewLoading, DelayedPlaceholderComesOnlyWhenTheLoadEndsWithoutImage)
{
    std::vector<Reply> replies;
    const auto placeholder = imageviewtest::solidImage(Qt::gray);
    il_setImageWithURL(view_.get(), url("fails.png"), placeholder, ILLoadDelayPlaceholder, context_, nullptr,
        record(replies));
    drain();
    EXPECT_EQ(view_->image(), nullptr) << "empty while loading";
    answer(0, nullptr, true, ILWebMakeError(ILWebErrorInvalidDownloadStatusCode));
    EXPECT_EQ(view_->image(), placeholder);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_NE(replies[0].error, nullptr);
}

TEST_F(ViewLoading, AvoidAutoSetImageLeavesTheViewAndReportsPartials)
{
    std::vector<Reply> replies;
    const auto placeholder = imageviewtest::solidImage(Qt::gray);
    il_setImageWithURL(view_.get(), url("p.png"), placeholder,
        ILLoadAvoidAutoSetImage | ILLoadProgressiveLoad, context_, nullptr, record(replies));
    drain();
    answer(0, imageviewtest::solidImage(Qt::red), false);
    answer(0, imageviewtest::solidImage(Qt::blue), true);
    EXPECT_EQ(view_->image(), placeholder) << "the load never changes the view";
    ASSERT_EQ(replies.size(), 2u) << "partial images reach the block too";
}

TEST_F(ViewLoading, ProgressiveLoadsSetPartialsAndCompleteOnce)
{
    std::vector<Reply> replies;
    il_setImageWithURL(
        view_.get(), url("p.png"), nullptr, ILLoadProgressiveLoad, context_, nullptr, record(replies));
    drain();
    const auto partial = imageviewtest::solidImage(Qt::red);
    answer(0, partial, false);
    EXPECT_EQ(view_->image(), partial);
    EXPECT_TRUE(replies.empty());
    answer(0, imageviewtest::solidImage(Qt::blue), true);
    EXPECT_EQ(replies.size(), 1u);
}

// A superseded load whose partial image was already on its way to the main queue sets nothing.
TEST_F(ViewLoading, ASupersededLoadLeavesTheNewerImage)
{
    std::vector<Reply> first, second;
    il_setImageWithURL(view_.get(), url("slow.png"), nullptr, ILLoadProgressiveLoad | ILLoadDelayPlaceholder,
        context_, nullptr, record(first));
    drain();
    const auto newer = imageviewtest::solidImage(Qt::green);
    cache_->images["https://example.test/cached.png"] = newer;
    // The newer load runs on the main queue, ahead of the old load's partial image.
    dispatch::mainQueue().async([&] {
        il_setImageWithURL(view_.get(), url("cached.png"), nullptr, ILLoadDelayPlaceholder, context_, nullptr,
            record(second));
    });
    const auto request = loader_->request(0);
    std::thread([&] {
        request.completed(imageviewtest::solidImage(Qt::red), nullptr, nullptr, false);
    }).join();
    drain();
    EXPECT_EQ(view_->image(), newer);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].type, ILCacheTypeMemory);
}

TEST_F(ViewLoading, TransitionsOnlyForNetworkImagesUnlessForced)
{
    int transitions = 0;
    auto transition = ILWebTransition::create();
    transition->setDuration(0.25);
    transition->setAnimations([&](QWidget*, const ILImageRef&) {
        ++transitions;
        ASSERT_NE(ILAnimationContext::current(), nullptr);
        EXPECT_EQ(ILAnimationContext::current()->duration, 0.25);
    });
    il_setImageTransition(view_.get(), transition);
    std::vector<Reply> replies;
    il_setImageWithURL(view_.get(), url("t.png"), nullptr, 0, context_, nullptr, record(replies));
    drain();
    EXPECT_EQ(transitions, 0) << "the placeholder comes without one";
    answer(0, imageviewtest::solidImage(Qt::red));
    EXPECT_EQ(transitions, 1);
    il_setImageWithURL(view_.get(), url("t.png"), nullptr, 0, context_, nullptr, record(replies));
    drain();
    EXPECT_EQ(replies.back().type, ILCacheTypeMemory);
    EXPECT_EQ(transitions, 1) << "a cached image enters without transition";
    il_setImageWithURL(
        view_.get(), url("t.png"), nullptr, ILLoadForceTransition, context_, nullptr, record(replies));
    drain();
    EXPECT_EQ(transitions, 2);
}

TEST_F(ViewLoading, ATransitionWithoutAnimationsStillSetsTheImageAndCompletes)
{
    dispatch::VirtualClock::Scope clock;
    auto transition = ILWebTransition::create();
    EXPECT_EQ(transition->duration(), 0.5);
    std::vector<std::string> steps;
    transition->setPrepares([&](QWidget*, const ILImageRef&, const auto&, ILCacheType, const auto&) {
        steps.push_back("prepares");
    });
    transition->setCompletion(
        [&](bool finished) { steps.push_back(finished ? "completion" : "unfinished"); });
    const auto image = imageviewtest::solidImage(Qt::red);
    il_setImage(view_.get(), image, nullptr, nullptr, transition, ILCacheTypeNone, nullptr);
    EXPECT_EQ(view_->image(), image);
    EXPECT_EQ(steps, std::vector<std::string> { "prepares" });
    clock.advance(0.5);
    EXPECT_EQ(steps, (std::vector<std::string> { "prepares", "completion" }));

    transition->setAvoidAutoSetImage(true);
    il_setImage(view_.get(), imageviewtest::solidImage(Qt::blue), nullptr, nullptr, transition,
        ILCacheTypeNone, nullptr);
    EXPECT_EQ(view_->image(), image) << "the blocks set it, or nobody";
}

TEST_F(ViewLoading, AFinishedLoadOfUnknownSizeLeavesTheProgressAtOneOfOne)
{
    const auto progress = il_imageProgress(view_.get());
    EXPECT_EQ(progress, il_imageProgress(view_.get())) << "made once";
    cache_->images["https://example.test/m.png"] = imageviewtest::solidImage(Qt::red);
    il_setImageWithURL(view_.get(), url("m.png"), nullptr, 0, context_, nullptr, nullptr);
    drain();
    EXPECT_EQ(progress->totalUnitCount(), 1);
    EXPECT_EQ(progress->completedUnitCount(), 1);
}

TEST_F(ViewLoading, OperationsByKeyAreCancelledAndRemoved)
{
    il_setImageWithURL(view_.get(), url("k.png"), nullptr, 0, context_, nullptr, nullptr);
    drain();
    const auto stored = il_imageLoadOperationForKey(view_.get(), "ImageView");
    ASSERT_NE(stored, nullptr);
    il_removeImageLoadOperationWithKey(view_.get(), "ImageView");
    EXPECT_EQ(il_imageLoadOperationForKey(view_.get(), "ImageView"), nullptr);
    EXPECT_FALSE(*loader_->request(0).cancelled) << "removing does not cancel";
    il_setImageLoadOperation(view_.get(), stored, "ImageView");
    il_cancelCurrentImageLoad(view_.get());
    EXPECT_TRUE(*loader_->request(0).cancelled);
    EXPECT_EQ(il_imageLoadOperationForKey(view_.get(), std::nullopt), nullptr);
}

// The real thing: the shared manager, its caches and downloader, against the local service.
class ViewLoadingFromTheService : public imagetest::ImageServiceTest { };

TEST_F(ViewLoadingFromTheService, APreviewArrivesFromTheNetworkThenFromMemory)
{
    ImageView view;
    std::vector<ILCacheType> types;
    const auto url = fileURL("previews/1003_day.png?view-test");
    const auto done = [&](const ILImageRef& image, const Ref<foundation::Error>& error, ILCacheType type,
                          const Ref<foundation::URL>&) {
        EXPECT_NE(image, nullptr);
        EXPECT_EQ(error, nullptr);
        EXPECT_EQ(view.image(), image);
        types.push_back(type);
    };
    il_setImageWithURL(&view, url, nullptr, ILLoadProgressiveLoad, done);
    ASSERT_TRUE(waitFor([&] { return types.size() == 1; }));
    il_setImageWithURL(&view, url, nullptr, ILLoadProgressiveLoad, done);
    ASSERT_TRUE(waitFor([&] { return types.size() == 2; }));
    EXPECT_EQ(types, (std::vector<ILCacheType> { ILCacheTypeNone, ILCacheTypeMemory }));
    EXPECT_GT(view.sizeHint().width(), 0);
}

TEST_F(ViewLoadingFromTheService, ARefreshShowsTheCachedImageAndAsksAgain)
{
    ImageView view;
    std::vector<ILCacheType> types;
    const auto url = fileURL("avatars/avatar_2.png?refresh-test");
    const auto done = [&](const ILImageRef&, const Ref<foundation::Error>&, ILCacheType type,
                          const Ref<foundation::URL>&) { types.push_back(type); };
    // First load: nothing cached, a download whose validators are kept.
    il_setImageWithURL(&view, url, nullptr, ILLoadRefreshCached, done);
    ASSERT_TRUE(waitFor([&] { return types.size() == 1; }));
    // Second: the memory copy at once, then a revalidation that the service answers with 304.
    il_setImageWithURL(&view, url, nullptr, ILLoadRefreshCached, done);
    ASSERT_TRUE(
        waitFor([&] { return fileRequests("avatars/avatar_2.png").size() == 2 && types.size() == 2; }));
    ASSERT_TRUE(waitFor([&] { return !il_imageLoadOperationForKey(&view, il_latestOperationKey(&view)); }));
    dispatch::RunLoop::drain();
    EXPECT_EQ(types, (std::vector<ILCacheType> { ILCacheTypeNone, ILCacheTypeMemory }))
        << "304: nothing more is delivered";
    const auto second = fileRequests("avatars/avatar_2.png").back();
    EXPECT_NE(second.header("If-None-Match"), nullptr);
}

TEST_F(ViewLoading, AViewLaidOutAsksForItsImageAtTheSizeItDrawsIt)
{
    const auto boxOf = [this](std::size_t index) {
        const ILContext& context = loader_->request(index).context;
        return std::make_pair(ILThumbnailBoxOf(context, ILWebContextImageThumbnailPixelSize),
            context && context->objectForKey(ILWebContextImageThumbnailFill).boolValue());
    };
    const qreal ratio = view_->devicePixelRatioF();
    // Not laid out yet: its size says nothing, so only the decoders' pixel limit holds.
    il_setImageWithURL(view_.get(), url("a.png"), nullptr, 0, context_, nullptr, nullptr);
    drain();
    EXPECT_FALSE(boxOf(0).first.isValid());

    view_->resize(150, 20);
    il_setImageWithURL(view_.get(), url("b.png"), nullptr, 0, context_, nullptr, nullptr);
    drain();
    EXPECT_EQ(boxOf(1), std::make_pair((QSizeF(150, 20) * ratio).toSize(), false)) << "fitted into the view";

    view_->setImageScaling(ImageScaling::ProportionallyFilling);
    il_setImageWithURL(view_.get(), url("c.png"), nullptr, 0, context_, nullptr, nullptr);
    drain();
    EXPECT_EQ(boxOf(2), std::make_pair((QSizeF(150, 20) * ratio).toSize(), true)) << "a cover fills the view";

    // A size the caller names wins.
    il_setImageWithURL(view_.get(), url("d.png"), nullptr, 0,
        ILContextWithThumbnail(context_, QSize(40, 40), false), nullptr, nullptr);
    drain();
    EXPECT_EQ(boxOf(3), std::make_pair(QSize(40, 40), false));
    EXPECT_EQ(loader_->requestCount(), 4u);
}
