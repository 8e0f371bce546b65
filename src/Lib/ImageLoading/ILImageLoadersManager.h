#pragma once

#include "Lib/ImageLoading/ILImageLoader.h"

#include <memory>
#include <mutex>
#include <vector>

// A loader over an ordered list of loaders (by default the shared downloader): every request
// goes to the last loader that can take the URL, so one added later takes precedence.
// Thread-safe; the chosen loader runs outside the list's lock.
class ILImageLoadersManager final : public ILImageLoader {
public:
    static std::shared_ptr<ILImageLoadersManager> sharedManager();
    static std::shared_ptr<ILImageLoadersManager> create();

    std::vector<std::shared_ptr<ILImageLoader>> loaders() const;
    // Replaces the list (an empty one empties it).
    void setLoaders(const std::vector<std::shared_ptr<ILImageLoader>>& loaders);
    void addLoader(const std::shared_ptr<ILImageLoader>& loader);
    void removeLoader(const std::shared_ptr<ILImageLoader>& loader);

    bool canRequestImageForURL(const foundation::Ref<foundation::URL>& url) override;
    // nil, without calling the completion, for a nil URL or when no loader takes the URL.
    std::shared_ptr<ILWebOperation> requestImageWithURL(const foundation::Ref<foundation::URL>& url,
        ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
        ILImageLoaderCompletedBlock completed) override;
    bool shouldBlockFailedURLWithURL(const foundation::Ref<foundation::URL>& url,
        const foundation::Ref<foundation::Error>& error) override;

private:
    std::shared_ptr<ILImageLoader> loaderFor(const foundation::Ref<foundation::URL>& url) const;

    mutable std::mutex loadersLock_;
    std::vector<std::shared_ptr<ILImageLoader>> loaders_;
};
