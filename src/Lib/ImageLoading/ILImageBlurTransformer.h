#pragma once

#include "Lib/ImageLoading/ILImageTransformer.h"

// Blurs the image by `blurRadius` points.
class ILImageBlurTransformer final : public ILImageTransformer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImageBlurTransformer> transformerWithRadius(double blurRadius);

    double blurRadius() const { return blurRadius_; }
    void setBlurRadius(double value) { blurRadius_ = value; }

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

private:
    double blurRadius_ = 0;
};
