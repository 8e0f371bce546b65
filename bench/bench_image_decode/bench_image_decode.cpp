// Decoding the sample catalogue's images from memory: the previews in PNG (plain, interlaced, night,
// @2x), JPEG (baseline, progressive), WebP (lossy, lossless) and GIF, the covers and the avatars,
// about 500 files, decoded by ILImageCodersManager (with the WebP coder added; still PNGs pass the
// APNG coder, as the list orders them) against QImageReader on a QBuffer over the same bytes. Every
// round both sides produce frame 0's pixels as a QImage for every file; rounds alternate who goes
// first. The pixels of both sides are compared once before timing. One ratio line per format, then
// `ratio <ours/QImageReader> decode-previews-mixed` last (lower is better).
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/Image.h"
#include "Support/AlternatingRun.h"
#include "Support/BenchService.h"
#include "Support/QuickRun.h"
#include "Support/Timing.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Sample {
    std::string name;
    std::string family; // png, jpeg, webp, gif
    int tolerance; // levels per channel where alpha is 255 (lossy formats)
    foundation::Ref<foundation::Data> data;
    QByteArray bytes; // the same bytes for Qt's reader
};

fs::path filesDir()
{
    return benchsupport::benchResources() / "service-files";
}

// The family and tolerance of a file by its name; an empty family leaves the file out (HEIC, which
// Qt cannot read here).
std::pair<std::string, int> familyOf(const std::string& name)
{
    if (name.ends_with(".png"))
        return { "png", 0 };
    if (name.ends_with(".jpg"))
        return { "jpeg", 2 };
    if (name.ends_with("_lossless.webp"))
        return { "webp", 0 };
    if (name.ends_with(".webp"))
        return { "webp", 2 };
    if (name.ends_with(".gif"))
        return { "gif", 0 };
    return { "", 0 };
}

const std::vector<Sample>& samples()
{
    static const std::vector<Sample> loaded = [] {
        std::vector<Sample> list;
        for (const char* folder : { "previews", "covers", "avatars" }) {
            std::vector<fs::path> paths;
            for (const auto& entry : fs::directory_iterator(filesDir() / folder))
                paths.push_back(entry.path());
            std::sort(paths.begin(), paths.end());
            for (const fs::path& path : paths) {
                const auto [family, tolerance] = familyOf(path.filename().string());
                if (family.empty())
                    continue;
                auto data = foundation::Data::dataWithContentsOfFile(path);
                if (!data)
                    continue;
                QByteArray bytes(
                    reinterpret_cast<const char*>(data->bytes()), static_cast<qsizetype>(data->length()));
                list.push_back({ path.filename().string(), family, tolerance, data, bytes });
            }
        }
        if (list.empty()) {
            std::fprintf(stderr, "no sample images under %s; build corvane_catalogue_resources first\n",
                filesDir().c_str());
            std::exit(1);
        }
        return list;
    }();
    return loaded;
}

QImage oursDecode(const Sample& sample)
{
    const auto image = ILImageCodersManager::sharedManager()->decodedImageWithData(sample.data, nullptr);
    return image ? image->image() : QImage();
}

QImage qtDecode(const Sample& sample)
{
    QByteArray bytes = sample.bytes; // shared, not copied
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.read();
}

// Equal in premultiplied ARGB32: within the tolerance where alpha is 255, within 1 elsewhere.
bool samePixels(const QImage& ours, const QImage& qt, int tolerance)
{
    if (ours.isNull() || qt.isNull() || ours.size() != qt.size())
        return false;
    const QImage a = ours.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = qt.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int allowed = qAlpha(rb[x]) == 255 ? tolerance : std::max(1, tolerance);
            const int worst
                = std::max({ std::abs(qRed(ra[x]) - qRed(rb[x])), std::abs(qGreen(ra[x]) - qGreen(rb[x])),
                    std::abs(qBlue(ra[x]) - qBlue(rb[x])), std::abs(qAlpha(ra[x]) - qAlpha(rb[x])) });
            if (worst > allowed)
                return false;
        }
    }
    return true;
}

void checkPixelsOnce()
{
    int wrong = 0;
    for (const Sample& sample : samples())
        if (!samePixels(oursDecode(sample), qtDecode(sample), sample.tolerance)) {
            std::fprintf(stderr, "pixels differ: %s\n", sample.name.c_str());
            ++wrong;
        }
    if (wrong) {
        std::fprintf(stderr, "%d files decode differently; no figures\n", wrong);
        std::exit(1);
    }
}

// Decodes every sample of `family` ("" for all) with `decode`; the wall time, or -1 when a file
// gave no pixels.
template <class Decode> double decodeAll(const std::string& family, Decode decode)
{
    const auto start = std::chrono::steady_clock::now();
    std::size_t pixels = 0;
    for (const Sample& sample : samples()) {
        if (!family.empty() && sample.family != family)
            continue;
        const QImage image = decode(sample);
        if (image.isNull())
            return -1;
        pixels += static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height());
    }
    benchmark::DoNotOptimize(pixels);
    return benchsupport::secondsSince(start);
}

std::map<std::string, benchsupport::PairedTimes>& times()
{
    static std::map<std::string, benchsupport::PairedTimes> byFamily;
    return byFamily;
}

void decodeFamily(benchmark::State& state, const std::string& family)
{
    benchsupport::runAlternately(state,
        { [&] { return decodeAll(family, oursDecode); }, [&] { return decodeAll(family, qtDecode); },
            "a file did not decode", "Qt's reader failed on a file", {} },
        times()[family], "qt_ms");
}

} // namespace

BENCHMARK_CAPTURE(decodeFamily, png, std::string("png"))
    ->Iterations(benchsupport::fullOrQuick(9, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeFamily, jpeg, std::string("jpeg"))
    ->Iterations(benchsupport::fullOrQuick(9, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeFamily, webp, std::string("webp"))
    ->Iterations(benchsupport::fullOrQuick(9, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeFamily, gif, std::string("gif"))
    ->Iterations(benchsupport::fullOrQuick(9, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeFamily, mixed, std::string())
    ->Iterations(benchsupport::fullOrQuick(9, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Qt's image plugins (WebP) load through the application object.
    QGuiApplication::setAttribute(Qt::AA_PluginApplication);
    int qtArgc = 1;
    char name[] = "bench_image_decode";
    char* qtArgv[] = { name, nullptr };
    qputenv(
        "QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication application(qtArgc, qtArgv);
    ILImageCodersManager::sharedManager()->addCoder(ILImageWebPCoder::sharedCoder());
    std::printf("%zu files\n", samples().size());
    checkPixelsOnce();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* family : { "png", "jpeg", "webp", "gif" })
        if (!times()[family].empty())
            std::printf("ratio %.3f decode-previews-%s\n", times()[family].ratio(), family);
    if (!times()[""].empty())
        std::printf("ratio %.3f decode-previews-mixed\n", times()[""].ratio());
    std::fflush(stdout);
    return 0;
}
