// The drop-down's style page (风格) opened over a 1366 x 768 window when the service sends 24,000
// tags in every class of its vocabulary (240,000 tags, each inside every reply bound), against the
// same click with the sample vocabulary's tags (a few per class). A click is the page made and one
// frame painted. The page should cost what it shows, so the ratio stays near 1.
//
// Before the timing, the peak RSS the 24k page adds to a process at rest is printed (VmHWM reset
// through /proc/self/clear_refs), beside the memory the 240,000 tags hold unopened.
//
// Last line: `ratio <24k click / sample click> filter-tags-24k`.

#include "Class/SearchFilter/KXFilterView.h"
#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/AlternatingRun.h"
#include "Support/Timing.h"
#include "catalogue/TagVocabulary.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

using foundation::Id;

namespace {

constexpr std::size_t kManyTags = 24000;

// [foreign, Chinese] of {class name: KXFilterTagList}, as the home controller hands them
// over; `perClass` tags a class (0: the vocabulary's own), named after the vocabulary's.
foundation::Ref<foundation::MutableArray> filterData(std::size_t perClass)
{
    const auto language = [perClass](const std::vector<catalogue::TagCategory>& vocabulary) {
        auto classes = foundation::MutableArray::create();
        for (const auto& category : vocabulary) {
            auto list = KXFilterTagList::create();
            const std::size_t count = perClass ? perClass : category.tags.size();
            for (std::size_t i = 0; i < count && !category.tags.empty(); ++i) {
                const auto& tag = category.tags[i % category.tags.size()];
                list->append(tag.name, perClass ? tag.id + "-" + std::to_string(i) : tag.id);
            }
            list->shrinkToFit();
            classes->addObject(Id(foundation::Dictionary::create({ { Id(category.className), Id(list) } })));
        }
        return Id(classes);
    };
    return foundation::MutableArray::create(
        { language(catalogue::TagVocabulary::foreign()), language(catalogue::TagVocabulary::chinese()) });
}

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A window with the drop-down over it, as the list opens it.
struct Page {
    explicit Page(foundation::Ref<foundation::MutableArray> data)
    {
        window.resize(1366, 768);
        view = new KXFilterView(&window);
        view->setGeometry(0, 81, 1366, 687);
        view->setDataArray(std::move(data));
        window.show();
        QApplication::processEvents();
    }
    // The click on 风格: the page made, then a frame painted.
    double click()
    {
        const auto start = std::chrono::steady_clock::now();
        view->selectedFilterType(1);
        QApplication::processEvents();
        window.repaint();
        const double seconds = benchsupport::secondsSince(start);
        // The page made before goes outside the timing.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return seconds;
    }
    QWidget window;
    KXFilterView* view = nullptr;
};

std::unique_ptr<Page> many;
std::unique_ptr<Page> sample;
benchsupport::PairedTimes times;

void BM_FilterTags24k(benchmark::State& state)
{
    benchsupport::Contestants sides;
    sides.ours = [] { return many->click(); };
    sides.peer = [] { return sample->click(); };
    benchsupport::runAlternately(state, sides, times, "sample_ms");
}

BENCHMARK(BM_FilterTags24k)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
    benchmark::Initialize(&argc, argv);

    const long bare = statusKilobytes("VmRSS");
    auto data = filterData(kManyTags);
    const long held = statusKilobytes("VmRSS");
    sample = std::make_unique<Page>(filterData(0));
    sample->click();
    many = std::make_unique<Page>(data);
    data.reset();
    const long rest = statusKilobytes("VmRSS");
    resetPeak();
    many->click();
    const long peak = statusKilobytes("VmHWM");
    std::printf(
        "240,000 tags held unopened: +%ld KiB; the 24k page opened: peak +%ld KiB over %ld KiB at rest\n",
        held - bare, peak - rest, rest);

    benchmark::RunSpecifiedBenchmarks();
    if (times.empty())
        return 1;
    std::fflush(stdout);
    std::printf("24k click %.3f ms, sample click %.3f ms (medians)\n",
        benchsupport::median(times.ours) * 1000, benchsupport::median(times.peer) * 1000);
    std::printf("ratio %.3f filter-tags-24k\n", times.ratio());
    std::fflush(stdout);
    // The pages go before the application does.
    many.reset();
    sample.reset();
    return 0;
}
