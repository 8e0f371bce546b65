#include "Lib/ImageLoading/ILWebDownloaderRequestModifier.h"

#include "Platform/URLLoading/URLRequest.h"

foundation::Ref<ILWebDownloaderRequestModifier> ILWebDownloaderRequestModifier::requestModifierWithBlock(
    Block block)
{
    return std::make_shared<ILWebDownloaderRequestModifier>(std::move(block));
}

foundation::Ref<net::URLRequest> ILWebDownloaderRequestModifier::modifiedRequestWithRequest(
    const foundation::Ref<net::URLRequest>& request) const
{
    return block_ ? block_(request) : nullptr;
}
