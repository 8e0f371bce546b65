#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <memory>
#include <mutex>

class ILWebManager;

// The handle of one load of the manager: its cache query and its loader request. Cancelling
// cancels both, once, and takes the load out of the manager's running set. Thread-safe.
class ILWebCombinedOperation final : public ILWebOperation,
                                     public std::enable_shared_from_this<ILWebCombinedOperation> {
public:
    void cancel() override;
    bool isCancelled() const;

    std::shared_ptr<ILWebOperation> cacheOperation() const;
    void setCacheOperation(std::shared_ptr<ILWebOperation> operation);
    std::shared_ptr<ILWebOperation> loaderOperation() const;
    void setLoaderOperation(std::shared_ptr<ILWebOperation> operation);
    std::shared_ptr<ILWebManager> manager() const { return manager_.lock(); }
    void setManager(const std::shared_ptr<ILWebManager>& manager) { manager_ = manager; }

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::shared_ptr<ILWebOperation> cacheOperation_;
    std::shared_ptr<ILWebOperation> loaderOperation_;
    std::weak_ptr<ILWebManager> manager_;
};
