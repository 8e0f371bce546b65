#pragma once

#include "Platform/Foundation/Object.h"

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

class Number;
class String;

// A URL (NSURL). Strings are parsed strictly after RFC 3986: a character outside the URI
// alphabet or a broken percent escape makes URLWithString answer nil. A URL made relative to a
// base keeps both; its components are those of the resolved URL. Immutable and thread-safe.
class URL final : public Object {
public:
    static const Class* classObject(); // NSURL
    const Class* isa() const override;

    static Ref<URL> URLWithString(std::string_view text);
    static Ref<URL> URLWithString(std::string_view text, const Ref<URL>& base);
    // An absolute file URL; a relative path is taken from the working directory, and an existing
    // folder gets a trailing "/" as the platform does.
    static Ref<URL> fileURLWithPath(std::string_view path);

    // Component accessors answer nil when the component is absent.
    Ref<String> scheme() const;
    Ref<String> host() const;      // percent-decoded, IPv6 without brackets
    Ref<Number> port() const;
    Ref<String> user() const;      // percent-decoded
    Ref<String> password() const;  // percent-decoded
    Ref<String> path() const;      // percent-decoded; trailing "/" removed except for the root
    Ref<String> query() const;     // as written
    Ref<String> fragment() const;  // as written
    Ref<String> lastPathComponent() const;
    Ref<String> pathExtension() const;

    const std::string& absoluteString() const { return absolute_; }
    const std::string& relativeString() const { return relative_; }
    const Ref<URL>& baseURL() const { return base_; }
    Ref<URL> absoluteURL() const;

    bool isFileURL() const;
    // The component is percent-encoded as a path segment and added before any query.
    Ref<URL> URLByAppendingPathComponent(std::string_view component) const;
    Ref<URL> URLByDeletingLastPathComponent() const;
    Ref<URL> standardized() const; // "." and ".." segments removed

    std::string description() const override; // "rel -- base" for a URL with a base
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;

    struct Parts {
        std::optional<std::string> scheme;
        std::optional<std::string> authority; // raw, without "//"
        std::string path;
        std::optional<std::string> query;
        std::optional<std::string> fragment;
    };
    URL(std::string relative, Ref<URL> base, Parts resolved);

private:
    struct Authority {
        std::optional<std::string> user;
        std::optional<std::string> password;
        std::string host;
        std::optional<long> port;
    };
    Authority authority() const;
    static Ref<URL> fromParts(Parts parts);

    std::string relative_;
    Ref<URL> base_;
    Parts parts_;
    std::string absolute_;
};

// Percent-encoding helpers shared by the URL type and the networking layer.
std::string percentDecode(std::string_view text);
// Encodes every byte outside the unreserved set and `keep`.
std::string percentEncode(std::string_view text, std::string_view keep);

} // namespace foundation
