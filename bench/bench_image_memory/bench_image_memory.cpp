// The peak resident size of showing one still PNG of the largest size the decoders take (8192 x
// 8192, 64 megapixels, 256 MiB of pixels) in the animated image view: decoded as a load with the
// view's context decodes it (the animated image class), handed to the view, which asks for frame
// 0 first, then every frame preloaded. Each run is a child process of its own, started while this
// program is still small, whose peak comes from wait4; a child that only starts and writes nothing
// is the baseline.
//
// Prints `peak <MiB> animated-still-64mp-peak-mib` (the load's child, whole process) and
// `peak <MiB> animated-still-64mp-over-baseline-mib`.

#include "Class/ImageViews/ILAnimatedImageView.h"
#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILImageDecoding.h"
#include "Lib/ImageLoading/ILWebDefine.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/URL.h"
#include "Support/ScratchFolder.h"

#include <QApplication>
#include <QImage>
#include <QImageWriter>
#include <cstdio>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

extern char** environ;

namespace {

constexpr int kSide = 8192;

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

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
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
    std::error_code ec;
    fs::remove_all(folder, ec);
    return status;
}
