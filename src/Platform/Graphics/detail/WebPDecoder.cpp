#include "Platform/Graphics/detail/WebPDecoder.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <vector>

namespace graphics::detail {

namespace {

using foundation::Data;
using foundation::Dictionary;
using foundation::Ref;

struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
struct IncrementalDeleter {
    void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
};

// A still decoded as its data arrives, at the canvas's size. libwebp keeps pointers to the output
// description and the options it was started with and writes through them into the canvas on every
// update, so all live as long as the decoder, which is destroyed first; held by pointer, none of
// them ever moves.
struct IncrementalStill {
    QImage canvas;
    WebPDecoderConfig config {};
    std::unique_ptr<WebPIDecoder, IncrementalDeleter> decoder;

    ~IncrementalStill()
    {
        decoder.reset();
        WebPFreeDecBuffer(&config.output);
    }
};

// Points `config` at `image` and asks for scaling when the image is smaller than the stored size.
void describeOutput(WebPDecoderConfig& config, QImage& image, bool alpha, QSize stored)
{
    config.output.colorspace = alpha ? MODE_bgrA : MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = std::size_t(image.sizeInBytes());
    if (image.size() != stored) {
        config.options.use_scaling = 1;
        config.options.scaled_width = image.width();
        config.options.scaled_height = image.height();
    }
}

class WebPDecoder final : public FrameDecoder {
public:
    void update(const Ref<Data>& data, bool final) override
    {
        data_ = data;
        final_ = final;
        WebPData bytes {data_->bytes(), data_->length()};
        WebPDemuxState state = WEBP_DEMUX_PARSING_HEADER;
        demux_.reset(WebPDemuxPartial(&bytes, &state));
        headerRead_ = demux_ && state >= WEBP_DEMUX_PARSED_HEADER;
        invalid_ = state == WEBP_DEMUX_PARSE_ERROR || (final_ && !demux_);
        cut_ = final_ && state != WEBP_DEMUX_DONE;
        animation_.reset();
        next_ = 0;
        if (!headerRead_)
            return;
        width_ = WebPDemuxGetI(demux_.get(), WEBP_FF_CANVAS_WIDTH);
        height_ = WebPDemuxGetI(demux_.get(), WEBP_FF_CANVAS_HEIGHT);
        std::uint32_t flags = WebPDemuxGetI(demux_.get(), WEBP_FF_FORMAT_FLAGS);
        animated_ = (flags & ANIMATION_FLAG) != 0;
        alpha_ = (flags & ALPHA_FLAG) != 0;
        WebPBitstreamFeatures features;
        lossless_ = false;
        if (!animated_ && WebPGetFeatures(data_->bytes(), data_->length(), &features) == VP8_STATUS_OK) {
            alpha_ = features.has_alpha != 0;
            lossless_ = features.format == 2;
        }
        frames_ = animated_ ? (final_ && state == WEBP_DEMUX_DONE ? WebPDemuxGetI(demux_.get(), WEBP_FF_FRAME_COUNT) : 0)
                            : 1;
    }

    ImageSourceStatus status() const override { return readingStatus(invalid_, headerRead_, final_, cut_); }

    std::size_t count() const override { return headerRead_ && !invalid_ ? frames_ : 0; }

    Ref<Dictionary> properties() const override
    {
        if (!animated_ || count() == 0)
            return Dictionary::create();
        return loopProperties(imageProperty::webpDictionary, WebPDemuxGetI(demux_.get(), WEBP_FF_LOOP_COUNT));
    }

    Ref<Dictionary> propertiesAtIndex(std::size_t index) const override
    {
        if (index >= count())
            return nullptr;
        FrameInfo info;
        info.width = width_;
        info.height = height_;
        info.alpha = alpha_ || animated_;
        if (animated_) {
            WebPIterator iterator;
            info.formatKey = imageProperty::webpDictionary;
            if (WebPDemuxGetFrame(demux_.get(), int(index) + 1, &iterator)) {
                info.delay = iterator.duration / 1000.0;
                WebPDemuxReleaseIterator(&iterator);
            }
        }
        return frameProperties(info);
    }

    QImage imageAtIndex(std::size_t index) override
    {
        if (index >= count())
            return {};
        if (animated_)
            return animationFrame(index);
        if (final_) {
            // Final data is decoded in one pass: libwebp's incremental decoder, fed the whole
            // file after a part of it, can call through a null pointer on some damaged streams.
            // Data cut short goes to a fresh incremental decoder at once, which gives its rows.
            incremental_.reset();
            return cut_ ? partialStill() : still();
        }
        return partialStill();
    }

