#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zipentry {

// The entry name as a path relative to the destination: backslashes become slashes, "." and empty
// components go, ".." removes the component before it. nil for a name that would leave the
// destination (absolute, starting with a drive letter, climbing above it) or that holds a control
// character. The result is empty when the name is the destination itself.
std::optional<std::string> safeRelativePath(std::string_view name);

// Whether UTF-8 `text` holds a control character: C0 (NUL, tab, line breaks, ESC, ...), DEL or
// C1. Such a name is refused: a newline or an escape sequence in a file name misleads whoever
// reads a listing or a log of it.
bool hasControlCharacter(std::string_view text);

// `text` with every control character written as \xNN (NUL as \0), for messages and logs.
std::string escapedControlCharacters(std::string_view text);

// Whether a symbolic link at `linkPath` (a result of safeRelativePath) pointing to `target` stays
// inside the destination. Only ".." components at the start of the target are accepted: after a
// descent a component may itself be a link, and a ".." behind it would climb from wherever that
// link points.
bool isSafeLinkTarget(std::string_view linkPath, std::string_view target);

} // namespace zipentry
