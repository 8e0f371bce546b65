// The URL loading engine against the curl command-line tool, same loopback server, same run:
// a 512 MiB download to a file, and 2,000 small form POSTs with JSON replies, 10 at a time over
// keep-alive. Prints `ratio <ours/curl> <workload>` for both; the download ratio comes last.

#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLLoading.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>
#include <mutex>
#include <thread>

namespace {

constexpr std::size_t kDownloadSize = 512ull * 1024 * 1024;
constexpr int kPosts = 2000;
constexpr int kParallel = 10;
constexpr const char* kForm = "family=Corvane+Sans&style=Bold&size=12";

struct Bench {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::filesystem::path folder;
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

// The server listens with a backlog of 5, so a burst of new connections loses SYNs and waits a
// second for the retry; raise the backlog on its listening socket.
void widenBacklog(int port)
{
    for (int fd = 3; fd < 4096; ++fd) {
        int listening = 0;
        socklen_t size = sizeof listening;
        sockaddr_in address{};
        socklen_t length = sizeof address;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 && ntohs(address.sin_port) == port)
            ::listen(fd, 1024);
    }
}

void startServer()
{
    auto& b = bench();
    static const std::string chunk(1024 * 1024, 'F');
    b.server.set_tcp_nodelay(true);
    b.server.set_keep_alive_max_count(100000);
    b.server.new_task_queue = [] { return new httplib::ThreadPool(64); };
    b.server.Get("/blob", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(kDownloadSize, "application/octet-stream",
                                 [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     std::size_t n = std::min({length, chunk.size(), kDownloadSize - offset});
                                     return sink.write(chunk.data(), n);
                                 });
    });
    b.server.Post("/form", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("{\"ok\":true,\"family\":\"" + req.get_param_value("family") + "\",\"size\":" + req.get_param_value("size") + "}",
                        "application/json");
    });
    b.port = b.server.bind_to_any_port("127.0.0.1");
    widenBacklog(b.port);
    b.thread = std::thread([] { bench().server.listen_after_bind(); });
    b.folder = std::filesystem::temp_directory_path() / ("bench_url." + std::to_string(::getpid()));
    std::filesystem::create_directories(b.folder);
}

std::string url(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(bench().port) + path;
}

double seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
    auto target = bench().folder / "ours.bin";
    Completions completions;
    auto delegate = std::make_shared<net::URLSessionDelegate>();
    delegate->didFinishDownloadingToURL = [&](const auto&, const auto&, const foundation::Ref<foundation::URL>& location) {
        std::filesystem::rename(location->path()->utf8(), target);
    };
    delegate->didCompleteWithError = [&](const auto&, const auto&, const auto& error) { completions.add(!error); };
    auto session = net::URLSession::sessionWithConfiguration(nullptr, delegate);
    auto start = std::chrono::steady_clock::now();
    session->downloadTaskWithRequest(net::URLRequest::requestWithURL(foundation::URL::URLWithString(url("/blob"))))->resume();
    completions.waitFor(1);
    double elapsed = seconds(start);
    session->finishTasksAndInvalidate();
    std::error_code ec;
    bool ok = !completions.failed && std::filesystem::file_size(target, ec) == kDownloadSize;
    std::filesystem::remove(target, ec);
    return ok ? elapsed : -1;
}

double curlDownload()
{
    auto target = bench().folder / "curl.bin";
    std::string command = "curl -s -o '" + target.string() + "' '" + url("/blob") + "'";
    auto start = std::chrono::steady_clock::now();
    int rc = std::system(command.c_str());
    double elapsed = seconds(start);
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
        auto request = net::URLRequest::requestWithURL(foundation::URL::URLWithString(url("/form")));
        request->setHTTPMethod("POST");
        request->setValue("application/x-www-form-urlencoded", "Content-Type");
        request->setHTTPBody(body);
        session->dataTaskWithRequest(request)->resume();
    }
    completions.waitFor(kPosts);
    double elapsed = seconds(start);
    session->finishTasksAndInvalidate();
    return completions.failed || bytes == 0 ? -1 : elapsed;
}

double curlPosts()
{
    auto config = bench().folder / "posts.cfg";
    if (!std::filesystem::exists(config)) {
        std::ofstream out(config);
        for (int i = 0; i < kPosts; ++i)
            out << "url = \"" << url("/form") << "\"\n";
    }
    // The same request as ours, which always offers gzip and deflate (and not brotli).
    std::string command = "curl -s --compressed -H 'Accept-Encoding: gzip, deflate' --parallel --parallel-max " +
        std::to_string(kParallel) + " -d '" + kForm + "' -K '" + config.string() + "' > /dev/null 2>&1";
    auto start = std::chrono::steady_clock::now();
    int rc = std::system(command.c_str());
    double elapsed = seconds(start);
    return rc == 0 ? elapsed : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Each iteration runs both sides back to back, alternating who goes first, so that both see the
// same machine; the reported time is ours, the counters carry the peer's and the ratio.
void compare(benchmark::State& state, double (*ours)(), double (*peer)(), std::vector<double>& ourTimes, std::vector<double>& peerTimes)
{
    bool oursFirst = true;
    for (auto _ : state) {
        double a = 0;
        double b = 0;
        if (oursFirst) {
            a = ours();
            b = peer();
        } else {
            b = peer();
            a = ours();
        }
        oursFirst = !oursFirst;
        if (a < 0 || b < 0) {
            state.SkipWithError("a transfer failed");
            return;
        }
        state.SetIterationTime(a);
        ourTimes.push_back(a);
        peerTimes.push_back(b);
    }
    state.counters["curl_ms"] = median(peerTimes) * 1000;
    state.counters["ratio"] = median(ourTimes) / median(peerTimes);
}

std::vector<double> postOurs, postCurl, downloadOurs, downloadCurl;

void posts(benchmark::State& state)
{
    compare(state, &ourPosts, &curlPosts, postOurs, postCurl);
}

void download(benchmark::State& state)
{
    compare(state, &ourDownload, &curlDownload, downloadOurs, downloadCurl);
}

} // namespace

BENCHMARK(posts)->Iterations(7)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(download)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    startServer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto& b = bench();
    if (!postOurs.empty())
        std::printf("ratio %.3f post-2000-form-json-x10\n", median(postOurs) / median(postCurl));
    if (!downloadOurs.empty())
        std::printf("ratio %.3f download-512MiB\n", median(downloadOurs) / median(downloadCurl));
    std::fflush(stdout);
    std::filesystem::remove_all(b.folder);
    b.server.stop();
    b.thread.join();
    return 0;
}
