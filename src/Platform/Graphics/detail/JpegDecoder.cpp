#include "Platform/Graphics/detail/JpegDecoder.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"

#include <cstdio>
// clang-format off: jpeglib.h needs stdio first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <turbojpeg.h>

#include <csetjmp>
#include <memory>
#include <new>

// libjpeg reports errors by longjmp to advance(): that frame and libjpeg's callbacks hold no object
// with a destructor. The stream lives on the heap and outlives every jump.

namespace graphics::detail {

namespace {

using foundation::Data;
using foundation::Dictionary;
using foundation::Ref;

// Turns `width` pixels of C, M, Y, K bytes into opaque RGB32 in place. Files with an Adobe segment
// store the values inverted (0 is full ink), others as they are.
void cmykToRgb(std::uint8_t* pixels, std::size_t width, bool adobe)
{
    // After the flip, 255 is no ink: each channel is what its ink and the black leave of the light.
    auto light = [adobe](std::uint8_t stored) { return adobe ? unsigned(stored) : 255u - stored; };
    auto scaled = [](unsigned ink, unsigned black) { return std::uint8_t((ink * black + 127) / 255); };
    for (std::size_t x = 0; x < width; ++x) {
        std::uint8_t* pixel = pixels + 4 * x;
        unsigned c = light(pixel[0]);
        unsigned m = light(pixel[1]);
        unsigned y = light(pixel[2]);
        unsigned k = light(pixel[3]);
        // RGB32 is B, G, R, X in memory on the little-endian machines the client runs on.
        pixel[0] = scaled(y, k);
        pixel[1] = scaled(m, k);
        pixel[2] = scaled(c, k);
        pixel[3] = 0xff;
    }
}

// The smallest of turbojpeg's DCT scalings that still covers `wanted` (1/8 of each side at the
// least): the decoder then never makes the whole frame of a large JPEG shown small.
QSize scaledSize(int width, int height, QSize wanted)
{
    QSize best(width, height);
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor factor = factors[i];
        const QSize size(TJSCALED(width, factor), TJSCALED(height, factor));
        if (size.width() >= wanted.width() && size.height() >= wanted.height()
            && size.width() * std::int64_t(size.height()) < best.width() * std::int64_t(best.height()))
            best = size;
    }
    return best;
}

// `adobe` says how stored CMYK is to be read; turbojpeg does not tell. A valid `wanted` smaller than
// the image decodes at the nearest DCT scaling above it.
QImage decodeWhole(std::span<const std::uint8_t> data, bool adobe, QSize wanted = {})
{
    tjhandle handle = tjInitDecompress();
    if (!handle)
        return {};
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    QImage image;
    if (tjDecompressHeader3(handle, data.data(), static_cast<unsigned long>(data.size()), &width, &height,
            &subsampling, &colorspace)
        == 0) {
        // turbojpeg cannot give CMYK as RGB: it comes as CMYK, four bytes a pixel like the frame's,
        // and is turned into RGB in place.
        bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
        if (!imageLimits::allows(width, height)) {
            tjDestroy(handle);
            return {};
        }
        if (wanted.isValid() && !wanted.isEmpty()) {
            const QSize size = scaledSize(width, height, wanted.boundedTo(QSize(width, height)));
            width = size.width();
            height = size.height();
        }
        // turbojpeg writes every row unless a fatal error discards the image.
        image = allocateFrameForOverwrite(width, height, false);
        if (!image.isNull()
            && tjDecompress2(handle, data.data(), static_cast<unsigned long>(data.size()), image.bits(), width,
                   int(image.bytesPerLine()), height, cmyk ? TJPF_CMYK : TJPF_BGRX, 0)
                != 0
            && tjGetErrorCode(handle) == TJERR_FATAL)
            image = QImage();
        for (int y = 0; cmyk && y < image.height(); ++y)
            cmykToRgb(image.scanLine(y), std::size_t(width), adobe);
    }
    tjDestroy(handle);
    return image;
}

// A libjpeg decompression fed from data that grows. The source suspends when it runs out; once the
// data is final it ends the stream with an EOI marker of its own, so short files still finish.
struct JpegStream {
    enum class Phase { Header, Start, Rows, Scans, Finish, Done, Failed };

