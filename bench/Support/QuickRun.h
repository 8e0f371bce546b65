#pragma once

namespace benchsupport {

// The environment variable that asks for a quick run: with it set to 1, every benchmark takes its
// smallest sizes and fewest rounds, so that each runs in a few seconds and still prints its ratio
// lines. CI runs them so (scripts/bench-quick) to see that every benchmark still completes; the
// figures of a quick run are not the benchmarks' figures.
inline constexpr const char* kQuickRunVariable = "CORVANE_BENCH_QUICK";

// Whether this process is a quick run. Read once, so that every size and count of a run agrees,
// including those of benchmarks registered before main() starts.
bool quickRun();

// `full` in a full run, `quick` in a quick one.
template <typename T> T fullOrQuick(T full, T quick)
{
    return quickRun() ? quick : full;
}

} // namespace benchsupport
