#pragma once

#include "Class/AppShell/KXIncomingLinks.h"

#include <string>
#include <vector>

namespace shelltest {

// Takes the incoming links' log lines until it goes.
class ScopedLinkLog {
public:
    ScopedLinkLog()
        : previous_(KXIncomingLinks::setLogSink([this](const std::string& line) { lines_.push_back(line); }))
    {
    }
    ~ScopedLinkLog() { KXIncomingLinks::setLogSink(previous_); }
    ScopedLinkLog(const ScopedLinkLog&) = delete;
    ScopedLinkLog& operator=(const ScopedLinkLog&) = delete;
    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
    KXIncomingLinks::LogSink previous_;
};

} // namespace shelltest
