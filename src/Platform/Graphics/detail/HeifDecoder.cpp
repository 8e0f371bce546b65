#include "Platform/Graphics/detail/HeifItems.h"
#include "Platform/Graphics/detail/WholeDataDecoder.h"
#include "Platform/Graphics/detail/WholeDataDecoders.h"

#include <libheif/heif.h>

#include <cstring>
#include <mutex>

namespace graphics::detail {

namespace {

void initialise()
{
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};

// The primary image only: libheif 1.15 reads no image sequences. Its rotation and mirror boxes are
// applied by libheif, so frames come upright and carry no Orientation.
class HeifDecoder final : public WholeDataDecoder {
    bool open(std::vector<Frame>& frames) override
    {
        initialise();
        handle_.reset(); // it keeps the context it came from
        context_.reset(heif_context_alloc());
        if (!context_)
            return false;
        // The check of the primary image's size below does not reach the grids and tiles it is
        // made of, whose sizes libheif reads on its own: a grid claiming a larger canvas than its
        // image's size property took gigabytes from a 1 KB file.
        heif_context_set_maximum_image_size_limit(context_.get(), static_cast<int>(imageLimits::maxSide));
        bytes_ = sharedData();
        if (!heifDerivedImagesResolve(bytes_->span()))
            return false;
        if (heif_context_read_from_memory_without_copy(context_.get(), bytes_->bytes(), bytes_->length(), nullptr).code
            != heif_error_Ok)
            return false;
        heif_image_handle* handle = nullptr;
        if (heif_context_get_primary_image_handle(context_.get(), &handle).code != heif_error_Ok)
            return false;
        handle_.reset(handle);
        Frame frame;
        frame.width = heif_image_handle_get_width(handle);
        frame.height = heif_image_handle_get_height(handle);
        // The coded size bounds the memory the decoder takes before any transformation.
        if (!imageLimits::allows(heif_image_handle_get_ispe_width(handle), heif_image_handle_get_ispe_height(handle)))
            frame.width = frame.height = 0;
        frame.alpha = heif_image_handle_has_alpha_channel(handle) != 0;
        frames.push_back(frame);
        return true;
    }

    QImage decode(std::size_t, const Frame& frame) override
    {
        heif_image* decoded = nullptr;
        if (heif_decode_image(handle_.get(), &decoded, heif_colorspace_RGB,
                frame.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr)
                .code
            != heif_error_Ok)
            return {};
        std::unique_ptr<heif_image, ImageDeleter> image(decoded);
        int width = heif_image_get_width(decoded, heif_channel_interleaved);
        int height = heif_image_get_height(decoded, heif_channel_interleaved);
        int stride = 0;
        const std::uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
        QImage result = allocateFrame(width, height, frame.alpha);
        if (!plane || result.isNull())
            return {};
        int channels = frame.alpha ? 4 : 3;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* source = plane + std::size_t(y) * std::size_t(stride);
            auto* target = reinterpret_cast<std::uint32_t*>(result.scanLine(y));
            for (int x = 0; x < width; ++x, source += channels) {
                std::uint32_t a = frame.alpha ? source[3] : 255u;
                target[x] = a << 24 | std::uint32_t(source[0]) << 16 | std::uint32_t(source[1]) << 8 | source[2];
            }
            if (frame.alpha)
                premultiplyRow(target, std::size_t(width));
        }
        return result;
    }

    foundation::Ref<foundation::Data> bytes_; // the context reads them in place: it goes first
    std::unique_ptr<heif_context, ContextDeleter> context_;
    std::unique_ptr<heif_image_handle, HandleDeleter> handle_;
};

} // namespace

bool heifCanDecode()
{
    initialise();
    static const bool can = heif_have_decoder_for_format(heif_compression_HEVC) != 0;
    return can;
}

std::unique_ptr<FrameDecoder> makeHeifDecoder()
{
    return std::make_unique<HeifDecoder>();
}

} // namespace graphics::detail