    jpeg_decompress_struct info {};
    jpeg_error_mgr errors {};
    jpeg_source_mgr source {};
    std::jmp_buf jump {};
    Phase phase = Phase::Header;
    Ref<Data> held;                     // the current data
    const std::uint8_t* base = nullptr;
    std::size_t size = 0;
    std::size_t position = 0; // of the next byte libjpeg has not taken
    std::size_t skip = 0;     // bytes libjpeg asked to skip beyond the data so far
    bool final = false;
    int scale = 8; // rows come at scale/8 of each side, by libjpeg's DCT scaling
    bool progressive = false;
    bool outputting = false;
    bool cmyk = false; // rows come as CMYK and are turned into RGB as they are read
    bool adobe = false;
    QImage canvas;
    bool anyRow = false;

    JpegStream()
    {
        info.err = jpeg_std_error(&errors);
        errors.error_exit = [](j_common_ptr common) {
            auto* stream = reinterpret_cast<JpegStream*>(common->client_data);
            std::longjmp(stream->jump, 1);
        };
        errors.output_message = [](j_common_ptr) { };
        info.client_data = this;
        jpeg_create_decompress(&info);
        source.init_source = [](j_decompress_ptr) { };
        source.fill_input_buffer = fill;
        source.skip_input_data = skipData;
        source.resync_to_restart = jpeg_resync_to_restart;
        source.term_source = [](j_decompress_ptr) { };
        info.src = &source;
    }
    ~JpegStream() { jpeg_destroy_decompress(&info); }
    JpegStream(const JpegStream&) = delete;
    JpegStream& operator=(const JpegStream&) = delete;

    static JpegStream& of(j_decompress_ptr info) { return *static_cast<JpegStream*>(info->client_data); }

    static boolean fill(j_decompress_ptr info)
    {
        JpegStream& stream = of(info);
        if (!stream.final)
            return FALSE; // suspend: libjpeg keeps its place and asks again with more data
        static const JOCTET end[2] = {0xff, JPEG_EOI};
        stream.source.next_input_byte = end;
        stream.source.bytes_in_buffer = 2;
        stream.position = stream.size;
        return TRUE;
    }

    static void skipData(j_decompress_ptr info, long count)
    {
        JpegStream& stream = of(info);
        if (count <= 0)
            return;
        auto wanted = static_cast<std::size_t>(count);
        if (wanted <= stream.source.bytes_in_buffer) {
            stream.source.next_input_byte += wanted;
            stream.source.bytes_in_buffer -= wanted;
        } else {
            stream.skip += wanted - stream.source.bytes_in_buffer;
            stream.source.next_input_byte += stream.source.bytes_in_buffer;
            stream.source.bytes_in_buffer = 0;
        }
    }

