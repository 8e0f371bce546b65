#pragma once

#include "Lib/ImageLoading/ILImageTransformer.h"

#include <QColor>

// Paints the visible pixels with `tintColor`.
class ILImageTintTransformer final : public ILImageTransformer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImageTintTransformer> transformerWithColor(const QColor& tintColor);

    const QColor& tintColor() const { return tintColor_; }
    void setTintColor(const QColor& value) { tintColor_ = value; }

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

private:
    QColor tintColor_;
};
