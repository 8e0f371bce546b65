#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zipentry {

// The entry name as a path relative to the destination: backslashes become slashes, "." and empty
// components go, ".." removes the component before it. nil for a name that would leave the
// destination: absolute, starting with a drive letter, holding a NUL byte, or climbing above it.
// The result is empty when the name is the destination itself.
std::optional<std::string> safeRelativePath(std::string_view name);

// Whether a symbolic link at `linkPath` (a result of safeRelativePath) pointing to `target` stays
// inside the destination. Only ".." components at the start of the target are accepted: after a
// descent a component may itself be a link, and a ".." behind it would climb from wherever that
// link points.
bool isSafeLinkTarget(std::string_view linkPath, std::string_view target);

} // namespace zipentry
