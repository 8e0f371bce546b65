#pragma once

#include "Lib/ImageLoading/ILImageCoder.h"

#include <memory>
#include <mutex>
#include <vector>

// The shared, ordered list of coders. It is always asked from its last coder to its first, so a
// coder added later takes precedence; the first coder that says it can decode (or encode) does the
// work and its answer is final, even nil. The default list is the static coder, the GIF coder and
// the APNG coder, so APNG is asked first (and takes still PNG), then GIF, then the static coder.
// WebP has no coder in the default list; HEIC and HEIF go through the static coder when this build
// decodes them.
//
// Thread-safety: the list is read and changed under a mutex, and readers get a copy; decoding and
// encoding run outside it, on the caller's thread.
class ILImageCodersManager final : public ILImageCoder {
public:
    using Coders = std::vector<foundation::Ref<ILImageCoder>>;

    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static const std::shared_ptr<ILImageCodersManager>& sharedManager();

    Coders coders() const;
    void setCoders(Coders coders); // nil entries are dropped; an empty list empties it
    void addCoder(const foundation::Ref<ILImageCoder>& coder); // nil is ignored
    void removeCoder(const foundation::Ref<ILImageCoder>& coder); // by identity

    bool canDecodeFromData(const foundation::Ref<foundation::Data>& data) const override;
    foundation::Ref<graphics::Image> decodedImageWithData(
        const foundation::Ref<foundation::Data>& data, const ILImageCoderOptions& options) const override;
    bool canEncodeToFormat(ILImageFormatCode format) const override;
    foundation::Ref<foundation::Data> encodedDataWithImage(const foundation::Ref<graphics::Image>& image,
        ILImageFormatCode format, const ILImageCoderOptions& options) const override;

    // A manager with the default list (the shared manager is one of these).
    ILImageCodersManager();

private:
    mutable std::mutex mutex_;
    Coders coders_;
};
