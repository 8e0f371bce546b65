#pragma once

#include "Class/ImageViews/ILAnimatedFrameBuffer.h"
#include "Lib/ImageLoading/ILWebDefine.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace dispatch {
class OperationQueue;
class TimerSource;
} // namespace dispatch

// The frames an animated image offers the player. Frame requests come from the player's fetch
// queue, the counts and durations from the main thread.
class ILAnimatedImagePlayerFrames {
public:
    virtual ~ILAnimatedImagePlayerFrames() = default;
    virtual std::size_t frameCount() const = 0;
    virtual std::size_t loopCount() const = 0; // 0: endless
    virtual ILImageRef frameAtIndex(std::size_t index) const = 0;
    virtual double durationAtIndex(std::size_t index) const = 0;
    virtual double scale() const = 0;
    // Whether the image is the partial image of a download still running.
    virtual bool isIncremental() const = 0;
    // The encoded data the image was made of (a longer partial image extends it); nil when unknown.
    virtual foundation::Ref<foundation::Data> data() const = 0;
};

// The playback of the animated image view, without widgets: a display link (a main-queue timer at
// the screen's refresh period) steps a clock through the frames' durations; frames are decoded one
// at a time on a fetch queue into a buffer bounded by memory; loops are counted against the image's
// loop count or a custom one; a partial image being downloaded plays as far as its frames go and
// resumes when a longer one arrives.
//
// Main thread only, except the frame buffer, which the fetch queue fills under its lock. The view
// tells the player whether it is visible (`setVisible`) and repaints when `frameChanged` is called.
class ILAnimatedImagePlayer {
public:
    ILAnimatedImagePlayer();
    ~ILAnimatedImagePlayer();
    ILAnimatedImagePlayer(const ILAnimatedImagePlayer&) = delete;
    ILAnimatedImagePlayer& operator=(const ILAnimatedImagePlayer&) = delete;

    // Settings.
    bool shouldCustomLoopCount = false;
    long animationRepeatCount = 0; // 0: endless; compared as an unsigned count
    std::uint64_t maxBufferSize = 0; // bytes; 0: from the machine's memory
    bool shouldIncrementalLoad = true;
    bool clearBufferWhenStopped = false;
    bool resetFrameIndexWhenStopped = false;

    // The seconds one display refresh lasts (the display link's period). 60 Hz by default.
    double refreshPeriod() const { return refreshPeriod_; }
    void setRefreshPeriod(double seconds) { refreshPeriod_ = seconds; }

    // A new image: `frames` for an animated one, nil for a still one. Answers whether the view
    // should show the image as a still only (it then shows `image` itself).
    void setImage(const ILImageRef& image, std::shared_ptr<ILAnimatedImagePlayerFrames> frames);
    void setVisible(bool visible);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const;

    // One display refresh of `duration` seconds (the display link calls it; tests may too).
    void displayDidRefresh(double duration);

    const ILImageRef& currentFrame() const { return currentFrame_; }
    std::size_t currentFrameIndex() const { return currentFrameIndex_; }
    std::size_t currentLoopCount() const { return currentLoopCount_; }
    std::size_t totalFrameCount() const { return totalFrameCount_; }
    std::size_t maxBufferCount() const { return maxBufferCount_; }
    bool isProgressive() const { return isProgressive_; }
    bool shouldAnimate() const { return shouldAnimate_; }
    double animatedImageScale() const { return animatedImageScale_; }
    std::size_t bufferedFrameCount() const;
    // The decoded frame the buffer holds at `index`, or nil.
    ILImageRef bufferedFrame(std::size_t index) const;
    // Waits until the fetch queue is idle (tests step frames one refresh at a time).
    void waitUntilFetched() const;
    bool hasFrames() const { return frames_ != nullptr; }

    std::function<void()> frameChanged;

private:
    void resetForProgress();
    void resetCurrentFrameIndex();
    void updateIsProgressive(const std::shared_ptr<ILAnimatedImagePlayerFrames>& frames);
    void calculateMaxBufferCount();
    void updateShouldAnimate();
    void clearFrameBuffer();
    void fetchFrame(std::size_t index);

    std::shared_ptr<ILAnimatedFrameBuffer> buffer_;
    std::shared_ptr<dispatch::OperationQueue> fetchQueue_;
    std::shared_ptr<dispatch::TimerSource> displayLink_;
    std::shared_ptr<ILAnimatedImagePlayerFrames> frames_;
    std::shared_ptr<ILAnimatedImagePlayerFrames> previousFrames_;
    ILImageRef image_;
    ILImageRef currentFrame_;
    std::size_t currentFrameIndex_ = 0;
    std::size_t currentLoopCount_ = 0;
    std::size_t totalFrameCount_ = 0;
    std::size_t totalLoopCount_ = 0;
    std::size_t maxBufferCount_ = 0;
    double currentTime_ = 0;
    double refreshPeriod_ = 1.0 / 60;
    double animatedImageScale_ = 1;
    bool bufferMiss_ = false;
    bool shouldAnimate_ = false;
    bool isProgressive_ = false;
    bool visible_ = false;
    // Gone with the player: a display-link tick that comes after it does nothing.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};
