#include "Lib/ImageLoading/ILImageCachesManagerOperation.h"

void ILImageCachesManagerOperation::setFlag(
    bool ILImageCachesManagerOperation::*flag, bool value, const char* key)
{
    {
        std::lock_guard lock(flagsLock_);
        if (this->*flag == value)
            return;
        this->*flag = value;
    }
    observers_.notify(std::string(key));
}

void ILImageCachesManagerOperation::beginWithTotalCount(long totalCount)
{
    setFlag(&ILImageCachesManagerOperation::executing_, true, "isExecuting");
    setFlag(&ILImageCachesManagerOperation::finished_, false, "isFinished");
    std::lock_guard lock(pendingCountLock_);
    pendingCount_ = totalCount;
}

void ILImageCachesManagerOperation::completeOne()
{
    std::lock_guard lock(pendingCountLock_);
    pendingCount_ = pendingCount_ > 0 ? pendingCount_ - 1 : 0;
}

long ILImageCachesManagerOperation::pendingCount() const
{
    std::lock_guard lock(pendingCountLock_);
    return pendingCount_;
}

void ILImageCachesManagerOperation::done()
{
    setFlag(&ILImageCachesManagerOperation::finished_, true, "isFinished");
    setFlag(&ILImageCachesManagerOperation::executing_, false, "isExecuting");
    reset();
}

void ILImageCachesManagerOperation::cancel()
{
    setFlag(&ILImageCachesManagerOperation::cancelled_, true, "isCancelled");
    reset();
}

void ILImageCachesManagerOperation::reset()
{
    std::lock_guard lock(pendingCountLock_);
    pendingCount_ = 0;
}

bool ILImageCachesManagerOperation::isExecuting() const
{
    std::lock_guard lock(flagsLock_);
    return executing_;
}

bool ILImageCachesManagerOperation::isFinished() const
{
    std::lock_guard lock(flagsLock_);
    return finished_;
}

bool ILImageCachesManagerOperation::isCancelled() const
{
    std::lock_guard lock(flagsLock_);
    return cancelled_;
}
