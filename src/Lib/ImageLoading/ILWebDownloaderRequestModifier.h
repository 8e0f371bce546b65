#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>

namespace net {
class URLRequest;
}

// Rewrites a download's request before its operation is made; nil cancels the download. An
// object of the object model so that a load's context can carry one ("downloadRequestModifier").
// Called on the thread that asks for the download.
class ILWebDownloaderRequestModifierProtocol : public foundation::Object {
public:
    virtual foundation::Ref<net::URLRequest> modifiedRequestWithRequest(
        const foundation::Ref<net::URLRequest>& request) const = 0;

protected:
    ILWebDownloaderRequestModifierProtocol() = default;
};

// A request modifier that answers with a block (nil without one).
class ILWebDownloaderRequestModifier final : public ILWebDownloaderRequestModifierProtocol {
public:
    using Block
        = std::function<foundation::Ref<net::URLRequest>(const foundation::Ref<net::URLRequest>& request)>;

    static foundation::Ref<ILWebDownloaderRequestModifier> requestModifierWithBlock(Block block);
    explicit ILWebDownloaderRequestModifier(Block block = {})
        : block_(std::move(block))
    {
    }

    foundation::Ref<net::URLRequest> modifiedRequestWithRequest(
        const foundation::Ref<net::URLRequest>& request) const override;

private:
    const Block block_;
};
