#include "Class/ImageViews/ILAnimatedImagePlayer.h"

#include "Platform/Dispatch/OperationQueue.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/Image.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Physical memory and the memory available now (MemAvailable), in bytes; 0 when unknown.
std::uint64_t physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size) : 0;
}

std::uint64_t availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (meminfo >> key >> kib >> unit)
        if (key == "MemAvailable:")
            return kib * 1024;
    return 0;
}

std::uint64_t bytesOf(const ILImageRef& image)
{
    if (!image)
        return 0;
    const QImage pixels = image->image();
    return static_cast<std::uint64_t>(pixels.bytesPerLine()) * static_cast<std::uint64_t>(pixels.height());
}

} // namespace

ILAnimatedImagePlayer::ILAnimatedImagePlayer()
    : buffer_(std::make_shared<ILAnimatedFrameBuffer>())
    , fetchQueue_(dispatch::OperationQueue::create("com.tallowind.ILAnimatedImageView.fetch"))
{
    fetchQueue_->setMaxConcurrentOperationCount(1);
}

ILAnimatedImagePlayer::~ILAnimatedImagePlayer()
{
    buffer_->setLinkRunning(false);
    if (displayLink_)
        displayLink_->cancel();
    fetchQueue_->cancelAllOperations();
}

void ILAnimatedImagePlayer::setImage(
    const ILImageRef& image, std::shared_ptr<ILAnimatedImagePlayerFrames> frames)
{
    if (image == image_ && image)
        return;
    updateIsProgressive(frames);
    previousFrames_ = frames;
    if (isProgressive_) {
        resetForProgress();
    } else {
        stopAnimating();
        resetForProgress();
        isProgressive_ = false;
        resetCurrentFrameIndex();
        fetchQueue_->cancelAllOperations();
    }
    // Whatever is fetched from here on is for the new image; a progressive one keeps the frames
    // of the shorter data.
    buffer_->beginImage(isProgressive_);
    image_ = image;
    if (!frames || frames->frameCount() <= 1 || (!isProgressive_ && frames->isIncremental())) {
        if (frameChanged)
            frameChanged();
        return;
    }
    frames_ = std::move(frames);
    totalFrameCount_ = frames_->frameCount();
    totalLoopCount_ = frames_->loopCount();
    animatedImageScale_ = frames_->scale();
    if (!isProgressive_) {
        currentFrame_ = image;
        buffer_->store(currentFrameIndex_, image);
    }
    calculateMaxBufferCount();
    updateShouldAnimate();
    if (shouldAnimate_)
        startAnimating();
    if (frameChanged)
        frameChanged();
}

void ILAnimatedImagePlayer::resetForProgress()
{
    frames_ = nullptr;
    totalFrameCount_ = 0;
    totalLoopCount_ = 0;
    shouldAnimate_ = false;
    isProgressive_ = true;
    maxBufferCount_ = 0;
    animatedImageScale_ = 1;
}

void ILAnimatedImagePlayer::resetCurrentFrameIndex()
{
    currentFrame_ = nullptr;
    currentFrameIndex_ = 0;
    currentLoopCount_ = 0;
    currentTime_ = 0;
    bufferMiss_ = false;
}

void ILAnimatedImagePlayer::updateIsProgressive(const std::shared_ptr<ILAnimatedImagePlayerFrames>& frames)
{
    isProgressive_ = false;
    if (!shouldIncrementalLoad || !frames || !frames->isIncremental())
        return;
    const auto& previous = previousFrames_;
    if (!previous || !previous->isIncremental()) {
        isProgressive_ = true;
        return;
    }
    const auto oldData = previous->data();
    const auto newData = frames->data();
    if (!oldData || !newData || newData->length() < oldData->length())
        return;
    isProgressive_ = std::memcmp(newData->bytes(), oldData->bytes(), oldData->length()) == 0;
}

void ILAnimatedImagePlayer::calculateMaxBufferCount()
{
    std::uint64_t bytes = bytesOf(currentFrame_ ? currentFrame_ : image_);
    if (bytes == 0)
        bytes = 1024;
    std::uint64_t budget = maxBufferSize;
    if (budget == 0) {
        const auto physical = static_cast<double>(physicalMemory()) * 0.2;
        const auto available = static_cast<double>(availableMemory()) * 0.6;
        budget = static_cast<std::uint64_t>(std::min(physical, available));
    }
    maxBufferCount_ = std::max<std::uint64_t>(1, budget / bytes);
}

