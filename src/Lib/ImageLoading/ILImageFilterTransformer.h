#pragma once

#include "Lib/ImageLoading/ILImageTransformer.h"

#include <memory>

class ILImageFilter;

// Runs `filter` over the image. The filter keeps the last image as its input, so one filter
// shared by loads on several queues sees whichever came last; its output is made under its lock.
class ILImageFilterTransformer final : public ILImageTransformer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImageFilterTransformer> transformerWithFilter(
        const std::shared_ptr<ILImageFilter>& filter);

    const std::shared_ptr<ILImageFilter>& filter() const { return filter_; }
    void setFilter(const std::shared_ptr<ILImageFilter>& value) { filter_ = value; }

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

private:
    std::shared_ptr<ILImageFilter> filter_;
};
