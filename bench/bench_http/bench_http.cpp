// The HTTP client layer against the curl command-line tool on the same loopback server in the
// same run: 2,000 form POSTs with JSON replies, 10 in flight. Ours goes through
// NKHTTPSessionManager (form serializer, JSON decoding on the processing queue, success blocks
// on the main queue); curl runs --parallel --parallel-max 10 over the same requests.
// Prints `ratio <ours/curl> http-post-2000` as the last line.

#include "Lib/Networking/NKHTTPSessionManager.h"
#include "Platform/Dispatch/RunLoop.h"
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
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

constexpr int kPosts = 2000;
constexpr int kParallel = 10;
constexpr const char* kForm = "family=Corvane%20Sans&size=12&style=Bold";

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

// httplib listens with a backlog of 5; a burst of connections would wait for SYN retries.
void widenBacklog(int port)
{
    for (int fd = 3; fd < 4096; ++fd) {
        int listening = 0;
        socklen_t size = sizeof listening;
        sockaddr_in address{};
        socklen_t length = sizeof address;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening
            && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 && ntohs(address.sin_port) == port)
            ::listen(fd, 1024);
    }
}

void startServer()
{
    auto& b = bench();
    b.server.set_tcp_nodelay(true);
    b.server.set_keep_alive_max_count(100000);
    b.server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    b.server.Post("/form", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("{\"errcode\":0,\"family\":\"" + req.get_param_value("family") + "\",\"size\":" + req.get_param_value("size") + "}",
                        "application/json");
    });
    b.port = b.server.bind_to_any_port("127.0.0.1");
    widenBacklog(b.port);
    b.thread = std::thread([] { bench().server.listen_after_bind(); });
    b.folder = std::filesystem::temp_directory_path() / ("bench_http." + std::to_string(::getpid()));
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

// All 2,000 POSTs are handed to the manager at once, as the transport does; the session opens at
// most 10 connections to the host, so 10 are in flight and the rest wait their turn, as with
// curl's --parallel-max 10. Replies arrive as success blocks on the main queue.
double ourPosts()
{
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    configuration->HTTPMaximumConnectionsPerHost = kParallel;
    auto manager = NKHTTPSessionManager::create(nullptr, configuration);
    manager->requestSerializer()->setTimeoutInterval(10);
    const std::string target = url("/form");
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
    const double elapsed = seconds(start);
    manager->invalidateSessionCancelingTasks(false);
    return finished && failed == 0 ? elapsed : -1;
}

double curlPosts()
{
    auto config = bench().folder / "posts.cfg";
    if (!std::filesystem::exists(config)) {
        std::ofstream out(config);
        for (int i = 0; i < kPosts; ++i)
            out << "url = \"" << url("/form") << "\"\n";
    }
    // The same request as ours, which offers gzip and deflate.
    std::string command = "curl -s --compressed -H 'Accept-Encoding: gzip, deflate' --parallel --parallel-max " + std::to_string(kParallel)
        + " -d '" + kForm + "' -K '" + config.string() + "' > /dev/null 2>&1";
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

std::vector<double> ourTimes;
std::vector<double> curlTimes;

// Both sides run back to back in each iteration, alternating who goes first.
void posts(benchmark::State& state)
{
    bool oursFirst = true;
    for (auto _ : state) {
        double ours = 0;
        double peer = 0;
        if (oursFirst) {
            ours = ourPosts();
            peer = curlPosts();
        } else {
            peer = curlPosts();
            ours = ourPosts();
        }
        oursFirst = !oursFirst;
        if (ours < 0 || peer < 0) {
            state.SkipWithError("a request failed");
            return;
        }
        state.SetIterationTime(ours);
        ourTimes.push_back(ours);
        curlTimes.push_back(peer);
    }
    state.counters["curl_ms"] = median(curlTimes) * 1000;
    state.counters["ratio"] = median(ourTimes) / median(curlTimes);
}

} // namespace

BENCHMARK(posts)->Iterations(7)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    startServer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!ourTimes.empty())
        std::printf("ratio %.3f http-post-2000\n", median(ourTimes) / median(curlTimes));
    std::fflush(stdout);
    std::filesystem::remove_all(bench().folder);
    bench().server.stop();
    bench().thread.join();
    return 0;
}
