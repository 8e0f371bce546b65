// appshell_render: the build's renderer of the shell's artwork.
//   appshell_render gif <out.gif> <animation.svg>   every frame of an SVG animation (at twice its
//                                                    size, 20 frames a second), as a looping GIF
//                                                    whose frames after the first hold only what
//                                                    changed
//   appshell_render png <out.png> <icon.svg> <size>  a square PNG of the icon
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace {

constexpr int kFramesPerSecond = 20; // a whole number of hundredths a frame, as GIF counts
constexpr int kScale = 2;

// Median cut over the colours of all frames, so that every frame shares one palette.
class Palette {
public:
    explicit Palette(const std::vector<QImage>& frames)
    {
        std::map<QRgb, long> histogram;
        for (const QImage& frame : frames) {
            for (int y = 0; y < frame.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
                for (int x = 0; x < frame.width(); ++x)
                    ++histogram[line[x] & 0xfffcfcfc]; // 6 bits a channel are plenty to choose from
            }
        }
        std::vector<Entry> colours;
        for (const auto& [rgb, count] : histogram)
            colours.push_back({rgb, count});
        std::vector<std::vector<Entry>> boxes{std::move(colours)};
        while (boxes.size() < 256) {
            auto widest = std::max_element(boxes.begin(), boxes.end(), [](const auto& a, const auto& b) { return spread(a) < spread(b); });
            if (widest->size() < 2)
                break;
            const int channel = widestChannel(*widest);
            std::sort(widest->begin(), widest->end(),
                      [channel](const Entry& a, const Entry& b) { return component(a.rgb, channel) < component(b.rgb, channel); });
            long total = 0;
            for (const auto& e : *widest)
                total += e.count;
            long running = 0;
            size_t cut = 1;
            for (; cut < widest->size() - 1; ++cut) {
                running += (*widest)[cut - 1].count;
                if (running * 2 >= total)
                    break;
            }
            std::vector<Entry> upper(widest->begin() + static_cast<long>(cut), widest->end());
            widest->resize(cut);
            boxes.push_back(std::move(upper));
        }
        for (const auto& box : boxes) {
            double r = 0, g = 0, b = 0, n = 0;
            for (const auto& e : box) {
                r += qRed(e.rgb) * static_cast<double>(e.count);
                g += qGreen(e.rgb) * static_cast<double>(e.count);
                b += qBlue(e.rgb) * static_cast<double>(e.count);
                n += static_cast<double>(e.count);
            }
            colours_.push_back(qRgb(int(std::lround(r / n)), int(std::lround(g / n)), int(std::lround(b / n))));
        }
    }

    const std::vector<QRgb>& colours() const { return colours_; }

    GifPixelType indexOf(QRgb rgb)
    {
        const auto known = lookup_.find(rgb);
        if (known != lookup_.end())
            return known->second;
        int best = 0;
        long bestDistance = -1;
        for (size_t i = 0; i < colours_.size(); ++i) {
            const long dr = qRed(rgb) - qRed(colours_[i]);
            const long dg = qGreen(rgb) - qGreen(colours_[i]);
            const long db = qBlue(rgb) - qBlue(colours_[i]);
            const long distance = dr * dr * 3 + dg * dg * 4 + db * db * 2;
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<int>(i);
            }
        }
        return lookup_[rgb] = static_cast<GifPixelType>(best);
    }

private:
    struct Entry {
        QRgb rgb;
        long count;
    };
    static int component(QRgb rgb, int channel) { return channel == 0 ? qRed(rgb) : channel == 1 ? qGreen(rgb) : qBlue(rgb); }
    static int widestChannel(const std::vector<Entry>& box)
    {
        int best = 0;
        int bestRange = -1;
        for (int channel = 0; channel < 3; ++channel) {
            int low = 255, high = 0;
            for (const auto& e : box) {
                low = std::min(low, component(e.rgb, channel));
                high = std::max(high, component(e.rgb, channel));
            }
            if (high - low > bestRange) {
                bestRange = high - low;
                best = channel;
            }
        }
        return best;
    }
    static int spread(const std::vector<Entry>& box)
    {
        if (box.size() < 2)
            return -1;
        int range = 0;
        for (int channel = 0; channel < 3; ++channel) {
            int low = 255, high = 0;
            for (const auto& e : box) {
                low = std::min(low, component(e.rgb, channel));
                high = std::max(high, component(e.rgb, channel));
            }
            range = std::max(range, high - low);
        }
        return range;
    }

    std::vector<QRgb> colours_;
    std::map<QRgb, GifPixelType> lookup_;
};

