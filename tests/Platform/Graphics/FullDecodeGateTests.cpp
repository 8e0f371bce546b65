#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Graphics/FullDecodeGate.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/ImageTestSupport.h"
#include "Platform/Graphics/detail/FrameDecoder.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using graphics::FullDecodeGate;
using graphics::ImageSource;

std::shared_ptr<ImageSource> pngSource(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(0xff3366ccu);
    return ImageSource::create(graphicstest::qtEncoded(picture, "png"));
}

// A decoder that only falls back to the whole frame for a scaled frame: its frame counts as
// full-size, and the pixels it answers are few.
class WholeFrameFallbackDecoder : public graphics::detail::FrameDecoder {
public:
    void update(const foundation::Ref<foundation::Data>&, bool) override { }
    graphics::ImageSourceStatus status() const override { return graphics::ImageSourceStatus::Complete; }
    std::size_t count() const override { return 1; }
    foundation::Ref<foundation::Dictionary> propertiesAtIndex(std::size_t index) const override
    {
        graphics::detail::FrameInfo frame;
        frame.width = 4000;
        frame.height = 3000;
        return index == 0 ? graphics::detail::frameProperties(frame) : nullptr;
    }
    QImage imageAtIndex(std::size_t) override
    {
        QImage frame(40, 30, QImage::Format_RGB32);
        frame.fill(0xff000000u);
        return frame;
    }
};

// Counts the decodes inside the gate and keeps worker decodes there until released. A decode on the
// main thread (or for it, through sync()) passes and notes what it found.
class GateRecorder {
public:
    GateRecorder()
    {
        FullDecodeGate::setTestHook([this](FullDecodeGate::Event event) { onEvent(event); });
    }
    ~GateRecorder()
    {
        release();
        FullDecodeGate::setTestHook({});
    }

    // Waits (at most a minute, so that a broken gate fails instead of hanging) until `done` holds.
    template <class Predicate> bool waitUntil(Predicate done)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return done(*this); });
    }
    void release()
    {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    }
    // Releases the workers after `timeout` unless released before: a main-thread decode that
    // wrongly waits for them then ends, late, instead of hanging the suite.
    std::thread releaseAfter(std::chrono::seconds timeout)
    {
        return std::thread([this, timeout] {
            {
                std::unique_lock lock(mutex_);
                changed_.wait_for(lock, timeout, [&] { return released_; });
            }
            release();
        });
    }

    // Read in waitUntil's predicate, or after it while the workers are still, or once they are
    // joined.
    int holding = 0;
    int mostHolding = 0;
    int waited = 0;
    bool mainPassed = false;
    int workersHoldingWhenMainPassed = -1;
    bool releasedWhenMainPassed = false;

private:
    void onEvent(FullDecodeGate::Event event)
    {
        std::unique_lock lock(mutex_);
        if (event == FullDecodeGate::Event::Waiting) {
            ++waited;
        } else if (std::this_thread::get_id() == mainThread_ || dispatch::mainQueue().isCurrent()) {
            mainPassed = true;
            workersHoldingWhenMainPassed = holding;
            releasedWhenMainPassed = released_;
        } else {
            ++holding;
            mostHolding = std::max(mostHolding, holding);
            changed_.notify_all();
            changed_.wait(lock, [&] { return released_; });
            --holding;
        }
        changed_.notify_all();
    }

    const std::thread::id mainThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
};

