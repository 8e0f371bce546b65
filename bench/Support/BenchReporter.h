#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace benchsupport {

// The console reporter, keeping each benchmark's time per iteration so that main() can print
// the ratio lines once every benchmark has run. Runs that failed are not kept, so a failure shows
// as a ratio of 0 rather than as a figure.
class BenchReporter : public benchmark::ConsoleReporter {
public:
    enum class Keep {
        // Every plain run, under its full name ("create/ours/iterations:3/real_time").
        Iterations,
        // Only the median aggregate of repeated runs, under the function name ("serial/ours"):
        // the median resists a busy machine best.
        Medians,
        // The fastest of repeated runs, under the name before its first '/' ("BM_ReadOurs").
        Fastest,
    };
    enum class Clock { Real, Cpu };

    explicit BenchReporter(Keep keep = Keep::Iterations, Clock clock = Clock::Real);

    void ReportRuns(const std::vector<Run>& runs) override;

    // The kept time of `name`, or 0 when it did not run.
    double time(const std::string& name) const;
    // time(ours) / time(peer), or 0 when the peer has no time.
    double ratio(const std::string& ours, const std::string& peer) const;

private:
    Keep keep_;
    Clock clock_;
    std::map<std::string, double> perIteration_;
};

} // namespace benchsupport
