#include "Class/ImageViews/ILAnimatedImagePlayer.h"
#include "ImageViewsTestSupport.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/Image.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

// Frames of solid colours: frame i's pixel colour is `colours[i]`.
class FakeFrames final : public ILAnimatedImagePlayerFrames {
public:
    FakeFrames(std::vector<QColor> colours, std::vector<double> durations, std::size_t loops,
        bool incremental = false, std::string data = {})
        : colours_(std::move(colours))
        , durations_(std::move(durations))
        , loops_(loops)
        , incremental_(incremental)
        , data_(data.empty() ? nullptr : foundation::Data::create(std::string_view(data)))
    {
    }
    std::size_t frameCount() const override { return colours_.size(); }
    std::size_t loopCount() const override { return loops_; }
    ILImageRef frameAtIndex(std::size_t index) const override
    {
        std::unique_lock lock(mutex_);
        held_.wait(lock, [&] { return !hold_; });
        return index < colours_.size() ? imageviewtest::solidImage(colours_[index], 4, 4) : nullptr;
    }
    double durationAtIndex(std::size_t index) const override
    {
        return index < durations_.size() ? durations_[index] : 0;
    }
    double scale() const override { return 1; }
    bool isIncremental() const override { return incremental_; }
    foundation::Ref<foundation::Data> data() const override { return data_; }

    void hold(bool value)
    {
        {
            std::lock_guard lock(mutex_);
            hold_ = value;
        }
        held_.notify_all();
    }

private:
    std::vector<QColor> colours_;
    std::vector<double> durations_;
    std::size_t loops_;
    bool incremental_;
    foundation::Ref<foundation::Data> data_;
    mutable std::mutex mutex_;
    mutable std::condition_variable held_;
    bool hold_ = false;
};

QColor colourOf(const ILImageRef& image)
{
    return image ? image->image().pixelColor(0, 0) : QColor();
}

class Player : public ::testing::Test {
protected:
    void SetUp() override
    {
        player_.frameChanged = [this] { shown_.push_back(colourOf(player_.currentFrame())); };
    }
    // One display refresh, then the frame fetch it started.
    void refresh(int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            player_.displayDidRefresh(player_.refreshPeriod());
            player_.waitUntilFetched();
        }
    }
    void play(const std::shared_ptr<FakeFrames>& frames)
    {
        player_.setImage(frames->frameAtIndex(0), frames);
        player_.setVisible(true);
    }

    dispatch::VirtualClock::Scope clock_; // the display link's timer only ticks when told to
    ILAnimatedImagePlayer player_;
    std::vector<QColor> shown_;
};

} // namespace

TEST_F(Player, OneFrameIsAStill)
{
    auto frames
        = std::make_shared<FakeFrames>(std::vector<QColor> { Qt::red }, std::vector<double> { 0.1 }, 0);
    play(frames);
    EXPECT_FALSE(player_.isAnimating());
    EXPECT_FALSE(player_.hasFrames());
}

TEST_F(Player, PlaysOnlyWhileVisible)
{
    auto frames = std::make_shared<FakeFrames>(
        std::vector<QColor> { Qt::red, Qt::green }, std::vector<double> { 0.05, 0.05 }, 0);
    player_.setImage(frames->frameAtIndex(0), frames);
    EXPECT_FALSE(player_.isAnimating());
    player_.setVisible(true);
    EXPECT_TRUE(player_.isAnimating());
    player_.setVisible(false);
    EXPECT_FALSE(player_.isAnimating());
    player_.setVisible(true);
    clock_.advance(0.2);
    EXPECT_GT(shown_.size(), 1u) << "the display link steps on the clock";
}

TEST_F(Player, LoopCountTwoStopsOnTheLastFrameAfterTheSecondPass)
{
    auto frames = std::make_shared<FakeFrames>(
        std::vector<QColor> { Qt::red, Qt::green, Qt::blue }, std::vector<double> { 0.05, 0.05, 0.05 }, 2);
    play(frames);
    int refreshes = 0;
    while (player_.isAnimating() && refreshes < 1000) {
        refresh();
        ++refreshes;
    }
    EXPECT_FALSE(player_.isAnimating());
    EXPECT_EQ(player_.currentLoopCount(), 2u);
    EXPECT_EQ(colourOf(player_.currentFrame()), QColor(Qt::blue));
    EXPECT_EQ(shown_.back(), QColor(Qt::blue));
}

TEST_F(Player, ACustomLoopCountWinsAndANegativeOneNeverStops)
{
    auto frames = std::make_shared<FakeFrames>(
        std::vector<QColor> { Qt::red, Qt::green }, std::vector<double> { 0.02, 0.02 }, 0);
    player_.shouldCustomLoopCount = true;
    player_.animationRepeatCount = 1;
    play(frames);
    refresh(200);
    EXPECT_FALSE(player_.isAnimating()) << "one pass, whatever the image says";
    EXPECT_EQ(player_.currentLoopCount(), 1u);

    ILAnimatedImagePlayer endless;
    endless.shouldCustomLoopCount = true;
    endless.animationRepeatCount = -1;
    endless.setImage(frames->frameAtIndex(0), frames);
    endless.setVisible(true);
    for (int i = 0; i < 300; ++i) {
        endless.displayDidRefresh(endless.refreshPeriod());
        endless.waitUntilFetched();
    }
    EXPECT_TRUE(endless.isAnimating());
    EXPECT_GT(endless.currentLoopCount(), 10u);
}

