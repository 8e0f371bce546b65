#include "Platform/Graphics/detail/Encoders.h"

#include <gif_lib.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <turbojpeg.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace graphics::detail {

namespace {

int percent(double quality)
{
    return int(std::lround(std::clamp(quality, 0.0, 1.0) * 100));
}

} // namespace

EncodedBytes writeJpeg(const ImageDestination::Frame& frame)
{
    // Alpha is dropped: premultiplied pixels read as if drawn over black.
    tjhandle handle = tjInitCompress();
    if (!handle)
        return std::nullopt;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const QImage& image = frame.image;
    int status = tjCompress2(handle, image.constBits(), image.width(), int(image.bytesPerLine()), image.height(),
        TJPF_BGRX, &out, &size, TJSAMP_444, std::max(1, percent(frame.quality)), 0);
    EncodedBytes bytes;
    if (status == 0)
        bytes.emplace(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

// --- GIF ---

namespace {

int writeGifBytes(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct Indexed {
    std::vector<GifByteType> pixels;
    std::vector<GifColorType> colours;
    int transparent = -1;
};

// The frame's colours as a palette: exact when it has 255 colours or fewer, else giflib's
// quantiser. Pixels with alpha below half are transparent (index 255, or the next free one).
bool indexFrame(const QImage& image, Indexed& indexed)
{
    QImage straight = straightPixels(image);
    std::size_t count = std::size_t(straight.width()) * std::size_t(straight.height());
    indexed.pixels.assign(count, 0);
    std::unordered_map<std::uint32_t, GifByteType> palette;
    bool exact = true;
    bool anyTransparent = false;
    for (int y = 0; y < straight.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        for (int x = 0; x < straight.width(); ++x) {
            if (qAlpha(row[x]) < 128) {
                anyTransparent = true;
                continue;
            }
            std::uint32_t rgb = row[x] & 0xffffff;
            if (exact && !palette.contains(rgb)) {
                if (palette.size() == 255)
                    exact = false;
                else
                    palette.emplace(rgb, GifByteType(palette.size()));
            }
        }
    }
    std::vector<GifByteType> red(count), green(count), blue(count);
    std::size_t i = 0;
    for (int y = 0; y < straight.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        for (int x = 0; x < straight.width(); ++x, ++i) {
            red[i] = GifByteType(qRed(row[x]));
            green[i] = GifByteType(qGreen(row[x]));
            blue[i] = GifByteType(qBlue(row[x]));
            if (exact && qAlpha(row[x]) >= 128)
                indexed.pixels[i] = palette[row[x] & 0xffffff];
        }
    }
    if (exact) {
        indexed.colours.resize(std::max<std::size_t>(palette.size(), 1));
        for (auto [rgb, index] : palette)
            indexed.colours[index] = GifColorType {GifByteType(rgb >> 16), GifByteType(rgb >> 8), GifByteType(rgb)};
    } else {
        int size = anyTransparent ? 255 : 256;
        indexed.colours.resize(256);
        if (GifQuantizeBuffer(unsigned(straight.width()), unsigned(straight.height()), &size, red.data(),
                green.data(), blue.data(), indexed.pixels.data(), indexed.colours.data())
            != GIF_OK)
            return false;
        indexed.colours.resize(std::size_t(size));
    }
    if (anyTransparent) {
        indexed.transparent = int(indexed.colours.size());
        indexed.colours.push_back(GifColorType {0, 0, 0});
        i = 0;
        for (int y = 0; y < straight.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
            for (int x = 0; x < straight.width(); ++x, ++i)
                if (qAlpha(row[x]) < 128)
                    indexed.pixels[i] = GifByteType(indexed.transparent);
        }
    }
    // A colour map holds a power of two entries.
    std::size_t entries = 2;
    while (entries < indexed.colours.size())
        entries *= 2;
    indexed.colours.resize(entries, GifColorType {0, 0, 0});
    return entries <= 256;
}

bool putFrame(GifFileType* gif, const ImageDestination::Frame& frame, const QSize& canvas, bool animated)
{
    Indexed indexed;
    QImage image = frame.image.size() == canvas ? frame.image : frame.image.copy(QRect(QPoint(0, 0), canvas));
    if (!indexFrame(image, indexed))
        return false;
    GraphicsControlBlock control {};
    control.DisposalMode = indexed.transparent >= 0 ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
    control.DelayTime = animated ? int(std::lround(std::max(0.0, frame.delay) * 100)) : 0;
    control.TransparentColor = indexed.transparent >= 0 ? indexed.transparent : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    ColorMapObject* map = GifMakeMapObject(int(indexed.colours.size()), indexed.colours.data());
    if (!map)
        return false;
    bool ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK
        && EGifPutImageDesc(gif, 0, 0, canvas.width(), canvas.height(), false, map) == GIF_OK;
    for (int y = 0; ok && y < canvas.height(); ++y)
        ok = EGifPutLine(gif, indexed.pixels.data() + std::size_t(y) * std::size_t(canvas.width()), canvas.width())
            == GIF_OK;
    GifFreeMapObject(map);
    return ok;
}

} // namespace

EncodedBytes writeGif(const std::vector<ImageDestination::Frame>& frames, unsigned loopCount)
{
    std::vector<std::uint8_t> out;
    QSize canvas = frames.front().image.size();
    if (canvas.width() > 65535 || canvas.height() > 65535)
        return std::nullopt;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeGifBytes, &error);
    if (!gif)
        return std::nullopt;
    EGifSetGifVersion(gif, true);
    bool animated = frames.size() > 1;
    bool ok = EGifPutScreenDesc(gif, canvas.width(), canvas.height(), 8, 0, nullptr) == GIF_OK;
    if (ok && animated) {
        GifByteType loop[3] = {1, GifByteType(loopCount & 0xff), GifByteType(loopCount >> 8)};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK
            && EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK
            && EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    for (const auto& frame : frames)
        ok = ok && putFrame(gif, frame, canvas, animated);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok ? EncodedBytes(std::move(out)) : std::nullopt;
}

// --- WebP ---

EncodedBytes writeWebPStill(const ImageDestination::Frame& frame)
{
    QImage pixels = frame.image.convertToFormat(QImage::Format_ARGB32);
    std::uint8_t* out = nullptr;
    std::size_t size = frame.quality >= 1.0
        ? WebPEncodeLosslessBGRA(pixels.constBits(), pixels.width(), pixels.height(), int(pixels.bytesPerLine()), &out)
        : WebPEncodeBGRA(pixels.constBits(), pixels.width(), pixels.height(), int(pixels.bytesPerLine()),
            float(percent(frame.quality)), &out);
    EncodedBytes bytes;
    if (size > 0)
        bytes.emplace(out, out + size);
    WebPFree(out);
    return bytes;
}

EncodedBytes writeWebP(const std::vector<ImageDestination::Frame>& frames, unsigned loopCount)
{
    QSize canvas = frames.front().image.size();
    if (canvas.width() > WEBP_MAX_DIMENSION || canvas.height() > WEBP_MAX_DIMENSION)
        return std::nullopt;
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options))
        return std::nullopt;
    options.anim_params.loop_count = int(loopCount);
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(canvas.width(), canvas.height(), &options);
    if (!encoder)
        return std::nullopt;
    bool ok = true;
    int timestamp = 0;
    for (const auto& frame : frames) {
        QImage pixels = straightPixels(frame.image.size() == canvas ? frame.image
                                                                     : frame.image.copy(QRect(QPoint(0, 0), canvas)))
                            .convertToFormat(QImage::Format_ARGB32);
        WebPConfig config;
        WebPPicture picture;
        ok = WebPConfigInit(&config) && WebPPictureInit(&picture);
        if (!ok)
            break;
        config.lossless = frame.quality >= 1.0 ? 1 : 0;
        config.quality = config.lossless ? 75.0f : float(percent(frame.quality));
        config.exact = 1;
        picture.use_argb = 1;
        picture.width = canvas.width();
        picture.height = canvas.height();
        ok = WebPPictureImportBGRA(&picture, pixels.constBits(), int(pixels.bytesPerLine()))
            && WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
        WebPPictureFree(&picture);
        timestamp += int(std::lround(std::max(0.0, frame.delay) * 1000));
        if (!ok)
            break;
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    ok = ok && WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr)
        && WebPAnimEncoderAssemble(encoder, &assembled);
    EncodedBytes bytes;
    if (ok)
        bytes.emplace(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    WebPAnimEncoderDelete(encoder);
    return bytes;
}

// --- TIFF ---

namespace {

struct GrowingFile {
    std::vector<std::uint8_t> bytes;
    toff_t position = 0;
};

tsize_t tiffRead(thandle_t handle, tdata_t buffer, tsize_t size)
{
    auto* file = static_cast<GrowingFile*>(handle);
    if (size <= 0 || file->position >= file->bytes.size())
        return 0;
    std::size_t count = std::min<std::size_t>(std::size_t(size), file->bytes.size() - file->position);
    std::memcpy(buffer, file->bytes.data() + file->position, count);
    file->position += count;
    return tsize_t(count);
}

tsize_t tiffWrite(thandle_t handle, tdata_t buffer, tsize_t size)
{
    auto* file = static_cast<GrowingFile*>(handle);
    if (size <= 0)
        return 0;
    std::size_t end = std::size_t(file->position) + std::size_t(size);
    if (end > file->bytes.size())
        file->bytes.resize(end);
    std::memcpy(file->bytes.data() + file->position, buffer, std::size_t(size));
    file->position = end;
    return size;
}

toff_t tiffSeek(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<GrowingFile*>(handle);
    toff_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? file->bytes.size() : 0;
    file->position = base + offset;
    return file->position;
}

int tiffClose(thandle_t)
{
    return 0;
}

toff_t tiffSize(thandle_t handle)
{
    return static_cast<GrowingFile*>(handle)->bytes.size();
}

} // namespace

EncodedBytes writeTiff(const std::vector<ImageDestination::Frame>& frames)
{
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    GrowingFile file;
    TIFF* tiff = TIFFClientOpen("memory", "w", &file, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize,
        [](thandle_t, tdata_t*, toff_t*) { return 0; }, [](thandle_t, tdata_t, toff_t) { });
    if (!tiff)
        return std::nullopt;
    bool ok = true;
    for (const auto& frame : frames) {
        const QImage& image = frame.image;
        bool alpha = image.hasAlphaChannel();
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width()));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(image.height()));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, alpha ? 4 : 3);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
        if (alpha) {
            std::uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        std::vector<std::uint8_t> row(std::size_t(image.width()) * (alpha ? 4 : 3));
        for (int y = 0; ok && y < image.height(); ++y) {
            const auto* source = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            std::uint8_t* target = row.data();
            for (int x = 0; x < image.width(); ++x) {
                *target++ = std::uint8_t(qRed(source[x]));
                *target++ = std::uint8_t(qGreen(source[x]));
                *target++ = std::uint8_t(qBlue(source[x]));
                if (alpha)
                    *target++ = std::uint8_t(qAlpha(source[x]));
            }
            ok = TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0) == 1;
        }
        ok = ok && TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return ok ? EncodedBytes(std::move(file.bytes)) : std::nullopt;
}

