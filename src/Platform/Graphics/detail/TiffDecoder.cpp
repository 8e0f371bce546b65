#include "Platform/Graphics/detail/RowScaler.h"
#include "Platform/Graphics/detail/WholeDataDecoder.h"
#include "Platform/Graphics/detail/WholeDataDecoders.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <tiffio.h>
#include <vector>

namespace graphics::detail {

namespace {

// libtiff reads and seeks through these over the data in memory, which they hold for as long as
// the TIFF handle lives.
struct MemoryFile {
    foundation::Ref<foundation::Data> data;
    toff_t position = 0;
};

tsize_t readProc(thandle_t handle, tdata_t buffer, tsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    toff_t length = file->data->length();
    if (size <= 0 || file->position >= length)
        return 0;
    auto count = static_cast<toff_t>(size) < length - file->position ? static_cast<toff_t>(size) : length - file->position;
    std::memcpy(buffer, file->data->bytes() + file->position, count);
    file->position += count;
    return static_cast<tsize_t>(count);
}

tsize_t writeProc(thandle_t, tdata_t, tsize_t)
{
    return 0;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<MemoryFile*>(handle);
    toff_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? file->data->length() : 0;
    file->position = base + offset;
    return file->position;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return static_cast<MemoryFile*>(handle)->data->length();
}

void silenceHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

class TiffDecoder final : public WholeDataDecoder {
    struct Closer {
        void operator()(TIFF* tiff) const { TIFFClose(tiff); }
    };

    bool open(std::vector<Frame>& frames) override
    {
        silenceHandlers();
        tiff_.reset();
        file_ = MemoryFile {sharedData(), 0};
        tiff_.reset(TIFFClientOpen("memory", "rm", &file_, readProc, writeProc, seekProc, closeProc, sizeProc,
            [](thandle_t, tdata_t*, toff_t*) { return 0; }, [](thandle_t, tdata_t, toff_t) { }));
        if (!tiff_)
            return false;
        // Directories are bounded: a loop of them ends the walk.
        for (int directory = 0; directory < 256; ++directory) {
            std::uint32_t width = 0;
            std::uint32_t height = 0;
            std::uint16_t orientation = 0;
            std::uint16_t extraCount = 0;
            std::uint16_t* extra = nullptr;
            TIFFGetField(tiff_.get(), TIFFTAG_IMAGEWIDTH, &width);
            TIFFGetField(tiff_.get(), TIFFTAG_IMAGELENGTH, &height);
            Frame frame;
            frame.width = width;
            frame.height = height;
            if (TIFFGetField(tiff_.get(), TIFFTAG_ORIENTATION, &orientation) && orientation >= 1 && orientation <= 8)
                frame.orientation = orientation;
            frame.alpha = TIFFGetField(tiff_.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0;
            frames.push_back(frame);
            if (!TIFFReadDirectory(tiff_.get()))
                break;
        }
        return !frames.empty();
    }

    QImage decode(std::size_t index, const Frame& frame) override
    {
        if (!TIFFSetDirectory(tiff_.get(), tdir_t(index)))
            return {};
        QImage image = allocateFrame(frame.width, frame.height, frame.alpha);
        if (image.isNull())
            return {};
        // The raster comes as stored (no turning): the Orientation property tells the reader.
        int stored = frame.orientation ? frame.orientation : ORIENTATION_TOPLEFT;
        auto* pixels = reinterpret_cast<std::uint32_t*>(image.bits());
        if (image.bytesPerLine() != frame.width * 4
            || !TIFFReadRGBAImageOriented(tiff_.get(), std::uint32_t(frame.width), std::uint32_t(frame.height),
                pixels, stored, 0))
            return {};
        toArgb(pixels, std::size_t(frame.width * frame.height), frame.alpha);
        return image;
    }

    // Strips or tiles are read a band at a time (a strip's rows, or a row of tiles) through libtiff's
    // RGBA reader and shrink as they come: libtiff holds one strip or tile, we one band of RGBA
    // rows. A file whose band passes the ceiling (one strip of a whole large image, say) is refused.
    QImage decodeScaled(std::size_t index, const Frame& frame, QSize size) override
    {
        TIFF* tiff = tiff_.get();
        if (!TIFFSetDirectory(tiff, tdir_t(index)))
            return {};
        const auto width = std::uint64_t(frame.width);
        std::uint32_t bandRows = 0;
        std::uint64_t held = 0;
        if (TIFFIsTiled(tiff)) {
            std::uint32_t tileLength = 0;
            TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileLength);
            bandRows = tileLength;
            held = TIFFTileSize64(tiff);
        } else {
            std::uint32_t rowsPerStrip = 0;
            TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
            bandRows = std::min<std::uint32_t>(rowsPerStrip, std::uint32_t(frame.height));
            held = TIFFStripSize64(tiff);
        }
        // Planes stored apart are read one strip or tile of each at a time.
        std::uint16_t planar = PLANARCONFIG_CONTIG;
        std::uint16_t samples = 1;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        if (planar == PLANARCONFIG_SEPARATE)
            held *= samples;
        if (bandRows == 0 || held == 0
            || held + std::uint64_t(bandRows) * width * 4 > imageLimits::maxScaledDecodeBytes)
            return {};
        QImage target = allocateFrame(size.width(), size.height(), frame.alpha);
        if (target.isNull())
            return {};
        char message[1024] = {};
        TIFFRGBAImage reader {};
        if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&reader, tiff, 0, message))
            return {};
        // The raster comes as stored (no turning): the Orientation property tells the reader.
        reader.req_orientation = std::uint16_t(frame.orientation ? frame.orientation : ORIENTATION_TOPLEFT);
        RowScaler scaler(int(frame.width), int(frame.height), std::move(target));
        std::vector<std::uint32_t> band;
        bool read = true;
        try {
            band.resize(std::size_t(bandRows) * std::size_t(width));
        } catch (const std::bad_alloc&) {
            read = false;
        }
        for (std::uint32_t top = 0; read && top < std::uint32_t(frame.height); top += bandRows) {
            const std::uint32_t rows = std::min<std::uint32_t>(bandRows, std::uint32_t(frame.height) - top);
            reader.row_offset = int(top);
            reader.col_offset = 0;
            read = TIFFRGBAImageGet(&reader, band.data(), std::uint32_t(width), rows) != 0;
            for (std::uint32_t y = 0; read && y < rows; ++y) {
                std::uint32_t* row = band.data() + std::size_t(y) * std::size_t(width);
                toArgb(row, std::size_t(width), frame.alpha);
                scaler.addRow(int(top + y), row);
            }
        }
        TIFFRGBAImageEnd(&reader);
        return read ? scaler.finish() : QImage();
    }

    // libtiff gives premultiplied R, G, B, A bytes; the frame wants B, G, R, A.
    static void toArgb(std::uint32_t* pixels, std::size_t count, bool alpha)
    {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t p = pixels[i];
            std::uint32_t a = alpha ? TIFFGetA(p) : 255u;
            pixels[i] = a << 24 | TIFFGetR(p) << 16 | TIFFGetG(p) << 8 | TIFFGetB(p);
        }
    }

    MemoryFile file_;
    std::unique_ptr<TIFF, Closer> tiff_;
};

} // namespace

std::unique_ptr<FrameDecoder> makeTiffDecoder()
{
    return std::make_unique<TiffDecoder>();
}

} // namespace graphics::detail