TEST(FullDecodeGate, FullSizeDecodesOnWorkersRunTwoAtATimeAndAllFinish)
{
    GateRecorder recorder;
    // Three whole frames through a source, two scaled frames through the whole-frame fallback.
    std::vector<std::shared_ptr<ImageSource>> sources;
    for (int i = 0; i < 3; ++i)
        sources.push_back(pngSource(1100 + i, 1000));
    std::vector<QImage> images(5);
    std::vector<std::thread> workers;
    for (int i = 0; i < 3; ++i)
        workers.emplace_back([&, i] { images[i] = sources[i]->imageAtIndex(0); });
    for (int i = 3; i < 5; ++i)
        workers.emplace_back(
            [&, i] { images[i] = WholeFrameFallbackDecoder().scaledImageAtIndex(0, QSize(20, 15)); });

    // Every decode is either in the gate or waiting for it; then the workers are still, so the
    // counts can be read.
    ASSERT_TRUE(recorder.waitUntil([](const GateRecorder& r) { return r.holding + r.waited == 5; }));
    EXPECT_EQ(recorder.holding, 2);
    EXPECT_EQ(recorder.waited, 3);
    EXPECT_EQ(FullDecodeGate::running(), 2);

    recorder.release();
    for (auto& worker : workers)
        worker.join();
    EXPECT_LE(recorder.mostHolding, FullDecodeGate::capacity);
    EXPECT_EQ(FullDecodeGate::running(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(images[i].size(), QSize(1100 + i, 1000)) << i;
    for (int i = 3; i < 5; ++i)
        EXPECT_EQ(images[i].size(), QSize(20, 15)) << i;
}

TEST(FullDecodeGate, MainThreadAndSmallFramesPassWhileTwoWorkersHoldTheGate)
{
    GateRecorder recorder;
    std::vector<std::shared_ptr<ImageSource>> sources = { pngSource(1500, 1000), pngSource(1500, 1000) };
    std::vector<std::thread> workers;
    for (const auto& source : sources)
        workers.emplace_back([source] { EXPECT_FALSE(source->imageAtIndex(0).isNull()); });
    ASSERT_TRUE(recorder.waitUntil([](const GateRecorder& r) { return r.holding == 2; }));
    std::thread watchdog = recorder.releaseAfter(std::chrono::seconds(20));

    // A frame of exactly the threshold's pixels does not count: a worker decodes it at once.
    QImage small;
    std::thread smallWorker([&] { small = pngSource(1024, 1024)->imageAtIndex(0); });
    smallWorker.join();
    EXPECT_EQ(small.size(), QSize(1024, 1024));

    const QImage onMain = pngSource(2000, 1000)->imageAtIndex(0);
    EXPECT_EQ(onMain.size(), QSize(2000, 1000));
    recorder.release();
    watchdog.join();
    for (auto& worker : workers)
        worker.join();
    EXPECT_TRUE(recorder.mainPassed);
    EXPECT_EQ(recorder.workersHoldingWhenMainPassed, 2);
    EXPECT_FALSE(recorder.releasedWhenMainPassed) << "the main thread waited for the workers";
    EXPECT_EQ(recorder.waited, 0);
    EXPECT_EQ(FullDecodeGate::running(), 0);
}

TEST(FullDecodeGate, ADecodeTheMainThreadWaitsForThroughSyncPasses)
{
    GateRecorder recorder;
    std::vector<std::shared_ptr<ImageSource>> sources = { pngSource(1500, 1000), pngSource(1500, 1000) };
    std::vector<std::thread> workers;
    for (const auto& source : sources)
        workers.emplace_back([source] { EXPECT_FALSE(source->imageAtIndex(0).isNull()); });
    ASSERT_TRUE(recorder.waitUntil([](const GateRecorder& r) { return r.holding == 2; }));
    std::thread watchdog = recorder.releaseAfter(std::chrono::seconds(20));

    // A main-queue block syncs on a queue that is busy when it asks, so sync() runs the decode on
    // a worker while the main thread waits. The busy block ends once the main-queue block is about
    // to ask, which may be before it asks: the decode then runs inline, and the test tries again.
    const auto queue = dispatch::makeSerialQueue("decode gate test");
    bool decodedOnAWorker = false;
    for (int attempt = 0; attempt < 50 && !decodedOnAWorker; ++attempt) {
        std::promise<void> asking;
        queue->async([asked = asking.get_future().share()] { asked.wait(); });
        QImage decoded;
        bool done = false;
        dispatch::mainQueue().async([&] {
            asking.set_value();
            queue->sync([&] {
                decoded = pngSource(2000, 1000)->imageAtIndex(0);
                decodedOnAWorker = !dispatch::isMainThread();
            });
            done = true;
        });
        ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return done; }, 60));
        EXPECT_EQ(decoded.size(), QSize(2000, 1000));
    }
    EXPECT_TRUE(decodedOnAWorker);

    recorder.release();
    watchdog.join();
    for (auto& worker : workers)
        worker.join();
    EXPECT_TRUE(recorder.mainPassed);
    EXPECT_FALSE(recorder.releasedWhenMainPassed)
        << "the decode the main thread waited for waited for the workers";
}

} // namespace
