#pragma once

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/detail/FrameDecoder.h"

#include <vector>

namespace graphics::detail {

// The common part of the formats read only once their data is complete: the subclass reads the
// frames' sizes once (open) and decodes one frame on request.
class WholeDataDecoder : public FrameDecoder {
public:
    struct Frame {
        std::int64_t width = 0;
        std::int64_t height = 0;
        bool alpha = false;
        int orientation = 0;
    };

    void update(const foundation::Ref<foundation::Data>& data, bool final) override
    {
        data_ = data;
        final_ = final;
        frames_.clear();
        opened_ = final && open(frames_);
    }
    ImageSourceStatus status() const override
    {
        if (!final_)
            return ImageSourceStatus::Incomplete;
        if (!opened_)
            return ImageSourceStatus::InvalidData;
        return endsEarly() ? ImageSourceStatus::UnexpectedEOF : ImageSourceStatus::Complete;
    }
    std::size_t count() const override { return frames_.size(); }
    foundation::Ref<foundation::Dictionary> propertiesAtIndex(std::size_t index) const override
    {
        if (index >= frames_.size())
            return nullptr;
        FrameInfo info;
        info.width = frames_[index].width;
        info.height = frames_[index].height;
        info.alpha = frames_[index].alpha;
        info.orientation = frames_[index].orientation;
        return frameProperties(info);
    }
    QImage imageAtIndex(std::size_t index) override
    {
        if (index >= frames_.size() || !imageLimits::allows(frames_[index].width, frames_[index].height))
            return {};
        return decode(index, frames_[index]);
    }
    QImage scaledImageAtIndex(std::size_t index, QSize size) override
    {
        if (index >= frames_.size() || !imageLimits::allows(frames_[index].width, frames_[index].height))
            return {};
        const Frame& frame = frames_[index];
        const QSize stored(int(frame.width), int(frame.height));
        const QSize wanted = scaledFrameSize(stored, size);
        if (wanted == stored)
            return decode(index, frame);
        return decodeScaled(index, frame, wanted);
    }

protected:
    virtual bool open(std::vector<Frame>& frames) = 0;
    virtual QImage decode(std::size_t index, const Frame& frame) = 0;
    // The frame at `size`, smaller than its own on some side. This version decodes it whole and
    // shrinks it, and refuses a frame past imageLimits::maxScaledDecodeBytes.
    virtual QImage decodeScaled(std::size_t index, const Frame& frame, QSize size)
    {
        if (!imageLimits::allowsScaledDecode(frame.width, frame.height))
            return {};
        return shrunk(decode(index, frame), size);
    }
    // After a successful open(): the data stops before the image does (it still decodes as far as
    // it goes).
    virtual bool endsEarly() const { return false; }
    const foundation::Data& data() const { return *data_; }
    // For a library that keeps reading the data after open(): a decoder holds this beside the
    // library's state, as a later update replaces the data here.
    const foundation::Ref<foundation::Data>& sharedData() const { return data_; }

private:
    foundation::Ref<foundation::Data> data_;
    bool final_ = false;
    bool opened_ = false;
    std::vector<Frame> frames_;
};

} // namespace graphics::detail
