#include "Platform/Graphics/detail/WholeDataDecoder.h"
#include "Platform/Graphics/detail/WholeDataDecoders.h"

#include <QBuffer>
#include <QImageReader>

#include <string>

namespace graphics::detail {

namespace {

// ICO through Qt's reader, always told the format its magic showed, so no other data reaches a Qt
// plugin. The size from the header is checked before a frame is read.
class QtReaderDecoder final : public WholeDataDecoder {
public:
    explicit QtReaderDecoder(std::string_view format)
        : format_(format)
    {
    }

private:
    bool open(std::vector<Frame>& frames) override
    {
        held_ = sharedData();
        bytes_ = QByteArray::fromRawData(reinterpret_cast<const char*>(held_->bytes()), qsizetype(held_->length()));
        QBuffer buffer(&bytes_);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format_.c_str());
        int count = std::max(1, reader.imageCount());
        for (int i = 0; i < count && i < 256; ++i) {
            if (i > 0 && !reader.jumpToImage(i))
                break;
            QSize size = reader.size();
            if (!size.isValid())
                break;
            frames.push_back(Frame {size.width(), size.height(), true, 0});
        }
        return !frames.empty();
    }

    QImage decode(std::size_t index, const Frame& frame) override
    {
        return read(index, QSize(int(frame.width), int(frame.height)), false);
    }

    // At the size asked for where the plugin reads at a smaller size (ICO's does not: its frames
    // are then decoded whole under the ceiling, or refused).
    QImage decodeScaled(std::size_t index, const Frame& frame, QSize size) override
    {
        QBuffer buffer(&bytes_);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format_.c_str());
        if (!reader.supportsOption(QImageIOHandler::ScaledSize))
            return WholeDataDecoder::decodeScaled(index, frame, size);
        return read(index, size, true);
    }

    // Frame `index`, which must come out at `size`.
    QImage read(std::size_t index, QSize size, bool scaled)
    {
        QBuffer buffer(&bytes_);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format_.c_str());
        if (index > 0 && !reader.jumpToImage(int(index)))
            return {};
        if (scaled)
            reader.setScaledSize(size);
        QImage image = reader.read();
        if (image.isNull() || image.size() != size)
            return {};
        return image.convertToFormat(
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    }

    std::string format_;
    foundation::Ref<foundation::Data> held_;
    QByteArray bytes_; // over held_'s bytes
};

} // namespace

std::unique_ptr<FrameDecoder> makeQtReaderDecoder(std::string_view format)
{
    return std::make_unique<QtReaderDecoder>(format);
}

} // namespace graphics::detail
