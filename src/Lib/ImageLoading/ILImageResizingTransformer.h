#pragma once

#include "Lib/ImageLoading/ILImageTransform.h"
#include "Lib/ImageLoading/ILImageTransformer.h"

#include <QSizeF>

// Draws the image into a canvas of `size` in `scaleMode`.
class ILImageResizingTransformer final : public ILImageTransformer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImageResizingTransformer> transformerWithSize(
        const QSizeF& size, ILScaleMode scaleMode);

    const QSizeF& size() const { return size_; }
    void setSize(const QSizeF& value) { size_ = value; }
    ILScaleMode scaleMode() const { return scaleMode_; }
    void setScaleMode(ILScaleMode value) { scaleMode_ = value; }

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

private:
    QSizeF size_;
    ILScaleMode scaleMode_ = ILScaleModeFill;
};
