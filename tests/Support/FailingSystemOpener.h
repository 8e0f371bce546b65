#pragma once

#include "Platform/Desktop/URLOpener.h"

#include <memory>

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

} // namespace testsupport
