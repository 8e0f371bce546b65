#include "Class/ImageViews/ImageViewWebCache.h"

#include "Class/ImageViews/ImageView.h"

using foundation::Ref;

void il_setImageWithURL(ImageView* view, const Ref<foundation::URL>& url)
{
    il_setImageWithURL(view, url, nullptr, 0, nullptr, nullptr, nullptr);
}

void il_setImageWithURL(ImageView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder)
{
    il_setImageWithURL(view, url, placeholder, 0, nullptr, nullptr, nullptr);
}

void il_setImageWithURL(
    ImageView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder, ILLoadOptions options)
{
    il_setImageWithURL(view, url, placeholder, options, nullptr, nullptr, nullptr);
}

void il_setImageWithURL(ImageView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, const ILContext& context)
{
    il_setImageWithURL(view, url, placeholder, options, context, nullptr, nullptr);
}

void il_setImageWithURL(ImageView* view, const Ref<foundation::URL>& url, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, nullptr, 0, nullptr, nullptr, std::move(completed));
}

void il_setImageWithURL(ImageView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, 0, nullptr, nullptr, std::move(completed));
}

void il_setImageWithURL(ImageView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, options, nullptr, nullptr, std::move(completed));
}

void il_setImageWithURL(ImageView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, options, nullptr, std::move(progress), std::move(completed));
}

void il_setImageWithURL(ImageView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed)
{
    il_internalSetImageWithURL(view, url, placeholder, options, context, nullptr, std::move(progress),
        il_externalCompletion(std::move(completed)));
}
