#include "Platform/Graphics/detail/BmpLayout.h"
#include "Platform/Graphics/detail/BmpPixels.h"
#include "Platform/Graphics/detail/WholeDataDecoder.h"
#include "Platform/Graphics/detail/WholeDataDecoders.h"

namespace graphics::detail {

namespace {

class BmpDecoder final : public WholeDataDecoder {
    bool open(std::vector<Frame>& frames) override
    {
        layout_ = readBmpLayout(data().span());
        if (!layout_)
            return false;
        frames.push_back(Frame {layout_->width, layout_->height, layout_->alpha, 0});
        return true;
    }

    QImage decode(std::size_t, const Frame& frame) override
    {
        QImage image = allocateFrame(frame.width, frame.height, frame.alpha);
        if (!image.isNull())
            readBmpPixels(*layout_, data().span(), image);
        return image;
    }

    QImage decodeScaled(std::size_t, const Frame& frame, QSize size) override
    {
        QImage target = allocateFrame(size.width(), size.height(), frame.alpha);
        if (target.isNull())
            return {};
        return readBmpPixelsScaled(*layout_, data().span(), std::move(target));
    }

    bool endsEarly() const override { return layout_ && bmpPixelsCut(*layout_, data().span()); }

    std::optional<BmpLayout> layout_;
};

} // namespace

std::unique_ptr<FrameDecoder> makeBmpDecoder()
{
    return std::make_unique<BmpDecoder>();
}

} // namespace graphics::detail
