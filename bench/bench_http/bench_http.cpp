// The HTTP client layer against the curl command-line tool on the same loopback server in the
// same run: 2,000 form POSTs with JSON replies, 10 in flight. Ours goes through
// NKHTTPSessionManager (form serializer, JSON decoding on the processing queue, success blocks
// on the main queue); curl runs --parallel --parallel-max 10 over the same requests.
// Prints `ratio <ours/curl> http-post-2000` as the last line.

#include "Lib/Networking/NKHTTPSessionManager.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLLoading.h"
#include "Support/AlternatingRun.h"
#include "Support/CurlCommand.h"
#include "Support/LoopbackBench.h"
#include "Support/QuickRun.h"
#include "Support/Timing.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace {

const int kPosts = benchsupport::fullOrQuick(2000, 200);
constexpr int kParallel = 10;
constexpr const char* kForm = "family=Corvane%20Sans&size=12&style=Bold";

benchsupport::LoopbackBench& bench()
{
    static benchsupport::LoopbackBench instance(32, "bench_http");
    return instance;
}

void startServer()
{
    bench().server().Post("/form", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("{\"errcode\":0,\"family\":\"" + req.get_param_value("family") + "\",\"size\":" + req.get_param_value("size") + "}",
                        "application/json");
    });
    bench().start();
}

// All 2,000 POSTs are handed to the manager at once, as the transport does; the session opens at
// most 10 connections to the host, so 10 are in flight and the rest wait their turn, as with
// curl's --parallel-max 10. Replies arrive as success blocks on the main queue.
double ourPosts()
{
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    configuration->HTTPMaximumConnectionsPerHost = kParallel;
    auto manager = NKHTTPSessionManager::create(nullptr, configuration);
    manager->requestSerializer()->setTimeoutInterval(10);
    const std::string target = bench().url("/form");
    const auto parameters = foundation::Id(foundation::Dictionary::create({{foundation::Id("family"), foundation::Id("Corvane Sans")},
                                                                           {foundation::Id("style"), foundation::Id("Bold")},
                                                                           {foundation::Id("size"), foundation::Id(12)}}));
    int succeeded = 0;
    int failed = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPosts; ++i) {
        manager->POST(
            target, parameters, nullptr,
            [&](const foundation::Ref<net::URLSessionDataTask>&, const foundation::Id& reply) {
                if (reply["errcode"].integerValue() == 0 && reply["size"].integerValue() == 12)
                    ++succeeded;
                else
                    ++failed;
            },
            [&](const foundation::Ref<net::URLSessionDataTask>&, const foundation::Ref<foundation::Error>&) { ++failed; });
    }
    const bool finished = dispatch::RunLoop::runUntil([&] { return succeeded + failed >= kPosts; }, 120);
    const double elapsed = benchsupport::secondsSince(start);
    manager->invalidateSessionCancelingTasks(false);
    return finished && failed == 0 ? elapsed : -1;
}

double curlPosts()
{
    return benchsupport::curlParallelFormPosts(bench().folder() / "posts.cfg", bench().url("/form"), kPosts, kParallel, kForm);
}

benchsupport::PairedTimes times;

void posts(benchmark::State& state)
{
    benchsupport::runAlternately(state, {&ourPosts, &curlPosts, "a request failed", "a request failed", {}}, times);
}

} // namespace

BENCHMARK(posts)->Iterations(benchsupport::fullOrQuick(7, 1))->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    startServer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!times.empty())
        std::printf("ratio %.3f http-post-2000\n", times.ratio());
    std::fflush(stdout);
    bench().finish();
    return 0;
}
