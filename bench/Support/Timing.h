#pragma once

#include <chrono>
#include <vector>

namespace benchsupport {

// Wall time since `start`, in seconds.
double secondsSince(std::chrono::steady_clock::time_point start);

// The middle value (the upper one of an even count), or 0 for no values.
double median(std::vector<double> values);

} // namespace benchsupport
