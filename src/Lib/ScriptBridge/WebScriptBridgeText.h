#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text transformations at the bridge's two boundaries with the page's script.
namespace wsb {

// `text` as the inside of a single-quoted script string literal: backslash, both quotes, line
// feed, carriage return, form feed, U+2028 and U+2029 escaped. Every other character stands for
// itself inside such a literal, so nothing in `text` can end the literal or the statement.
std::string escapeForSingleQuotedScript(std::string_view text);

// JSON text with every escaped lone surrogate ("\ud800" without its partner) replaced by "\ufffd".
// A page's script escapes lone surrogates when it writes JSON; the object model's strings hold
// UTF-8 only and cannot take them. Nothing is copied when there is none (nullopt).
std::optional<std::string> replaceLoneSurrogateEscapes(std::string_view json);

} // namespace wsb
