#pragma once

#include "Class/Account/Core/KXSecretStore.h"

#include "Platform/Dispatch/Queue.h"

#include <memory>
#include <mutex>
#include <string>

// The password in the desktop keyring through libsecret and the Secret Service: items of the
// schema "com.corvane.fonts.Account" with the attribute "account", in the default collection.
// The calls block (D-Bus, and an unlock prompt when the keyring is locked), so they run one at a
// time on a serial worker queue; their results go to the main queue. Without a session bus or a
// Secret Service every call fails quickly and nothing is kept. Thread-safe.
class KXLibsecretStore final : public KXSecretStore {
public:
    KXLibsecretStore();

    void storePassword(const std::string& account, const std::string& password, Done done) override;
    void lookupPassword(const std::string& account, Found done) override;
    void clearPassword(const std::string& account, Done done) override;

    // The reason of the last failure on the worker queue ("" after a success); for logs and tests.
    std::string lastError() const;

private:
    // Outlives the store while calls are still queued.
    struct State {
        std::mutex mutex;
        std::string lastError;
        void setLastError(std::string reason);
    };
    dispatch::QueueRef queue_;
    std::shared_ptr<State> state_;
};
