// Fits toast messages of 240,000 characters into a toast over a 1366 x 768 window: 60 runs of
// 4,000 characters with no break point inside them, and ordinary words. Fitting is on the main
// thread at every toast, so its cost should follow what the toast can show, not the message: the
// last line printed compares each long message with a one-line one.

#include "Class/UIKit/MLHudAlertWindow.h"
#include "Support/QuickRun.h"
#include "Support/Timing.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

QString longRuns()
{
    QStringList runs;
    for (int i = 0; i < 60; ++i)
        runs << QString(QChar('a' + i % 26)).repeated(4000);
    return runs.join(' ').left(240000);
}

QString longWords()
{
    return QString("the service could not complete the request ").repeated(6000).left(240000);
}

std::map<std::string, std::vector<double>> samples;

void fit(benchmark::State& state, const std::string& name, const QString& message)
{
    QWidget window;
    window.resize(1366, 768);
    auto* toast = new MLHudAlertWindow(&window);
    toast->setMessage(message);
    if (message.size() > 1000 && !toast->messageField()->text().endsWith(QChar(0x2026))) {
        state.SkipWithError("the long message was not cut");
        return;
    }
    toast->setMessage(QString());
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        toast->setMessage(message);
        const double seconds = benchsupport::secondsSince(start);
        samples[name].push_back(seconds * 1000);
        state.SetIterationTime(seconds);
        // A different message next time, so nothing is reused between iterations.
        toast->setMessage(QString());
    }
    state.counters["ms"] = benchsupport::median(samples[name]);
}

void BM_ToastOneLine(benchmark::State& state)
{
    fit(state, "one-line", "网络失败！");
}

void BM_ToastLongRuns(benchmark::State& state)
{
    fit(state, "long-runs", longRuns());
}

void BM_ToastLongWords(benchmark::State& state)
{
    fit(state, "long-words", longWords());
}

BENCHMARK(BM_ToastOneLine)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(benchsupport::fullOrQuick(1.0, 0.05));
BENCHMARK(BM_ToastLongRuns)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(benchsupport::fullOrQuick(2.0, 0.1));
BENCHMARK(BM_ToastLongWords)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(benchsupport::fullOrQuick(2.0, 0.1));

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double oneLine = benchsupport::median(samples["one-line"]);
    const double runs = benchsupport::median(samples["long-runs"]);
    const double words = benchsupport::median(samples["long-words"]);
    if (oneLine <= 0 || runs <= 0 || words <= 0)
        return 1;
    std::fflush(stdout);
    std::printf("one line %.3f ms, 240 KB of runs %.3f ms, 240 KB of words %.3f ms (medians)\n", oneLine,
        runs, words);
    std::printf("ratio %.2f toast-240k-runs-to-one-line\n", runs / oneLine);
    return 0;
}
