#pragma once

#include "Lib/ImageLoading/ILImageIOAnimatedCoder.h"

#include <string_view>

// The HEIC coder. It is not in the coders manager's default list: the static coder asks its class
// checks to decide whether HEIC and HEIF data are decoded and encoded. As a coder of its own it
// takes HEIC and HEIF data when this build decodes them. The decoder reads no image sequences, so
// an animated HEIC shows its primary image. The capability checks are worked out once each,
// thread-safely; otherwise thread-safety as ILImageIOAnimatedCoder.
class ILImageHEICCoder final : public ILImageIOAnimatedCoderOf<ILImageHEICCoder> {
public:
    static constexpr std::string_view kSequenceTypeIdentifier = "public.heics";

    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static const ILAnimatedCoderTraits& coderTraits();

    // Whether the image sources of this build read the format's type identifier.
    static bool canDecodeFromHEICFormat();
    static bool canDecodeFromHEIFFormat();
    // Whether an image destination for the format's type identifier can be made.
    static bool canEncodeToHEICFormat();
    static bool canEncodeToHEIFFormat();

    bool canDecodeFromData(const foundation::Ref<foundation::Data>& data) const override;
    bool canEncodeToFormat(ILImageFormatCode format) const override;
};
