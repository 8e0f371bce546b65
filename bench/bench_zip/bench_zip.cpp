// Unpacking and creating zip archives: ZipArchive against the command-line zip and unzip, on
// archives generated here in a temporary folder: 20,000 small files, and one 512 MiB compressible
// file. Unpacking reads the same archives (made by zip) with both; creating uses the same level.
// The last line is the unpack ratio (ours/unzip, lower is better).
#include "Lib/ZipArchive/ZipArchive.h"
#include "Support/BenchReporter.h"
#include "Support/QuickRun.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

const int kSmallFiles = benchsupport::fullOrQuick(20000, 500);
const std::uint64_t kLargeBytes = benchsupport::fullOrQuick<std::uint64_t>(512, 16) * 1024 * 1024;
// Rounds of the small files and of the large file.
const int kSmallRounds = benchsupport::fullOrQuick(3, 1);
const int kLargeRounds = benchsupport::fullOrQuick(2, 1);
constexpr int kLevel = 6; // zip's default, given to both sides

struct Workload {
    fs::path root;
    fs::path smallSource;
    fs::path largeSource;
    fs::path smallArchive;
    fs::path largeArchive;
};

int shell(const std::string& command)
{
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// zip storing what `source` holds (not the folder itself) in `archive`, at kLevel.
std::string zipCommand(const fs::path& source, const fs::path& archive)
{
    return "cd " + quoted(source) + " && zip -r -q -" + std::to_string(kLevel) + " " + quoted(archive) + " .";
}

// Text that compresses the way font metadata and sources do: words from a small vocabulary.
std::string compressibleText(std::mt19937& random, std::size_t length)
{
    static const char* kWords[] = {"glyph ", "kerning ", "family ", "weight ", "Regular ", "Bold ", "italic ",
                                   "ascender ", "descender ", "outline ", "hinting ", "0x2F3A ", "unicode ", "\n"};
    std::string text;
    text.reserve(length + 16);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
    while (text.size() < length)
        text += kWords[pick(random)];
    text.resize(length);
    return text;
}

const Workload& workload()
{
    static const Workload made = [] {
        Workload w;
        char pattern[] = "/tmp/bench_zip.XXXXXX";
        w.root = ::mkdtemp(pattern);
        w.smallSource = w.root / "small";
        w.largeSource = w.root / "large";
        std::mt19937 random(20261206);
        std::uniform_int_distribution<std::size_t> size(200, 4000);
        for (int i = 0; i < kSmallFiles; ++i) {
            fs::path folder = w.smallSource / ("family" + std::to_string(i / 200));
            if (i % 200 == 0)
                fs::create_directories(folder);
            std::ofstream(folder / ("font" + std::to_string(i) + ".txt"), std::ios::binary)
                << compressibleText(random, size(random));
        }
        fs::create_directories(w.largeSource);
        {
            std::ofstream out(w.largeSource / "catalogue.bin", std::ios::binary);
            std::string block = compressibleText(random, 1 << 20);
            for (std::uint64_t written = 0; written < kLargeBytes; written += block.size()) {
                block[written % block.size()] = static_cast<char>('A' + (written >> 20) % 26); // blocks differ
                out << block;
            }
        }
        w.smallArchive = w.root / "small.zip";
        w.largeArchive = w.root / "large.zip";
        if (shell(zipCommand(w.smallSource, w.smallArchive)) != 0 || shell(zipCommand(w.largeSource, w.largeArchive)) != 0) {
            std::fprintf(stderr, "zip failed; is it installed?\n");
            std::exit(1);
        }
        return w;
    }();
    return made;
}

void cleanUp()
{
    std::error_code ignored;
    fs::remove_all(workload().root, ignored);
}

const fs::path& archiveFor(bool large)
{
    return large ? workload().largeArchive : workload().smallArchive;
}

const fs::path& sourceFor(bool large)
{
    return large ? workload().largeSource : workload().smallSource;
}

// Runs `once` every round, after removing `output` outside the timing; a failed round ends the run.
template <typename Once>
void rounds(benchmark::State& state, const fs::path& output, Once once, const char* failure)
{
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(output);
        state.ResumeTiming();
        if (!once())
            state.SkipWithError(failure);
    }
    fs::remove_all(output);
}

void unpackOurs(benchmark::State& state, bool large)
{
    const fs::path out = workload().root / "out-ours";
    rounds(state, out, [&] { return ZipArchive::unzipFileAtPath(archiveFor(large), out); }, "unpacking failed");
}

void unpackUnzip(benchmark::State& state, bool large)
{
    const fs::path out = workload().root / "out-unzip";
    rounds(state, out, [&] { return shell("unzip -q -o " + quoted(archiveFor(large)) + " -d " + quoted(out)) == 0; },
           "unzip failed");
}

void createOurs(benchmark::State& state, bool large)
{
    const fs::path archive = workload().root / "ours.zip";
    rounds(state, archive,
           [&] { return ZipArchive::createZipFileAtPath(archive, sourceFor(large), false, kLevel, "", false, {}); },
           "creating failed");
}

// The archive is removed before every round, or zip would update the archive of the previous one.
void createZip(benchmark::State& state, bool large)
{
    const fs::path archive = workload().root / "theirs.zip";
    const std::string command = zipCommand(sourceFor(large), archive);
    rounds(state, archive, [&] { return shell(command) == 0; }, "zip failed");
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    workload();
    std::printf("workload: %d small files (archive %ju bytes), one %ju-byte file (archive %ju bytes), level %d\n",
                kSmallFiles, static_cast<std::uintmax_t>(fs::file_size(workload().smallArchive)),
                static_cast<std::uintmax_t>(kLargeBytes),
                static_cast<std::uintmax_t>(fs::file_size(workload().largeArchive)), kLevel);
    struct Case {
        const char* name;
        void (*function)(benchmark::State&, bool);
    };
    const Case cases[] = {{"unpack/ours", unpackOurs}, {"unpack/unzip", unpackUnzip}, {"create/ours", createOurs},
                          {"create/zip", createZip}};
    for (const Case& c : cases) {
        for (bool large : {false, true}) {
            std::string name = std::string(c.name) + (large ? "/large_512MiB" : "/small_20000");
            auto function = c.function;
            benchmark::RegisterBenchmark(
                name.c_str(), [function, large](benchmark::State& s) { function(s, large); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(large ? kLargeRounds : kSmallRounds);
        }
    }
    benchsupport::BenchReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    cleanUp();

    auto total = [&reporter](const std::string& prefix) {
        return reporter.time(
                   prefix + "/small_20000/iterations:" + std::to_string(kSmallRounds) + "/real_time")
            + reporter.time(
                prefix + "/large_512MiB/iterations:" + std::to_string(kLargeRounds) + "/real_time");
    };
    auto ratio = [&](const char* ours, const char* peer) { return total(peer) > 0 ? total(ours) / total(peer) : 0.0; };
    std::printf("ratio %.3f create (20000 small files + one 512 MiB file, level %d, ours/zip -r -q)\n",
                ratio("create/ours", "create/zip"), kLevel);
    std::printf("ratio %.3f unpack (20000 small files + one 512 MiB file, ours/unzip -q -o)\n",
                ratio("unpack/ours", "unpack/unzip"));
    return 0;
}
