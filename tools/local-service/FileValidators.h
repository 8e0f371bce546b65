#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace localservice {

// The validators of a served file (ETag, Last-Modified) and the conditional-request rule that
// answers 304 Not Modified: If-None-Match decides when present (a list of tags, "*", weak tags
// compared by their opaque part); otherwise If-Modified-Since matches when the file was not
// changed after that date. A date that does not parse is ignored.
class FileValidators {
public:
    // A strong tag, quoted: a 64-bit FNV-1a digest of the bytes in hex.
    static std::string entityTag(std::string_view bytes);
    // IMF-fixdate, "Sun, 06 Nov 1994 08:49:37 GMT", whatever the locale.
    static std::string httpDate(std::time_t time);
    // IMF-fixdate only (the form every client sends today); nullopt for anything else.
    static std::optional<std::time_t> parseHttpDate(std::string_view text);

    static bool notModified(const std::string* ifNoneMatch, const std::string* ifModifiedSince,
                            const std::string& entityTag, std::optional<std::time_t> lastModified);
};

} // namespace localservice
