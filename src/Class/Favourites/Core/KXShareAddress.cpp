#include "Class/Favourites/Core/KXShareAddress.h"

#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <cctype>

namespace {

bool hasWebScheme(std::string_view address)
{
    const auto colon = address.find("://");
    if (colon == std::string_view::npos)
        return false;
    std::string scheme;
    for (const char c : address.substr(0, colon))
        scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return (scheme == "http" || scheme == "https") && address.size() > colon + 3;
}

} // namespace

std::string KXShareAddress::percentEncoded(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::optional<std::string> KXShareAddress::build(std::string_view page, std::string_view collectionId, std::string_view target)
{
    if (!hasWebScheme(page))
        return std::nullopt;
    const auto hash = page.find('#');
    const std::string_view base = page.substr(0, hash);
    const std::string_view fragment = hash == std::string_view::npos ? std::string_view() : page.substr(hash);
    std::string address(base);
    if (base.find('?') == std::string_view::npos)
        address += '?';
    else if (base.back() != '?' && base.back() != '&')
        address += '&';
    address += "id=" + percentEncoded(collectionId) + "&direct=" + percentEncoded(target);
    address += fragment;
    return address;
}

std::string KXShareAddress::pageAddress()
{
    const auto value = foundation::UserDefaults::standardUserDefaults().stringForKey("coll_share");
    return value ? value->utf8() : std::string();
}
