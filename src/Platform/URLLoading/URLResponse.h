#pragma once

#include "Platform/Foundation/Object.h"

#include <optional>
#include <string>

namespace foundation {
class URL;
}

namespace net {

// A response's metadata (NSURLResponse): final URL, MIME type, expected length (-1 unknown),
// text encoding and the file name a download should get. Immutable.
class URLResponse : public foundation::Object {
public:
    static const foundation::Class* classObject(); // NSURLResponse
    const foundation::Class* isa() const override;

    URLResponse(foundation::Ref<foundation::URL> url, std::optional<std::string> mimeType, long long expectedContentLength,
                std::optional<std::string> textEncodingName);

    const foundation::Ref<foundation::URL>& URL() const { return url_; }
    const std::optional<std::string>& MIMEType() const { return mimeType_; }
    long long expectedContentLength() const { return expectedContentLength_; }
    const std::optional<std::string>& textEncodingName() const { return textEncodingName_; }
    // A plain base name: the Content-Disposition file name of an HTTP response, else the URL's
    // last path component, else "Unknown". Never a path and never "." or "..".
    virtual std::string suggestedFilename() const;

    std::string description() const override;

protected:
    foundation::Ref<foundation::URL> url_;
    std::optional<std::string> mimeType_;
    long long expectedContentLength_;
    std::optional<std::string> textEncodingName_;
};

// Reduces a name from the network to a safe base name; empty when nothing usable is left.
std::string safeFileName(std::string_view name);

} // namespace net
