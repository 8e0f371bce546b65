#pragma once

#include "Lib/ImageLoading/ILImageTransformer.h"

// Turns the image by `angle` radians, counter-clockwise on screen, growing the canvas to fit
// when `fitSize` is set.
class ILImageRotationTransformer final : public ILImageTransformer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImageRotationTransformer> transformerWithAngle(double angle, bool fitSize);

    double angle() const { return angle_; }
    void setAngle(double value) { angle_ = value; }
    bool fitSize() const { return fitSize_; }
    void setFitSize(bool value) { fitSize_ = value; }

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

private:
    double angle_ = 0;
    bool fitSize_ = false;
};
