#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>
#include <memory>
#include <string>

namespace graphics {
class Image;
}

// The one place where the font rows ask for preview images by URL: the application's image
// loader stands behind it (KXWebPreviewSource, installed at start-up by registerFontListOverlays),
// tests install their own. Without an installed source nothing is loaded and rows show no preview.
//
// Main thread only: the source answers `done` on the main queue.
class KXPreviewImageSource {
public:
    // A load in flight; cancelling it means `done` is not called any more.
    class Load {
    public:
        virtual ~Load() = default;
        virtual void cancel() = 0;
    };
    // The image so far: `finished` false for a partial image of a progressive load (more calls
    // follow), true for the last call, whose image is nil when the load failed.
    using Done = std::function<void(const foundation::Ref<graphics::Image>& image, bool finished)>;

    virtual ~KXPreviewImageSource() = default;

    // The image of the URL when memory holds it now, else nil; never starts a load.
    virtual foundation::Ref<graphics::Image> cachedImage(const std::string& url) = 0;
    // Starts loading the URL (progressively where the loader can).
    virtual std::shared_ptr<Load> load(const std::string& url, Done done) = 0;

    // The installed source, or nullptr.
    static std::shared_ptr<KXPreviewImageSource> shared();
    // Installs `source` (nullptr: none) and returns the previous one.
    static std::shared_ptr<KXPreviewImageSource> install(std::shared_ptr<KXPreviewImageSource> source);
};