TEST_F(Player, AFrameShorterThanARefreshIsStillShownAndNoneIsSkipped)
{
    auto frames = std::make_shared<FakeFrames>(
        std::vector<QColor> { Qt::red, Qt::green, Qt::blue }, std::vector<double> { 0.001, 0.001, 0.001 }, 0);
    play(frames);
    shown_.clear();
    refresh(12);
    ASSERT_GE(shown_.size(), 9u);
    // Once the buffer has caught up, every refresh shows the next frame in order.
    for (std::size_t i = shown_.size() - 6; i + 1 < shown_.size(); ++i) {
        const int now = shown_[i] == QColor(Qt::red) ? 0 : shown_[i] == QColor(Qt::green) ? 1 : 2;
        const int after = shown_[i + 1] == QColor(Qt::red) ? 0 : shown_[i + 1] == QColor(Qt::green) ? 1 : 2;
        EXPECT_EQ(after, (now + 1) % 3) << i;
    }
}

TEST_F(Player, AProgressiveImagePausesAtItsLastFrameAndResumesWithMoreData)
{
    auto partial = std::make_shared<FakeFrames>(
        std::vector<QColor> { Qt::red, Qt::green }, std::vector<double> { 0.02, 0.02 }, 0, true, "AB");
    play(partial);
    EXPECT_TRUE(player_.isProgressive());
    refresh(40);
    EXPECT_FALSE(player_.isAnimating()) << "waits for more frames";
    const std::size_t pausedAt = player_.currentFrameIndex();
    EXPECT_EQ(colourOf(player_.currentFrame()), QColor(Qt::green));

    auto longer
        = std::make_shared<FakeFrames>(std::vector<QColor> { Qt::red, Qt::green, Qt::blue, Qt::yellow },
            std::vector<double> { 0.02, 0.02, 0.02, 0.02 }, 0, true, "ABCD");
    player_.setImage(longer->frameAtIndex(0), longer);
    EXPECT_TRUE(player_.isProgressive());
    EXPECT_EQ(player_.currentFrameIndex(), pausedAt) << "keeps its place";
    EXPECT_TRUE(player_.isAnimating());
    shown_.clear();
    refresh(20);
    ASSERT_FALSE(shown_.empty());
    EXPECT_NE(std::find(shown_.begin(), shown_.end(), QColor(Qt::blue)), shown_.end());

    // A partial image that does not extend the last one starts afresh, shown as a still.
    auto other = std::make_shared<FakeFrames>(
        std::vector<QColor> { Qt::cyan, Qt::magenta }, std::vector<double> { 0.02, 0.02 }, 0, true, "XY");
    player_.setImage(other->frameAtIndex(0), other);
    EXPECT_FALSE(player_.isProgressive());
    EXPECT_FALSE(player_.isAnimating());
}

TEST_F(Player, ABufferSmallerThanAFrameHoldsOne)
{
    player_.maxBufferSize = 10;
    auto frames = std::make_shared<FakeFrames>(
        std::vector<QColor> { Qt::red, Qt::green, Qt::blue }, std::vector<double> { 0.02, 0.02, 0.02 }, 0);
    play(frames);
    EXPECT_EQ(player_.maxBufferCount(), 1u);
    refresh(30);
    EXPECT_LE(player_.bufferedFrameCount(), 2u)
        << "a played frame leaves as soon as the buffer holds more than one";
}

TEST_F(Player, AFrameDecodedForAReplacedImageIsNotKept)
{
    auto old = std::make_shared<FakeFrames>(
        std::vector<QColor> { Qt::red, Qt::green, Qt::blue }, std::vector<double> { 0.001, 0.001, 0.001 }, 0);
    play(old);
    old->hold(true);
    player_.displayDidRefresh(player_.refreshPeriod()); // starts fetching old frame 1, which waits
    auto replacement = std::make_shared<FakeFrames>(std::vector<QColor> { Qt::cyan, Qt::magenta, Qt::yellow },
        std::vector<double> { 0.001, 0.001, 0.001 }, 0);
    player_.setImage(replacement->frameAtIndex(0), replacement);
    old->hold(false);
    player_.waitUntilFetched();
    for (std::size_t i = 0; i < 3; ++i) {
        const QColor held = colourOf(player_.bufferedFrame(i));
        EXPECT_NE(held, QColor(Qt::green)) << i;
        EXPECT_NE(held, QColor(Qt::blue)) << i;
    }
}
