#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <memory>

// Something that turns a URL into an image for the manager: the downloader, or the loaders
// manager over several. Thread-safe.
class ILImageLoader {
public:
    virtual ~ILImageLoader() = default;

    virtual bool canRequestImageForURL(const foundation::Ref<foundation::URL>& url) = 0;
    // Starts a load; the completion is called on the main queue (possibly several times with
    // partial images before the finished one); nil when nothing was started.
    virtual std::shared_ptr<ILWebOperation> requestImageWithURL(const foundation::Ref<foundation::URL>& url,
        ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
        ILImageLoaderCompletedBlock completed)
        = 0;
    // Whether a URL that failed with `error` should not be asked for again.
    virtual bool shouldBlockFailedURLWithURL(
        const foundation::Ref<foundation::URL>& url, const foundation::Ref<foundation::Error>& error)
        = 0;
};
