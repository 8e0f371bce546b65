#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

namespace benchsupport {

// Our side and the peer's, each one timed run returning its wall time in seconds or -1 on failure.
struct Contestants {
    std::function<double()> ours;
    std::function<double()> peer;
    const char* oursFailed = "our side failed";
    const char* peerFailed = "the peer failed";
    // Runs before each round, before either side.
    std::function<void()> beforeRound;
};

// Every side's times over the rounds run so far.
struct PairedTimes {
    std::vector<double> ours;
    std::vector<double> peer;

    bool empty() const { return ours.empty(); }
    // median(ours) / median(peer).
    double ratio() const;
};

// Each iteration runs both sides back to back, alternating who goes first, so that both see the
// same machine. The reported (manual) time is ours; the counters carry the peer's median as
// `peerCounter` in milliseconds and the ratio of the medians.
void runAlternately(benchmark::State& state, const Contestants& sides, PairedTimes& times,
                    const char* peerCounter = "curl_ms");

} // namespace benchsupport
