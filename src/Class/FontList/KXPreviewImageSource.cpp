#include "Class/FontList/KXPreviewImageSource.h"

#include <utility>

namespace {

std::shared_ptr<KXPreviewImageSource>& installed()
{
    static std::shared_ptr<KXPreviewImageSource> source;
    return source;
}

} // namespace

std::shared_ptr<KXPreviewImageSource> KXPreviewImageSource::shared()
{
    return installed();
}

std::shared_ptr<KXPreviewImageSource> KXPreviewImageSource::install(std::shared_ptr<KXPreviewImageSource> source)
{
    return std::exchange(installed(), std::move(source));
}
