#pragma once

#include "Lib/ImageLoading/ILImageTransformer.h"

#include <mutex>
#include <vector>

// Runs its members in order, each on the previous member's result; a member answering nil ends
// the pipeline with nil. Its key is the members' keys joined with "-" ("" for no members), worked
// out whenever the members are set, so a pipeline given new members never answers the old key.
class ILImagePipelineTransformer final : public ILImageTransformer {
public:
    using Transformers = std::vector<foundation::Ref<ILImageTransformer>>;

    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<ILImagePipelineTransformer> transformerWithTransformers(Transformers transformers);

    Transformers transformers() const;
    void setTransformers(Transformers transformers);

    foundation::Ref<foundation::String> transformerKey() const override;
    foundation::Ref<graphics::Image> transformedImageWithImage(const foundation::Ref<graphics::Image>& image,
        const foundation::Ref<foundation::String>& key) const override;

    // The members' keys joined with "-".
    static foundation::Ref<foundation::String> cacheKeyForTransformers(const Transformers& transformers);

private:
    mutable std::mutex mutex_; // members and key change together
    Transformers transformers_;
    foundation::Ref<foundation::String> transformerKey_;
};
