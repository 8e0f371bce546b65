#include "Platform/Foundation/URL.h"

#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"

#include <filesystem>
#include <functional>
#include <system_error>

namespace foundation {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isUnreserved(char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelim(char c) { return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos; }

// Every character is unreserved, a sub-delimiter, one of `extra`, or a complete percent escape.
bool validComponent(std::string_view text, std::string_view extra)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2]))
                return false;
            i += 2;
            continue;
        }
        if (!isUnreserved(c) && !isSubDelim(c) && extra.find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

bool validHost(std::string_view host)
{
    if (host.starts_with('[')) {
        if (host.size() < 3 || !host.ends_with(']'))
            return false;
        for (char c : host.substr(1, host.size() - 2))
            if (!isHex(c) && c != ':' && c != '.' && c != 'v' && c != 'V')
                return false;
        return true;
    }
    return validComponent(host, "");
}

bool validAuthority(std::string_view authority)
{
    std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        if (!validComponent(authority.substr(0, at), ":"))
            return false;
        authority.remove_prefix(at + 1);
    }
    std::size_t hostEnd = 0;
    if (authority.starts_with('[')) {
        hostEnd = authority.find(']');
        if (hostEnd == std::string_view::npos)
            return false;
        ++hostEnd;
    } else {
        hostEnd = authority.find(':');
        if (hostEnd == std::string_view::npos)
            hostEnd = authority.size();
    }
    if (!validHost(authority.substr(0, hostEnd)))
        return false;
    std::string_view rest = authority.substr(hostEnd);
    if (rest.empty())
        return true;
    if (rest[0] != ':')
        return false;
    for (char c : rest.substr(1))
        if (!isDigit(c))
            return false;
    return true;
}

// Splits and validates a URI reference; nullopt when it is not one.
std::optional<URL::Parts> parseReference(std::string_view text)
{
    URL::Parts parts;
    std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon > 0 && isAlpha(text[0])) {
        std::string_view candidate = text.substr(0, colon);
        bool isScheme = true;
        for (char c : candidate)
            isScheme = isScheme && (isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.');
        if (isScheme) {
            parts.scheme = std::string(candidate);
            text.remove_prefix(colon + 1);
        }
    }
    if (std::size_t hash = text.find('#'); hash != std::string_view::npos) {
        std::string_view fragment = text.substr(hash + 1);
        if (!validComponent(fragment, ":@/?"))
            return std::nullopt;
        parts.fragment = std::string(fragment);
        text = text.substr(0, hash);
    }
    if (std::size_t question = text.find('?'); question != std::string_view::npos) {
        std::string_view query = text.substr(question + 1);
        if (!validComponent(query, ":@/?"))
            return std::nullopt;
        parts.query = std::string(query);
        text = text.substr(0, question);
    }
    if (text.starts_with("//")) {
        text.remove_prefix(2);
        std::size_t slash = text.find('/');
        std::string_view authority = text.substr(0, slash);
        if (!validAuthority(authority))
            return std::nullopt;
        parts.authority = std::string(authority);
        text = slash == std::string_view::npos ? std::string_view() : text.substr(slash);
    }
    if (!validComponent(text, ":@/"))
        return std::nullopt;
    // A relative path whose first segment holds ":" would read as a scheme.
    if (!parts.scheme && !parts.authority) {
        std::string_view first = text.substr(0, text.find('/'));
        if (first.find(':') != std::string_view::npos)
            return std::nullopt;
    }
    parts.path = std::string(text);
    return parts;
}

std::string removeDotSegments(std::string_view input)
{
    std::string output;
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../") || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            std::size_t cut = output.rfind('/');
            output.erase(cut == std::string::npos ? 0 : cut);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            std::size_t start = input.starts_with('/') ? 1 : 0;
            std::size_t next = input.find('/', start);
            std::string_view segment = input.substr(0, next);
            output.append(segment);
            input.remove_prefix(segment.size());
        }
    }
    return output;
}

