// The URL loading engine against the curl command-line tool, same loopback server, same run:
// a 512 MiB download to a file, and 2,000 small form POSTs with JSON replies, 10 at a time over
// keep-alive. Prints `ratio <ours/curl> <workload>` for both; the download ratio comes last.

#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLLoading.h"
#include "Support/AlternatingRun.h"
#include "Support/CurlCommand.h"
#include "Support/LoopbackBench.h"
#include "Support/QuickRun.h"
#include "Support/Timing.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>

namespace {

const std::size_t kDownloadSize = benchsupport::fullOrQuick<std::size_t>(512, 32) * 1024 * 1024;
const int kPosts = benchsupport::fullOrQuick(2000, 200);
constexpr int kParallel = 10;
constexpr const char* kForm = "family=Corvane+Sans&style=Bold&size=12";

benchsupport::LoopbackBench& bench()
{
    static benchsupport::LoopbackBench instance(64, "bench_url");
    return instance;
}

void startServer()
{
    static const std::string chunk(1024 * 1024, 'F');
    bench().server().Get("/blob", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(kDownloadSize, "application/octet-stream",
                                 [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     std::size_t n = std::min({length, chunk.size(), kDownloadSize - offset});
                                     return sink.write(chunk.data(), n);
                                 });
    });
    bench().server().Post("/form", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("{\"ok\":true,\"family\":\"" + req.get_param_value("family") + "\",\"size\":" + req.get_param_value("size") + "}",
                        "application/json");
    });
    bench().start();
}

// Waits for `count` completions reported by a delegate.
struct Completions {
    std::mutex mutex;
    std::condition_variable condition;
    int done = 0;
    int failed = 0;
    void add(bool ok)
    {
        std::lock_guard lock(mutex);
        ++done;
        failed += ok ? 0 : 1;
        condition.notify_all();
    }
    void waitFor(int count)
    {
        std::unique_lock lock(mutex);
        condition.wait(lock, [&] { return done >= count; });
    }
};

// One run of each side; every function returns the wall time in seconds, or -1 on failure.
double ourDownload()
{
    auto target = bench().folder() / "ours.bin";
    Completions completions;
    auto delegate = std::make_shared<net::URLSessionDelegate>();
    delegate->didFinishDownloadingToURL = [&](const auto&, const auto&, const foundation::Ref<foundation::URL>& location) {
        std::filesystem::rename(location->path()->utf8(), target);
    };
    delegate->didCompleteWithError = [&](const auto&, const auto&, const auto& error) { completions.add(!error); };
    auto session = net::URLSession::sessionWithConfiguration(nullptr, delegate);
    auto start = std::chrono::steady_clock::now();
    session->downloadTaskWithRequest(net::URLRequest::requestWithURL(foundation::URL::URLWithString(bench().url("/blob"))))->resume();
    completions.waitFor(1);
    double elapsed = benchsupport::secondsSince(start);
    session->finishTasksAndInvalidate();
    std::error_code ec;
    bool ok = !completions.failed && std::filesystem::file_size(target, ec) == kDownloadSize;
    std::filesystem::remove(target, ec);
    return ok ? elapsed : -1;
}

double curlDownload()
{
    auto target = bench().folder() / "curl.bin";
    std::string command = "curl -s -o '" + target.string() + "' '" + bench().url("/blob") + "'";
    int rc = 0;
    double elapsed = benchsupport::timedShell(command, rc);
    std::error_code ec;
    bool ok = rc == 0 && std::filesystem::file_size(target, ec) == kDownloadSize;
    std::filesystem::remove(target, ec);
    return ok ? elapsed : -1;
}

double ourPosts()
{
    Completions completions;
    std::atomic<std::size_t> bytes{0};
    auto delegate = std::make_shared<net::URLSessionDelegate>();
    delegate->didReceiveData = [&](const auto&, const auto&, const auto& data) { bytes += data->length(); };
    delegate->didCompleteWithError = [&](const auto&, const auto&, const auto& error) { completions.add(!error); };
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    configuration->HTTPMaximumConnectionsPerHost = kParallel;
    auto session = net::URLSession::sessionWithConfiguration(configuration, delegate);
    auto body = foundation::Data::create(std::string_view(kForm));
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPosts; ++i) {
        auto request = net::URLRequest::requestWithURL(foundation::URL::URLWithString(bench().url("/form")));
        request->setHTTPMethod("POST");
        request->setValue("application/x-www-form-urlencoded", "Content-Type");
        request->setHTTPBody(body);
        session->dataTaskWithRequest(request)->resume();
    }
    completions.waitFor(kPosts);
    double elapsed = benchsupport::secondsSince(start);
    session->finishTasksAndInvalidate();
    return completions.failed || bytes == 0 ? -1 : elapsed;
}

double curlPosts()
{
    return benchsupport::curlParallelFormPosts(bench().folder() / "posts.cfg", bench().url("/form"), kPosts, kParallel, kForm);
}

benchsupport::PairedTimes postTimes, downloadTimes;

void posts(benchmark::State& state)
{
    benchsupport::runAlternately(state, {&ourPosts, &curlPosts, "a transfer failed", "a transfer failed", {}}, postTimes);
}

void download(benchmark::State& state)
{
    benchsupport::runAlternately(state, {&ourDownload, &curlDownload, "a transfer failed", "a transfer failed", {}}, downloadTimes);
}

} // namespace

BENCHMARK(posts)->Iterations(benchsupport::fullOrQuick(7, 1))->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(download)
    ->Iterations(benchsupport::fullOrQuick(5, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    startServer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!postTimes.empty())
        std::printf("ratio %.3f post-2000-form-json-x10\n", postTimes.ratio());
    if (!downloadTimes.empty())
        std::printf("ratio %.3f download-512MiB\n", downloadTimes.ratio());
    std::fflush(stdout);
    bench().finish();
    return 0;
}
