// The peak resident size of showing one still PNG of the largest size the decoders take (8192 x
// 8192, 64 megapixels, 256 MiB of pixels) in the animated image view: decoded as a load with the
// view's context decodes it (the animated image class), handed to the view, which asks for frame
// 0 first, then every frame preloaded. Each run is a child process of its own, started while this
// program is still small, whose peak comes from wait4; a child that only starts and writes nothing
// is the baseline.
//
// Prints `peak <MiB> animated-still-64mp-peak-mib` (the load's child, whole process) and
// `peak <MiB> animated-still-64mp-over-baseline-mib`.
//
// Then the rows' previews: a child set up as the client sets up its image loading (the process's
// memory policy, the image cache's limits) shows 40 rows of the font list through the preview loads
// of a table (its rows 1100 x 83 points), each preview a distinct address on a loopback HTTP server,
// and reports its resident size once every preview is in. Once with the sample catalogue's
// previews (the peer), once with a PNG of 8000 x 8000 for every row (ours), in a HOME of its own
// each. Prints `ratio <8000 px / sample> preview-8k-rss`, at most 1.2 when a huge preview costs
// what the screen shows.

#include "Class/FontList/KXPreviewImageSource.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/FontList/KXWebPreviewSource.h"
#include "Class/ImageViews/ILAnimatedImageView.h"
#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Lib/ImageLoading/ILImageDecoding.h"
#include "Lib/ImageLoading/ILMemoryCache.h"
#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Lib/ImageLoading/ILWebDefine.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"
#include "Support/BenchService.h"
#include "Support/LoopbackServer.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"

#include <QApplication>
#include <QImage>
#include <QImageWriter>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <png.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

extern char** environ;

namespace {

const int kSide = benchsupport::fullOrQuick(8192, 2048);

// A smooth gradient: a real image whose file stays small (a few megabytes), so that the peak is
// the pixels' and not the encoded data's.
int writeImage(const std::string& path)
{
    QImage image(kSide, kSide, QImage::Format_RGB32);
    for (int y = 0; y < kSide; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kSide; ++x)
            line[x] = qRgb(x >> 5, y >> 5, (x + y) >> 6);
    }
    QImageWriter writer(QString::fromStdString(path), "png");
    return writer.write(image) ? 0 : 1;
}

int showImage(const std::string& path)
{
    const auto data = foundation::Data::dataWithContentsOfFile(path);
    if (!data)
        return 1;
    const ILContext context
        = foundation::Dictionary::create({ { Id(std::string(ILWebContextAnimatedImageClass)),
            Id(foundation::ClassValue::create(ILAnimatedImage::classObject())) } });
    const auto image = ILDecodeDownloadedData(data, foundation::URL::fileURLWithPath(path), 0, context);
    auto* animated = dynamic_cast<ILAnimatedImage*>(image.get());
    if (!animated || image->size().width() != kSide)
        return 1;
    ILAnimatedImageView view;
    view.setImage(image);
    animated->preloadAllFrames();
    return animated->animatedImageFrameAtIndex(0) ? 0 : 1;
}

const int kRows = benchsupport::fullOrQuick(40, 10);
const int kPreviewSide = benchsupport::fullOrQuick(8000, 2000);

