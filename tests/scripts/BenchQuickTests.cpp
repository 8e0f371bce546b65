// scripts/bench-quick against stand-in benchmark programs: small shell scripts in a build folder of
// their own, each printing what a benchmark that passes or fails in one way prints.

#include "Support/TempHome.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct ScriptRun {
    int status = -1;
    std::string output;
};

class BenchQuickTest : public ::testing::Test {
protected:
    fs::path build = testsupport::makeScratchDir("bench-quick-build");

    // A stand-in benchmark named `name` whose body is `script` (shell).
    void program(const std::string& name, const std::string& script)
    {
        fs::create_directories(build / "bench");
        const fs::path file = build / "bench" / name;
        std::ofstream(file) << "#!/bin/sh\n" << script << "\n";
        fs::permissions(file, fs::perms::owner_all, fs::perm_options::add);
    }

    // The script run on `names`, its status and everything it printed.
    ScriptRun run(const std::string& names)
    {
        const std::string command = "BUILD_DIR='" + build.string() + "' CORVANE_BENCH_JOBS=2 '"
            + (testsupport::sourceDir() / "scripts/bench-quick").string() + "' " + names + " 2>&1";
        ScriptRun result;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            result.output.append(buffer, read);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }
};

TEST_F(BenchQuickTest, PassesWhenEveryBenchmarkPrintsItsRatioLines)
{
    // A quick run in a home and temporary folder of its own, offscreen: anything else prints nothing.
    program("bench_customtext",
        R"(case "$HOME/$TMPDIR" in "$PWD"/home/"$PWD"/tmp) ;; *) exit 3 ;; esac
[ "$CORVANE_BENCH_QUICK" = 1 ] && [ "$QT_QPA_PLATFORM" = offscreen ] && echo "ratio 1.234 custom-text-visible")");
    // The workload names a pattern: the store's order is named after its sizes. The console
    // reporter's colours run into the line after its table.
    program(
        "bench_store", "printf '\\033[0;32mBM_Order\\033[m\\n\\033[mratio 0.52 order-20x6-open-toggle\\n'");
    // A benchmark not listed needs one ratio line.
    program("bench_new", "echo 'ratio 2e-3 something-new'");
    const ScriptRun result = run("bench_customtext bench_store bench_new");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("    ratio 1.234 custom-text-visible"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("all 3 benchmarks completed"), std::string::npos) << result.output;
}

TEST_F(BenchQuickTest, FailsOnAnErrorAndARatioThatIsNotANumber)
{
    // What a benchmark whose side never completes prints.
    program("bench_customtext",
        "echo \"ERROR OCCURRED: 'our rows did not all show the text'\"\n"
        "echo 'ratio -nan custom-text-visible'\nexit 1");
    const ScriptRun result = run("bench_customtext");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("FAILED: ended with status 1"), std::string::npos) << result.output;
    EXPECT_NE(
        result.output.find("FAILED: ERROR OCCURRED: 'our rows did not all show the text'"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("FAILED: the ratio of custom-text-visible is not a positive number"),
        std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("1 of 1 benchmarks failed: bench_customtext"), std::string::npos)
        << result.output;
}

TEST_F(BenchQuickTest, FailsOnEveryFigureThatIsNotAPositiveNumber)
{
    for (const std::string figure : { "nan", "-nan", "inf", "0.000", "-1.5", "1.2.3", "x" }) {
        program("bench_toast", "echo 'ratio " + figure + " toast-240k-runs-to-one-line'");
        const ScriptRun result = run("bench_toast");
        EXPECT_EQ(result.status, 1) << figure;
        EXPECT_NE(result.output.find("the ratio of toast-240k-runs-to-one-line is not a positive number"),
            std::string::npos)
            << figure << "\n"
            << result.output;
    }
    // No figure at all.
    program("bench_toast", "echo 'ratio toast-240k-runs-to-one-line'");
    const ScriptRun empty = run("bench_toast");
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.output.find("a ratio line without figure or workload"), std::string::npos)
        << empty.output;
}

TEST_F(BenchQuickTest, FailsOnAMissingRatioLineACrashAndAMissingProgram)
{
    // One of its two lines left out, though the program ends well.
    program("bench_queues", "echo 'ratio 1.1 main-queue-hop'");
    // Ends by a signal after printing its line.
    program("bench_layout", "echo 'ratio 0.9 layout-1000'\nkill -SEGV $$");
    // Not listed, and prints no ratio line.
    program("bench_new", "echo 'done'");
    const ScriptRun result = run("bench_queues bench_layout bench_new bench_absent");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("FAILED: no ratio line for serial-async-1M"), std::string::npos)
        << result.output;
    EXPECT_EQ(result.output.find("no ratio line for main-queue-hop"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("FAILED: ended by signal 11"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("FAILED: printed no ratio line"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("FAILED: ended with status 127"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("4 of 4 benchmarks failed"), std::string::npos) << result.output;
}

TEST_F(BenchQuickTest, ABenchmarkThatCannotRunHereSaysWhyAndIsSkipped)
{
    program(
        "bench_bridge", "echo 'bench_bridge: no ratio: the web engine did not load the page within 20 s'");
    const ScriptRun result = run("bench_bridge");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(
        result.output.find("skipped: bench_bridge: no ratio: the web engine did not load"), std::string::npos)
        << result.output;
}

} // namespace
