#pragma once

#include <string_view>

// Milestones of a run, for the end-to-end tests and the start-up benchmark: when the variable
// CORVANE_TRACE_FILE names a file, each milestone appends one line "<microseconds> <name>
// [detail]" to it, the microseconds read from the monotonic clock (comparable between processes
// of one boot). Without the variable nothing is written. Thread-safe.
namespace kxtrace {

constexpr const char* kVariable = "CORVANE_TRACE_FILE";

bool enabled();
void mark(std::string_view milestone, std::string_view detail = {});
// Marks a milestone only the first time it is reached in this process.
void markOnce(std::string_view milestone, std::string_view detail = {});

} // namespace kxtrace