    // Points the source at the unread part of `data`, which begins with the data given before.
    void feed(const Ref<Data>& data, bool isFinal)
    {
        if (base && source.next_input_byte >= base && source.next_input_byte <= base + size)
            position = std::size_t(source.next_input_byte - base);
        held = data;
        base = data->bytes();
        size = data->length();
        final = isFinal;
        std::size_t skipped = std::min(skip, size - std::min(size, position));
        position += skipped;
        skip -= skipped;
        position = std::min(position, size);
        source.next_input_byte = base + position;
        source.bytes_in_buffer = size - position;
    }
};

bool allocateCanvas(JpegStream& stream)
{
    try {
        stream.canvas = allocateFrame(stream.info.output_width, stream.info.output_height, false);
    } catch (const std::bad_alloc&) {
        stream.canvas = QImage();
    }
    return !stream.canvas.isNull();
}

// Reads rows of the current output pass into the canvas; false when the source suspended.
bool readRows(JpegStream& stream)
{
    while (stream.info.output_scanline < stream.info.output_height) {
        JSAMPROW row = stream.canvas.scanLine(int(stream.info.output_scanline));
        if (jpeg_read_scanlines(&stream.info, &row, 1) != 1)
            return false;
        if (stream.cmyk)
            cmykToRgb(row, stream.info.output_width, stream.adobe);
        stream.anyRow = true;
    }
    return true;
}

// Decodes as far as the data allows. No object with a destructor lives in this frame.
void advance(JpegStream& stream)
{
    if (setjmp(stream.jump)) {
        stream.phase = JpegStream::Phase::Failed;
        return;
    }
    j_decompress_ptr info = &stream.info;
    for (;;) {
        switch (stream.phase) {
        case JpegStream::Phase::Header:
            if (jpeg_read_header(info, TRUE) == JPEG_SUSPENDED)
                return;
            if (!imageLimits::allows(info->image_width, info->image_height)) {
                stream.phase = JpegStream::Phase::Failed;
                return;
            }
            // libjpeg gives four-channel files only as CMYK (YCCK turned into it).
            stream.cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
            stream.adobe = info->saw_Adobe_marker;
            info->out_color_space = stream.cmyk ? JCS_CMYK : JCS_EXT_BGRX;
            stream.progressive = jpeg_has_multiple_scans(info);
            info->buffered_image = stream.progressive ? TRUE : FALSE;
            info->scale_num = unsigned(stream.scale);
            info->scale_denom = 8;
            jpeg_calc_output_dimensions(info);
            if (!allocateCanvas(stream)) {
                stream.phase = JpegStream::Phase::Failed;
                return;
            }
            stream.phase = JpegStream::Phase::Start;
            break;
        case JpegStream::Phase::Start:
            if (!jpeg_start_decompress(info))
                return;
            if (info->output_width != JDIMENSION(stream.canvas.width())
                || info->output_height != JDIMENSION(stream.canvas.height())
                || info->output_components != 4) {
                stream.phase = JpegStream::Phase::Failed;
                return;
            }
            stream.phase = stream.progressive ? JpegStream::Phase::Scans : JpegStream::Phase::Rows;
            break;
        case JpegStream::Phase::Rows:
            if (!readRows(stream))
                return;
            stream.phase = JpegStream::Phase::Finish;
            break;
        case JpegStream::Phase::Scans: {
            if (!stream.outputting) {
                int status = JPEG_SUSPENDED;
                do {
                    status = jpeg_consume_input(info);
                } while (status != JPEG_SUSPENDED && status != JPEG_REACHED_EOI);
                bool complete = jpeg_input_complete(info);
                if (!complete && info->input_scan_number == info->output_scan_number)
                    return; // nothing new to show
                if (!jpeg_start_output(info, info->input_scan_number))
                    return;
                stream.outputting = true;
            }
            if (!readRows(stream))
                return;
            if (!jpeg_finish_output(info))
                return;
            stream.outputting = false;
            if (jpeg_input_complete(info) && info->input_scan_number == info->output_scan_number)
                stream.phase = JpegStream::Phase::Finish;
            else if (!stream.final)
                return;
            break;
        }
        case JpegStream::Phase::Finish:
            if (!jpeg_finish_decompress(info))
                return;
            stream.phase = JpegStream::Phase::Done;
            return;
        case JpegStream::Phase::Done:
        case JpegStream::Phase::Failed:
            return;
        }
    }
}

// Decoding a JPEG that lacks its end marker, to learn whether its scans ran out of data. Lives on
// the heap and outlives the jump.
struct JpegEndCheck {
    jpeg_decompress_struct info {};
    jpeg_error_mgr errors {};
    std::jmp_buf jump {};
    bool ranOut = false; // the entropy decoder wanted bits the data did not hold

    JpegEndCheck()
    {
        info.err = jpeg_std_error(&errors);
        errors.error_exit = [](j_common_ptr common) {
            std::longjmp(static_cast<JpegEndCheck*>(common->client_data)->jump, 1);
        };
        errors.emit_message = [](j_common_ptr common, int level) {
            if (level < 0 && common->err->msg_code == JWRN_HIT_MARKER)
                static_cast<JpegEndCheck*>(common->client_data)->ranOut = true;
        };
        info.client_data = this;
        jpeg_create_decompress(&info);
    }
    ~JpegEndCheck() { jpeg_destroy_decompress(&info); }
    JpegEndCheck(const JpegEndCheck&) = delete;
    JpegEndCheck& operator=(const JpegEndCheck&) = delete;
};

// Decodes every row, at an eighth of the size (the entropy decoding, which tells, is whole). Every
// component must have had its scan, and a progressive file must have refined every coefficient to
// its last bit. No object with a destructor lives in this frame.
bool decodesEveryRow(JpegEndCheck& check, std::span<const std::uint8_t> data)
{
    if (setjmp(check.jump))
        return false;
    j_decompress_ptr info = &check.info;
    jpeg_mem_src(info, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK || !imageLimits::allows(info->image_width, info->image_height))
        return false;
    info->scale_num = 1;
    info->scale_denom = 8;
    info->dct_method = JDCT_IFAST;
    info->do_fancy_upsampling = FALSE;
    if (!jpeg_start_decompress(info))
        return false;
    JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                info->output_width * JDIMENSION(info->output_components), 1);
    while (info->output_scanline < info->output_height)
        if (jpeg_read_scanlines(info, row, 1) != 1)
            return false;
    if (check.ranOut)
        return false;
    // A component's tables are taken when its first scan starts: a file cut before a component's
    // scan leaves none.
    for (int component = 0; component < info->num_components; ++component)
        if (!info->comp_info[component].quant_table)
            return false;
    if (info->progressive_mode && info->coef_bits) {
        for (int component = 0; component < info->num_components; ++component)
            for (int k = 0; k < DCTSIZE2; ++k)
                if (info->coef_bits[component][k] != 0)
                    return false;
    }
    return true;
}

