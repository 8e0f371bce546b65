#include "Platform/URLLoading/URLResponse.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

namespace net {

const foundation::Class* URLResponse::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSURLResponse", Object::classObject());
    return cls;
}

const foundation::Class* URLResponse::isa() const
{
    return classObject();
}

URLResponse::URLResponse(foundation::Ref<foundation::URL> url, std::optional<std::string> mimeType, long long expectedContentLength,
                         std::optional<std::string> textEncodingName)
    : url_(std::move(url))
    , mimeType_(std::move(mimeType))
    , expectedContentLength_(expectedContentLength)
    , textEncodingName_(std::move(textEncodingName))
{
}

std::string safeFileName(std::string_view name)
{
    std::size_t cut = name.find_last_of("/\\");
    if (cut != std::string_view::npos)
        name.remove_prefix(cut + 1);
    std::string result;
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f)
            result.push_back(c);
    while (!result.empty() && (result.front() == ' ' || result.front() == '.'))
        result.erase(result.begin());
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result;
}

std::string URLResponse::suggestedFilename() const
{
    if (url_) {
        auto last = url_->lastPathComponent();
        if (last) {
            std::string name = safeFileName(last->utf8());
            if (!name.empty())
                return name;
        }
    }
    return "Unknown";
}

std::string URLResponse::description() const
{
    return foundation::format("<NSURLResponse: %p> { URL: %@ }", static_cast<const void*>(this),
                              url_ ? url_->absoluteString() : std::string("(null)"));
}

} // namespace net
