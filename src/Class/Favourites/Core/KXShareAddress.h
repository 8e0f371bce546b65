#pragma once

#include <optional>
#include <string>
#include <string_view>

// The address of the service's share page for one collection and one share target: the page
// address of the user default "coll_share" with "id" and "direct" added to its query. The id and
// the target are percent-encoded; a page address that already has a query gets "&" before them,
// one with a fragment keeps it at the end, and a plain one gives "<page>?id=<id>&direct=<target>".
// Only http and https page addresses make a share address. Any thread.
class KXShareAddress {
public:
    // nullopt without a page address or for any other scheme.
    static std::optional<std::string> build(std::string_view page, std::string_view collectionId, std::string_view target);
    // The page address of the user defaults ("coll_share"), "" when unset.
    static std::string pageAddress();
    // RFC 3986: every byte but the unreserved characters as %XX.
    static std::string percentEncoded(std::string_view text);
};
