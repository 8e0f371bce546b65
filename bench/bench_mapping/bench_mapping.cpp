// Dictionaries shaped like catalogue font rows (35 keys) into model objects: the generic mapping
// against a conversion written by hand for the same class, on the same dictionaries, in one run.
#include "Lib/ModelMapping/MMKeyValue.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Runtime/ClassBuilder.h"
#include "Support/QuickRun.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

using foundation::Id;
using foundation::Ref;
using foundation::String;

const int kRows = benchsupport::fullOrQuick(10000, 1000);

// 35 properties: integers, 64-bit integers, BOOLs, doubles and strings, as a font row has.
class Row : public foundation::Object {
public:
    static const foundation::Class* classObject()
    {
        static const foundation::Class* cls = [] {
            runtime::ClassBuilder<Row> builder("BenchFontRow");
            builder.property("fontid", &Row::fontid).property("codeid", &Row::codeid).property("partner_id", &Row::partner_id)
                .property("default_sort", &Row::default_sort).property("font_type", &Row::font_type)
                .property("is_sell", &Row::is_sell).property("is_3d", &Row::is_3d).property("is_vip", &Row::is_vip)
                .property("weight", &Row::weight).property("char_count", &Row::char_count)
                .property("size", &Row::size).property("making_time", &Row::making_time)
                .property("update_time", &Row::update_time).property("downloads", &Row::downloads)
                .property("isFree", &Row::isFree).property("isLocal", &Row::isLocal).property("isCollect", &Row::isCollect)
                .property("isNew", &Row::isNew).property("score", &Row::score).property("price", &Row::price)
                .property("progress", &Row::progress);
            builder.property("fontname", &Row::fontname, {.copy = true}).property("fontname_en", &Row::fontname_en, {.copy = true})
                .property("family", &Row::family, {.copy = true}).property("style", &Row::style, {.copy = true})
                .property("brand", &Row::brand, {.copy = true}).property("tags", &Row::tags, {.copy = true})
                .property("keywords", &Row::keywords, {.copy = true}).property("language", &Row::language, {.copy = true})
                .property("charset", &Row::charset, {.copy = true}).property("downurl", &Row::downurl, {.copy = true})
                .property("preview_day", &Row::preview_day, {.copy = true})
                .property("preview_night", &Row::preview_night, {.copy = true})
                .property("cover", &Row::cover, {.copy = true}).property("md5", &Row::md5, {.copy = true});
            return builder.build();
        }();
        return cls;
    }
    const foundation::Class* isa() const override { return classObject(); }

    int fontid = 0, codeid = 0, partner_id = 0, default_sort = 0, font_type = 0, is_sell = 0, is_3d = 0, is_vip = 0,
        weight = 0, char_count = 0;
    long long size = 0, making_time = 0, update_time = 0;
    unsigned long long downloads = 0;
    bool isFree = false, isLocal = false, isCollect = false, isNew = false;
    double score = 0, price = 0, progress = 0;
    Ref<String> fontname, fontname_en, family, style, brand, tags, keywords, language, charset, downurl, preview_day,
        preview_night, cover, md5;
};

