#pragma once

#include "Lib/SQLKit/SQLog.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// Collects the layer's log lines for the length of a test.
class LogCapture {
public:
    LogCapture()
    {
        previous_ = SQSetLogSink([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        });
    }
    ~LogCapture() { SQSetLogSink(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    bool contains(const std::string& line) const
    {
        const auto all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    std::size_t count(const std::string& line) const
    {
        const auto all = lines();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), line));
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    SQLogSink previous_;
};
