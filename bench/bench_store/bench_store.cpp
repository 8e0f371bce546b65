// The order page of the licence store with 200 cart fonts and 6 offers (1,200 font boxes):
// opened to its first frame, then its select-all box switched off and on again.
//
// Ours: KXFontsSaleOrderView in a 1200 x 800 offscreen window, its prices asked of a stub store
// service that answers at once on the main queue (the timed span includes applying each answer);
// the table builds the rows in view only. Each step ends with the window grabbed (QWidget::grab).
// Peer: a QTreeView over a QStandardItemModel of 6 offers with 200 checkable fonts each, expanded,
// in the same window; its toggles set every item's check state off and on. Same grabs. The two
// alternate.
//
// Last line: `ratio <ours/peer> order-200x6-open-toggle`.

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/AlternatingRun.h"
#include "Support/QuickRun.h"
#include "Support/Timing.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

const int kFonts = benchsupport::fullOrQuick(200, 20);
constexpr int kOffers = 6;
constexpr int kWidth = 1200;
constexpr int kHeight = 800;

// Answers every price question at once on the main queue; the other operations never come.
class StubStoreService final : public KXStoreService {
public:
    int prices = 0;

protected:
    void send(Operation operation, const std::string& /*argument*/, Reply reply, Failure /*failure*/) override
    {
        if (operation != Operation::Price)
            return;
        ++prices;
        static const Id answer(foundation::Dictionary::create({ { Id("errcode"), Id(0) },
            { Id("corvane_data"),
                Id(foundation::Dictionary::create(
                    { { Id("price"), Id("226800.00") }, { Id("favorable_price"), Id("11340.00") },
                        { Id("activity_price"), Id("0.00") }, { Id("vip_price"), Id("0.00") } })) } }));
        dispatch::mainQueue().async([reply = std::move(reply)] { reply(answer); });
    }
};

struct Data {
    foundation::Ref<foundation::MutableArray> fonts = foundation::MutableArray::create();
    foundation::Ref<foundation::Array> offers;
    std::vector<QString> fontNames;
    std::vector<QString> offerNames;

    Data()
    {
        for (int i = 0; i < kFonts; ++i) {
            auto font = std::make_shared<KXFontBaseModel>();
            font->fontid = 300000 + i;
            font->fontname = foundation::String::create("示例字体 " + std::to_string(i + 1));
            fonts->addObject(Id(font));
            fontNames.push_back(QString::fromStdString(font->fontname->utf8()));
        }
        std::vector<Id> list;
        for (int o = 0; o < kOffers; ++o) {
            const std::string name = "授权方案 " + std::to_string(o + 1);
            list.push_back(Id(foundation::Dictionary::create(
                { { Id("brand_id"), Id(std::to_string(11 + o)) }, { Id("brand_name"), Id(name) } })));
            offerNames.push_back(QString::fromStdString(name));
        }
        offers = foundation::Array::create(std::move(list));
    }
};

Data& data()
{
    static Data instance;
    return instance;
}

// The window both sides draw in; made and destroyed by main() while the application lives.
QWidget* gWindow = nullptr;

QWidget& window()
{
    return *gWindow;
}

std::shared_ptr<StubStoreService>& stub()
{
    static auto service = std::make_shared<StubStoreService>();
    return service;
}

double ours()
{
    QWidget& host = window();
    const auto start = std::chrono::steady_clock::now();
    auto* page = new KXFontsSaleOrderView(&host);
    lc_makeConstraints(lcView(page), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    page->show();
    page->setBuyCartFonts(data().fonts);
    page->setDataA(data().offers);
    layoutwidgets::WindowLayout::of(&host).layoutIfNeeded();
    dispatch::RunLoop::drain();
    (void)host.grab();

    page->allSelectBtn()->setState(0);
    page->allSelectedBtnClick();
    dispatch::RunLoop::drain();
    (void)host.grab();

    page->allSelectBtn()->setState(1);
    page->allSelectedBtnClick();
    dispatch::RunLoop::drain();
    (void)host.grab();
    const double seconds = benchsupport::secondsSince(start);

    const bool ok = page->countPriceLabel()->text() == QStringLiteral("合计：￥226800.00")
        && page->selection().allFontsA().size() == static_cast<std::size_t>(kFonts * kOffers);
    delete page;
    return ok ? seconds : -1;
}

double peer()
{
    QWidget& host = window();
    const auto start = std::chrono::steady_clock::now();
    auto* model = new QStandardItemModel();
    for (int o = 0; o < kOffers; ++o) {
        auto* offer = new QStandardItem(data().offerNames[static_cast<std::size_t>(o)]);
        for (int f = 0; f < kFonts; ++f) {
            auto* font = new QStandardItem(data().fontNames[static_cast<std::size_t>(f)]);
            font->setCheckable(true);
            font->setCheckState(Qt::Checked);
            offer->appendRow(font);
        }
        model->appendRow(offer);
    }
    auto* view = new QTreeView(&host);
    view->setModel(model);
    view->setGeometry(host.rect());
    view->expandAll();
    view->show();
    (void)host.grab();

    auto setAll = [&](Qt::CheckState state) {
        for (int o = 0; o < kOffers; ++o) {
            QStandardItem* offer = model->item(o);
            for (int f = 0; f < kFonts; ++f)
                offer->child(f)->setCheckState(state);
        }
    };
    setAll(Qt::Unchecked);
    (void)host.grab();
    setAll(Qt::Checked);
    (void)host.grab();
    const double seconds = benchsupport::secondsSince(start);

    const bool ok = model->item(kOffers - 1)->child(kFonts - 1)->checkState() == Qt::Checked;
    delete view;
    delete model;
    return ok ? seconds : -1;
}

benchsupport::PairedTimes gOrder;

void BM_OrderOpenToggle(benchmark::State& state)
{
    benchsupport::runAlternately(
        state, { ours, peer, "the order page failed", "the tree view failed", {} }, gOrder, "peer_ms");
}
BENCHMARK(BM_OrderOpenToggle)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(15, 1));

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    auto host = std::make_unique<QWidget>();
    host->resize(kWidth, kHeight);
    host->show();
    gWindow = host.get();
    auto previous = KXStoreService::install(stub());
    // One warm-up of each side: fonts, images and the solver's first allocations are not timed.
    if (ours() < 0 || peer() < 0) {
        std::fprintf(stderr, "warm-up failed\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    KXStoreService::install(previous);
    gWindow = nullptr;
    host.reset();
    dispatch::RunLoop::drain();
    std::printf("ratio %.3f order-%dx%d-open-toggle\n", gOrder.ratio(), kFonts, kOffers);
    std::fflush(stdout);
    return 0;
}
