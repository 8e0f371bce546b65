// Compares the dispatch layer with minimal peers in one run:
//  1. 1,000,000 empty blocks posted to one serial queue and drained, against one thread fed
//     through std::mutex, std::condition_variable and std::deque;
//  2. the hop from a worker to the main thread, against a queued Qt call on the same
//     offscreen application.
// Prints both ratios (ours/peer, lower is better); the last line is the serial-queue ratio.

#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/Semaphore.h"
#include "Platform/DispatchQt/QtMainQueueDrain.h"
#include "Support/BenchReporter.h"
#include "Support/QuickRun.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace {

const int kBlocks = benchsupport::fullOrQuick(1'000'000, 50'000);
const int kHops = benchsupport::fullOrQuick(20'000, 2'000);

// The peer: one consumer thread, one mutex, one condition variable, one deque.
class BaselineSerial {
public:
    BaselineSerial() : thread_([this] { run(); }) {}
    ~BaselineSerial()
    {
        post({});
        thread_.join();
    }
    void post(std::function<void()> task)
    {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
    }

private:
    void run()
    {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return !tasks_.empty(); });
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            if (!task)
                return;
            task();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::thread thread_;
};

void serialOurs(benchmark::State& state)
{
    auto queue = dispatch::makeSerialQueue("bench.serial");
    for (auto _ : state) {
        for (int i = 0; i < kBlocks; ++i)
            queue->async([] {});
        dispatch::Semaphore drained(0);
        queue->async([&drained] { drained.signal(); });
        drained.wait();
    }
}

void serialBaseline(benchmark::State& state)
{
    BaselineSerial baseline;
    for (auto _ : state) {
        for (int i = 0; i < kBlocks; ++i)
            baseline.post([] {});
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        baseline.post([&] {
            std::lock_guard lock(m);
            done = true;
            cv.notify_one();
        });
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return done; });
    }
}

// A worker makes kHops round trips through the main thread, which spins Qt's event loop; the
// worker waits for each hop by spinning so both peers see the same waiting cost.
template <typename Post>
void hops(benchmark::State& state, Post post)
{
    for (auto _ : state) {
        QEventLoop loop;
        std::atomic<int> arrived{0};
        std::thread worker([&] {
            for (int i = 0; i < kHops; ++i) {
                post([&arrived] { arrived.fetch_add(1, std::memory_order_release); });
                while (arrived.load(std::memory_order_acquire) <= i)
                    std::this_thread::yield();
            }
            post([&loop] { loop.quit(); });
        });
        loop.exec();
        worker.join();
    }
}

void hopOurs(benchmark::State& state)
{
    hops(state, [](std::function<void()> block) { dispatch::mainQueue().async(std::move(block)); });
}

void hopQt(benchmark::State& state)
{
    hops(state, [](std::function<void()> block) {
        QMetaObject::invokeMethod(qApp, std::move(block), Qt::QueuedConnection);
    });
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto drain = dispatch::QtMainQueueDrain::install();

    const std::pair<const char*, void (*)(benchmark::State&)> cases[] = {
        {"serial_async_1M/ours", serialOurs},
        {"serial_async_1M/baseline", serialBaseline},
        {"main_hop_20k/ours", hopOurs},
        {"main_hop_20k/qt", hopQt},
    };
    for (const auto& [name, fn] : cases) {
        benchmark::RegisterBenchmark(name, fn)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(benchsupport::fullOrQuick(0.5, 0.02))
            ->Repetitions(benchsupport::fullOrQuick(5, 2))
            ->ReportAggregatesOnly(true);
    }

    benchmark::Initialize(&argc, argv);
    // With repetitions only the aggregates arrive; the median resists a busy machine best.
    benchsupport::BenchReporter reporter(benchsupport::BenchReporter::Keep::Medians);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("ratio %.3f main-queue-hop\n", reporter.ratio("main_hop_20k/ours", "main_hop_20k/qt"));
    std::printf("ratio %.3f serial-async-1M\n", reporter.ratio("serial_async_1M/ours", "serial_async_1M/baseline"));
    return 0;
}
