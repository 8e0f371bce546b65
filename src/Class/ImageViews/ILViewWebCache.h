#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;
class ILWebIndicator;
class ILWebTransition;
namespace dispatch {
class Progress;
}

// Puts a delivered image into a view (the set-image block of a load).
using ILSetImageBlock
    = std::function<void(const ILImageRef& image, const foundation::Ref<foundation::Data>& data,
        ILCacheType cacheType, const foundation::Ref<foundation::URL>& imageURL)>;
// What callers of the view loading forms get: image (nil on failure), error, cache type, URL.
using ILExternalCompletionBlock
    = std::function<void(const ILImageRef& image, const foundation::Ref<foundation::Error>& error,
        ILCacheType cacheType, const foundation::Ref<foundation::URL>& imageURL)>;

// Image loading for any view, the common part of the loading forms of image views, buttons,
// animated image views and annotation views. The state a view needs (its running loads by
// operation key, the latest URL and key, progress, transition, indicator) is made on first use and
// dropped with the view.
//
// Loads may start on any thread; the view is touched, and every completion called, on the main
// queue: at once when already there, else posted. A load that a newer load under the same key
// replaced sets nothing into the view any more (its partial images and placeholder included);
// its caller's block is still called. Progress blocks run on the loader's queue.

// The common load: placeholder, cancelling the view's previous load under the same key, the
// manager's request, the set action (the block, else the view's own image for an ImageView or a
// KXBaseButton), transition and indicator. Unless the context names a size, a view that has been
// laid out, loading from its own thread, asks for its image decoded no larger than it draws it: its size
// times its device pixel ratio, covered by an image view that fills or stretches, fitted by the others
// (ILImageThumbnail.h).
void il_internalSetImageWithURL(QWidget* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILSetImageBlock setImageBlock, ILImageLoaderProgressBlock progress, ILInternalCompletionBlock completed);
// Cancels the load stored under the latest operation key.
void il_cancelCurrentImageLoad(QWidget* view);

void il_setImage(QWidget* view, const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
    const ILSetImageBlock& setImageBlock, ILCacheType cacheType,
    const foundation::Ref<foundation::URL>& imageURL);
void il_setImage(QWidget* view, const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
    const ILSetImageBlock& setImageBlock, const std::shared_ptr<ILWebTransition>& transition,
    ILCacheType cacheType, const foundation::Ref<foundation::URL>& imageURL);
void il_setNeedsLayout(QWidget* view);

// The view's loads by operation key (held weakly: the manager keeps a running load alive).
std::shared_ptr<ILWebOperation> il_imageLoadOperationForKey(
    QWidget* view, const std::optional<std::string>& key);
// Cancels what is stored under the key, then stores a non-nil operation.
void il_setImageLoadOperation(
    QWidget* view, const std::shared_ptr<ILWebOperation>& operation, const std::optional<std::string>& key);
void il_cancelImageLoadOperationWithKey(QWidget* view, const std::optional<std::string>& key);
void il_removeImageLoadOperationWithKey(QWidget* view, const std::optional<std::string>& key);

std::shared_ptr<ILWebIndicator> il_imageIndicator(QWidget* view);
// Replaces the indicator: the old one's view leaves, the new one's view is centred in this view.
void il_setImageIndicator(QWidget* view, const std::shared_ptr<ILWebIndicator>& indicator);
void il_startImageIndicator(QWidget* view);
void il_stopImageIndicator(QWidget* view);
std::shared_ptr<ILWebTransition> il_imageTransition(QWidget* view);
void il_setImageTransition(QWidget* view, const std::shared_ptr<ILWebTransition>& transition);
foundation::Ref<foundation::URL> il_imageURL(QWidget* view);
std::optional<std::string> il_latestOperationKey(QWidget* view);
// Made on first read; a load started after that keeps its counts (expected and received bytes).
std::shared_ptr<dispatch::Progress> il_imageProgress(QWidget* view);

// A copy of the caller's context (or a new one) with one entry set; the caller's stays as it was.
ILContext il_contextWith(const ILContext& context, std::string_view key, const foundation::Id& value);

// The completion adapter of the loading families: drops data and the finished flag.
ILInternalCompletionBlock il_externalCompletion(ILExternalCompletionBlock completed);
