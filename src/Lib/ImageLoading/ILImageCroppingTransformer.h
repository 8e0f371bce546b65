#pragma once

#include "Lib/ImageLoading/ILImageTransformer.h"

#include <QRectF>

// Cuts `rect` (points, y downwards) out of the image.
class ILImageCroppingTransformer final : public ILImageTransformer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImageCroppingTransformer> transformerWithRect(const QRectF& rect);

    const QRectF& rect() const { return rect_; }
    void setRect(const QRectF& value) { rect_ = value; }

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

private:
    QRectF rect_;
};
