#pragma once

#include <string>
#include <string_view>

namespace foundation {

// Appends text with the characters XML reserves written as entities ("&", "<", ">", and '"'
// when the text is an attribute value).
void appendXMLEscaped(std::string& out, std::string_view text, bool attribute = false);

} // namespace foundation
