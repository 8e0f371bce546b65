#pragma once

#include "Class/ImageViews/ILViewWebCache.h"

class ImageView;

// Loading an image by URL into an ImageView: the placeholder is shown at once (unless option
// 0x100), the view's previous load is cancelled, and the image comes from the memory cache, the
// disk cache or the network; it is set on the main queue and then the completion block gets
// (image, error, cache type, URL). Pages use option 4 (progressive: partial images while the
// download runs, the completion once) and 8 (refresh: a cached image at once, then the URL asked
// again; the view may be set twice). A nil URL leaves the placeholder and reports error 1000.
// May be called from any thread; see ILViewWebCache.h.
void il_setImageWithURL(ImageView* view, const foundation::Ref<foundation::URL>& url);
void il_setImageWithURL(
    ImageView* view, const foundation::Ref<foundation::URL>& url, const ILImageRef& placeholder);
void il_setImageWithURL(ImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options);
void il_setImageWithURL(ImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context);
void il_setImageWithURL(
    ImageView* view, const foundation::Ref<foundation::URL>& url, ILExternalCompletionBlock completed);
void il_setImageWithURL(ImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILExternalCompletionBlock completed);
void il_setImageWithURL(ImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILExternalCompletionBlock completed);
void il_setImageWithURL(ImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed);
void il_setImageWithURL(ImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed);
