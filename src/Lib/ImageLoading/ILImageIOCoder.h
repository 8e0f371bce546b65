#pragma once

#include "Lib/ImageLoading/ILImageCoder.h"

#include <memory>
#include <mutex>

namespace graphics {
class ImageSource;
}

// The static coder: every format the image sources read except WebP (HEIC and HEIF only when this
// build decodes them), undefined data included, as a still image of its first frame turned upright
// by its orientation; partial data, the rows so far; encoding to JPEG, PNG, GIF, TIFF and, when the
// build writes them, HEIC and HEIF.
//
// Thread-safety: the shared coder keeps no state of one image. A coder made for one load
// (initIncrementalWithOptions) is fed by that load's queue; its state is guarded by a mutex.
class ILImageIOCoder final : public ILImageCoder, public ILProgressiveImageCoder {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static const std::shared_ptr<ILImageIOCoder>& sharedCoder();

    bool canDecodeFromData(const foundation::Ref<foundation::Data>& data) const override;
    foundation::Ref<graphics::Image> decodedImageWithData(
        const foundation::Ref<foundation::Data>& data, const ILImageCoderOptions& options) const override;
    bool canEncodeToFormat(ILImageFormatCode format) const override;
    // Format -1 writes PNG for pixels with alpha and JPEG for pixels without.
    foundation::Ref<foundation::Data> encodedDataWithImage(const foundation::Ref<graphics::Image>& image,
        ILImageFormatCode format, const ILImageCoderOptions& options) const override;

    bool canIncrementalDecodeFromData(const foundation::Ref<foundation::Data>& data) const override;
    foundation::Ref<ILImageCoder> initIncrementalWithOptions(
        const ILImageCoderOptions& options) const override;
    void updateIncrementalData(const foundation::Ref<foundation::Data>& data, bool finished) override;
    foundation::Ref<graphics::Image> incrementalDecodedImageWithOptions(
        const ILImageCoderOptions& options) override;
    QSize incrementalPixelSize() const override;

    ILImageIOCoder() = default;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<graphics::ImageSource> source_;
    int width_ = 0;
    int height_ = 0;
    int orientation_ = 1;
    double scale_ = 1;
    bool finished_ = false;
};
