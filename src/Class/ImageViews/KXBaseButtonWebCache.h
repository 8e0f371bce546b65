#pragma once

#include "Class/ImageViews/ILViewWebCache.h"

class KXBaseButton;

// Loading a button's image and alternate image by URL, independently of each other (the alternate
// image runs under the operation key "NSButtonAlternateImageOperation"). Delivered images reach
// the button converted to the kit's image on the main queue (an animated image shows its first
// frame). The URL of the latest request of each is recorded, nil for a nil URL.
void il_setImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url);
void il_setImageWithURL(
    KXBaseButton* button, const foundation::Ref<foundation::URL>& url, const ILImageRef& placeholder);
void il_setImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options);
void il_setImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context);
void il_setImageWithURL(
    KXBaseButton* button, const foundation::Ref<foundation::URL>& url, ILExternalCompletionBlock completed);
void il_setImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILExternalCompletionBlock completed);
void il_setImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILExternalCompletionBlock completed);
void il_setImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed);
void il_setImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed);

void il_setAlternateImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url);
void il_setAlternateImageWithURL(
    KXBaseButton* button, const foundation::Ref<foundation::URL>& url, const ILImageRef& placeholder);
void il_setAlternateImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options);
void il_setAlternateImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context);
void il_setAlternateImageWithURL(
    KXBaseButton* button, const foundation::Ref<foundation::URL>& url, ILExternalCompletionBlock completed);
void il_setAlternateImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILExternalCompletionBlock completed);
void il_setAlternateImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILExternalCompletionBlock completed);
void il_setAlternateImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed);
void il_setAlternateImageWithURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed);

inline constexpr const char* ILButtonAlternateImageOperationKey = "NSButtonAlternateImageOperation";

// Cancels the image load (the button's class name is its key) or the alternate image load.
void il_cancelCurrentImageLoad(KXBaseButton* button);
void il_cancelCurrentAlternateImageLoad(KXBaseButton* button);
foundation::Ref<foundation::URL> il_currentImageURL(KXBaseButton* button);
void il_setCurrentImageURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url);
foundation::Ref<foundation::URL> il_currentAlternateImageURL(KXBaseButton* button);
void il_setCurrentAlternateImageURL(KXBaseButton* button, const foundation::Ref<foundation::URL>& url);
