#include "catalogue/PreviewFormats.h"

#include "catalogue/TextRenderer.h"

#include <QBuffer>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <gif_lib.h>
#include <png.h>

#include <csetjmp>
#include <fstream>

namespace catalogue {

namespace fs = std::filesystem;

namespace {

bool fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

// Writes through a temporary file in the same folder, renamed into place.
bool writeBytes(const std::vector<std::uint8_t>& bytes, const fs::path& path, std::string* error)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            return fail(error, "cannot write " + path.string());
    }
    fs::rename(temporary, path, ec);
    return !ec || fail(error, "cannot write " + path.string());
}

bool writeQt(const QImage& image, const fs::path& path, const char* format, bool progressive, std::string* error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(85);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        return fail(error, "Qt cannot write " + path.string());
    return writeBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), path, error);
}

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushPng(png_structp) { }

// No object with a destructor lives in this frame: libpng leaves it by longjmp on errors.
bool runInterlacedWriter(png_structp png, png_infop info, png_bytepp rows, png_uint_32 width, png_uint_32 height)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

bool writeInterlacedPng(const QImage& source, const fs::path& path, std::string* error)
{
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint8_t> out;
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[static_cast<std::size_t>(y)] = image.scanLine(y);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr;
    if (ok) {
        png_set_write_fn(png, &out, appendPng, flushPng);
        ok = runInterlacedWriter(png, info, rows.data(), static_cast<png_uint_32>(image.width()),
                                 static_cast<png_uint_32>(image.height()));
    }
    png_destroy_write_struct(&png, &info);
    return ok ? writeBytes(out, path, error) : fail(error, "libpng cannot write " + path.string());
}

int appendGif(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// Frames in Format_Indexed8 (at most 256 colours each), each with its own colour table.
bool writeGif(const std::vector<QImage>& frames, const std::vector<int>& delays, int loops, const fs::path& path,
              std::string* error)
{
    std::vector<std::uint8_t> out;
    int code = 0;
    GifFileType* gif = EGifOpen(&out, appendGif, &code);
    if (!gif)
        return fail(error, "giflib cannot open a writer");
    EGifSetGifVersion(gif, true);
    const QSize size = frames.front().size();
    bool ok = EGifPutScreenDesc(gif, size.width(), size.height(), 8, 0, nullptr) == GIF_OK;
    if (ok && loops >= 0) {
        GifByteType loop[3] = {1, static_cast<GifByteType>(loops & 0xff), static_cast<GifByteType>(loops >> 8)};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
             EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    for (std::size_t i = 0; ok && i < frames.size(); ++i) {
        const QImage& frame = frames[i];
        if (delays[i] >= 0) {
            GraphicsControlBlock control{};
            control.DisposalMode = DISPOSE_DO_NOT;
            control.DelayTime = delays[i];
            control.TransparentColor = NO_TRANSPARENT_COLOR;
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
        }
        std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
        for (int c = 0; c < frame.colorCount(); ++c) {
            const QRgb rgb = frame.color(c);
            colours[static_cast<std::size_t>(c)] = {static_cast<GifByteType>(qRed(rgb)),
                                                    static_cast<GifByteType>(qGreen(rgb)),
                                                    static_cast<GifByteType>(qBlue(rgb))};
        }
        ColorMapObject* map = GifMakeMapObject(256, colours.data());
        ok = ok && map && EGifPutImageDesc(gif, 0, 0, size.width(), size.height(), false, map) == GIF_OK;
        for (int y = 0; ok && y < size.height(); ++y)
            ok = EGifPutLine(gif, const_cast<GifByteType*>(frame.constScanLine(y)), size.width()) == GIF_OK;
        GifFreeMapObject(map);
    }
    ok = EGifCloseFile(gif, &code) == GIF_OK && ok;
    return ok ? writeBytes(out, path, error) : fail(error, "giflib cannot write " + path.string());
}

bool run(const QString& program, const QStringList& arguments, std::string* error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return fail(error, program.toStdString() + " failed: " + process.readAllStandardError().toStdString());
    return true;
}

bool savePng(const QImage& image, const QString& path)
{
    return image.save(path, "PNG");
}

// The day preview on white: JPEG has no alpha and GIF no partial alpha, and every format here holds
// the very same pixels.
TextRenderer::Style opaqueDayStyle()
{
    TextRenderer::Style style = TextRenderer::dayStyle();
    style.background = QColor(0xff, 0xff, 0xff);
    return style;
}

// Four frames of the preview, the text in four colours, reduced to at most 256 colours each so that
// every format holds the very same pixels.
std::vector<QImage> stripFrames(const SampleFont& font)
{
    const QColor colours[] = {{0x33, 0x33, 0x33}, {0xd0, 0x30, 0x30}, {0x20, 0x90, 0x40}, {0x30, 0x50, 0xd0}};
    std::vector<QImage> frames;
    for (const QColor& colour : colours) {
        TextRenderer::Style style = opaqueDayStyle();
        style.foreground = colour;
        QImage frame = TextRenderer::render(font.face.file, font.face.faceIndex,
                                            QString::fromStdString(font.row.fontname), style);
        frames.push_back(frame.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither));
    }
    return frames;
}

bool writeStrips(const SampleFont& font, const fs::path& dir, std::string* error)
{
    const std::string id = std::to_string(font.row.fontid);
    const fs::path gif = dir / (id + ".gif");
    const fs::path apng = dir / (id + ".png");
    const fs::path webp = dir / (id + ".webp");
    if (TextRenderer::isUpToDate(gif, font.face.file) && TextRenderer::isUpToDate(apng, font.face.file)
        && TextRenderer::isUpToDate(webp, font.face.file))
        return true;
    const auto frames = stripFrames(font);
    if (frames.front().isNull())
        return fail(error, "cannot render " + font.face.file.string());
    const std::vector<int> centiseconds = {1, 20, 20, 50}; // the first frame 0.01 s
    if (!writeGif(frames, centiseconds, 2, gif, error))
        return false;
    QTemporaryDir temporary;
    if (!temporary.isValid())
        return fail(error, "no temporary folder");
    QStringList webpArguments = {"-loop", "2"};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // apngasm reads frame001.png, frame002.png, ... and each frame's delay from frameNNN.txt.
        const QString name = temporary.filePath(QString("frame%1").arg(i + 1, 3, 10, QChar('0')));
        std::ofstream delay((name + ".txt").toStdString());
        delay << "delay=" << centiseconds[i] << "/100\n";
        if (!delay || !savePng(frames[i].convertToFormat(QImage::Format_RGB32), name + ".png"))
            return fail(error, "cannot write " + name.toStdString());
        webpArguments << "-d" << QString::number(centiseconds[i] * 10) << "-lossless" << name + ".png";
    }
    const QStringList apngArguments = {QString::fromStdString(apng.string() + ".tmp"), temporary.filePath("frame001.png"),
                                       "-l2", "-z0"};
    webpArguments << "-o" << QString::fromStdString(webp.string() + ".tmp");
    if (!run("apngasm", apngArguments, error) || !run("img2webp", webpArguments, error))
        return false;
    std::error_code ec;
    fs::rename(apng.string() + ".tmp", apng, ec);
    fs::rename(webp.string() + ".tmp", webp, ec);
    return !ec || fail(error, "cannot move the strips into place");
}

