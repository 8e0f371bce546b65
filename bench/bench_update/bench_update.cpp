// The updater's work against the curl command-line tool and sha256sum, in the same run: a 256 MiB
// package made at bench time, served over HTTPS on loopback (a test CA of the bench's own), is
// downloaded through the transport's download queue (KXHTTPREQUEST, as the updater window does)
// and checked for its size and SHA-256 (KXUpdateDownload::verify); the peer runs
// `curl -o` then `sha256sum` on the same URL. Each side's file is deleted after its round.
// Prints `ratio <ours/peer> update-256MiB-download-verify` as the last line.

#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Class/Update/Core/KXUpdateDownload.h"
#include "Platform/Crypto/Digest.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include "Support/AlternatingRun.h"
#include "Support/CurlCommand.h"
#include "Support/LoopbackTlsServer.h"
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
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::size_t kPackageBytes = benchsupport::fullOrQuick<std::size_t>(256, 16) << 20;
constexpr const char* kPackageName = "corvane-fonts_9.9.1_amd64.deb";

struct Bench {
    fs::path folder;
    fs::path package;
    std::string sha256;
    std::unique_ptr<benchsupport::LoopbackTlsServer> server;
    std::string url;
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

// A private home, so the download folder of the transport is the bench's own.
void setUpHome()
{
    auto& b = bench();
    b.folder = benchsupport::makeScratchFolder("bench_update");
    benchsupport::usePrivateHome(b.folder);
}

// Bytes that do not compress, so that nothing on the way can make them cheaper than they are.
bool makePackage()
{
    auto& b = bench();
    b.package = b.folder / "served" / kPackageName;
    fs::create_directories(b.package.parent_path());
    std::ofstream out(b.package, std::ios::binary);
    std::mt19937_64 random(20261207);
    std::vector<std::uint64_t> block((std::size_t(1) << 20) / sizeof(std::uint64_t));
    for (std::size_t written = 0; written < kPackageBytes; written += block.size() * sizeof(std::uint64_t)) {
        for (auto& word : block)
            word = random();
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * sizeof(std::uint64_t)));
    }
    out.close();
    const auto digest = crypto::fileSHA256Hex(b.package);
    if (!out || !digest)
        return false;
    b.sha256 = *digest;
    return true;
}

bool startServer()
{
    auto& b = bench();
    b.server = std::make_unique<benchsupport::LoopbackTlsServer>(b.folder / "tls");
    if (!b.server->isValid())
        return false;
    b.server->serveFile(std::string("/update/") + kPackageName, b.package);
    b.server->start();
    b.url = b.server->url(std::string("/update/") + kPackageName);
    setenv("SSL_CERT_FILE", b.server->caCertificate().c_str(), 1);
    return true;
}

double ourDownload()
{
    auto& b = bench();
    auto transport = KXHTTPREQUEST::create();
    bool done = false;
    bool verified = false;
    fs::path saved;
    const auto start = std::chrono::steady_clock::now();
    transport->downloadWithUrl(
        b.url, [](float) {},
        [&](const foundation::Ref<foundation::Dictionary>& result) {
            saved = foundation::Id(result)["path"].stringValue();
            verified = KXUpdateDownload::verify(saved, static_cast<long long>(kPackageBytes), b.sha256) == KXUpdateDownload::Verdict::Verified;
            done = true;
        },
        [&](const foundation::Ref<foundation::Dictionary>&) { done = true; });
    const bool finished = dispatch::RunLoop::runUntil([&] { return done; }, 300);
    const double elapsed = benchsupport::secondsSince(start);
    std::error_code ignored;
    if (!saved.empty())
        fs::remove(saved, ignored);
    return finished && verified ? elapsed : -1;
}

double curlDownload()
{
    auto& b = bench();
    const fs::path saved = b.folder / "curl" / kPackageName;
    fs::create_directories(saved.parent_path());
    const std::string command = "curl -s -f --cacert '" + b.server->caCertificate().string() + "' -o '" + saved.string() + "' '" + b.url +
                                "' && sha256sum '" + saved.string() + "' > '" + (b.folder / "curl.sum").string() + "'";
    int status = 0;
    const double elapsed = benchsupport::timedShell(command, status);
    std::ifstream sum(b.folder / "curl.sum");
    std::string digest;
    sum >> digest;
    std::error_code ignored;
    fs::remove(saved, ignored);
    return status == 0 && digest == b.sha256 ? elapsed : -1;
}

benchsupport::PairedTimes times;

void downloadAndVerify(benchmark::State& state)
{
    benchsupport::runAlternately(state, {&ourDownload, &curlDownload, "our download or check failed", "curl or sha256sum failed", nullptr}, times);
}

} // namespace

BENCHMARK(downloadAndVerify)
    ->Iterations(benchsupport::fullOrQuick(6, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setUpHome();
    if (!makePackage() || !startServer()) {
        std::fprintf(stderr, "bench_update: could not make the package or start the server\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!times.empty())
        std::printf("ratio %.3f update-256MiB-download-verify\n", times.ratio());
    std::fflush(stdout);
    bench().server.reset();
    fs::remove_all(bench().folder);
    return 0;
}
