#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Dispatch/detail/ObserverList.h"

#include <functional>
#include <mutex>
#include <string>

// The handle of one query or contains request spread over several caches: it counts the caches
// still to answer, and once finished or cancelled the late answers are dropped. Changes of the
// flags are reported under "isExecuting", "isFinished" and "isCancelled". Thread-safe.
class ILImageCachesManagerOperation final : public ILWebOperation {
public:
    void beginWithTotalCount(long totalCount);
    void completeOne();
    long pendingCount() const;
    void done();
    void cancel() override;
    void reset();

    bool isExecuting() const;
    bool isFinished() const;
    bool isCancelled() const;

    using ChangeObserver = std::function<void(const std::string& key)>;
    [[nodiscard]] dispatch::Subscription observeChanges(ChangeObserver observer)
    {
        return observers_.add(std::move(observer));
    }

private:
    void setFlag(bool ILImageCachesManagerOperation::*flag, bool value, const char* key);

    mutable std::mutex flagsLock_;
    bool executing_ = false;
    bool finished_ = false;
    bool cancelled_ = false;
    mutable std::mutex pendingCountLock_;
    long pendingCount_ = 0;
    dispatch::detail::ObserverList<ChangeObserver> observers_;
};