bool writeStills(const SampleFont& font, const fs::path& dir, bool heic, std::string* error)
{
    const std::string base = (dir / (std::to_string(font.row.fontid) + "_day")).string();
    const fs::path last = base + "@2x.png";
    if (TextRenderer::isUpToDate(last, font.face.file)
        && (!heic || TextRenderer::isUpToDate(base + ".heic", font.face.file)))
        return true;
    const QString text = QString::fromStdString(font.row.fontname);
    const QImage day = TextRenderer::render(font.face.file, font.face.faceIndex, text, opaqueDayStyle());
    if (day.isNull())
        return fail(error, "cannot render " + font.face.file.string());
    QTemporaryDir temporary;
    const QString png = temporary.filePath("day.png");
    if (!temporary.isValid() || !savePng(day, png))
        return fail(error, "no temporary preview for " + base);
    const QString lossy = QString::fromStdString(base + ".webp");
    const QString lossless = QString::fromStdString(base + "_lossless.webp");
    if (!writeQt(day, base + ".jpg", "jpeg", false, error) ||
        !writeQt(day, base + "_progressive.jpg", "jpeg", true, error) ||
        !writeGif({day.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)}, {-1}, -1,
                  base + ".gif", error) ||
        !writeInterlacedPng(day, base + "_interlaced.png", error) ||
        !run("cwebp", {"-quiet", "-q", "80", png, "-o", lossy}, error) ||
        !run("cwebp", {"-quiet", "-lossless", png, "-o", lossless}, error))
        return false;
    if (heic && !run("heif-enc", {"-q", "90", png, "-o", QString::fromStdString(base + ".heic")}, error))
        return false;
    TextRenderer::Style doubled = opaqueDayStyle();
    doubled.pixelSize *= 2;
    doubled.width = 1200;
    doubled.height = 160;
    doubled.margin *= 2;
    const QImage large = TextRenderer::render(font.face.file, font.face.faceIndex, text, doubled);
    return writeQt(large, last, "png", false, error);
}

} // namespace

bool PreviewFormats::write(const std::vector<SampleFont>& fonts, const fs::path& filesDir, std::string* error)
{
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        if (!writeStills(fonts[i], filesDir / "previews", i == 0, error))
            return false;
        if (i < kAnimatedFonts && !writeStrips(fonts[i], filesDir / "animated", error))
            return false;
    }
    return true;
}

} // namespace catalogue
