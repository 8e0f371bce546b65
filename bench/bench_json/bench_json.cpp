// JSON decode and encode of a catalogue-shaped reply: an array of 10,000 font dictionaries with
// about 30 keys each, about 5 MB, generated with a fixed seed.
//   decode: ours (text to Foundation values) against QJsonDocument::fromJson(...).toVariant()
//   encode: ours (Foundation values to compact text) against QJsonDocument::toJson(Compact)
// The last line is the decode ratio (ours/Qt, lower is better).

#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Support/BenchReporter.h"
#include "Support/QuickRun.h"

#include <QJsonDocument>
#include <QVariant>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

using foundation::Id;
using foundation::JSONSerialization;

const int kFonts = benchsupport::fullOrQuick(10000, 1000);

std::string jsonString(const std::string& text)
{
    return "\"" + text + "\"";
}

// One font record as the catalogue service sends it.
void appendFont(std::string& out, int index, std::mt19937& random)
{
    static const char* kFamilies[] = {"Noto Sans", "思源黑体", "DejaVu Serif", "Liberation Mono", "文泉驿微米黑",
        "Free Sans", "Corvane Display", "站酷快乐体"};
    static const char* kStyles[] = {"Regular", "Bold", "Italic", "Light", "Medium", "Black"};
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string family = kFamilies[pick(8)];
    std::string style = kStyles[pick(6)];
    std::string name = family + " " + style;
    std::string file = "font_" + std::to_string(index) + ".ttf";

    out += "{";
    out += "\"fontid\":" + std::to_string(100000 + index);
    out += ",\"name\":" + jsonString(name);
    out += ",\"family\":" + jsonString(family);
    out += ",\"style\":" + jsonString(style);
    out += ",\"ps_name\":" + jsonString("CF" + std::to_string(index) + "-" + style);
    out += ",\"weight\":" + std::to_string(100 * (1 + pick(9)));
    out += ",\"width\":" + std::to_string(1 + pick(9));
    out += ",\"is_free\":" + std::string(pick(2) ? "true" : "false");
    out += ",\"is_vip\":" + std::string(pick(2) ? "true" : "false");
    out += ",\"price\":" + std::to_string(pick(10000) / 100.0).substr(0, 5);
    out += ",\"rating\":" + std::to_string(pick(50) / 10.0).substr(0, 3);
    out += ",\"hits\":" + std::to_string(random() % 10000000);
    out += ",\"size\":" + std::to_string(20000 + random() % 20000000);
    out += ",\"file\":" + jsonString(file);
    out += ",\"url\":" + jsonString("/f/" + std::to_string(index) + "/" + file);
    out += ",\"preview\":" + jsonString("/p/" + std::to_string(index) + ".png");
    out += ",\"language\":" + jsonString(pick(2) ? "zh-Hans" : "en");
    out += ",\"category\":" + std::to_string(pick(40));
    out += ",\"author\":" + jsonString(pick(3) ? "Corvane Type Studio" : "Independent");
    out += ",\"license\":" + jsonString(pick(2) ? "commercial" : "personal");
    out += ",\"version\":" + jsonString("1." + std::to_string(pick(20)));
    out += ",\"created\":" + std::to_string(1500000000 + random() % 200000000);
    out += ",\"updated\":" + std::to_string(1600000000 + random() % 100000000);
    out += ",\"glyphs\":" + std::to_string(200 + pick(30000));
    out += ",\"variable\":" + std::string(pick(5) ? "false" : "true");
    out += ",\"tags\":[\"" + std::string(pick(2) ? "sans" : "serif") + "\",\"" + style + "\",\"" +
        std::to_string(pick(100)) + "\"]";
    out += ",\"desc\":" + jsonString("No. " + std::to_string(index));
    out += ",\"collection\":" + (pick(3) ? std::to_string(pick(500)) : std::string("null"));
    out += ",\"sort\":" + std::to_string(index);
    out += "}";
}

const std::string& catalogue()
{
    static const std::string text = [] {
        std::mt19937 random(20261206);
        std::string out = "[";
        for (int i = 0; i < kFonts; ++i) {
            if (i)
                out += ",";
            appendFont(out, i, random);
        }
        out += "]";
        return out;
    }();
    return text;
}

void decodeOurs(benchmark::State& state)
{
    auto data = foundation::Data::create(catalogue());
    for (auto _ : state) {
        Id result = JSONSerialization::JSONObjectWithData(data, 0);
        if (result.count() != static_cast<std::size_t>(kFonts))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * catalogue().size()));
}

void decodeQt(benchmark::State& state)
{
    QByteArray bytes = QByteArray::fromStdString(catalogue());
    for (auto _ : state) {
        QVariant result = QJsonDocument::fromJson(bytes).toVariant();
        if (result.toList().size() != kFonts)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * catalogue().size()));
}

void encodeOurs(benchmark::State& state)
{
    Id object = JSONSerialization::JSONObjectWithData(foundation::Data::create(catalogue()), 0);
    for (auto _ : state) {
        auto data = JSONSerialization::dataWithJSONObject(object, 0);
        benchmark::DoNotOptimize(data);
    }
}

void encodeQt(benchmark::State& state)
{
    QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(catalogue()));
    for (auto _ : state) {
        QByteArray bytes = document.toJson(QJsonDocument::Compact);
        benchmark::DoNotOptimize(bytes);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::printf("catalogue: %zu bytes, %d fonts\n", catalogue().size(), kFonts);
    benchmark::RegisterBenchmark("json_encode_5MB/ours", encodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("json_encode_5MB/qt", encodeQt)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("json_decode_5MB/ours", decodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("json_decode_5MB/qt", decodeQt)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchsupport::BenchReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("ratio %.3f json-encode-5MB\n", reporter.ratio("json_encode_5MB/ours/real_time", "json_encode_5MB/qt/real_time"));
    std::printf("ratio %.3f json-decode-5MB\n", reporter.ratio("json_decode_5MB/ours/real_time", "json_decode_5MB/qt/real_time"));
    return 0;
}