std::string compose(const URL::Parts& parts)
{
    std::string text;
    if (parts.scheme)
        text += *parts.scheme + ":";
    if (parts.authority)
        text += "//" + *parts.authority;
    text += parts.path;
    if (parts.query)
        text += "?" + *parts.query;
    if (parts.fragment)
        text += "#" + *parts.fragment;
    return text;
}

URL::Parts resolve(const URL::Parts& base, const URL::Parts& ref)
{
    URL::Parts target;
    if (ref.scheme) {
        target = ref;
        target.path = removeDotSegments(ref.path);
        return target;
    }
    target.scheme = base.scheme;
    target.fragment = ref.fragment;
    if (ref.authority) {
        target.authority = ref.authority;
        target.path = removeDotSegments(ref.path);
        target.query = ref.query;
        return target;
    }
    target.authority = base.authority;
    if (ref.path.empty()) {
        target.path = base.path;
        target.query = ref.query ? ref.query : base.query;
        return target;
    }
    if (ref.path.starts_with('/')) {
        target.path = removeDotSegments(ref.path);
    } else {
        std::string merged;
        if (base.authority && base.path.empty()) {
            merged = "/" + ref.path;
        } else {
            std::size_t slash = base.path.rfind('/');
            merged = (slash == std::string::npos ? std::string() : base.path.substr(0, slash + 1)) + ref.path;
        }
        target.path = removeDotSegments(merged);
    }
    target.query = ref.query;
    return target;
}

Ref<String> decodedOrNil(std::string_view text)
{
    return String::createWithValidUTF8(percentDecode(text));
}

const std::string_view kPathKeep = "!$&'()*+,;=:@/";

} // namespace

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    auto hexValue = [](char c) { return isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string percentEncode(std::string_view text, std::string_view keep)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (isUnreserved(c) || keep.find(c) != std::string_view::npos) {
            out.push_back(c);
        } else {
            auto byte = static_cast<unsigned char>(c);
            out.push_back('%');
            out.push_back(digits[byte >> 4]);
            out.push_back(digits[byte & 0xF]);
        }
    }
    return out;
}

const Class* URL::classObject()
{
    static const Class* cls = &Class::define("NSURL", Object::classObject());
    return cls;
}

const Class* URL::isa() const
{
    return classObject();
}

URL::URL(std::string relative, Ref<URL> base, Parts resolved)
    : relative_(std::move(relative))
    , base_(std::move(base))
    , parts_(std::move(resolved))
    , absolute_(base_ ? compose(parts_) : relative_)
{
}

Ref<URL> URL::fromParts(Parts parts)
{
    std::string text = compose(parts);
    return std::make_shared<URL>(std::move(text), nullptr, std::move(parts));
}

Ref<URL> URL::URLWithString(std::string_view text)
{
    return URLWithString(text, nullptr);
}

Ref<URL> URL::URLWithString(std::string_view text, const Ref<URL>& base)
{
    auto parts = parseReference(text);
    if (!parts)
        return nullptr;
    if (base && !parts->scheme)
        return std::make_shared<URL>(std::string(text), base, resolve(base->parts_, *parts));
    return std::make_shared<URL>(std::string(text), nullptr, std::move(*parts));
}

Ref<URL> URL::fileURLWithPath(std::string_view path)
{
    std::filesystem::path fsPath(path);
    std::error_code ec;
    if (fsPath.is_relative())
        fsPath = std::filesystem::current_path(ec) / fsPath;
    std::string text = fsPath.lexically_normal().string();
    if (!text.ends_with('/') && std::filesystem::is_directory(fsPath, ec))
        text += '/';
    Parts parts;
    parts.scheme = "file";
    parts.authority = "";
    parts.path = percentEncode(text, kPathKeep);
    return fromParts(std::move(parts));
}

