#pragma once

#include <string_view>

namespace catalogue {

// Every URL the generated catalogue stores starts with this base. The host can never resolve
// (the .invalid top-level domain is reserved), so a URL that was not rewritten fails loudly
// instead of reaching some real host. The local service replaces the base with its own address
// in everything it serves; a client reading the bundled catalogue replaces it with its API base.
inline constexpr std::string_view kPlaceholderBase = "https://catalogue.corvane.invalid/";

} // namespace catalogue
