#pragma once

#include "Lib/ImageLoading/ILImageTransformer.h"

// Mirrors the image left to right and/or top to bottom.
class ILImageFlippingTransformer final : public ILImageTransformer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImageFlippingTransformer> transformerWithHorizontal(
        bool horizontal, bool vertical);

    bool horizontal() const { return horizontal_; }
    void setHorizontal(bool value) { horizontal_ = value; }
    bool vertical() const { return vertical_; }
    void setVertical(bool value) { vertical_ = value; }

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

private:
    bool horizontal_ = false;
    bool vertical_ = false;
};