URL::Authority URL::authority() const
{
    Authority result;
    if (!parts_.authority)
        return result;
    std::string_view text = *parts_.authority;
    if (std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        std::string_view userinfo = text.substr(0, at);
        std::size_t colon = userinfo.find(':');
        result.user = std::string(userinfo.substr(0, colon));
        if (colon != std::string_view::npos)
            result.password = std::string(userinfo.substr(colon + 1));
        text.remove_prefix(at + 1);
    }
    std::size_t hostEnd = text.starts_with('[') ? text.find(']') + 1 : text.find(':');
    if (hostEnd == std::string_view::npos || hostEnd > text.size())
        hostEnd = text.size();
    result.host = std::string(text.substr(0, hostEnd));
    if (result.host.starts_with('['))
        result.host = result.host.substr(1, result.host.size() - 2);
    std::string_view port = text.substr(hostEnd);
    if (port.size() > 1) {
        long value = 0;
        for (char c : port.substr(1))
            value = value > 100000000 ? value : value * 10 + (c - '0');
        result.port = value;
    }
    return result;
}

Ref<String> URL::scheme() const
{
    return parts_.scheme ? String::create(*parts_.scheme) : nullptr;
}

Ref<String> URL::host() const
{
    Authority auth = authority();
    if (auth.host.empty())
        return nullptr;
    return decodedOrNil(auth.host);
}

Ref<Number> URL::port() const
{
    Authority auth = authority();
    return auth.port ? Number::numberWithInteger(*auth.port) : nullptr;
}

Ref<String> URL::user() const
{
    Authority auth = authority();
    return auth.user ? decodedOrNil(*auth.user) : nullptr;
}

Ref<String> URL::password() const
{
    Authority auth = authority();
    return auth.password ? decodedOrNil(*auth.password) : nullptr;
}

Ref<String> URL::path() const
{
    std::string_view raw = parts_.path;
    if (raw.size() > 1 && raw.ends_with('/'))
        raw.remove_suffix(1);
    return decodedOrNil(raw);
}

Ref<String> URL::query() const
{
    return parts_.query ? String::create(*parts_.query) : nullptr;
}

Ref<String> URL::fragment() const
{
    return parts_.fragment ? String::create(*parts_.fragment) : nullptr;
}

Ref<String> URL::lastPathComponent() const
{
    Ref<String> decoded = path();
    return decoded ? decoded->lastPathComponent() : nullptr;
}

Ref<String> URL::pathExtension() const
{
    Ref<String> decoded = path();
    return decoded ? decoded->pathExtension() : nullptr;
}

Ref<URL> URL::absoluteURL() const
{
    if (!base_)
        return std::static_pointer_cast<URL>(std::const_pointer_cast<Object>(self()));
    return fromParts(parts_);
}

bool URL::isFileURL() const
{
    if (!parts_.scheme || parts_.scheme->size() != 4)
        return false;
    std::string lower;
    for (char c : *parts_.scheme)
        lower.push_back(static_cast<char>(c | 0x20));
    return lower == "file";
}

Ref<URL> URL::URLByAppendingPathComponent(std::string_view component) const
{
    Parts parts = parts_;
    parts.fragment.reset();
    if (!parts.path.ends_with('/') && !(parts.path.empty() && !parts.authority))
        parts.path += '/';
    parts.path += percentEncode(component, kPathKeep);
    return fromParts(std::move(parts));
}

Ref<URL> URL::URLByDeletingLastPathComponent() const
{
    Parts parts = parts_;
    std::string& path = parts.path;
    if (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    std::size_t slash = path.rfind('/');
    path = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
    return fromParts(std::move(parts));
}

Ref<URL> URL::standardized() const
{
    Parts parts = parts_;
    parts.path = removeDotSegments(parts.path);
    return fromParts(std::move(parts));
}

std::string URL::description() const
{
    if (base_)
        return relative_ + " -- " + base_->description();
    return relative_;
}

bool URL::isEqual(const Object& other) const
{
    auto* url = dynamic_cast<const URL*>(&other);
    if (!url)
        return false;
    if (url == this)
        return true;
    if (relative_ != url->relative_ || (base_ == nullptr) != (url->base_ == nullptr))
        return false;
    return !base_ || base_->isEqual(*url->base_);
}

std::size_t URL::hash() const
{
    return std::hash<std::string>()(absolute_);
}

} // namespace foundation