// --- HEIC ---

bool heifCanEncode()
{
    static const bool can = [] {
        heif_init(nullptr);
        return heif_have_encoder_for_format(heif_compression_HEVC) != 0;
    }();
    return can;
}

namespace {

heif_error writeHeifBytes(heif_context*, const void* data, size_t size, void* userdata)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(userdata);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
    return heif_error {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

} // namespace

EncodedBytes writeHeic(const ImageDestination::Frame& frame)
{
    if (!heifCanEncode())
        return std::nullopt;
    const QImage& source = frame.image;
    bool alpha = source.hasAlphaChannel();
    QImage straight = straightPixels(source);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    EncodedBytes bytes;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok
        && heif_image_create(straight.width(), straight.height(), heif_colorspace_RGB,
               alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image)
            .code
            == heif_error_Ok
        && heif_image_add_plane(image, heif_channel_interleaved, straight.width(), straight.height(), 8).code
            == heif_error_Ok) {
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < straight.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
            std::uint8_t* target = plane + std::size_t(y) * std::size_t(stride);
            for (int x = 0; x < straight.width(); ++x) {
                *target++ = std::uint8_t(qRed(row[x]));
                *target++ = std::uint8_t(qGreen(row[x]));
                *target++ = std::uint8_t(qBlue(row[x]));
                if (alpha)
                    *target++ = std::uint8_t(qAlpha(row[x]));
            }
        }
        heif_encoder_set_lossy_quality(encoder, percent(frame.quality));
        std::vector<std::uint8_t> out;
        heif_writer writer {1, writeHeifBytes};
        if (heif_context_encode_image(context, image, encoder, nullptr, nullptr).code == heif_error_Ok
            && heif_context_write(context, &writer, &out).code == heif_error_Ok)
            bytes = std::move(out);
    }
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

} // namespace graphics::detail
