#pragma once

#include "Platform/Desktop/URLOpener.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Installs, for its lifetime, a real system opener whose program starts and then exits with a
// failure (as xdg-open does when it finds no browser), and puts the previous opener back
// afterwards. The failure reaches the caller later, on the main queue.
class ScopedFailingSystemOpener {
public:
    ScopedFailingSystemOpener()
        : previous_(desktop::URLOpener::install(std::make_shared<desktop::SystemURLOpener>("false")))
    {
    }
    ~ScopedFailingSystemOpener() { desktop::URLOpener::install(previous_); }
    ScopedFailingSystemOpener(const ScopedFailingSystemOpener&) = delete;
    ScopedFailingSystemOpener& operator=(const ScopedFailingSystemOpener&) = delete;

private:
    std::shared_ptr<desktop::URLOpener> previous_;
};

// Installs, for its lifetime, an opener that starts nothing and keeps each caller's late-failure
// handler, so that a test decides when (and after what) the failed exit is reported.
class ScopedHeldFailureOpener {
public:
    ScopedHeldFailureOpener()
        : opener_(std::make_shared<Opener>())
        , previous_(desktop::URLOpener::install(opener_))
    {
    }
    ~ScopedHeldFailureOpener() { desktop::URLOpener::install(previous_); }
    ScopedHeldFailureOpener(const ScopedHeldFailureOpener&) = delete;
    ScopedHeldFailureOpener& operator=(const ScopedHeldFailureOpener&) = delete;

    const std::vector<std::string>& targets() const { return opener_->targets; }
    size_t held() const { return opener_->failures.size(); }
    // Reports a failed exit to every caller so far, as the system opener does on the main queue.
    void failAll(const std::string& reason = "xdg-open exited with status 4")
    {
        for (const auto& failure : std::exchange(opener_->failures, {}))
            if (failure)
                failure(reason);
    }

private:
    class Opener final : public desktop::URLOpener {
    public:
        std::vector<std::string> targets;
        std::vector<FailureHandler> failures;

    protected:
        std::optional<std::string> launch(const std::string& target, FailureHandler onFailure) override
        {
            targets.push_back(target);
            failures.push_back(std::move(onFailure));
            return std::nullopt;
        }
    };

    std::shared_ptr<Opener> opener_;
    std::shared_ptr<desktop::URLOpener> previous_;
};

} // namespace testsupport
