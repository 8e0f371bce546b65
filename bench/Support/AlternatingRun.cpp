#include "Support/AlternatingRun.h"

#include "Support/Timing.h"

namespace benchsupport {

double PairedTimes::ratio() const
{
    return median(ours) / median(peer);
}

void runAlternately(benchmark::State& state, const Contestants& sides, PairedTimes& times, const char* peerCounter)
{
    bool oursFirst = true;
    for (auto _ : state) {
        if (sides.beforeRound)
            sides.beforeRound();
        double ours = 0;
        double peer = 0;
        if (oursFirst) {
            ours = sides.ours();
            peer = sides.peer();
        } else {
            peer = sides.peer();
            ours = sides.ours();
        }
        oursFirst = !oursFirst;
        if (ours < 0 || peer < 0) {
            state.SkipWithError(ours < 0 ? sides.oursFailed : sides.peerFailed);
            return;
        }
        state.SetIterationTime(ours);
        times.ours.push_back(ours);
        times.peer.push_back(peer);
    }
    state.counters[peerCounter] = median(times.peer) * 1000;
    state.counters["ratio"] = times.ratio();
}

} // namespace benchsupport
