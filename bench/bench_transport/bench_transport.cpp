// The signed transport against the curl command-line tool on the same in-process local service
// over HTTPS, in the same run: 1,000 launch reports (the velaView operation: its tag and the
// common parameters, signed), 10 in flight. Ours runs ten lanes, each a facade over one kept
// transport object (as a page keeps one), each lane starting its next operation when the last one
// answered; every reply's errcode is checked. curl runs --parallel --parallel-max 10 over the
// same URL with the same form body, signed once beforehand.
// Prints `ratio <ours/curl> signed-ops-1000` as the last line.

#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include "local-service/RequestLog.h"

#include "Support/AlternatingRun.h"
#include "Support/BenchService.h"
#include "Support/CurlCommand.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"
#include "Support/Timing.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kOperations = benchsupport::fullOrQuick(1000, 100);
constexpr int kParallel = 10;

struct Bench {
    std::filesystem::path folder;
    std::unique_ptr<localservice::LocalService> service;
    std::string body; // the signed form body curl sends
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

// A private home, so the user-defaults values below never reach the user's own settings.
void setUpHome()
{
    auto& b = bench();
    b.folder = benchsupport::makeScratchFolder("bench_transport");
    benchsupport::usePrivateHome(b.folder);
}

bool startService()
{
    auto& b = bench();
    b.service = benchsupport::startBenchService(b.folder / "service");
    if (!b.service)
        return false;
    setenv(KXHTTPBUSINESS::kBaseURLVariable, b.service->baseUrl().c_str(), 1);

    // The values the shell stores at start, so every request carries all common parameters.
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(foundation::Id("5f1c2a9e0b7d4c3e8a6f"), "UIID");
    defaults.setObject(foundation::Id("Latitude 7440"), "macType");
    defaults.setObject(foundation::Id("3c:22:fb:10:42:9a"), "macAddress");
    defaults.setObject(foundation::Id("official"), "typeFrom");
    defaults.setObject(foundation::Id("3.2.0"), "appVersion");
    defaults.setObject(foundation::Id("20261130"), "dataVersion");
    defaults.setObject(foundation::Id("Debian GNU/Linux 12"), "SystemVersion");

    // The same parameters, signed once, as curl's body.
    auto parameters = foundation::MutableDictionary::create({{foundation::Id("tag"), foundation::Id("125")}});
    const std::pair<const char*, const char*> common[] = {{"UIID", "5f1c2a9e0b7d4c3e8a6f"}, {"token", ""},
        {"system", "Latitude 7440"}, {"platform", "mz_mac"}, {"mac", "3c:22:fb:10:42:9a"}, {"source_type", "official"},
        {"version", "3.2.0"}, {"data_version", "20261130"}, {"SystemVersion", "Debian GNU/Linux 12"}};
    for (const auto& [name, value] : common)
        parameters->setObject(foundation::Id(value), foundation::Id(name));
    parameters->setObject(foundation::Id(KXHTTPREQUEST::dictionaryToMD5HexSting(parameters)), foundation::Id("secret"));
    for (const auto& entry : *parameters) {
        if (!b.body.empty())
            b.body += '&';
        b.body += foundation::percentEncode(entry.key.stringValue(), "") + "=" + foundation::percentEncode(entry.value.stringValue(), "");
    }
    return true;
}

// Ten lanes, each keeping one transport object and running its share one after another.
double ourOperations()
{
    struct Lane {
        std::shared_ptr<KXHTTPREQUEST> transport = KXHTTPREQUEST::create();
        int remaining = kOperations / kParallel;
    };
    std::vector<std::shared_ptr<Lane>> lanes;
    int succeeded = 0;
    int failed = 0;
    std::function<void(const std::shared_ptr<Lane>&)> next = [&](const std::shared_ptr<Lane>& lane) {
        if (lane->remaining-- == 0)
            return;
        KXHTTPBUSINESS business;
        business.setREQUEST(lane->transport);
        business.appFinishLunchSuceess(
            [&, lane](const foundation::Id& reply) {
                if (reply["errcode"].integerValue() == 0 && reply["tag"].stringValue() == "125")
                    ++succeeded;
                else
                    ++failed;
                next(lane);
            },
            [&, lane](const foundation::Ref<foundation::Error>&) {
                ++failed;
                next(lane);
            });
    };
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kParallel; ++i) {
        lanes.push_back(std::make_shared<Lane>());
        next(lanes.back());
    }
    const bool finished = dispatch::RunLoop::runUntil([&] { return succeeded + failed >= kOperations; }, 120);
    const double elapsed = benchsupport::secondsSince(start);
    return finished && failed == 0 ? elapsed : -1;
}

double curlOperations()
{
    auto& b = bench();
    const auto config = b.folder / "operations.cfg";
    if (benchsupport::writeCurlUrlList(config, b.service->baseUrl() + "velaView", kOperations))
        std::ofstream(b.folder / "body.txt") << b.body;
    const std::string options = "--cacert '" + b.service->caCertificatePath().string() + "' --data-binary @'" + (b.folder / "body.txt").string() + "'";
    const std::string command = benchsupport::curlParallelCommand(kParallel, options, config, "> '" + (b.folder / "curl.out").string() + "' 2>&1");
    int rc = 0;
    const double elapsed = benchsupport::timedShell(command, rc);
    // Every reply must be the service's success, or the comparison is void.
    std::ifstream in(b.folder / "curl.out");
    const std::string replies((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t ok = 0;
    for (std::size_t at = replies.find("\"errcode\":0"); at != std::string::npos; at = replies.find("\"errcode\":0", at + 1))
        ++ok;
    return rc == 0 && ok == static_cast<std::size_t>(kOperations) ? elapsed : -1;
}

benchsupport::PairedTimes times;

void signedOperations(benchmark::State& state)
{
    benchsupport::runAlternately(state,
                                 {&ourOperations, &curlOperations, "an operation of ours failed", "a curl request failed",
                                  [] { bench().service->requestLog().clear(); }},
                                 times);
}

} // namespace

BENCHMARK(signedOperations)
    ->Iterations(benchsupport::fullOrQuick(7, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setUpHome();
    if (!startService())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!times.empty())
        std::printf("ratio %.3f signed-ops-1000\n", times.ratio());
    std::fflush(stdout);
    bench().service.reset();
    std::filesystem::remove_all(bench().folder);
    return 0;
}
