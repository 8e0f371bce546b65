// The client's start to its first picture of the catalogue, against the plainest Qt Widgets
// program that shows the same rows, on a 100,000-row catalogue and an in-process local service.
//
// Ours: the real client offscreen, timed from its own milestones: (splash painted - event loop
// started) + (main window painted with its rows - hand-over), i.e. its start less the splash's
// fixed four seconds. The peer (bench_startup_peer): the same statement over the same catalogue
// with sqlite3 into a string-list model shown by a QListView in a QMainWindow, from its event
// loop's start to its first paint. Both run warm (one untimed start each first, in one home),
// alternately, seven rounds; the medians give the ratio.
// Prints `ratio <ours/peer> startup-first-paint-100k` as the last line.

#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"

#include "app/ClientProcess.h"
#include "local-service/LocalService.h"

#include "Support/AlternatingRun.h"
#include "Support/BenchReporter.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const kRows = benchsupport::fullOrQuick<const char*>("100000", "2000");
constexpr double kSplashSeconds = 4.0;

struct Bench {
    fs::path folder;
    fs::path resources;
    fs::path home;
    fs::path binaries; // build/bench
    std::unique_ptr<localservice::LocalService> service;
    std::string statement;
    benchsupport::PairedTimes times;
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

double seconds(const e2e::ClientProcess::Milestone& from, const e2e::ClientProcess::Milestone& to)
{
    return static_cast<double>(to.microseconds - from.microseconds) / 1e6;
}

bool prepare()
{
    auto& b = bench();
    b.folder = benchsupport::makeScratchFolder("bench_startup");
    benchsupport::usePrivateHome(b.folder / "bench-home");
    b.binaries = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path build = b.binaries.parent_path();
    b.resources = b.folder / "resources";
    b.home = b.folder / "home";
    fs::create_directories(b.home);
    if (e2e::runToEnd({(build / "tools/catalogue/corvane-catalogue").string(), "--out", b.resources.string(), "--rows", kRows,
                       "--no-assets"}, {}) != 0)
        return false;
    fs::copy_file(build / "resources/config.plist", b.resources / "config.plist");

    localservice::ServiceOptions options;
    options.stateDir = b.folder / "service";
    options.resourcesDir = b.resources;
    options.quiet = true;
    b.service = std::make_unique<localservice::LocalService>(options);
    std::string error;
    if (!b.service->start(&error)) {
        std::fprintf(stderr, "local service: %s\n", error.c_str());
        return false;
    }
    // The cloud list's statement as a fresh client runs it: the Chinese catalogue in its default
    // order (no settings stored in the bench's home).
    KXCatalogueStatement statement = KXCatalogueStatement::catalogueBase();
    statement.append(KXCatalogueStatement::kDefaultOrder);
    if (!statement.arguments().empty())
        return false;
    b.statement = statement.sql();
    return true;
}

// One start of the client to its rows, in seconds; -1 on failure.
double startClient()
{
    auto& b = bench();
    e2e::ClientProcess client(b.binaries.parent_path() / "src/app/corvane-fonts", b.home,
                              {{"CORVANE_API_BASE_URL", b.service->baseUrl()},
                               {"SSL_CERT_FILE", b.service->caCertificatePath().string()},
                               {"CORVANE_RESOURCE_DIR", b.resources.string()}},
                              {}, true);
    const auto exec = client.waitFor("exec");
    const auto splash = client.waitFor("splash-painted");
    const auto handover = client.waitFor("handover");
    const auto rows = client.waitFor("main-window-rows", std::chrono::seconds(120));
    client.signal(SIGTERM);
    const auto status = client.wait(std::chrono::seconds(30));
    if (!exec || !splash || !handover || !rows || status != 0)
        return -1;
    const double total = seconds(*exec, *splash) + seconds(*handover, *rows);
    std::fprintf(stderr, "client: %.0f ms to the splash, %.0f ms from the hand-over to the rows\n",
                 seconds(*exec, *splash) * 1000, seconds(*handover, *rows) * 1000);
    // The hand-over comes four seconds after the splash appeared; what the bench times is the rest.
    if (seconds(*splash, *handover) < kSplashSeconds - 0.05)
        return -1;
    return total;
}

// One start of the peer to its first paint, in seconds; -1 on failure.
double startPeer()
{
    auto& b = bench();
    e2e::ClientProcess peer(b.binaries / "bench_startup_peer", b.home, {},
                            {(b.resources / "fonts.sqlite").string(), b.statement}, true);
    const auto exec = peer.waitFor("exec");
    const auto painted = peer.waitFor("first-paint", std::chrono::seconds(120));
    const auto status = peer.wait(std::chrono::seconds(30));
    if (!exec || !painted || status != 0)
        return -1;
    std::fprintf(stderr, "peer: %.0f ms to its first paint\n", seconds(*exec, *painted) * 1000);
    return seconds(*exec, *painted);
}

void BM_StartupFirstPaint(benchmark::State& state)
{
    benchsupport::Contestants sides;
    sides.ours = startClient;
    sides.peer = startPeer;
    sides.oursFailed = "the client did not reach its rows";
    sides.peerFailed = "the peer did not paint";
    benchsupport::runAlternately(state, sides, bench().times, "peer_ms");
}
BENCHMARK(BM_StartupFirstPaint)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(7, 1));

} // namespace

int main(int argc, char** argv)
{
    if (!prepare()) {
        std::fprintf(stderr, "bench_startup: could not prepare the catalogue and the service\n");
        return 1;
    }
    // Warm: each side starts once untimed (the client copies its catalogue and fills its caches). A
    // quick run times its one round cold: each client start takes the splash's four seconds.
    if (!benchsupport::quickRun() && (startClient() < 0 || startPeer() < 0)) {
        std::fprintf(stderr, "bench_startup: the untimed first starts failed\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchsupport::BenchReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    bench().service.reset();
    std::error_code ignored;
    fs::remove_all(bench().folder, ignored);
    std::printf("ratio %.3f startup-first-paint-100k\n", bench().times.empty() ? 0.0 : bench().times.ratio());
    return 0;
}
