#include "Class/ImageViews/KXBaseButtonWebCache.h"

#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ILViewWebCacheState.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointer>

using foundation::Id;
using foundation::Ref;

void il_setImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url)
{
    il_setImageWithURL(button, url, nullptr, 0, ILImageLoaderProgressBlock(), nullptr);
}

void il_setImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url, const ILImageRef& placeholder)
{
    il_setImageWithURL(button, url, placeholder, 0, ILImageLoaderProgressBlock(), nullptr);
}

void il_setImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options)
{
    il_setImageWithURL(button, url, placeholder, options, ILImageLoaderProgressBlock(), nullptr);
}

void il_setImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, const ILContext& context)
{
    il_setImageWithURL(button, url, placeholder, options, context, nullptr, nullptr);
}

void il_setImageWithURL(
    KXBaseButton* button, const Ref<foundation::URL>& url, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(button, url, nullptr, 0, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILExternalCompletionBlock completed)
{
    il_setImageWithURL(button, url, placeholder, 0, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(button, url, placeholder, options, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(button, url, placeholder, options, nullptr, std::move(progress), std::move(completed));
}

void il_setImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed)
{
    if (!button)
        return;
    il_setCurrentImageURL(button, url);
    il_internalSetImageWithURL(button, url, placeholder, options, context, nullptr, std::move(progress),
        il_externalCompletion(std::move(completed)));
}

void il_setAlternateImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url)
{
    il_setAlternateImageWithURL(button, url, nullptr, 0, ILImageLoaderProgressBlock(), nullptr);
}

void il_setAlternateImageWithURL(
    KXBaseButton* button, const Ref<foundation::URL>& url, const ILImageRef& placeholder)
{
    il_setAlternateImageWithURL(button, url, placeholder, 0, ILImageLoaderProgressBlock(), nullptr);
}

void il_setAlternateImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options)
{
    il_setAlternateImageWithURL(button, url, placeholder, options, ILImageLoaderProgressBlock(), nullptr);
}

void il_setAlternateImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context)
{
    il_setAlternateImageWithURL(button, url, placeholder, options, context, nullptr, nullptr);
}

void il_setAlternateImageWithURL(
    KXBaseButton* button, const Ref<foundation::URL>& url, ILExternalCompletionBlock completed)
{
    il_setAlternateImageWithURL(button, url, nullptr, 0, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setAlternateImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILExternalCompletionBlock completed)
{
    il_setAlternateImageWithURL(
        button, url, placeholder, 0, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setAlternateImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILExternalCompletionBlock completed)
{
    il_setAlternateImageWithURL(
        button, url, placeholder, options, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setAlternateImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed)
{
    il_setAlternateImageWithURL(
        button, url, placeholder, options, nullptr, std::move(progress), std::move(completed));
}

void il_setAlternateImageWithURL(KXBaseButton* button, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed)
{
    if (!button)
        return;
    il_setCurrentAlternateImageURL(button, url);
    const ILContext keyed
        = il_contextWith(context, ILWebContextSetImageOperationKey, Id(ILButtonAlternateImageOperationKey));
    ILSetImageBlock setAlternate = [weak = QPointer<KXBaseButton>(button)](
                                       const ILImageRef& image, const auto&, ILCacheType, const auto&) {
        if (weak)
            weak->setAlternateImage(il_kxImage(image));
    };
    il_internalSetImageWithURL(button, url, placeholder, options, keyed, std::move(setAlternate),
        std::move(progress), il_externalCompletion(std::move(completed)));
}

void il_cancelCurrentImageLoad(KXBaseButton* button)
{
    if (button)
        il_cancelImageLoadOperationWithKey(button, std::string(button->metaObject()->className()));
}

void il_cancelCurrentAlternateImageLoad(KXBaseButton* button)
{
    il_cancelImageLoadOperationWithKey(button, std::string(ILButtonAlternateImageOperationKey));
}

Ref<foundation::URL> il_currentImageURL(KXBaseButton* button)
{
    const auto state = button ? ILViewWebCacheState::find(button) : nullptr;
    if (!state)
        return nullptr;
    std::lock_guard lock(state->mutex);
    return state->currentImageURL;
}

void il_setCurrentImageURL(KXBaseButton* button, const Ref<foundation::URL>& url)
{
    if (!button)
        return;
    const auto state = ILViewWebCacheState::of(button);
    std::lock_guard lock(state->mutex);
    state->currentImageURL = url;
}

Ref<foundation::URL> il_currentAlternateImageURL(KXBaseButton* button)
{
    const auto state = button ? ILViewWebCacheState::find(button) : nullptr;
    if (!state)
        return nullptr;
    std::lock_guard lock(state->mutex);
    return state->currentAlternateImageURL;
}

void il_setCurrentAlternateImageURL(KXBaseButton* button, const Ref<foundation::URL>& url)
{
    if (!button)
        return;
    const auto state = ILViewWebCacheState::of(button);
    std::lock_guard lock(state->mutex);
    state->currentAlternateImageURL = url;
}
