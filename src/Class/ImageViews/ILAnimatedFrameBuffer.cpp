#include "Class/ImageViews/ILAnimatedFrameBuffer.h"

ILAnimatedFrameBuffer::Generation ILAnimatedFrameBuffer::generation() const
{
    std::lock_guard lock(lock_);
    return generation_;
}

void ILAnimatedFrameBuffer::beginImage(bool keepFrames)
{
    std::lock_guard lock(lock_);
    ++generation_;
    if (!keepFrames)
        frames_.clear();
}

void ILAnimatedFrameBuffer::setLinkRunning(bool running)
{
    std::lock_guard lock(lock_);
    linkRunning_ = running;
}

bool ILAnimatedFrameBuffer::storeFetched(Generation generation, std::size_t index, const ILImageRef& frame)
{
    std::lock_guard lock(lock_);
    if (!frame || generation != generation_ || !linkRunning_)
        return false;
    frames_[index] = frame;
    return true;
}

void ILAnimatedFrameBuffer::store(std::size_t index, const ILImageRef& frame)
{
    std::lock_guard lock(lock_);
    frames_[index] = frame;
}

ILImageRef ILAnimatedFrameBuffer::frame(std::size_t index) const
{
    std::lock_guard lock(lock_);
    const auto it = frames_.find(index);
    return it == frames_.end() ? nullptr : it->second;
}

std::size_t ILAnimatedFrameBuffer::count() const
{
    std::lock_guard lock(lock_);
    return frames_.size();
}

void ILAnimatedFrameBuffer::clear()
{
    std::lock_guard lock(lock_);
    frames_.clear();
}

bool ILAnimatedFrameBuffer::trim(std::size_t index, std::size_t limit, std::size_t total)
{
    std::lock_guard lock(lock_);
    if (frames_.size() > limit)
        frames_.erase(index);
    return frames_.size() == total;
}
