#include "Support/BenchReporter.h"

namespace benchsupport {

BenchReporter::BenchReporter(Keep keep, Clock clock) : keep_(keep), clock_(clock) {}

void BenchReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const auto& run : runs) {
        if (run.error_occurred)
            continue;
        const double time = clock_ == Clock::Real ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        if (keep_ == Keep::Iterations && run.run_type == Run::RT_Iteration) {
            perIteration_[run.benchmark_name()] = time;
        } else if (keep_ == Keep::Medians && run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
            perIteration_[run.run_name.function_name] = time;
        } else if (keep_ == Keep::Fastest && run.run_type == Run::RT_Iteration && run.iterations > 0) {
            const std::string name = run.benchmark_name();
            const auto [known, added] = perIteration_.try_emplace(name.substr(0, name.find('/')), time);
            if (!added && time < known->second)
                known->second = time;
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

double BenchReporter::time(const std::string& name) const
{
    const auto found = perIteration_.find(name);
    return found == perIteration_.end() ? 0.0 : found->second;
}

double BenchReporter::ratio(const std::string& ours, const std::string& peer) const
{
    const double peerTime = time(peer);
    return peerTime > 0 ? time(ours) / peerTime : 0.0;
}

} // namespace benchsupport
