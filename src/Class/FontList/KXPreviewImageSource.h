#pragma once

#include "Platform/Foundation/Object.h"

#include <QSize>
#include <QSizeF>
#include <functional>
#include <memory>
#include <string>

namespace graphics {
class Image;
}

// Where an image is drawn: the box in device pixels and whether the image covers it (cut or
// stretched to it) or fits inside it. An empty box asks for no particular size. of() rounds the
// box up to the next of a few steps (each half as large again as the one before), so a list that
// grows a little keeps the images it has while an image is still decoded at most one step larger
// than it shows.
struct KXPreviewBox {
    QSize pixels;
    bool fill = false;

    static KXPreviewBox of(const QSizeF& drawn, qreal devicePixelRatio, bool fill = false);
    bool operator==(const KXPreviewBox&) const = default;
};

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

    // The image of the URL for `box` when memory holds it now, else nil; never starts a load.
    virtual foundation::Ref<graphics::Image> cachedImage(const std::string& url, const KXPreviewBox& box) = 0;
    // Starts loading the URL (progressively where the loader can), decoded for `box`.
    virtual std::shared_ptr<Load> load(const std::string& url, const KXPreviewBox& box, Done done) = 0;

    // The installed source, or nullptr.
    static std::shared_ptr<KXPreviewImageSource> shared();
    // Installs `source` (nullptr: none) and returns the previous one.
    static std::shared_ptr<KXPreviewImageSource> install(std::shared_ptr<KXPreviewImageSource> source);
};
