#pragma once

#include "Class/FontList/KXPreviewImageSource.h"

class ILWebManager;

// The rows' previews through the application's image loader: the memory cache answers at once,
// loads run progressively (partial images while downloading) through the manager, which also
// stores what arrives in its caches. Each preview is decoded for the box it is drawn in and cached
// under it (ILImageThumbnail.h). Main thread only.
class KXWebPreviewSource final : public KXPreviewImageSource {
public:
    // Over the shared manager, or `manager`.
    explicit KXWebPreviewSource(std::shared_ptr<ILWebManager> manager = nullptr);

    foundation::Ref<graphics::Image> cachedImage(const std::string& url, const KXPreviewBox& box) override;
    std::shared_ptr<Load> load(const std::string& url, const KXPreviewBox& box, Done done) override;

private:
    std::shared_ptr<ILWebManager> manager_;
};
