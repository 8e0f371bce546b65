#pragma once

#include "Lib/ImageLoading/ILImageTransformer.h"

#include <QColor>

// Rounds the corners in `corners` (ILCornerMask) and strokes an optional border; an invalid
// border colour draws none.
class ILImageRoundCornerTransformer final : public ILImageTransformer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImageRoundCornerTransformer> transformerWithRadius(
        double cornerRadius, unsigned corners, double borderWidth, const QColor& borderColor);

    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double value) { cornerRadius_ = value; }
    unsigned corners() const { return corners_; }
    void setCorners(unsigned value) { corners_ = value; }
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double value) { borderWidth_ = value; }
    const QColor& borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& value) { borderColor_ = value; }

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

private:
    double cornerRadius_ = 0;
    unsigned corners_ = 0;
    double borderWidth_ = 0;
    QColor borderColor_;
};
