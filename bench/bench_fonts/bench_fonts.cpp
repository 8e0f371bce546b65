// Naming font files: the font engine's naming (family, subfamily, PostScript name through the
// name table) against `fc-scan --format "%{family}%{postscriptname}"` on the same 500 files, copies
// of the installed TrueType and OpenType fonts in a temporary folder. fc-scan gets all 500 files
// in one run, so its start-up counts once per round.
// The last line is the ratio ours/fc-scan (lower is better).
#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Support/BenchReporter.h"
#include "Support/QuickRun.h"

#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::size_t kFiles = benchsupport::fullOrQuick<std::size_t>(500, 50);

struct Workload {
    fs::path root;
    std::vector<std::string> files;
};

const Workload& workload()
{
    static const Workload made = [] {
        Workload w;
        char pattern[] = "/tmp/bench_fonts.XXXXXX";
        w.root = ::mkdtemp(pattern);
        std::vector<fs::path> sources;
        for (const auto& entry : fs::recursive_directory_iterator("/usr/share/fonts")) {
            const auto extension = entry.path().extension();
            if (entry.is_regular_file() && (extension == ".ttf" || extension == ".otf"))
                sources.push_back(entry.path());
        }
        std::sort(sources.begin(), sources.end());
        if (sources.empty()) {
            std::fprintf(stderr, "no fonts under /usr/share/fonts\n");
            std::exit(1);
        }
        for (std::size_t i = 0; i < kFiles; ++i) {
            const auto& source = sources[i % sources.size()];
            const auto copy = w.root / (std::to_string(i) + "-" + source.filename().string());
            fs::copy_file(source, copy);
            w.files.push_back(copy.string());
        }
        return w;
    }();
    return made;
}

void nameOurs(benchmark::State& state)
{
    auto core = KXFontsCore::create(KXFontsCore::Environment{});
    std::vector<foundation::Ref<foundation::String>> paths;
    for (const auto& file : workload().files)
        paths.push_back(foundation::String::create(file));
    for (auto _ : state) {
        std::size_t named = 0;
        for (const auto& path : paths) {
            auto record = core->fontBaseInfoByFontPath(path);
            named += record && record->count() >= 4 ? 1 : 0;
        }
        if (named != paths.size())
            state.SkipWithError("a font was not named");
        benchmark::DoNotOptimize(named);
    }
}

void nameFcScan(benchmark::State& state)
{
    std::vector<std::string> arguments = {"fc-scan", "--format", "%{family}%{postscriptname}\n"};
    arguments.insert(arguments.end(), workload().files.begin(), workload().files.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "fc-scan", &actions, nullptr, argv.data(), environ) != 0
            || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("fc-scan failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::printf("workload: %zu font files under %s\n", workload().files.size(), workload().root.c_str());
    const int rounds = benchsupport::fullOrQuick(10, 2);
    benchmark::RegisterBenchmark("name/ours", nameOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(rounds);
    benchmark::RegisterBenchmark("name/fc-scan", nameFcScan)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(rounds);
    benchsupport::BenchReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(workload().root, ignored);

    const std::string suffix = "/iterations:" + std::to_string(rounds) + "/real_time";
    std::printf("ratio %.3f name-500\n", reporter.ratio("name/ours" + suffix, "name/fc-scan" + suffix));
    return 0;
}
