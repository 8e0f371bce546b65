#include "Platform/Graphics/detail/WholeDataDecoder.h"
#include "Platform/Graphics/detail/WholeDataDecoders.h"

#include <tiffio.h>

#include <cstring>
#include <mutex>

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
        // libtiff gives premultiplied R, G, B, A bytes; the frame wants B, G, R, A.
        for (std::int64_t i = 0; i < frame.width * frame.height; ++i) {
            std::uint32_t p = pixels[i];
            std::uint32_t a = frame.alpha ? TIFFGetA(p) : 255u;
            pixels[i] = a << 24 | TIFFGetR(p) << 16 | TIFFGetG(p) << 8 | TIFFGetB(p);
        }
        return image;
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