    // Stills are decoded at the size asked for by libwebp's scaling, as their rows come.
    QImage scaledImageAtIndex(std::size_t index, QSize size) override
    {
        const QSize stored { int(width_), int(height_) };
        const QSize wanted = scaledFrameSize(stored, size);
        if (index >= count() || animated_ || wanted == stored)
            return animated_ ? FrameDecoder::scaledImageAtIndex(index, size) : imageAtIndex(index);
        if (!imageLimits::allowsScaledDecode(width_, height_, heldBytesPerPixel()))
            return {};
        if (final_) {
            incremental_.reset();
            return cut_ ? partialStill(wanted) : still(wanted);
        }
        return partialStill(wanted);
    }

private:
    // What libwebp holds for each stored pixel whatever the output size: a lossless image keeps
    // every pixel (later ones copy earlier ones from anywhere), a lossy one with alpha keeps its
    // alpha plane and that plane's own lossless pixels. Lossy rows without alpha hold a few rows.
    std::uint64_t heldBytesPerPixel() const
    {
        if (lossless_)
            return 4;
        return alpha_ ? 2 : 0;
    }

    // `size` invalid for the stored size.
    QImage still(QSize size = {}) const
    {
        const QSize stored { int(width_), int(height_) };
        size = size.isValid() ? size : stored;
        // WebPDecode writes every pixel or fails.
        QImage image = allocateFrameForOverwrite(size.width(), size.height(), alpha_);
        if (image.isNull())
            return {};
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config))
            return {};
        describeOutput(config, image, alpha_, stored);
        bool decoded = WebPDecode(data_->bytes(), data_->length(), &config) == VP8_STATUS_OK;
        WebPFreeDecBuffer(&config.output);
        return decoded ? image : QImage();
    }

    // The rows decoded so far, at `size` (invalid for the stored size); the incremental decoder
    // keeps its place between updates while the size asked for stays the same.
    QImage partialStill(QSize size = {})
    {
        const QSize stored { int(width_), int(height_) };
        size = size.isValid() ? size : stored;
        if (incremental_ && incremental_->canvas.size() != size)
            incremental_.reset();
        if (!incremental_) {
            auto still = std::make_unique<IncrementalStill>();
            still->canvas = allocateFrame(size.width(), size.height(), alpha_);
            if (still->canvas.isNull() || !WebPInitDecoderConfig(&still->config))
                return {};
            describeOutput(still->config, still->canvas, alpha_, stored);
            still->decoder.reset(WebPIDecode(nullptr, 0, &still->config));
            if (!still->decoder)
                return {};
            incremental_ = std::move(still);
        }
        int lastRow = 0;
        VP8StatusCode status = WebPIUpdate(incremental_->decoder.get(), data_->bytes(), data_->length());
        if (status != VP8_STATUS_OK && status != VP8_STATUS_SUSPENDED)
            return {};
        if (!WebPIDecGetRGB(incremental_->decoder.get(), &lastRow, nullptr, nullptr, nullptr) || lastRow <= 0)
            return {};
        // A copy: the decoder keeps writing into the canvas's memory.
        return incremental_->canvas.copy();
    }

    QImage animationFrame(std::size_t index)
    {
        if (!imageLimits::allows(width_, height_))
            return {};
        if (!animation_) {
            WebPAnimDecoderOptions options;
            if (!WebPAnimDecoderOptionsInit(&options))
                return {};
            options.color_mode = MODE_bgrA;
            options.use_threads = 0;
            WebPData bytes {data_->bytes(), data_->length()};
            animation_.reset(WebPAnimDecoderNew(&bytes, &options));
            if (!animation_)
                return {};
            next_ = 0;
        }
        if (index < next_) {
            WebPAnimDecoderReset(animation_.get());
            next_ = 0;
        }
        std::uint8_t* pixels = nullptr;
        while (next_ <= index) {
            int timestamp = 0;
            if (!WebPAnimDecoderGetNext(animation_.get(), &pixels, &timestamp))
                return {};
            ++next_;
        }
        QImage frame = allocateFrameForOverwrite(width_, height_, true);
        if (frame.isNull() || !pixels)
            return {};
        for (int y = 0; y < frame.height(); ++y)
            std::memcpy(frame.scanLine(y), pixels + std::size_t(y) * width_ * 4, std::size_t(width_) * 4);
        return frame;
    }

    Ref<Data> data_;
    bool final_ = false;
    bool headerRead_ = false;
    bool invalid_ = false;
    bool cut_ = false; // final data that ends inside the container: its still shows the rows it holds
    bool animated_ = false;
    bool alpha_ = false;
    bool lossless_ = false;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::size_t frames_ = 0;
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux_;
    std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> animation_;
    std::size_t next_ = 0;
    std::unique_ptr<IncrementalStill> incremental_;
};

} // namespace

std::unique_ptr<FrameDecoder> makeWebPDecoder()
{
    return std::make_unique<WebPDecoder>();
}

} // namespace graphics::detail
