#pragma once

#include "Platform/URLLoading/URLResponse.h"

#include <string_view>
#include <utility>
#include <vector>

namespace foundation {
class Dictionary;
}

namespace net {

// An HTTP response (NSHTTPURLResponse): status code and header fields as received, looked up
// without regard to case; repeated fields are joined with ", " (Set-Cookie too, as the platform).
class HTTPURLResponse final : public URLResponse {
public:
    static const foundation::Class* classObject(); // NSHTTPURLResponse
    const foundation::Class* isa() const override;

    static foundation::Ref<HTTPURLResponse> create(foundation::Ref<foundation::URL> url, long statusCode, std::string httpVersion,
                                                   const std::vector<std::pair<std::string, std::string>>& headerLines);

    long statusCode() const { return statusCode_; }
    const std::string& httpVersion() const { return httpVersion_; }
    foundation::Ref<foundation::Dictionary> allHeaderFields() const;
    std::optional<std::string> valueForHTTPHeaderField(std::string_view name) const;
    std::string suggestedFilename() const override;
    static std::string localizedStringForStatusCode(long statusCode);

    std::string description() const override;

    HTTPURLResponse(foundation::Ref<foundation::URL> url, long statusCode, std::string httpVersion,
                    std::vector<std::pair<std::string, std::string>> fields, std::optional<std::string> mimeType,
                    long long expectedContentLength, std::optional<std::string> textEncodingName);

private:
    long statusCode_;
    std::string httpVersion_;
    std::vector<std::pair<std::string, std::string>> fields_;
};

// The file name a Content-Disposition value names (filename* in UTF-8 preferred), or empty.
std::string fileNameFromContentDisposition(std::string_view value);

} // namespace net
