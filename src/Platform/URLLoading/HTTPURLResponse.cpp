#include "Platform/URLLoading/HTTPURLResponse.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/URLLoading/URLRequest.h"

#include <algorithm>

namespace net {

namespace {

std::string trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return std::string(text);
}

// The value of `name` among the ";"-separated parameters of a header value, unquoted.
std::optional<std::string> parameter(std::string_view value, std::string_view name)
{
    std::size_t pos = 0;
    while ((pos = value.find(';', pos)) != std::string_view::npos) {
        ++pos;
        std::size_t eq = value.find('=', pos);
        if (eq == std::string_view::npos)
            return std::nullopt;
        std::string key = trim(value.substr(pos, eq - pos));
        std::size_t start = eq + 1;
        while (start < value.size() && value[start] == ' ')
            ++start;
        std::string result;
        std::size_t end = start;
        if (start < value.size() && value[start] == '"') {
            for (end = start + 1; end < value.size() && value[end] != '"'; ++end) {
                if (value[end] == '\\' && end + 1 < value.size())
                    ++end;
                result.push_back(value[end]);
            }
        } else {
            end = value.find(';', start);
            result = trim(value.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        }
        if (equalsIgnoringCase(key, name))
            return result;
        pos = std::min(end, value.size());
    }
    return std::nullopt;
}

} // namespace

std::string fileNameFromContentDisposition(std::string_view value)
{
    if (auto extended = parameter(value, "filename*")) {
        std::size_t quote = extended->find("''");
        if (quote != std::string::npos && equalsIgnoringCase(extended->substr(0, quote), "UTF-8"))
            return foundation::percentDecode(extended->substr(quote + 2));
    }
    return parameter(value, "filename").value_or("");
}

const foundation::Class* HTTPURLResponse::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSHTTPURLResponse", URLResponse::classObject());
    return cls;
}

const foundation::Class* HTTPURLResponse::isa() const
{
    return classObject();
}

HTTPURLResponse::HTTPURLResponse(foundation::Ref<foundation::URL> url, long statusCode, std::string httpVersion,
                                 std::vector<std::pair<std::string, std::string>> fields, std::optional<std::string> mimeType,
                                 long long expectedContentLength, std::optional<std::string> textEncodingName)
    : URLResponse(std::move(url), std::move(mimeType), expectedContentLength, std::move(textEncodingName))
    , statusCode_(statusCode)
    , httpVersion_(std::move(httpVersion))
    , fields_(std::move(fields))
{
}

foundation::Ref<HTTPURLResponse> HTTPURLResponse::create(foundation::Ref<foundation::URL> url, long statusCode, std::string httpVersion,
                                                         const std::vector<std::pair<std::string, std::string>>& headerLines)
{
    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto& line : headerLines) {
        const std::string& name = line.first;
        auto it = std::ranges::find_if(fields, [&name](const auto& entry) { return equalsIgnoringCase(entry.first, name); });
        if (it != fields.end())
            it->second += ", " + line.second;
        else
            fields.push_back(line);
    }
    std::optional<std::string> mimeType;
    std::optional<std::string> encoding;
    if (auto contentType = headerValue(fields, "Content-Type")) {
        mimeType = asciiLowercase(trim(contentType->substr(0, contentType->find(';'))));
        if (auto charset = parameter(*contentType, "charset"))
            encoding = asciiLowercase(*charset);
    }
    long long expected = -1;
    auto contentEncoding = headerValue(fields, "Content-Encoding");
    bool encoded = contentEncoding && !equalsIgnoringCase(trim(*contentEncoding), "identity");
    if (auto length = headerValue(fields, "Content-Length"); length && !encoded) {
        std::string digits = trim(*length);
        if (!digits.empty() && std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }) && digits.size() < 19)
            expected = std::stoll(digits);
    }
    return std::make_shared<HTTPURLResponse>(std::move(url), statusCode, std::move(httpVersion), std::move(fields),
                                             std::move(mimeType), expected, std::move(encoding));
}

foundation::Ref<foundation::Dictionary> HTTPURLResponse::allHeaderFields() const
{
    auto result = foundation::MutableDictionary::create();
    for (const auto& [key, value] : fields_)
        result->setObject(foundation::Id(value), foundation::Id(key));
    return result;
}

std::optional<std::string> HTTPURLResponse::valueForHTTPHeaderField(std::string_view name) const
{
    return headerValue(fields_, name);
}

std::string HTTPURLResponse::suggestedFilename() const
{
    if (auto disposition = valueForHTTPHeaderField("Content-Disposition")) {
        std::string name = safeFileName(fileNameFromContentDisposition(*disposition));
        if (!name.empty())
            return name;
    }
    return URLResponse::suggestedFilename();
}

std::string HTTPURLResponse::localizedStringForStatusCode(long statusCode)
{
    switch (statusCode) {
    case 200: return "no error";
    case 201: return "created";
    case 204: return "no content";
    case 301: return "moved permanently";
    case 302: return "found";
    case 304: return "unmodified";
    case 400: return "bad request";
    case 401: return "unauthorized";
    case 403: return "forbidden";
    case 404: return "not found";
    case 500: return "internal server error";
    case 503: return "service unavailable";
    default: break;
    }
    if (statusCode >= 200 && statusCode < 300)
        return "success";
    if (statusCode >= 300 && statusCode < 400)
        return "redirected";
    if (statusCode >= 400 && statusCode < 500)
        return "client error";
    if (statusCode >= 500 && statusCode < 600)
        return "server error";
    return "informational";
}

std::string HTTPURLResponse::description() const
{
    return foundation::format("<NSHTTPURLResponse: %p> { URL: %@ } { Status Code: %ld }", static_cast<const void*>(this),
                              url_ ? url_->absoluteString() : std::string("(null)"), statusCode_);
}

} // namespace net
