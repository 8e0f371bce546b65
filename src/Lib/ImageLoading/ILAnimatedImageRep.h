#pragma once

#include "Platform/Graphics/BitmapImageRep.h"

#include <cstddef>
#include <memory>

namespace graphics {
class ImageSource;
}

// The representation the animated coders attach to the images they decode, so that playback gets
// the loop count and frame durations the coders read. For GIF it sets the loop count; for APNG (and
// animated WebP, when the WebP coder is in use) it also sets the frame count and current frame 0.
// A still image (one frame) or data of another type gets no animation properties and behaves as a
// plain bitmap representation. Whenever "NSImageCurrentFrame" changes, "NSImageCurrentFrameDuration"
// follows it with the coder's duration of that frame.
//
// Thread-safety: as BitmapImageRep; frameDuration() reads the source without changing the
// current frame, so it is the way to walk frames from several threads.
class ILAnimatedImageRep final : public graphics::BitmapImageRep {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // nil when frame 0 of the data does not decode.
    static foundation::Ref<ILAnimatedImageRep> imageRepWithData(
        const foundation::Ref<foundation::Data>& data);

    void setProperty(std::string_view name, const foundation::Id& value) override;

    // The duration of frame `index` of a representation as its type's animated coder reads it; 0 for a
    // representation without source or of a type no animated coder reads.
    static double frameDuration(const graphics::BitmapImageRep& representation, std::size_t index);

    ILAnimatedImageRep() = default;
};