void ILAnimatedImagePlayer::setVisible(bool visible)
{
    visible_ = visible;
    updateShouldAnimate();
    if (shouldAnimate_)
        startAnimating();
    else
        stopAnimating();
}

void ILAnimatedImagePlayer::updateShouldAnimate()
{
    shouldAnimate_ = frames_ && totalFrameCount_ > 1 && visible_;
}

void ILAnimatedImagePlayer::startAnimating()
{
    if (!frames_ || displayLink_)
        return;
    displayLink_ = dispatch::TimerSource::create(dispatch::mainQueue().shared_from_this(), refreshPeriod_,
        refreshPeriod_, [this, alive = std::weak_ptr<const bool>(alive_)] {
            // The player lives as long as its view; the link goes with it.
            if (alive.lock())
                displayDidRefresh(refreshPeriod_);
        });
    buffer_->setLinkRunning(true);
    displayLink_->start();
}

void ILAnimatedImagePlayer::stopAnimating()
{
    if (!frames_)
        return;
    fetchQueue_->cancelAllOperations();
    buffer_->setLinkRunning(false);
    if (displayLink_) {
        // Released after this turn: the link may be running this very call.
        auto link = std::exchange(displayLink_, nullptr);
        link->cancel();
        dispatch::mainQueue().async([link] {});
    }
    if (resetFrameIndexWhenStopped)
        resetCurrentFrameIndex();
    if (clearBufferWhenStopped)
        clearFrameBuffer();
}

bool ILAnimatedImagePlayer::isAnimating() const
{
    return frames_ && displayLink_;
}

void ILAnimatedImagePlayer::clearFrameBuffer()
{
    buffer_->clear();
}

std::size_t ILAnimatedImagePlayer::bufferedFrameCount() const
{
    return buffer_->count();
}

void ILAnimatedImagePlayer::waitUntilFetched() const
{
    fetchQueue_->waitUntilAllOperationsAreFinished();
}

ILImageRef ILAnimatedImagePlayer::bufferedFrame(std::size_t index) const
{
    return buffer_->frame(index);
}

void ILAnimatedImagePlayer::displayDidRefresh(double duration)
{
    // Refreshes come from a running display link only.
    if (!shouldAnimate_ || !frames_ || !displayLink_)
        return;
    const std::size_t total = totalFrameCount_;
    const std::size_t current = currentFrameIndex_;
    const std::size_t next = (current + 1) % total;
    if (!bufferMiss_) {
        currentTime_ += duration;
        const double currentDuration = frames_->durationAtIndex(current);
        if (currentTime_ < currentDuration)
            return;
        currentTime_ -= currentDuration;
        // A slow display never skips a frame: the clock carries at most the next frame's time.
        currentTime_ = std::min(currentTime_, frames_->durationAtIndex(next));
    }
    const ILImageRef currentImage = bufferedFrame(current);
    const ILImageRef nextImage = currentImage ? bufferedFrame(next) : nullptr;
    bool bufferFull = false;
    if (currentImage) {
        bufferFull = buffer_->trim(current, maxBufferCount_, total);
        currentFrame_ = currentImage;
        currentFrameIndex_ = next;
        bufferMiss_ = false;
        if (frameChanged)
            frameChanged();
    } else {
        bufferMiss_ = true;
    }
    if (next == 0 && !bufferMiss_) {
        if (isProgressive_) {
            // The partial image ran out of frames: wait on its last one for more data.
            currentFrameIndex_ = current;
            buffer_->store(current, currentFrame_);
            stopAnimating();
            return;
        }
        ++currentLoopCount_;
        const std::size_t limit
            = shouldCustomLoopCount ? static_cast<std::size_t>(animationRepeatCount) : totalLoopCount_;
        if (limit != 0 && currentLoopCount_ >= limit) {
            stopAnimating();
            return;
        }
    }
    const std::size_t fetchIndex = bufferMiss_ ? current : next;
    if (!nextImage && !bufferFull && fetchQueue_->operationCount() == 0)
        fetchFrame(fetchIndex);
}

void ILAnimatedImagePlayer::fetchFrame(std::size_t index)
{
    // Stored only for the image still being played, and while the link runs: a stop cancels the
    // fetch, and a fetch that ends later must not fill the buffer again.
    const auto generation = buffer_->generation();
    fetchQueue_->addOperation([frames = frames_, buffer = buffer_, index, generation] {
        buffer->storeFetched(generation, index, frames->frameAtIndex(index));
    });
}
