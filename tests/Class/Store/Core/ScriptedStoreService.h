#pragma once

#include "Class/Store/Core/KXStoreService.h"

#include <string>
#include <vector>

namespace storetest {

// A store service that keeps every request until the test answers it, in any order.
class ScriptedStoreService final : public KXStoreService {
public:
    struct Call {
        Operation operation;
        std::string argument;
        Reply reply;
        Failure failure;
    };

    std::vector<Call> calls;

    std::size_t count(Operation operation) const;
    // The n-th request of that kind (from 0).
    Call& call(Operation operation, std::size_t n = 0);
    void answer(Operation operation, std::size_t n, const foundation::Id& reply);
    void fail(Operation operation, std::size_t n);

protected:
    void send(Operation operation, const std::string& argument, Reply reply, Failure failure) override;
};

// Installs a scripted service for its lifetime.
class ScopedScriptedService {
public:
    ScopedScriptedService();
    ~ScopedScriptedService();
    ScopedScriptedService(const ScopedScriptedService&) = delete;
    ScopedScriptedService& operator=(const ScopedScriptedService&) = delete;
    ScriptedStoreService& operator*() { return *service_; }
    ScriptedStoreService* operator->() { return service_.get(); }
    const std::shared_ptr<ScriptedStoreService>& get() const { return service_; }

private:
    std::shared_ptr<ScriptedStoreService> service_;
    std::shared_ptr<KXStoreService> previous_;
};

// An envelope: {"errcode": code, "message": "", "corvane_data": data}.
foundation::Id envelope(long long errcode, const foundation::Id& data);

} // namespace storetest
