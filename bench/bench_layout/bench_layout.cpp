// Lays out a grid of 1,000 widgets (40 rows of 25) described by about 4,000 constraints, then
// resizes the window 100 times; the peer is the same grid in a QGridLayout, in the same run.
// Before timing, both layouts are checked to give identical frames at several window sizes.

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Support/QuickRun.h"
#include "Support/Timing.h"

#include <QApplication>
#include <QGridLayout>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using layoutwidgets::lcView;

namespace {

const int rows = benchsupport::fullOrQuick(40, 10);
constexpr int columns = 25;
const int resizes = benchsupport::fullOrQuick(100, 10);

struct Grid {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    std::vector<QWidget*> cells;

    Grid()
    {
        window->resize(columns * 20, rows * 10);
        cells.reserve(rows * columns);
        for (int i = 0; i < rows * columns; ++i)
            cells.push_back(new QWidget(window.get()));
    }
    QWidget* at(int r, int c) const { return cells[static_cast<std::size_t>(r * columns + c)]; }
};

// Window sizes that divide evenly, so that both layouts agree to the pixel.
QSize sizeForStep(int step)
{
    return QSize(columns * (20 + step % 17), rows * (10 + step % 13));
}

std::size_t constrain(Grid& grid)
{
    std::size_t count = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            auto installed = lc_makeConstraints(lcView(grid.at(r, c)), [&](LCConstraintMaker& make) {
                if (c == 0)
                    make.left().equalTo(0);
                else
                    make.left().equalTo(lc_right(lcView(grid.at(r, c - 1))));
                if (r == 0)
                    make.top().equalTo(0);
                else
                    make.top().equalTo(lc_bottom(lcView(grid.at(r - 1, c))));
                if (c > 0)
                    make.width().equalTo(lcView(grid.at(r, c - 1)));
                if (r > 0)
                    make.height().equalTo(lcView(grid.at(r - 1, c)));
                if (c == columns - 1)
                    make.right().equalTo(0);
                if (r == rows - 1)
                    make.bottom().equalTo(0);
            });
            count += installed.size();
        }
    }
    return count;
}

QGridLayout* arrange(Grid& grid)
{
    auto* layout = new QGridLayout(grid.window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            layout->addWidget(grid.at(r, c), r, c);
    }
    return layout;
}

bool sameFrames()
{
    Grid ours;
    Grid theirs;
    std::size_t constraints = constrain(ours);
    QGridLayout* grid = arrange(theirs);
    auto& windowLayout = layoutwidgets::WindowLayout::of(ours.window.get());
    for (int step = 0; step < 5; ++step) {
        QSize size = sizeForStep(step * 7);
        ours.window->resize(size);
        windowLayout.layout();
        theirs.window->resize(size);
        grid->setGeometry(QRect(QPoint(0, 0), size));
        for (std::size_t i = 0; i < ours.cells.size(); ++i) {
            if (ours.cells[i]->geometry() != theirs.cells[i]->geometry()) {
                QRect a = ours.cells[i]->geometry(), b = theirs.cells[i]->geometry();
                std::fprintf(stderr, "frames differ at cell %zu: ours (%d,%d %dx%d), grid (%d,%d %dx%d)\n", i, a.x(),
                    a.y(), a.width(), a.height(), b.x(), b.y(), b.width(), b.height());
                return false;
            }
        }
    }
    std::fprintf(stderr, "frames agree: %d widgets, %zu constraints\n", rows * columns, constraints);
    return true;
}

// One timed run of each side on fresh widgets; widget creation and destruction are not timed.
double timeAutoLayout()
{
    auto grid = std::make_unique<Grid>();
    auto start = std::chrono::steady_clock::now();
    constrain(*grid);
    auto& windowLayout = layoutwidgets::WindowLayout::of(grid->window.get());
    windowLayout.layout();
    for (int step = 0; step < resizes; ++step) {
        grid->window->resize(sizeForStep(step));
        windowLayout.layout();
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double timeQtLayouts()
{
    auto grid = std::make_unique<Grid>();
    auto start = std::chrono::steady_clock::now();
    QGridLayout* layout = arrange(*grid);
    layout->activate();
    for (int step = 0; step < resizes; ++step) {
        QSize size = sizeForStep(step);
        grid->window->resize(size);
        layout->setGeometry(QRect(QPoint(0, 0), size));
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::vector<double> oursSamples;
std::vector<double> peerSamples;

// Both sides in turn within each iteration, so that both see the same load of the machine;
// each iteration's time is the sum, reported as manual time, and the ratio comes from the
// medians of each side's samples.
void BM_LayoutGridInterleaved(benchmark::State& state)
{
    for (auto _ : state) {
        double ours = timeAutoLayout();
        double peer = timeQtLayouts();
        oursSamples.push_back(ours);
        peerSamples.push_back(peer);
        state.SetIterationTime((ours + peer) / 1000.0);
    }
    state.counters["ours_ms"] = benchsupport::median(oursSamples);
    state.counters["qt_layouts_ms"] = benchsupport::median(peerSamples);
}

BENCHMARK(BM_LayoutGridInterleaved)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(benchsupport::fullOrQuick(4.0, 0.2));

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!sameFrames())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    double ours = benchsupport::median(oursSamples);
    double peer = benchsupport::median(peerSamples);
    if (ours <= 0 || peer <= 0)
        return 1;
    std::fflush(stdout);
    std::printf("ours %.2f ms, qt-layouts %.2f ms (medians of %zu runs each)\n", ours, peer, oursSamples.size());
    std::printf("ratio %.2f layout-1000\n", ours / peer);
    return 0;
}
