// The cost of the guarded collections, in one run:
//  1. ten million well-behaved object-model operations (objectAtIndex, insert and remove,
//     setObject and objectForKey, array and dictionary literals, substrings) with the guard
//     installed, against the same without it, each side in forked children taking turns (the
//     guard cannot be removed from a process): the normal path must not pay for the guard;
//  2. one misuse 20 frames deep (objectAtIndex past the end) until its default returns, against
//     throwing and catching the same foundation::Exception across the same frames.
// Also printed: a whole report (stack, symbols, error place, notification on the main thread) in
// microseconds of wall time, the process's first (cold) and later ones (warm).
// Both ratios compare the measuring thread's CPU time, which a busy machine disturbs far less than
// wall time; neither side waits for anything inside its timed part.
// The last line is the guarded-operations ratio (guarded/unguarded, lower is better).

#include "Lib/CrashGuard/CrashGuard.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Dispatch/Semaphore.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/AlternatingRun.h"
#include "Support/QuickRun.h"
#include "Support/Timing.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

using foundation::Array;
using foundation::Dictionary;
using foundation::Id;
using foundation::MutableArray;
using foundation::MutableDictionary;
using foundation::Ref;
using foundation::String;

namespace {

// CPU time of the calling thread, in seconds.
double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

const long kOperations = benchsupport::fullOrQuick(10'000'000L, 100'000L);
constexpr long kOperationsPerRound = 10;
constexpr int kDepth = 20;
constexpr int kMisusesPerBatch = 32; // under the guard's 64 waiting reports
const int kWarmReports = benchsupport::fullOrQuick(50, 5);

benchsupport::PairedTimes guardedOpsTimes;
benchsupport::PairedTimes misuseTimes;
double coldReportMicroseconds = 0;
double warmReportMicroseconds = 0;

// The well-behaved workload; returns its CPU time in seconds.
double wellBehavedOperations()
{
    auto array = MutableArray::create({ Id(1), Id(2), Id(3), Id(4) });
    auto dictionary = MutableDictionary::create({ { Id("a"), Id(1) } });
    const Id key("fontid");
    const Id value(42);
    const Id other("Hei");
    const auto text = String::create("Corvane fonts");
    const double start = threadSeconds();
    for (long round = 0; round < kOperations / kOperationsPerRound; ++round) {
        benchmark::DoNotOptimize(array->objectAtIndex(static_cast<std::size_t>(round & 3)));
        array->insertObject(value, 1);
        array->removeObjectAtIndex(1);
        dictionary->setObject(value, key);
        benchmark::DoNotOptimize(dictionary->objectForKey(key));
        benchmark::DoNotOptimize(Array::create({ value, other, key }));
        benchmark::DoNotOptimize(Dictionary::create({ { key, value }, { other, value } }));
        benchmark::DoNotOptimize(MutableDictionary::create({ { key, other } }));
        benchmark::DoNotOptimize(text->substringFromIndex(8));
        benchmark::DoNotOptimize(text->substringWithRange({ 0, 7 }));
    }
    return threadSeconds() - start;
}

// Runs the workload in a child, guarded or not; its time in seconds, or -1 when the child failed.
double inChild(bool guarded)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        ::close(pipe[0]);
        // Both children run threads, as the application does: a process that has never made a
        // thread gets cheaper reference counts and allocations, which is not what is compared.
        dispatch::Semaphore started(0);
        dispatch::globalQueue().async([&started] { started.signal(); });
        started.wait();
        if (guarded)
            CrashGuard::makeAllEffective();
        const double seconds = wellBehavedOperations();
        const bool written
            = ::write(pipe[1], &seconds, sizeof seconds) == static_cast<ssize_t>(sizeof seconds);
        std::_Exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    double seconds = -1;
    if (child < 0 || ::read(pipe[0], &seconds, sizeof seconds) != static_cast<ssize_t>(sizeof seconds))
        seconds = -1;
    ::close(pipe[0]);
    int status = 0;
    if (child > 0
        && (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0))
        seconds = -1;
    return seconds;
}

void guardedOps(benchmark::State& state)
{
    benchsupport::runAlternately(state,
        { [] { return inChild(true); }, [] { return inChild(false); }, "the guarded child failed",
            "the unguarded child failed", {} },
        guardedOpsTimes, "unguarded_ms");
}

// Reports seen on the main thread so far.
long reportsSeen = 0;

void waitForReports(long count)
{
    dispatch::RunLoop::runUntil([count] { return reportsSeen >= count; }, 60);
}

[[gnu::noinline]] Id readPastEnd(const Array& array, int depth)
{
    if (depth == 0)
        return array.objectAtIndex(5);
    Id read = readPastEnd(array, depth - 1);
    benchmark::DoNotOptimize(read);
    return read;
}

[[gnu::noinline]] Id throwPastEnd(const Array& array, int depth)
{
    if (depth == 0)
        throw foundation::Exception(std::string(foundation::NSRangeException),
            foundation::format("*** -[%@ %s]: index %lu beyond bounds [0 .. %lu]", array.isa()->name(),
                "objectAtIndex:", 5UL, array.count() - 1));
    Id read = throwPastEnd(array, depth - 1);
    benchmark::DoNotOptimize(read);
    return read;
}

double caughtMisuses()
{
    const auto array = Array::create({ Id(1), Id(2), Id(3) });
    const long expected = reportsSeen + kMisusesPerBatch;
    const double start = threadSeconds();
    for (int i = 0; i < kMisusesPerBatch; ++i)
        benchmark::DoNotOptimize(readPastEnd(*array, kDepth));
    const double seconds = threadSeconds() - start;
    waitForReports(expected); // untimed: the reports are built elsewhere
    return reportsSeen >= expected ? seconds : -1;
}

double thrownAndCaught()
{
    const auto array = Array::create({ Id(1), Id(2), Id(3) });
    const double start = threadSeconds();
    for (int i = 0; i < kMisusesPerBatch; ++i) {
        try {
            benchmark::DoNotOptimize(throwPastEnd(*array, kDepth));
        } catch (const foundation::Exception& exception) {
            benchmark::DoNotOptimize(exception.reason().size());
        }
    }
    return threadSeconds() - start;
}

// One misuse until its report is delivered on the main thread, in microseconds.
double oneReport()
{
    const auto array = Array::create({ Id(1) });
    const long expected = reportsSeen + 1;
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(readPastEnd(*array, kDepth));
    waitForReports(expected);
    return benchsupport::secondsSince(start) * 1e6;
}

dispatch::Subscription& observation()
{
    static dispatch::Subscription subscription;
    return subscription;
}

// Installs the guard in this process (after every child of the first comparison has run) and
// times whole reports: the first reads the debug information.
void reports(benchmark::State& state)
{
    CrashGuard::makeAllEffective();
    observation() = dispatch::NotificationCenter::defaultCenter().addObserver(
        CrashGuard::kNotificationName, {}, nullptr, [](const dispatch::Notification&) { ++reportsSeen; });
    for (auto _ : state) {
        coldReportMicroseconds = oneReport();
        std::vector<double> warm;
        for (int i = 0; i < kWarmReports; ++i)
            warm.push_back(oneReport());
        warmReportMicroseconds = benchsupport::median(warm);
        state.SetIterationTime(warmReportMicroseconds / 1e6);
    }
    state.counters["cold_us"] = coldReportMicroseconds;
}

void caughtMisuse(benchmark::State& state)
{
    benchsupport::runAlternately(state,
        { &caughtMisuses, &thrownAndCaught, "a report did not arrive", "", {} }, misuseTimes,
        "throw_catch_ms");
}

} // namespace

BENCHMARK(guardedOps)
    ->Iterations(benchsupport::fullOrQuick(15, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(reports)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(caughtMisuse)
    ->Iterations(benchsupport::fullOrQuick(200, 10))
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("workload: %ld operations a side; misuses %d frames deep in batches of %d; %d warm reports\n",
        kOperations, kDepth, kMisusesPerBatch, kWarmReports);
    std::printf("report %.0f us cold, %.0f us warm (median), misuse to notification on the main thread\n",
        coldReportMicroseconds, warmReportMicroseconds);
    if (!misuseTimes.empty())
        std::printf("ratio %.3f caught-misuse (one misuse %d frames deep until its default returns, against "
                    "throw and catch)\n",
            misuseTimes.ratio(), kDepth);
    if (!guardedOpsTimes.empty())
        std::printf("ratio %.3f guarded-ops (%ld well-behaved operations, guarded/unguarded)\n",
            guardedOpsTimes.ratio(), kOperations);
    std::fflush(stdout);
    return 0;
}