QImage renderFrame(QSvgRenderer& renderer, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return image;
}

bool writeGif(const char* out, const std::vector<QImage>& frames, int delayHundredths)
{
    Palette palette(frames);
    int error = 0;
    GifFileType* gif = EGifOpenFileName(out, false, &error);
    if (!gif)
        return false;
    EGifSetGifVersion(gif, true);
    std::vector<GifColorType> colours(256);
    for (size_t i = 0; i < palette.colours().size(); ++i)
        colours[i] = {static_cast<GifByteType>(qRed(palette.colours()[i])), static_cast<GifByteType>(qGreen(palette.colours()[i])),
                      static_cast<GifByteType>(qBlue(palette.colours()[i]))};
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    const QSize size = frames.front().size();
    bool ok = map && EGifPutScreenDesc(gif, size.width(), size.height(), 8, 0, map) == GIF_OK;
    const unsigned char loop[] = {1, 0, 0}; // loop for ever
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
    // Each frame is stored as the rectangle in which it differs from the one before; the rest of
    // the previous frame stays on screen (disposal "do not dispose").
    std::vector<std::vector<GifPixelType>> previous;
    for (const QImage& frame : frames) {
        std::vector<std::vector<GifPixelType>> indexed(static_cast<size_t>(size.height()), std::vector<GifPixelType>(static_cast<size_t>(size.width())));
        for (int y = 0; y < size.height(); ++y) {
            const auto* pixels = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            for (int x = 0; x < size.width(); ++x)
                indexed[size_t(y)][size_t(x)] = palette.indexOf(pixels[x] & 0xfffcfcfc);
        }
        QRect changed(QPoint(0, 0), size);
        if (!previous.empty()) {
            int left = size.width(), top = size.height(), right = -1, bottom = -1;
            for (int y = 0; y < size.height(); ++y) {
                for (int x = 0; x < size.width(); ++x) {
                    if (indexed[size_t(y)][size_t(x)] != previous[size_t(y)][size_t(x)]) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
                }
            }
            changed = right < 0 ? QRect(0, 0, 1, 1) : QRect(QPoint(left, top), QPoint(right, bottom));
        }
        const unsigned char control[] = {0x04, static_cast<unsigned char>(delayHundredths & 0xff),
                                         static_cast<unsigned char>(delayHundredths >> 8), 0};
        ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK &&
             EGifPutImageDesc(gif, changed.x(), changed.y(), changed.width(), changed.height(), false, nullptr) == GIF_OK;
        for (int y = changed.top(); ok && y <= changed.bottom(); ++y)
            ok = EGifPutLine(gif, indexed[size_t(y)].data() + changed.x(), changed.width()) == GIF_OK;
        previous = std::move(indexed);
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

int renderAnimation(const char* out, const char* svg)
{
    QSvgRenderer renderer(QString::fromLocal8Bit(svg));
    if (!renderer.isValid() || !renderer.animated() || renderer.animationDuration() <= 0) {
        std::fprintf(stderr, "appshell_render: %s is no SVG animation\n", svg);
        return 1;
    }
    const QSize size = renderer.defaultSize() * kScale;
    const int duration = renderer.animationDuration();
    const int count = std::max(1, duration * kFramesPerSecond / 1000);
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        // The renderer counts frames as hundredths of the whole animation.
        renderer.setCurrentFrame(i * 100 / count);
        frames.push_back(renderFrame(renderer, size));
    }
    if (!writeGif(out, frames, 100 / kFramesPerSecond)) {
        std::fprintf(stderr, "appshell_render: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

int renderIcon(const char* out, const char* svg, int side)
{
    QSvgRenderer renderer(QString::fromLocal8Bit(svg));
    if (!renderer.isValid() || side <= 0) {
        std::fprintf(stderr, "appshell_render: cannot read %s\n", svg);
        return 1;
    }
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(out), "PNG")) {
        std::fprintf(stderr, "appshell_render: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "gif") == 0)
        return renderAnimation(argv[2], argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "png") == 0)
        return renderIcon(argv[2], argv[3], std::atoi(argv[4]));
    std::fprintf(stderr, "usage: appshell_render gif <out.gif> <animation.svg> | png <out.png> <icon.svg> <size>\n");
    return 2;
}
