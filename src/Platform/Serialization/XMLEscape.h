#pragma once

#include <string>
#include <string_view>

namespace foundation {

// Appends text with the characters XML reserves written as entities ("&", "<", ">", and '"'
// when the text is an attribute value), and carriage returns as references so that they read back.
void appendXMLEscaped(std::string& out, std::string_view text, bool attribute = false);

} // namespace foundation