// Whether every row of data that lacks the end marker arrived: some writers leave the marker out,
// and such a file is whole, while one whose scans stop early is not.
bool jpegRowsAllArrived(std::span<const std::uint8_t> data)
{
    try {
        const auto check = std::make_unique<JpegEndCheck>();
        return decodesEveryRow(*check, data);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

class JpegDecoder final : public FrameDecoder {
public:
    void update(const Ref<Data>& data, bool final) override
    {
        data_ = data;
        final_ = final;
        header_ = readJpegHeader(data_->span());
        cut_ = final_ && !jpegHasEnd(data_->span(), header_) && !jpegRowsAllArrived(data_->span());
        if (refused()) {
            stream_.reset();
            scaledStream_.reset();
            return;
        }
        if (!final_ && !stream_) {
            try {
                stream_ = std::make_unique<JpegStream>();
            } catch (const std::bad_alloc&) {
                stream_.reset();
            }
        }
        if (stream_)
            stream_->feed(data_, final_);
        if (scaledStream_)
            scaledStream_->feed(data_, final_);
    }

    ImageSourceStatus status() const override
    {
        return readingStatus(false, header_.sizeKnown, final_, cut_);
    }

    std::size_t count() const override { return header_.sizeKnown ? 1 : 0; }

    Ref<Dictionary> propertiesAtIndex(std::size_t index) const override
    {
        if (index >= count())
            return nullptr;
        FrameInfo info;
        info.width = header_.width;
        info.height = header_.height;
        info.orientation = header_.orientation;
        return frameProperties(info);
    }

    QImage imageAtIndex(std::size_t index) override
    {
        if (index >= count() || refused())
            return {};
        if (!stream_)
            return decodeWhole(data_->span(), header_.adobe);
        advance(*stream_);
        return stream_->anyRow ? stream_->canvas : QImage();
    }

    // Both roads decode at the smallest DCT scaling that covers the size; data that arrives in parts
    // goes through a stream of its own, kept while the scaling asked for stays the same.
    QImage scaledImageAtIndex(std::size_t index, QSize size) override
    {
        if (index >= count() || refused())
            return {};
        const QSize stored(int(header_.width), int(header_.height));
        const QSize wanted = scaledFrameSize(stored, size);
        if (wanted == stored)
            return imageAtIndex(index);
        if (!stream_)
            return shrunk(decodeWhole(data_->span(), header_.adobe, wanted), wanted);
        const int scale = dctScale(stored, wanted);
        if (!scaledStream_ || scaledStream_->scale != scale) {
            try {
                scaledStream_ = std::make_unique<JpegStream>();
            } catch (const std::bad_alloc&) {
                scaledStream_.reset();
                return {};
            }
            scaledStream_->scale = scale;
            scaledStream_->feed(data_, final_);
        }
        advance(*scaledStream_);
        return scaledStream_->anyRow ? shrunk(scaledStream_->canvas, wanted) : QImage();
    }

private:
    // The smallest of libjpeg's scalings n/8 whose output covers `wanted` on both sides.
    static int dctScale(QSize stored, QSize wanted)
    {
        const auto covers
            = [](int side, int scale, int want) { return (std::int64_t(side) * scale + 7) / 8 >= want; };
        for (int scale = 1; scale < 8; ++scale)
            if (covers(stored.width(), scale, wanted.width())
                && covers(stored.height(), scale, wanted.height()))
                return scale;
        return 8;
    }

    // A progressive frame cannot be decoded below its coefficients, at any size.
    bool refused() const { return header_.coefficientBytes > imageLimits::maxCoefficientBytes; }

    Ref<Data> data_;
    bool final_ = false;
    bool cut_ = false;
    JpegHeader header_;
    std::unique_ptr<JpegStream> stream_;
    std::unique_ptr<JpegStream> scaledStream_; // at the DCT scaling of the last smaller size asked for
};

} // namespace

std::unique_ptr<FrameDecoder> makeJpegDecoder()
{
    return std::make_unique<JpegDecoder>();
}

} // namespace graphics::detail
