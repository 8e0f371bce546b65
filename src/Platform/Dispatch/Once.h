#pragma once

#include <functional>
#include <mutex>

namespace dispatch {

// Runs a block once per token, whichever thread gets there first; the others wait until it has
// finished. A block that throws leaves the token unused.
class OnceToken {
public:
    void run(const std::function<void()>& block) { std::call_once(flag_, block); }

private:
    std::once_flag flag_;
};

} // namespace dispatch
