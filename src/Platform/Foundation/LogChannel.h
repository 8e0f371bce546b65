#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace foundation {

// One component's log lines: each line goes to stderr, or to a sink that tests and tools install.
// Lines are delivered one at a time, in the order they were written on each thread; a sink may be
// called from any thread and may itself write to the channel.
class LogChannel {
public:
    using Sink = std::function<void(const std::string& line)>;

    // Installs `sink` (an empty function restores stderr) and answers the one it replaces.
    Sink setSink(Sink sink);
    void line(const std::string& text);

private:
    std::mutex sinkMutex_;
    Sink sink_;
    std::recursive_mutex deliveryMutex_;
};

} // namespace foundation