Ref<foundation::Array> makeRows()
{
    std::vector<Id> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        std::vector<foundation::Dictionary::Entry> e;
        auto add = [&](const char* key, Id value) { e.push_back({Id(key), std::move(value), 0}); };
        add("fontid", i); add("codeid", i % 9); add("partner_id", i % 40); add("default_sort", kRows - i);
        add("font_type", i % 3); add("is_sell", i % 2); add("is_3d", 0); add("is_vip", i % 5 == 0);
        add("weight", 400); add("char_count", 6763); add("size", 4'000'000LL + i); add("making_time", 1'600'000'000LL + i);
        add("update_time", 1'700'000'000LL + i); add("downloads", static_cast<unsigned long long>(i) * 13);
        add("isFree", i % 2 == 0); add("isLocal", false); add("isCollect", false); add("isNew", i % 7 == 0);
        add("score", 4.5); add("price", 99.0); add("progress", 0.0);
        add("fontname", "字体" + std::to_string(i)); add("fontname_en", "Font " + std::to_string(i));
        add("family", "Family"); add("style", "Regular"); add("brand", "Brand " + std::to_string(i % 40));
        add("tags", "黑体,标题"); add("keywords", "sans,heading"); add("language", "zh"); add("charset", "GB2312");
        add("downurl", "https://cdn.example/fonts/" + std::to_string(i) + ".zip");
        add("preview_day", "https://img.example/d/" + std::to_string(i) + ".png");
        add("preview_night", "https://img.example/n/" + std::to_string(i) + ".png");
        add("cover", "https://img.example/c/" + std::to_string(i) + ".png"); add("md5", "0123456789abcdef0123456789abcdef");
        rows.emplace_back(foundation::Dictionary::createWithEntries(std::move(e)));
    }
    return foundation::Array::create(std::move(rows));
}

// What a programmer would write for this one class: key by key, with the same conversions.
Ref<Row> convertByHand(const foundation::Dictionary& d)
{
    auto row = std::make_shared<Row>();
    auto integer = [&](const char* key, auto& out) {
        Id v = d.objectForKey(key);
        if (v.is<foundation::Number>() || v.is<String>())
            out = static_cast<std::remove_reference_t<decltype(out)>>(v.integerValue());
    };
    auto real = [&](const char* key, double& out) {
        Id v = d.objectForKey(key);
        if (v.is<foundation::Number>() || v.is<String>())
            out = v.doubleValue();
    };
    auto boolean = [&](const char* key, bool& out) {
        Id v = d.objectForKey(key);
        if (v.is<foundation::Number>() || v.is<String>())
            out = v.boolValue();
    };
    auto text = [&](const char* key, Ref<String>& out) {
        Id v = d.objectForKey(key);
        if (auto s = v.as<String>())
            out = s;
        else if (auto n = v.as<foundation::Number>())
            out = String::create(n->description());
    };
    integer("fontid", row->fontid); integer("codeid", row->codeid); integer("partner_id", row->partner_id);
    integer("default_sort", row->default_sort); integer("font_type", row->font_type); integer("is_sell", row->is_sell);
    integer("is_3d", row->is_3d); integer("is_vip", row->is_vip); integer("weight", row->weight);
    integer("char_count", row->char_count); integer("size", row->size); integer("making_time", row->making_time);
    integer("update_time", row->update_time); integer("downloads", row->downloads);
    boolean("isFree", row->isFree); boolean("isLocal", row->isLocal); boolean("isCollect", row->isCollect);
    boolean("isNew", row->isNew); real("score", row->score); real("price", row->price); real("progress", row->progress);
    text("fontname", row->fontname); text("fontname_en", row->fontname_en); text("family", row->family);
    text("style", row->style); text("brand", row->brand); text("tags", row->tags); text("keywords", row->keywords);
    text("language", row->language); text("charset", row->charset); text("downurl", row->downurl);
    text("preview_day", row->preview_day); text("preview_night", row->preview_night); text("cover", row->cover);
    text("md5", row->md5);
    return row;
}

const Ref<foundation::Array>& rows()
{
    static const Ref<foundation::Array> data = makeRows();
    return data;
}

void BM_Mapping(benchmark::State& state)
{
    for (auto _ : state) {
        auto objects = mm::mm_objectArrayWithKeyValuesArray(Row::classObject(), rows());
        benchmark::DoNotOptimize(objects);
    }
}
BENCHMARK(BM_Mapping)->Unit(benchmark::kMillisecond)->MinTime(benchsupport::fullOrQuick(0.5, 0.05));

void BM_HandWritten(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<Ref<Row>> objects;
        objects.reserve(rows()->count());
        for (const Id& element : *rows())
            if (const auto* d = element.ptr<foundation::Dictionary>())
                objects.push_back(convertByHand(*d));
        benchmark::DoNotOptimize(objects);
    }
}
BENCHMARK(BM_HandWritten)->Unit(benchmark::kMillisecond)->MinTime(benchsupport::fullOrQuick(0.5, 0.05));

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The ratio from the best of several runs of each, measured back to back.
    const int runs = benchsupport::fullOrQuick(7, 2);
    double ours = bestOf(runs,
        [] { benchmark::DoNotOptimize(mm::mm_objectArrayWithKeyValuesArray(Row::classObject(), rows())); });
    double hand = bestOf(runs, [] {
        std::vector<Ref<Row>> objects;
        for (const Id& element : *rows())
            objects.push_back(convertByHand(*element.ptr<foundation::Dictionary>()));
        benchmark::DoNotOptimize(objects);
    });
    std::printf("mapping %.2f ms, hand-written %.2f ms\n", ours * 1e3, hand * 1e3);
    std::printf("ratio %.2f map-10k\n", ours / hand);
    return 0;
}