// An 8000 x 8000 PNG of a soft gradient, written a row at a time: some hundreds of kilobytes.
std::string hugePreview()
{
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &bytes,
        [](png_structp writer, png_bytep data, png_size_t length) {
            static_cast<std::string*>(png_get_io_ptr(writer))
                ->append(reinterpret_cast<const char*>(data), length);
        },
        nullptr);
    png_set_IHDR(png, info, kPreviewSide, kPreviewSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(std::size_t(kPreviewSide) * 3);
    for (int y = 0; y < kPreviewSide; ++y) {
        for (int x = 0; x < kPreviewSide; ++x) {
            row[std::size_t(x) * 3] = png_byte(x >> 5);
            row[std::size_t(x) * 3 + 1] = png_byte(y >> 5);
            row[std::size_t(x) * 3 + 2] = png_byte((x + y) >> 6);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// The first kRows day previews of the sample catalogue.
std::vector<std::string> samplePreviews()
{
    std::set<fs::path> paths;
    for (const auto& entry :
        fs::directory_iterator(benchsupport::benchResources() / "service-files" / "previews")) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 8 && name.ends_with("_day.png"))
            paths.insert(entry.path());
    }
    std::vector<std::string> previews;
    for (const auto& path : paths) {
        if (previews.size() == std::size_t(kRows))
            break;
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        previews.push_back(bytes.str());
    }
    return previews;
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// The child of one run: the rows' previews from `base` + "0.png" ... , then its resident size into
// `result`.
int showRows(const std::string& base, const std::string& result)
{
    auto config = ILImageCache::sharedImageCache()->config();
    config->setMaxDiskSize(1073741824);
    config->setMaxMemoryCost(ILMemoryCache::defaultCostLimit());
    config->setMaxMemoryCount(20480);
    config->setShouldUseWeakMemoryCache(true);
    KXPreviewImageSource::install(std::make_shared<KXWebPreviewSource>());
    const auto loads = KXPreviewLoads::create(nullptr);
    const KXPreviewBox box = KXPreviewBox::of(QSizeF(1100, 83), 1);
    std::vector<std::string> urls;
    for (int i = 0; i < kRows; ++i)
        urls.push_back(base + std::to_string(i) + ".png");
    std::vector<foundation::Ref<graphics::Image>> shown(urls.size());
    // Every row asks as it paints, and again at each repaint until its preview is whole.
    const auto allShown = [&] {
        std::size_t whole = 0;
        for (std::size_t i = 0; i < urls.size(); ++i) {
            shown[i] = loads->imageForURL(urls[i], box);
            whole += shown[i] ? 1 : 0;
        }
        return whole == urls.size() && loads->loadsInFlight() == 0;
    };
    if (!dispatch::RunLoop::runUntil(allShown, 600))
        return 1;
    ILReturnFreeMemory();
    std::ofstream(result) << residentKiB();
    return 0;
}

// Runs this program with `arguments`; its peak in KiB, -1 when it failed.
long runChild(const std::vector<std::string>& arguments)
{
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> all = { self };
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

// The rows with the sample's previews, then with 8000 x 8000 ones; prints the ratio of their sizes.
int comparePreviewRows(const fs::path& folder)
{
    const std::vector<std::string> samples = samplePreviews();
    if (samples.size() != std::size_t(kRows)) {
        std::fprintf(stderr, "the sample catalogue has fewer than %d previews\n", kRows);
        return 1;
    }
    const std::string huge = hugePreview();
    benchsupport::LoopbackServer server(8);
    server.server().Get(
        R"(/(sample|huge)/(\d+)\.png)", [&](const httplib::Request& request, httplib::Response& response) {
            const std::size_t index = std::stoul(request.matches[2]) % samples.size();
            response.set_content(request.matches[1] == "huge" ? huge : samples[index], "image/png");
        });
    server.start();
    const auto run = [&](const std::string& kind) -> long {
        const std::string result = (folder / (kind + ".rss")).string();
        // A child that ends abnormally is run again, at most twice, and said: its exit is a known
        // fault still open (a queued disk write of the image cache meeting the process's exit).
        int tries = 0;
        while (runChild({ "--rows", (folder / ("home-" + kind)).string() + std::to_string(tries),
                   server.url("/" + kind + "/"), result })
            < 0) {
            std::fprintf(stderr, "a %s preview child ended abnormally\n", kind.c_str());
            if (++tries == 3)
                return -1;
        }
        std::ifstream in(result);
        long kib = -1;
        in >> kib;
        return kib;
    };
    const long sample = run("sample");
    const long ours = run("huge");
    server.stop();
    if (sample <= 0 || ours <= 0) {
        std::fprintf(stderr, "a preview child failed\n");
        return 1;
    }
    std::fprintf(stderr,
        "resident after %d rows: sample previews %ld KiB, 8000 x 8000 previews %ld KiB (%zu bytes each)\n",
        kRows, sample, ours, huge.size());
    std::printf("ratio %.2f preview-8k-rss\n", double(ours) / double(sample));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && std::string(argv[1]) == "--rows") {
        benchsupport::usePrivateHome(argv[2]);
        ILApplyProcessMemoryPolicy();
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        const int status = showRows(argv[3], argv[4]);
        // Its figure is written. The image cache may still have disk writes queued on its own
        // thread; ending without the exit handlers keeps them from meeting state those handlers
        // tear down (the hashing library's locks).
        std::fflush(nullptr);
        std::_Exit(status);
    }
    if (argc == 3) {
        const std::string mode = argv[1];
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        if (mode == "--write")
            return writeImage(argv[2]);
        if (mode == "--show")
            return showImage(argv[2]);
        if (mode == "--baseline")
            return 0;
        return 2;
    }
    const fs::path folder = benchsupport::makeScratchFolder("bench-image-memory");
    const std::string file = (folder / "still-64mp.png").string();
    int status = 0;
    if (runChild({ "--write", file }) < 0) {
        std::fprintf(stderr, "cannot write the image\n");
        status = 1;
    } else {
        const long baseline = runChild({ "--baseline", file });
        const long peak = runChild({ "--show", file });
        if (baseline < 0 || peak < 0) {
            std::fprintf(stderr, "a child failed\n");
            status = 1;
        } else {
            std::fprintf(stderr, "peak RSS: baseline %ld KiB, showing the image %ld KiB\n", baseline, peak);
            std::printf("peak %.1f animated-still-64mp-peak-mib\n", static_cast<double>(peak) / 1024);
            std::printf("peak %.1f animated-still-64mp-over-baseline-mib\n",
                static_cast<double>(peak - baseline) / 1024);
        }
    }
    if (status == 0)
        status = comparePreviewRows(folder);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return status;
}
